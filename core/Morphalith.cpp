// Morphalith.cpp — the module's entry points and command dispatch.
#include <exception>
#include <string>

#include "CommandDispatch.h"
#include "Handlers.h"
#include "Headers/LogsController.h"
#include "Version.h"

const std::string CMD_NAMES[PF_Cmd_NUM_CMDS + 1] = {
    "PF_Cmd_ABOUT",
    "PF_Cmd_GLOBAL_SETUP",
    "PF_Cmd_UNUSED_0",
    "PF_Cmd_GLOBAL_SETDOWN",
    "PF_Cmd_PARAMS_SETUP",
    "PF_Cmd_SEQUENCE_SETUP",
    "PF_Cmd_SEQUENCE_RESETUP",
    "PF_Cmd_SEQUENCE_FLATTEN",
    "PF_Cmd_SEQUENCE_SETDOWN",
    "PF_Cmd_DO_DIALOG",
    "PF_Cmd_FRAME_SETUP",
    "PF_Cmd_RENDER",
    "PF_Cmd_FRAME_SETDOWN",
    "PF_Cmd_USER_CHANGED_PARAM",
    "PF_Cmd_UPDATE_PARAMS_UI",
    "PF_Cmd_EVENT",
    "PF_Cmd_GET_EXTERNAL_DEPENDENCIES",
    "PF_Cmd_COMPLETELY_GENERAL",
    "PF_Cmd_QUERY_DYNAMIC_FLAGS",
    "PF_Cmd_AUDIO_RENDER",
    "PF_Cmd_AUDIO_SETUP",
    "PF_Cmd_AUDIO_SETDOWN",
    "PF_Cmd_ARBITRARY_CALLBACK",
    "PF_Cmd_SMART_PRE_RENDER",
    "PF_Cmd_SMART_RENDER",
    "PF_Cmd_RESERVED1",
    "PF_Cmd_RESERVED2",
    "PF_Cmd_RESERVED3",
    "PF_Cmd_GET_FLATTENED_SEQUENCE_DATA",
    "PF_Cmd_TRANSLATE_PARAMS_TO_PREFS",
    "PF_Cmd_RESERVED4",
    "PF_Cmd_SMART_RENDER_GPU",
    "PF_Cmd_GPU_DEVICE_SETUP",
    "PF_Cmd_GPU_DEVICE_SETDOWN",
    "PF_Cmd_NUM_CMDS",
};

const CommandHandlers kEffectHandlers = {
    About,         GlobalSetup,      GlobalSetdown,  ParamsSetup, SequenceSetup, SequenceResetup,
    SequenceFlatten, SequenceSetdown, UserChangedParam, UpdateParamsUI, HandleEvent,   PreRender,
    SmartRender,   GPUDeviceSetup,   GPUDeviceSetdown,
};

namespace {

PF_Err RouteCommand(const CommandHandlers& h, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                    PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    switch (cmd) {
        case PF_Cmd_ABOUT: return h.about(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETUP: return h.globalSetup(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETDOWN: return h.globalSetdown(in_data, out_data, params, output);
        case PF_Cmd_PARAMS_SETUP: return h.paramsSetup(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_SETUP: return h.sequenceSetup(in_data, out_data, params);
        case PF_Cmd_SEQUENCE_RESETUP: return h.sequenceResetup(in_data, out_data, params);
        case PF_Cmd_SEQUENCE_FLATTEN: return h.sequenceFlatten(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_SETDOWN: return h.sequenceSetdown(in_data, out_data, params);
        case PF_Cmd_USER_CHANGED_PARAM:
            return h.userChangedParam(in_data, out_data, params, static_cast<const PF_UserChangedParamExtra*>(extra));
        case PF_Cmd_UPDATE_PARAMS_UI: return h.updateParamsUI(in_data, out_data, params, output);
        case PF_Cmd_EVENT: return h.handleEvent(in_data, out_data, params, output, static_cast<PF_EventExtra*>(extra));
        case PF_Cmd_SMART_PRE_RENDER: return h.preRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return h.smartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra), false);
        case PF_Cmd_SMART_RENDER_GPU:
            return h.smartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra), true);
        case PF_Cmd_GPU_DEVICE_SETUP:
            return h.gpuDeviceSetup(in_data, out_data, static_cast<PF_GPUDeviceSetupExtra*>(extra));
        case PF_Cmd_GPU_DEVICE_SETDOWN:
            return h.gpuDeviceSetdown(in_data, out_data, static_cast<PF_GPUDeviceSetdownExtra*>(extra));
        default: return PF_Err_NONE;
    }
}

}  // namespace

PF_Err DispatchCommand(const CommandHandlers& handlers, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                       PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    // Only routed commands reach the name table, so its bounds are those of the route.
    PF_Err err = PF_Err_NONE;
    try {
        err = RouteCommand(handlers, cmd, in_data, out_data, params, output, extra);
        if (err != PF_Err_NONE) MRPH_LOG_ERROR_IN("EffectMain", CMD_NAMES[cmd] + ". Code: " + std::to_string(err));
    } catch (int code) {
        MRPH_LOG_ERROR_IN("EffectMain", "Try Catch Exception code at event " + CMD_NAMES[cmd] + " is " +
                                            std::to_string(code));
        err = code;
    } catch (const std::exception& e) {
        MRPH_LOG_ERROR_IN("EffectMain", "Try Catch Exception at event " + CMD_NAMES[cmd] + ":" + e.what());
        err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    } catch (...) {
        MRPH_LOG_ERROR_IN("EffectMain", "Try Catch Uknown Exception at event " + CMD_NAMES[cmd]);
        err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    return err;
}

// ---- Entry points ----------------------------------------------------------------------------------

MRPH_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                           SPBasicSuite* /*inSPBasicSuitePtr*/, const char* /*inHostName*/,
                                           const char* /*inHostVersion*/) {
    return PF_REGISTER_EFFECT(inPtr, inPluginDataCallBackPtr, kEffectName, kEffectMatchName, kEffectCategory,
                              kEffectEntryPoint, kEffectKind, kPluginAPIVersionMajor, kPluginAPIVersionMinor,
                              kEffectReservedInfo);
}

MRPH_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                              PF_LayerDef* output, void* extra) {
    return DispatchCommand(kEffectHandlers, cmd, in_data, out_data, params, output, extra);
}

#if defined(_WIN32)
// Asks a hybrid-graphics driver to run CUDA work on the discrete GPU.
extern "C" {
__declspec(dllexport) unsigned long NvOptimusEnablementCuda = 1;
}
#endif
