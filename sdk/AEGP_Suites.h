// AEGP_Suites.h — the AEGP suites (project-side services): references, stream values, and the
// function tables of the suites the plug-in reaches.
//
// The host serves one table per suite name; the types named after a suite's versions are that table.
#ifndef MORPHALITH_SDK_AEGP_SUITES_H
#define MORPHALITH_SDK_AEGP_SUITES_H

#include "PF_Effect.h"

// ---- Names and versions -----------------------------------------------------------------------------
#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1
#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion3 7
#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion1 4
#define kAEGPStreamSuiteVersion2 7
#define kAEGPStreamSuiteVersion5 10
#define kAEGPDynamicStreamSuite "AEGP Dynamic Stream Suite"
#define kAEGPDynamicStreamSuiteVersion4 5
#define kAEGPKeyframeSuite "AEGP Keyframe Suite"
#define kAEGPKeyframeSuiteVersion3 3
#define kAEGPKeyframeSuiteVersion4 4
#define kAEGPEffectSuite "AEGP Effect Suite"
#define kAEGPEffectSuiteVersion2 2
#define kAEGPEffectSuiteVersion4 4
#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion5 11
#define kAEGPLayerSuiteVersion7 13
#define kAEGPLightSuite "AEGP Light Suite"
#define kAEGPLightSuiteVersion2 2
#define kAEGPCameraSuite "AEGP Camera Suite"
#define kAEGPCameraSuiteVersion2 2
#define kAEGPCompSuite "AEGP Comp Suite"
#define kAEGPCompSuiteVersion10 21
#define kAEGPItemSuite "AEGP Item Suite"
#define kAEGPItemSuiteVersion8 13

// ---- References (opaque to the plug-in) -----------------------------------------------------------------
typedef A_long AEGP_PluginID;
typedef struct _AEGP_EffectRef* AEGP_EffectRefH;
typedef struct _AEGP_StreamRef* AEGP_StreamRefH;
typedef struct _AEGP_Layer* AEGP_LayerH;
typedef struct _AEGP_Comp* AEGP_CompH;
typedef struct _AEGP_Item* AEGP_ItemH;
typedef struct _AEGP_Keyframe* AEGP_KeyframeRefH;
typedef struct _AEGP_Global* AEGP_GlobalRefcon;
typedef A_long AEGP_LayerIDVal;
typedef A_long AEGP_KeyframeIndex;
typedef A_long AEGP_LayerFlags;

// ---- Stream values ----------------------------------------------------------------------------------------
struct AEGP_OneDVal {
    A_FpLong value;
};
struct AEGP_TwoDVal {
    A_FpLong x, y;
};
struct AEGP_ThreeDVal {
    A_FpLong x, y, z;
};
struct AEGP_FourDVal {
    A_FpLong a, b, c, d;
};
struct AEGP_ColorVal {
    A_FpLong alphaF, redF, greenF, blueF;
};

// The 32-byte value of one stream at one time.
union AEGP_StreamVal {
    AEGP_FourDVal four_d;
    AEGP_ThreeDVal three_d;
    AEGP_TwoDVal two_d;
    AEGP_OneDVal one_d;
    AEGP_ColorVal color;
    PF_Handle arbH;
    AEGP_LayerIDVal layer_id;
    unsigned char bytes[32];
};
static_assert(sizeof(AEGP_StreamVal) == 32, "a stream value is 32 bytes");
typedef AEGP_StreamVal AEGP_StreamVal2;

struct AEGP_StreamValue {
    AEGP_StreamRefH streamH;
    AEGP_StreamVal val;
};
typedef AEGP_StreamValue AEGP_StreamValue2;

typedef A_long AEGP_StreamType;
enum {
    AEGP_StreamType_NO_DATA = 0,
    AEGP_StreamType_ThreeD_SPATIAL,
    AEGP_StreamType_ThreeD,
    AEGP_StreamType_TwoD_SPATIAL,
    AEGP_StreamType_TwoD,
    AEGP_StreamType_OneD,
    AEGP_StreamType_COLOR,
    AEGP_StreamType_ARB,
    AEGP_StreamType_MARKER,
    AEGP_StreamType_LAYER_ID,
    AEGP_StreamType_MASK_ID,
    AEGP_StreamType_MASK,
    AEGP_StreamType_TEXT_DOCUMENT
};

