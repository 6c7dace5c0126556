// PF_Effect.h — the effect command protocol: commands, out flags, the in/out records, the host's
// callbacks, worlds, and the entry-point types.
//
// Our own declarations of the host API, written from what the plug-in uses. No behaviour.
#ifndef MORPHALITH_SDK_PF_EFFECT_H
#define MORPHALITH_SDK_PF_EFFECT_H

#include "HostTypes.h"

struct SPBasicSuite;
struct PF_ParamDef;
struct _PF_CustomUIInfo;
typedef struct _PF_CustomUIInfo PF_CustomUIInfo;

// ---- Commands ----------------------------------------------------------------------------------
enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP,
    PF_Cmd_UNUSED_0,
    PF_Cmd_GLOBAL_SETDOWN,
    PF_Cmd_PARAMS_SETUP,
    PF_Cmd_SEQUENCE_SETUP,
    PF_Cmd_SEQUENCE_RESETUP,
    PF_Cmd_SEQUENCE_FLATTEN,
    PF_Cmd_SEQUENCE_SETDOWN,
    PF_Cmd_DO_DIALOG,
    PF_Cmd_FRAME_SETUP,
    PF_Cmd_RENDER,
    PF_Cmd_FRAME_SETDOWN,
    PF_Cmd_USER_CHANGED_PARAM,
    PF_Cmd_UPDATE_PARAMS_UI,
    PF_Cmd_EVENT,
    PF_Cmd_GET_EXTERNAL_DEPENDENCIES,
    PF_Cmd_COMPLETELY_GENERAL,
    PF_Cmd_QUERY_DYNAMIC_FLAGS,
    PF_Cmd_AUDIO_RENDER,
    PF_Cmd_AUDIO_SETUP,
    PF_Cmd_AUDIO_SETDOWN,
    PF_Cmd_ARBITRARY_CALLBACK,
    PF_Cmd_SMART_PRE_RENDER,
    PF_Cmd_SMART_RENDER,
    PF_Cmd_RESERVED1,
    PF_Cmd_RESERVED2,
    PF_Cmd_RESERVED3,
    PF_Cmd_GET_FLATTENED_SEQUENCE_DATA,
    PF_Cmd_TRANSLATE_PARAMS_TO_PREFS,
    PF_Cmd_RESERVED4,
    PF_Cmd_SMART_RENDER_GPU,
    PF_Cmd_GPU_DEVICE_SETUP,
    PF_Cmd_GPU_DEVICE_SETDOWN,
    PF_Cmd_NUM_CMDS
};
typedef A_long PF_Cmd;

// ---- Out flags (PF_OutData::out_flags) -----------------------------------------------------------
enum {
    PF_OutFlag_NONE = 0,
    PF_OutFlag_KEEP_RESOURCE_OPEN = 1L << 0,
    PF_OutFlag_WIDE_TIME_INPUT = 1L << 1,
    PF_OutFlag_NON_PARAM_VARY = 1L << 2,
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1L << 4,
    PF_OutFlag_I_DO_DIALOG = 1L << 5,
    PF_OutFlag_USE_OUTPUT_EXTENT = 1L << 6,
    PF_OutFlag_SEND_DO_DIALOG = 1L << 7,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1L << 8,
    PF_OutFlag_I_EXPAND_BUFFER = 1L << 9,
    PF_OutFlag_PIX_INDEPENDENT = 1L << 10,
    PF_OutFlag_I_WRITE_INPUT_BUFFER = 1L << 11,
    PF_OutFlag_I_SHRINK_BUFFER = 1L << 12,
    PF_OutFlag_WORKS_IN_PLACE = 1L << 13,
    PF_OutFlag_CUSTOM_UI = 1L << 15,
    PF_OutFlag_REFRESH_UI = 1L << 17,
    PF_OutFlag_NOP_RENDER = 1L << 18,
    PF_OutFlag_I_USE_SHUTTER_ANGLE = 1L << 19,
    PF_OutFlag_I_USE_AUDIO = 1L << 20,
    PF_OutFlag_I_AM_OBSOLETE = 1L << 21,
    PF_OutFlag_FORCE_RERENDER = 1L << 22,
    PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS = 1L << 23,
    PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES = 1L << 24,
    PF_OutFlag_DEEP_COLOR_AWARE = 1L << 25,
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1L << 26
};

// ---- Out flags 2 (PF_OutData::out_flags2) --------------------------------------------------------
enum {
    PF_OutFlag2_NONE = 0,
    PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS = 1L << 0,
    PF_OutFlag2_I_USE_3D_CAMERA = 1L << 1,
    PF_OutFlag2_I_USE_3D_LIGHTS = 1L << 2,
    PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1L << 3,
    PF_OutFlag2_I_AM_THREADSAFE = 1L << 4,
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 1L << 10,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 1L << 12,
    PF_OutFlag2_I_MIX_GUID_DEPENDENCIES = 1L << 21,
    PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA = 1L << 23,
    PF_OutFlag2_CUSTOM_UI_ASYNC_MANAGER = 1L << 24,
    PF_OutFlag2_SUPPORTS_GPU_RENDER_F32 = 1L << 25,
    PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1L << 27
};

// ---- Version word ------------------------------------------------------------------------------
enum { PF_Stage_DEVELOP = 0, PF_Stage_ALPHA, PF_Stage_BETA, PF_Stage_RELEASE };

// The host's packing of an effect version into one word.
constexpr A_u_long PF_VERSION(A_u_long vers, A_u_long subvers, A_u_long bugvers, A_u_long stage, A_u_long build) {
    return ((((vers >> 3) & 15) << 26) | ((vers & 7) << 19) | ((subvers & 15) << 15) | ((bugvers & 15) << 11) |
            ((stage & 3) << 9) | (build & 511));
}

