// CommandDispatch.h — how EffectMain routes a host command to its handler.
//
// The route table is data: EffectMain runs DispatchCommand over kEffectHandlers, and the tests run
// the same dispatcher over recording handlers.
#ifndef MORPHALITH_CORE_COMMAND_DISPATCH_H
#define MORPHALITH_CORE_COMMAND_DISPATCH_H

#include <string>

#include "PF_Effect.h"

// The host's command names, by command number, for error lines.
extern const std::string CMD_NAMES[PF_Cmd_NUM_CMDS + 1];

struct CommandHandlers {
    PF_Err (*about)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*);
    PF_Err (*globalSetup)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*);
    PF_Err (*globalSetdown)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*);
    PF_Err (*paramsSetup)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*);
    PF_Err (*sequenceSetup)(PF_InData*, PF_OutData*, PF_ParamDef*[]);
    PF_Err (*sequenceResetup)(PF_InData*, PF_OutData*, PF_ParamDef*[]);
    PF_Err (*sequenceFlatten)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*);
    PF_Err (*sequenceSetdown)(PF_InData*, PF_OutData*, PF_ParamDef*[]);
    PF_Err (*userChangedParam)(PF_InData*, PF_OutData*, PF_ParamDef*[], const PF_UserChangedParamExtra*);
    PF_Err (*updateParamsUI)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*);
    PF_Err (*handleEvent)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*);
    PF_Err (*preRender)(PF_InData*, PF_OutData*, PF_PreRenderExtra*);
    PF_Err (*smartRender)(PF_InData*, PF_OutData*, PF_SmartRenderExtra*, bool);
    PF_Err (*gpuDeviceSetup)(PF_InData*, PF_OutData*, PF_GPUDeviceSetupExtra*);
    PF_Err (*gpuDeviceSetdown)(PF_InData*, PF_OutData*, PF_GPUDeviceSetdownExtra*);
};

// The plug-in's real handlers.
extern const CommandHandlers kEffectHandlers;

// Runs one command: calls its handler, turns a non-zero result or an exception into one error line
// and the host's error code. Unknown command numbers do nothing and return 0.
PF_Err DispatchCommand(const CommandHandlers& handlers, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                       PF_ParamDef* params[], PF_LayerDef* output, void* extra);

#endif  // MORPHALITH_CORE_COMMAND_DISPATCH_H