typedef A_long AEGP_LTimeMode;
enum { AEGP_LTimeMode_LayerTime = 0, AEGP_LTimeMode_CompTime = 1 };

typedef A_long AEGP_DynStreamFlags;
enum {
    AEGP_DynStreamFlag_ACTIVE_EYEBALL = 1L << 0,
    AEGP_DynStreamFlag_HIDDEN = 1L << 1,
    AEGP_DynStreamFlag_DISABLED = 1L << 4,
    AEGP_DynStreamFlag_ELIDED = 1L << 5,
    AEGP_DynStreamFlag_SHOWN_WHEN_EMPTY = 1L << 10,
    AEGP_DynStreamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1L << 16
};

typedef A_long AEGP_LayerStream;
enum {
    AEGP_LayerStream_ANCHORPOINT = 0,
    AEGP_LayerStream_POSITION,
    AEGP_LayerStream_SCALE,
    AEGP_LayerStream_ROTATION,
    AEGP_LayerStream_ROTATE_Z = AEGP_LayerStream_ROTATION,
    AEGP_LayerStream_OPACITY,
    AEGP_LayerStream_AUDIO,
    AEGP_LayerStream_MARKER,
    AEGP_LayerStream_TIME_REMAP,
    AEGP_LayerStream_ROTATE_X,
    AEGP_LayerStream_ROTATE_Y,
    AEGP_LayerStream_ORIENTATION,
    AEGP_LayerStream_ZOOM,
    AEGP_LayerStream_DEPTH_OF_FIELD,
    AEGP_LayerStream_FOCUS_DISTANCE,
    AEGP_LayerStream_APERTURE,
    AEGP_LayerStream_BLUR_LEVEL,
    AEGP_LayerStream_INTENSITY,
    AEGP_LayerStream_COLOR,
    AEGP_LayerStream_CONE_ANGLE,
    AEGP_LayerStream_CONE_FEATHER,
    AEGP_LayerStream_SHADOW_DARKNESS,
    AEGP_LayerStream_SHADOW_DIFFUSION,
    AEGP_LayerStream_LIGHT_FALLOFF_START = 41
};

typedef A_long AEGP_ObjectType;
enum {
    AEGP_ObjectType_NONE = -1,
    AEGP_ObjectType_AV = 0,
    AEGP_ObjectType_LIGHT,
    AEGP_ObjectType_CAMERA,
    AEGP_ObjectType_TEXT,
    AEGP_ObjectType_VECTOR
};

typedef A_long AEGP_LightType;
enum {
    AEGP_LightType_PARALLEL = 0,
    AEGP_LightType_SPOT,
    AEGP_LightType_POINT,
    AEGP_LightType_AMBIENT,
    AEGP_LightType_ENVIRONMENT
};

typedef A_long AEGP_CameraType;
enum { AEGP_CameraType_NONE = -1, AEGP_CameraType_PERSPECTIVE = 0, AEGP_CameraType_ORTHOGRAPHIC };

enum {
    AEGP_LayerFlag_NONE = 0,
    AEGP_LayerFlag_VIDEO_ACTIVE = 1L << 0,
    AEGP_LayerFlag_AUDIO_ACTIVE = 1L << 1,
    AEGP_LayerFlag_LAYER_IS_3D = 0x800,
    AEGP_LayerFlag_NULL_LAYER = 1L << 15
};

// ---- Function tables --------------------------------------------------------------------------------------
struct AEGP_PFInterfaceSuite1 {
    A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH);
    A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_ref,
                                        AEGP_EffectRefH* effectPH);
    A_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, A_long what_time, A_u_long time_scale,
                                          A_Time* comp_timePT);
    A_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const A_Time* comp_timePT, AEGP_LayerH* camera_layerPH);
    A_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const A_Time* comp_timePT, A_Matrix4* camera_matrixP,
                                        A_FpLong* dst_to_planePF, short* plane_widthPL, short* plane_heightPL);
};