// ---- Worlds (layers and output) -----------------------------------------------------------------
typedef A_long PF_PixelFormat;
enum {
    PF_PixelFormat_ARGB32 = MRPH_FOURCC('w', 'r', 'k', 'b'),
    PF_PixelFormat_ARGB64 = MRPH_FOURCC('w', 'r', 'k', 'w'),
    PF_PixelFormat_ARGB128 = MRPH_FOURCC('w', 'r', 'k', 'f'),
    PF_PixelFormat_GPU_BGRA128 = 0x41444340,  // four 32-bit floats per pixel, in device memory
    PF_PixelFormat_INVALID = MRPH_FOURCC('b', 'a', 'd', 'f')
};

struct PF_LayerDef {
    void* reserved0;
    void* reserved1;
    A_long world_flags;
    void* data;  // pixels; for a GPU world, the device buffer (see the GPU device suite)
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    void* platform_ref;
    A_long reserved_long1;
    void* reserved_long4;
    PF_RationalScale pix_aspect_ratio;
    void* reserved_long2;
    A_long origin_x;
    A_long origin_y;
    A_long reserved_long3;
    A_long dephault;
};
typedef PF_LayerDef PF_EffectWorld;

// ---- Callbacks the host hands to the plug-in -----------------------------------------------------
typedef A_long PF_PlatDataID;
enum {
    PF_PlatData_MAIN_WND = 0,
    PF_PlatData_EXE_REF = 1,
    PF_PlatData_RES_REF = 2,
    PF_PlatData_RES_FILE_PATH = 3,
    PF_PlatData_BUNDLE_ID = 4,
    PF_PlatData_EXE_FILE_PATH = 5,
    PF_PlatData_RES_FILE_PATH_W = 6,
    PF_PlatData_EXE_FILE_PATH_W = 7
};

struct PF_ANSICallbacks {
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

struct PF_UtilCallbacks {
    PF_ANSICallbacks ansi;
    PF_Err (*get_platform_data)(PF_ProgPtr effect_ref, PF_PlatDataID which, void* data);
};

struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, A_long index, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*add_param)(PF_ProgPtr effect_ref, A_long index, PF_ParamDef* def);
    PF_Err (*abort)(PF_ProgPtr effect_ref);
    PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
    PF_Err (*register_ui)(PF_ProgPtr effect_ref, PF_CustomUIInfo* cust_info);
};

struct PF_SpecVersion {
    A_short major;
    A_short minor;
};

// ---- The per-command records ---------------------------------------------------------------------
struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    A_long quality;
    PF_SpecVersion version;  // the host's effect API version
    A_long serial_num;
    A_long appl_id;  // 'FXTC' for the compositing host
    A_long num_params;
    A_long reserved;
    A_long what_cpu;
    A_long what_fpu;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    A_long field;
    PF_Fixed shutter_angle;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    A_long output_origin_x;
    A_long output_origin_y;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    A_long in_flags;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    A_long start_sampL;
    A_long dur_sampL;
    A_long total_sampL;
    const SPBasicSuite* pica_basicP;
    A_long pre_effect_source_origin_x;
    A_long pre_effect_source_origin_y;
    PF_Fixed shutter_phase;
};

enum { PF_MAX_EFFECT_MSG_LEN = 255, PF_MAX_EFFECT_NAME_LEN = 31 };

struct PF_OutData {
    A_u_long my_version;
    A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width;
    A_long height;
    PF_Point origin;
    A_long out_flags;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
    A_long start_sampL;
    A_long dur_sampL;
    void* dest_snd;
    A_long out_flags2;
};

// ---- Command extras (filled in by the host for the commands that carry one) -----------------------
struct PF_UserChangedParamExtra;
struct PF_EventExtra;
struct PF_PreRenderExtra;
struct PF_SmartRenderExtra;
struct PF_GPUDeviceSetupExtra;
struct PF_GPUDeviceSetdownExtra;

// ---- Entry points ----------------------------------------------------------------------------------
// The registration callback: the host's form of one effect's registration.
typedef PF_Err (*PF_PluginDataCB)(PF_PluginDataPtr inPtr, const A_u_char* inNameP, const A_u_char* inMatchNameP,
                                  const A_u_char* inCategoryP, const A_u_char* inEntryPointNameP, A_long inType,
                                  A_long inAPIVersionMajor, A_long inAPIVersionMinor, A_long inReservedInfo);

typedef PF_Err (*PF_PluginDataEntryFunc)(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                         SPBasicSuite* inSPBasicSuitePtr, const char* inHostName,
                                         const char* inHostVersion);

typedef PF_Err (*PF_EffectMainFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                    PF_LayerDef* output, void* extra);

#define PF_REGISTER_EFFECT(INPTR, CB, NAME, MATCHNAME, CATEGORY, ENTRY, KIND, MAJOR, MINOR, RESERVED)        \
    (*(CB))((INPTR), reinterpret_cast<const A_u_char*>(NAME), reinterpret_cast<const A_u_char*>(MATCHNAME), \
            reinterpret_cast<const A_u_char*>(CATEGORY), reinterpret_cast<const A_u_char*>(ENTRY), (KIND),  \
            (MAJOR), (MINOR), (RESERVED))

#if defined(_WIN32)
#define MRPH_EXPORT extern "C" __declspec(dllexport)
#else
#define MRPH_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#endif  // MORPHALITH_SDK_PF_EFFECT_H
