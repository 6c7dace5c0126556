// PF_Suites.h — the PF suites (effect-side services): names, versions and function tables.
//
// The host serves one table per suite name; the types named after a suite's versions are that table.
#ifndef MORPHALITH_SDK_PF_SUITES_H
#define MORPHALITH_SDK_PF_SUITES_H

#include "Drawbot.h"
#include "PF_Effect.h"
#include "PF_Events.h"

typedef uint64_t A_u_longlong;

// ---- Names and versions -----------------------------------------------------------------------------
#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion1 2
#define kPFAppSuite "PF AE App Suite"
#define kPFAppSuiteVersion1 1
#define kPFAppSuiteVersion4 6
#define kPFAdvAppSuite "PF AE Adv App Suite"
#define kPFAdvAppSuiteVersion2 2
#define kPFANSISuite "PF ANSI Suite"
#define kPFANSISuiteVersion1 1
#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion3 3
#define kPFEffectCustomUIOverlayThemeSuite "PF Effect Custom UI Overlay Theme Suite"
#define kPFEffectCustomUIOverlayThemeSuiteVersion1 1
#define kPFEffectCustomUISuite "PF Effect Custom UI Suite"
#define kPFEffectCustomUISuiteVersion1 1
#define kPFEffectCustomUISuiteVersion2 2
#define kPFEffectUISuite "PF Effect UI Suite"
#define kPFEffectUISuiteVersion1 1
#define kPFEffectSequenceDataSuite "PF Effect Sequence Data Suite"
#define kPFEffectSequenceDataSuiteVersion1 1
#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2
#define kPFGPUDeviceSuite "PF GPU Device Suite"
#define kPFGPUDeviceSuiteVersion1 1

// ---- Handle suite -------------------------------------------------------------------------------------
struct PF_HandleSuite1 {
    PF_Handle (*host_new_handle)(A_u_longlong size);
    void* (*host_lock_handle)(PF_Handle pf_handle);
    void (*host_unlock_handle)(PF_Handle pf_handle);
    void (*host_dispose_handle)(PF_Handle pf_handle);
    A_u_longlong (*host_get_handle_size)(PF_Handle pf_handle);
    PF_Err (*host_resize_handle)(A_u_longlong new_sizeL, PF_Handle* handlePH);
};

// ---- ANSI suite ---------------------------------------------------------------------------------------
struct PF_ANSICallbacksSuite1 {
    A_FpLong (*atan)(A_FpLong);
    A_FpLong (*atan2)(A_FpLong y, A_FpLong x);
    A_FpLong (*ceil)(A_FpLong);
    A_FpLong (*cos)(A_FpLong);
    A_FpLong (*exp)(A_FpLong);
    A_FpLong (*fabs)(A_FpLong);
    A_FpLong (*floor)(A_FpLong);
    A_FpLong (*fmod)(A_FpLong x, A_FpLong y);
    A_FpLong (*hypot)(A_FpLong x, A_FpLong y);
    A_FpLong (*log)(A_FpLong);
    A_FpLong (*log10)(A_FpLong);
    A_FpLong (*pow)(A_FpLong x, A_FpLong y);
    A_FpLong (*sin)(A_FpLong);
    A_FpLong (*sqrt)(A_FpLong);
    A_FpLong (*tan)(A_FpLong);
    int (*sprintf)(A_char*, const A_char*, ...);
    A_char* (*strcpy)(A_char*, const A_char*);
    A_FpLong (*asin)(A_FpLong);
    A_FpLong (*acos)(A_FpLong);
};

// ---- Suites whose functions later commands use; the host fills what it serves ----------------------------
// Colours of the host's user interface, 16 bits per channel.
struct PF_App_Color {
    A_u_short red, green, blue;
};
typedef A_long PF_App_ColorType;

struct PF_AppSuite1 {
    PF_Err (*PF_AppGetBgColor)(PF_App_Color* bg_colorP);  // the panels' background
    PF_Err (*PF_AppGetColor)(PF_App_ColorType color_type, PF_App_Color* app_colorP);
    PF_Err (*PF_AppGetLanguage)(A_char* lang_tagZ);
};

// A later form of the same suite: the same first functions, then the redraw request of a window.
struct PF_AppSuite4 {
    PF_Err (*PF_AppGetBgColor)(PF_App_Color* bg_colorP);
    PF_Err (*PF_AppGetColor)(PF_App_ColorType color_type, PF_App_Color* app_colorP);
    PF_Err (*PF_AppGetLanguage)(A_char* lang_tagZ);
    // Asks for the area of the window (the whole window with no rectangle) to be drawn again.
    PF_Err (*PF_InvalidateRect)(const PF_ContextH contextH, const PF_Rect* rectP0);
};

struct PF_AdvAppSuite2 {
    PF_Err (*PF_SetProjectDirty)(void);
    PF_Err (*PF_SaveProject)(void);
    PF_Err (*PF_InfoDrawText)(const A_char* line1Z0, const A_char* line2Z0);
    // Three lines of the host's Info panel; a null or empty line is left blank.
    PF_Err (*PF_InfoDrawText3)(const A_char* line1Z0, const A_char* line2Z0, const A_char* line3Z0);
};

struct PF_ParamUtilsSuite3 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, A_long param_index, const PF_ParamDef* defP);
};

// The colours the host draws its own overlays with.
struct PF_EffectCustomUIOverlayThemeSuite1 {
    PF_Err (*PF_GetPreferredForegroundColor)(PF_PixelFloat* foreground_colorP);
    PF_Err (*PF_GetPreferredShadowColor)(PF_PixelFloat* shadow_colorP);
};

// The Drawbot drawing reference of the window an event draws in.
struct PF_EffectCustomUISuite1 {
    PF_Err (*PF_GetDrawingReference)(const PF_ContextH effect_contextH, DRAWBOT_DrawRef* referenceP0);
};
struct PF_EffectCustomUISuite2 {
    PF_Err (*PF_GetDrawingReference)(const PF_ContextH effect_contextH, DRAWBOT_DrawRef* referenceP0);
};

struct PF_EffectUISuite1 {
    PF_Err (*PF_SetOptionsButtonName)(PF_ProgPtr effect_ref, const A_char* nameZ);
};

struct PF_EffectSequenceDataSuite1 {
    PF_Err (*PF_GetConstSequenceData)(PF_ProgPtr effect_ref, const PF_Handle* sequence_data);
};

struct PF_WorldSuite2 {
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* worldP, PF_PixelFormat* pixel_formatP);
};

struct PF_GPUDeviceInfo;
struct PF_GPUDeviceSuite1 {
    PF_Err (*GetDeviceCount)(PF_ProgPtr effect_ref, A_u_long* device_countP);
    PF_Err (*GetDeviceInfo)(PF_ProgPtr effect_ref, A_u_long device_index, PF_GPUDeviceInfo* device_infoP);
    PF_Err (*GetGPUWorldData)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP, void** pixPP);
};

#endif  // MORPHALITH_SDK_PF_SUITES_H