struct AEGP_UtilitySuite3 {
    A_Err (*AEGP_ReportInfo)(AEGP_PluginID aegp_plugin_id, const A_char* info_string);
    A_Err (*AEGP_StartUndoGroup)(const A_char* undo_name);
    A_Err (*AEGP_EndUndoGroup)(void);
    A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_name,
                                   AEGP_PluginID* plugin_id);
    A_Err (*AEGP_GetMainHWND)(void* main_hwnd);
};

struct AEGP_StreamSuite2 {
    A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_LayerStream which_stream,
                                    AEGP_StreamRefH* streamPH);
    A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                            A_long param_index, AEGP_StreamRefH* streamPH);
    A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
    A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH streamH, AEGP_StreamType* stream_typeP);
    A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_LTimeMode time_mode,
                                    const A_Time* timePT, A_Boolean pre_expression, AEGP_StreamValue* valueP);
    A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue* valueP);
    A_Err (*AEGP_SetStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_StreamValue* valueP);
    A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, AEGP_LTimeMode time_mode,
                                      const A_Time* timePT, A_Boolean pre_expression, AEGP_StreamVal* stream_valP,
                                      AEGP_StreamType* stream_typeP0);
    A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH streamH, A_Boolean* is_timevaryPB);
};
typedef AEGP_StreamSuite2 AEGP_StreamSuite1;
typedef AEGP_StreamSuite2 AEGP_StreamSuite5;

struct AEGP_DynamicStreamSuite4 {
    A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags* flagsP);
    A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags one_flag, A_Boolean undoableB,
                                       A_Boolean setB);
};

struct AEGP_KeyframeSuite3 {
    A_Err (*AEGP_GetStreamNumKFs)(AEGP_StreamRefH streamH, A_long* num_kfsPL);
    A_Err (*AEGP_DeleteKeyframe)(AEGP_StreamRefH streamH, AEGP_KeyframeIndex key_index);
};
typedef AEGP_KeyframeSuite3 AEGP_KeyframeSuite4;

struct AEGP_EffectSuite2 {
    A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effectH);
};
typedef AEGP_EffectSuite2 AEGP_EffectSuite4;

struct AEGP_LayerSuite5 {
    A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH* compPH);
    A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH parent_compH, AEGP_LayerIDVal id, AEGP_LayerH* layerPH);
    A_Err (*AEGP_GetLayerID)(AEGP_LayerH layerH, AEGP_LayerIDVal* id_valP);
    A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layerH, AEGP_LayerFlags* layer_flagsP);
    A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layerH, A_long* layer_indexPL);
    A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layerH, AEGP_ObjectType* object_type);
    A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH aegp_layerH, const A_Time* comp_timeP, A_Matrix4* transform);
    A_Err (*AEGP_IsVideoActive)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,
                                A_Boolean* is_activePB);
    A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH compH, A_long* num_layersPL);
    A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH* layerPH);
};
typedef AEGP_LayerSuite5 AEGP_LayerSuite7;

struct AEGP_LightSuite2 {
    A_Err (*AEGP_GetLightType)(AEGP_LayerH light_layerH, AEGP_LightType* light_type);
};

struct AEGP_CameraSuite2 {
    A_Err (*AEGP_GetCamera)(PF_ProgPtr effect_ref, const A_Time* comp_timeP, AEGP_LayerH* camera_layerPH);
    A_Err (*AEGP_GetCameraType)(AEGP_LayerH aegp_layerH, AEGP_CameraType* camera_typeP);
    A_Err (*AEGP_GetDefaultCameraDistanceToImagePlane)(AEGP_CompH compH, A_FpLong* dist_to_planePF);
};

struct AEGP_CompSuite10 {
    A_Err (*AEGP_GetItemFromComp)(AEGP_CompH compH, AEGP_ItemH* itemPH);
};

struct AEGP_ItemSuite8 {
    A_Err (*AEGP_GetItemDimensions)(AEGP_ItemH itemH, A_long* widthPL, A_long* heightPL);
};

#endif  // MORPHALITH_SDK_AEGP_SUITES_H
