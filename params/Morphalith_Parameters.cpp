// Morphalith_Parameters.cpp — parameter declaration, visibility and reaction to changes.
// The panel's declaration tables come with the parameter layout; until then it declares nothing.
#include "Handlers.h"

PF_Err ParamsSetup(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) { return PF_Err_NONE; }
PF_Err UpdateParamsUI(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) { return PF_Err_NONE; }
PF_Err UserChangedParam(PF_InData*, PF_OutData*, PF_ParamDef*[], const PF_UserChangedParamExtra*) {
    return PF_Err_NONE;
}
