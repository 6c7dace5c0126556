// PF_Param.h — effect parameters as the host declares, stores and hands them over: the definition
// record, its union of parameter kinds, the parameter types, flags and UI flags, and the custom-UI
// registration record.
//
// Our own declarations of the host API, written from what the plug-in uses. No behaviour.
#ifndef MORPHALITH_SDK_PF_PARAM_H
#define MORPHALITH_SDK_PF_PARAM_H

#include "PF_Effect.h"

// ---- Parameter types ---------------------------------------------------------------------------------
typedef A_long PF_ParamType;
enum {
    PF_Param_RESERVED = -1,
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_CUSTOM = 8,
    PF_Param_NO_DATA = 9,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_ARBITRARY_DATA = 11,
    PF_Param_PATH = 12,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15,
    PF_Param_RESERVED2 = 16,
    PF_Param_RESERVED3 = 17,
    PF_Param_POINT_3D = 18
};

// ---- Parameter flags (PF_ParamDef::flags) -------------------------------------------------------------
typedef A_long PF_ParamFlags;
enum {
    PF_ParamFlag_RESERVED1 = 1L << 0,
    PF_ParamFlag_CANNOT_TIME_VARY = 1L << 1,
    PF_ParamFlag_CANNOT_INTERP = 1L << 2,
    PF_ParamFlag_RESERVED2 = 1L << 3,
    PF_ParamFlag_RESERVED3 = 1L << 4,
    PF_ParamFlag_COLLAPSE_TWIRLY = 1L << 5,  // on a group start: the group starts twirled up
    PF_ParamFlag_SUPERVISE = 1L << 6,        // the host sends PF_Cmd_USER_CHANGED_PARAM for it
    PF_ParamFlag_START_COLLAPSED = PF_ParamFlag_COLLAPSE_TWIRLY,
    PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS = 1L << 7,
    PF_ParamFlag_LAYER_PARAM_IS_TRACKMATTE = 1L << 7,
    PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED = 1L << 8,
    PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1L << 9
};

// ---- UI flags (PF_ParamDef::ui_flags) ------------------------------------------------------------------
typedef A_long PF_ParamUIFlags;
enum {
    PF_PUI_NONE = 0,
    PF_PUI_TOPIC = 1L << 0,
    PF_PUI_CONTROL = 1L << 1,  // the plug-in draws the control area itself
    PF_PUI_STD_CONTROL_ONLY = 1L << 2,
    PF_PUI_NO_ECW_UI = 1L << 3,
    PF_PUI_ECW_SEPARATOR = 1L << 4,
    PF_PUI_DISABLED = 1L << 5,
    PF_PUI_DONT_ERASE_TOPIC = 1L << 6,
    PF_PUI_DONT_ERASE_CONTROL = 1L << 7,
    PF_PUI_RADIO_BUTTON = 1L << 8,
    PF_PUI_INVISIBLE = 1L << 9
};

// ---- Per-kind records ----------------------------------------------------------------------------------
typedef A_long PF_ParamIndex;
typedef A_FpLong PF_FpLong;
typedef A_FpShort PF_FpShort;
typedef PF_Handle PF_ArbitraryH;

enum { PF_LayerDefault_NONE = 0, PF_LayerDefault_MYSELF = -1 };
enum { PF_ValueDisplayFlag_NONE = 0, PF_ValueDisplayFlag_PERCENT = 1 << 0, PF_ValueDisplayFlag_PIXEL = 1 << 1 };
enum { PF_FSliderFlag_NONE = 0, PF_FSliderFlag_WANT_PHASE = 1 << 0 };

// Float slider.
struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpLong phase;
    A_char value_desc[32];
    PF_FpShort valid_min, valid_max;
    PF_FpShort slider_min, slider_max;
    PF_FpShort dephault;
    A_short precision;  // decimals shown
    A_short display_flags;
    A_u_long fs_flags;
    PF_FpShort curve_tolerance;
    A_Boolean useExponent;
    PF_FpShort exponent;
};

// Angle, in 16.16 fixed-point degrees.
struct PF_AngleDef {
    PF_Fixed value;
    PF_Fixed dephault;
    PF_Fixed valid_min, valid_max;
};

// Checkbox; nameptr is the text shown beside the box.
struct PF_CheckBoxDef {
    A_long value;
    A_long dephault;
    A_char reserved;
    A_char reserved1;
    A_short reserved2;
    union {
        const A_char* nameptr;
    } u;
};

struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel dephault;
};

// Popup: value and default are 1-based; namesptr holds the choices joined by "|".
struct PF_PopupDef {
    A_long value;
    A_short num_choices;
    A_short dephault;
    union {
        A_long id;
        const A_char* namesptr;
    } u;
};

// Button: namesptr is the text on the button.
struct PF_ButtonDef {
    A_long value;
    union {
        A_long id;
        const A_char* namesptr;
    } u;
};

// Arbitrary data: a handle of the plug-in's own bytes.
struct PF_ArbParamsExtra;
struct PF_ArbitraryDef {
    A_short id;
    A_short pad;
    PF_ArbitraryH dephault;
    PF_ArbitraryH value;
    void* refconPV;
};

union PF_ParamDefUnion {
    PF_LayerDef ld;  // a layer parameter; its default is ld.dephault
    PF_FloatSliderDef fs_d;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PopupDef pd;
    PF_ButtonDef button_d;
    PF_ArbitraryDef arb_d;
};

// One parameter's definition.
struct PF_ParamDef {
    union {
        A_long id;  // the disk id under which the host stores the parameter
        A_long change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[32];  // 31 characters and the terminator
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
};
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

enum { PF_MAX_PARAM_NAME_LEN = 31 };

// ---- Change flags (PF_ParamDef::uu.change_flags, during commands other than PARAMS_SETUP) -------------
// A definition the plug-in changed in the parameter array carries CHANGED_VALUE; the host then takes
// its new value when the command returns.
enum { PF_ChangeFlag_NONE = 0, PF_ChangeFlag_CHANGED_VALUE = 1L << 0 };

// The extra record of PF_Cmd_USER_CHANGED_PARAM: which parameter the user changed.
struct PF_UserChangedParamExtra {
    PF_ParamIndex param_index;
};

// ---- Custom UI registration -------------------------------------------------------------------------------
enum {
    PF_CustomEFlag_NONE = 0,
    PF_CustomEFlag_COMP = 1L << 0,
    PF_CustomEFlag_LAYER = 1L << 1,
    PF_CustomEFlag_EFFECT = 1L << 2,
    PF_CustomEFlag_PREVIEW = 1L << 3
};

struct _PF_CustomUIInfo {
    A_long events;  // which windows send events, PF_CustomEFlag_*
    A_long comp_ui_width;
    A_long comp_ui_height;
    A_long comp_ui_alignment;
    A_long layer_ui_width;
    A_long layer_ui_height;
    A_long layer_ui_alignment;
    A_long preview_ui_width;
    A_long preview_ui_height;
    A_long preview_ui_alignment;
};

#endif  // MORPHALITH_SDK_PF_PARAM_H
