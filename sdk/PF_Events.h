// PF_Events.h — the user-interface event record that comes with PF_Cmd_EVENT: which window, which
// kind of event, and where in the effect panel it happened.
//
// Our own declarations of the host API, written from what the plug-in uses. No behaviour.
#ifndef MORPHALITH_SDK_PF_EVENTS_H
#define MORPHALITH_SDK_PF_EVENTS_H

#include "PF_Effect.h"

typedef A_long PF_EventType;
enum {
    PF_Event_NEW_CONTEXT = 0,
    PF_Event_ACTIVATE = 1,
    PF_Event_DO_CLICK = 2,
    PF_Event_DRAG = 3,
    PF_Event_DRAW = 4,
    PF_Event_DEACTIVATE = 5,
    PF_Event_CLOSE_CONTEXT = 6,
    PF_Event_IDLE = 7,
    PF_Event_ADJUST_CURSOR = 9,
    PF_Event_KEYDOWN = 10,
    PF_Event_MOUSE_EXITED = 11,
    PF_Event_NUM_EVENTS
};

typedef A_long PF_WindowType;
enum { PF_Window_NONE = -1, PF_Window_COMP = 0, PF_Window_LAYER = 1, PF_Window_EFFECT = 2, PF_Window_PREVIEW = 3 };

struct PF_ContextRecord {
    A_u_long magic;
    PF_WindowType w_type;
    A_long reserved_flt;
    void* reserved_wP;
    void* cgrafptr;  // the drawing context of the window, opaque to the plug-in
};
typedef PF_ContextRecord* PF_ContextPtr;
typedef PF_ContextPtr* PF_ContextH;

typedef A_long PF_EventInFlags;
typedef A_long PF_EventOutFlags;
enum {
    PF_EI_NONE = 0,
    PF_EI_DONT_DRAW = 1L << 0
};
enum {
    PF_EO_NONE = 0,
    PF_EO_HANDLED_EVENT = 1L << 0,
    PF_EO_ALWAYS_UPDATE = 1L << 1,
    PF_EO_NEVER_UPDATE = 1L << 2,
    PF_EO_UPDATE_NOW = 1L << 3
};

typedef A_long PF_Modifiers;

struct PF_DoClickEventInfo {
    A_u_long when;
    PF_Point screen_point;
    A_long num_clicks;
    PF_Modifiers modifiers;
    void* continue_refcon[4];
    A_char send_drag;
    A_char last_time;
};

struct PF_DrawEventInfo {
    PF_Rect update_rect;
    A_long depth;
};

struct PF_AdjustCursorEventInfo {
    PF_Point screen_point;
    PF_Modifiers modifiers;
    A_long set_cursor;
};

union PF_EventUnion {
    PF_DoClickEventInfo do_click;
    PF_DrawEventInfo draw;
    PF_AdjustCursorEventInfo adjust_cursor;
};

// Which part of a parameter's row in the effect panel an event concerns.
typedef A_long PF_EffectArea;
enum { PF_EA_NONE = 0, PF_EA_PARAM_TITLE = 1, PF_EA_CONTROL = 2 };

// Where an event in the effect panel happened: which parameter, and its frames in the panel's pixels.
struct PF_EffectWindowInfo {
    A_long index;  // the parameter index whose control is drawn or clicked
    PF_EffectArea area;
    PF_Rect current_frame;
    PF_Rect param_title_frame;
    A_long horiz_offset;
};

// A point in 16.16 fixed point (65536 = 1.0).
struct PF_FixedPoint {
    PF_Fixed x, y;
};

// The host's coordinate mappings for the window an event is in. Each maps the point in place.
struct PF_EventCallbacks {
    void* refcon;  // passed back to every callback
    // Layer coordinates to composition coordinates at a time of the effect (composition window only).
    PF_Err (*layer_to_comp)(void* refcon, PF_ContextH context, A_long curr_time, A_long time_scale,
                            PF_FixedPoint* pt);
    // The window's source (the composition, or the layer in the layer window) to window pixels.
    PF_Err (*source_to_frame)(void* refcon, PF_ContextH context, PF_FixedPoint* pt);
};

struct PF_EventExtra {
    PF_ContextH contextH;
    PF_EventType e_type;
    PF_EventUnion u;
    PF_EffectWindowInfo effect_win;
    PF_EventCallbacks cbs;
    PF_EventInFlags evt_in_flags;
    PF_EventOutFlags evt_out_flags;
};

#endif  // MORPHALITH_SDK_PF_EVENTS_H
