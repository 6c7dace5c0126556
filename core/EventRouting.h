// EventRouting.h — how HandleEvent sends a user-interface event to the custom UI's handlers.
//
// The route is data, like the command dispatch: HandleEvent runs RouteEvent over kEventHandlers, and
// the tests run it over recording handlers.
#ifndef MORPHALITH_CORE_EVENT_ROUTING_H
#define MORPHALITH_CORE_EVENT_ROUTING_H

#include "PF_Events.h"
#include "PF_Param.h"

typedef PF_Err (*EventHandler)(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*);

struct EventHandlers {
    EventHandler drawComp;     // a draw event of any window but the effect panel
    EventHandler drawAbout;    // a draw event of the About header (parameter 1)
    EventHandler drawDebug;    // a draw event of the Debug header (parameter 2)
    EventHandler primitiveUI;  // every event, unless a draw handler failed
};

extern const EventHandlers kEventHandlers;

// Calls at most one draw handler, then (unless it failed) the strip handler. A missing event record,
// or a draw event without its window, is refused with 516.
PF_Err RouteEvent(const EventHandlers& handlers, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, PF_EventExtra* extra);

#endif  // MORPHALITH_CORE_EVENT_ROUTING_H
