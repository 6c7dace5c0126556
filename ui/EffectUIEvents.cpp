// EffectUIEvents.cpp — the custom UI's handlers. The drawing itself comes with the panel's custom UI;
// until then every event is left to the host (nothing drawn, nothing handled).
#include "EffectUIEvents.h"

PF_Err DrawCompUIEvent(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) { return PF_Err_NONE; }
PF_Err DrawAboutEvent(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) { return PF_Err_NONE; }
PF_Err DrawDebugEvent(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) { return PF_Err_NONE; }
PF_Err DoPrimitiveUIEvents(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) {
    return PF_Err_NONE;
}
