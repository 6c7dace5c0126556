// EffectUIEvents.h — the handlers of the effect's custom user interface, as HandleEvent calls them:
// the composition-window hint, the About and Debug headers, and the primitive strips.
#ifndef MORPHALITH_UI_EFFECT_UI_EVENTS_H
#define MORPHALITH_UI_EFFECT_UI_EVENTS_H

#include "PF_Events.h"
#include "PF_Param.h"

PF_Err DrawCompUIEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                       PF_EventExtra* extra);
PF_Err DrawAboutEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                      PF_EventExtra* extra);
PF_Err DrawDebugEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                      PF_EventExtra* extra);
// Receives every event, the draw events included.
PF_Err DoPrimitiveUIEvents(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                           PF_EventExtra* extra);

#endif  // MORPHALITH_UI_EFFECT_UI_EVENTS_H
