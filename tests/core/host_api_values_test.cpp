// Every number of the host API that the effect and the stand-in host exchange, pinned to the value the
// host publishes for it. Both sides include the same declarations, so a wrong value there would go
// unseen by every other test: a host sending its own numbers would then be refused.
#include <gtest/gtest.h>

#include <string>

#include "AEGP_Suites.h"
#include "Drawbot.h"
#include "PF_Effect.h"
#include "PF_Events.h"
#include "PF_GPUDevice.h"
#include "PF_Param.h"
#include "PF_SmartRender.h"
#include "PF_Suites.h"
#include "Version.h"

namespace {

struct Value {
    const char* name;
    long long declared;
    long long published;
};
#define MRPH_VALUE(name, published) {#name, static_cast<long long>(name), published}

const Value kValues[] = {
    // Commands, by the host's command number.
    MRPH_VALUE(PF_Cmd_ABOUT, 0),
    MRPH_VALUE(PF_Cmd_GLOBAL_SETUP, 1),
    MRPH_VALUE(PF_Cmd_UNUSED_0, 2),
    MRPH_VALUE(PF_Cmd_GLOBAL_SETDOWN, 3),
    MRPH_VALUE(PF_Cmd_PARAMS_SETUP, 4),
    MRPH_VALUE(PF_Cmd_SEQUENCE_SETUP, 5),
    MRPH_VALUE(PF_Cmd_SEQUENCE_RESETUP, 6),
    MRPH_VALUE(PF_Cmd_SEQUENCE_FLATTEN, 7),
    MRPH_VALUE(PF_Cmd_SEQUENCE_SETDOWN, 8),
    MRPH_VALUE(PF_Cmd_DO_DIALOG, 9),
    MRPH_VALUE(PF_Cmd_FRAME_SETUP, 10),
    MRPH_VALUE(PF_Cmd_RENDER, 11),
    MRPH_VALUE(PF_Cmd_FRAME_SETDOWN, 12),
    MRPH_VALUE(PF_Cmd_USER_CHANGED_PARAM, 13),
    MRPH_VALUE(PF_Cmd_UPDATE_PARAMS_UI, 14),
    MRPH_VALUE(PF_Cmd_EVENT, 15),
    MRPH_VALUE(PF_Cmd_GET_EXTERNAL_DEPENDENCIES, 16),
    MRPH_VALUE(PF_Cmd_COMPLETELY_GENERAL, 17),
    MRPH_VALUE(PF_Cmd_QUERY_DYNAMIC_FLAGS, 18),
    MRPH_VALUE(PF_Cmd_AUDIO_RENDER, 19),
    MRPH_VALUE(PF_Cmd_AUDIO_SETUP, 20),
    MRPH_VALUE(PF_Cmd_AUDIO_SETDOWN, 21),
    MRPH_VALUE(PF_Cmd_ARBITRARY_CALLBACK, 22),
    MRPH_VALUE(PF_Cmd_SMART_PRE_RENDER, 23),
    MRPH_VALUE(PF_Cmd_SMART_RENDER, 24),
    MRPH_VALUE(PF_Cmd_RESERVED1, 25),
    MRPH_VALUE(PF_Cmd_RESERVED2, 26),
    MRPH_VALUE(PF_Cmd_RESERVED3, 27),
    MRPH_VALUE(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, 28),
    MRPH_VALUE(PF_Cmd_TRANSLATE_PARAMS_TO_PREFS, 29),
    MRPH_VALUE(PF_Cmd_RESERVED4, 30),
    MRPH_VALUE(PF_Cmd_SMART_RENDER_GPU, 31),
    MRPH_VALUE(PF_Cmd_GPU_DEVICE_SETUP, 32),
    MRPH_VALUE(PF_Cmd_GPU_DEVICE_SETDOWN, 33),
    MRPH_VALUE(PF_Cmd_NUM_CMDS, 34),

    // Error codes.
    MRPH_VALUE(PF_Err_NONE, 0),
    MRPH_VALUE(PF_Err_OUT_OF_MEMORY, 4),
    MRPH_VALUE(A_Err_MISSING_SUITE, 13),
    MRPH_VALUE(PF_Err_INTERNAL_STRUCT_DAMAGED, 512),
    MRPH_VALUE(PF_Err_UNRECOGNIZED_PARAM_TYPE, 514),
    MRPH_VALUE(PF_Err_BAD_CALLBACK_PARAM, 516),

    // Out flags: bit numbers, and the words they are written as.
    MRPH_VALUE(PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0x100),
    MRPH_VALUE(PF_OutFlag_PIX_INDEPENDENT, 1LL << 10),
    MRPH_VALUE(PF_OutFlag_CUSTOM_UI, 1LL << 15),
    MRPH_VALUE(PF_OutFlag_REFRESH_UI, 0x20000),
    MRPH_VALUE(PF_OutFlag_REFRESH_UI | PF_OutFlag_FORCE_RERENDER, 0x420000),
    MRPH_VALUE(PF_OutFlag_DEEP_COLOR_AWARE, 1LL << 25),
    MRPH_VALUE(PF_OutFlag_SEND_UPDATE_PARAMS_UI, 1LL << 26),
    MRPH_VALUE(PF_OutFlag2_I_USE_3D_CAMERA, 1LL << 1),
    MRPH_VALUE(PF_OutFlag2_I_USE_3D_LIGHTS, 1LL << 2),
    MRPH_VALUE(PF_OutFlag2_SUPPORTS_SMART_RENDER, 1LL << 10),
    MRPH_VALUE(PF_OutFlag2_FLOAT_COLOR_AWARE, 1LL << 12),
    MRPH_VALUE(PF_OutFlag2_I_MIX_GUID_DEPENDENCIES, 1LL << 21),
    MRPH_VALUE(PF_OutFlag2_CUSTOM_UI_ASYNC_MANAGER, 1LL << 24),
    MRPH_VALUE(PF_OutFlag2_SUPPORTS_GPU_RENDER_F32, 0x02000000),
    MRPH_VALUE(PF_OutFlag2_SUPPORTS_THREADED_RENDERING, 1LL << 27),

    // The packed version word: 1.1.0, release (stage 3), build 2.
    MRPH_VALUE(PF_Stage_RELEASE, 3),
    MRPH_VALUE(PF_VERSION(1, 1, 0, PF_Stage_RELEASE, 2), 558594),
    MRPH_VALUE(kEffectKind, 0x65464B54),  // 'eFKT'

    // Platform data, pixel formats, render output flags, GPU frameworks.
    MRPH_VALUE(PF_PlatData_EXE_FILE_PATH_W, 7),
    MRPH_VALUE(PF_PixelFormat_GPU_BGRA128, 0x41444340),
    MRPH_VALUE(PF_RenderOutputFlag_GPU_RENDER_POSSIBLE, 2),
    MRPH_VALUE(PF_GPU_Framework_OPENCL, 1),
    MRPH_VALUE(PF_GPU_Framework_METAL, 2),
    MRPH_VALUE(PF_GPU_Framework_CUDA, 3),

    // Parameter types, flags and UI flags.
    MRPH_VALUE(PF_Param_LAYER, 0),
    MRPH_VALUE(PF_Param_ANGLE, 3),
    MRPH_VALUE(PF_Param_CHECKBOX, 4),
    MRPH_VALUE(PF_Param_COLOR, 5),
    MRPH_VALUE(PF_Param_POPUP, 7),
    MRPH_VALUE(PF_Param_NO_DATA, 9),
    MRPH_VALUE(PF_Param_FLOAT_SLIDER, 10),
    MRPH_VALUE(PF_Param_ARBITRARY_DATA, 11),
    MRPH_VALUE(PF_Param_GROUP_START, 13),
    MRPH_VALUE(PF_Param_GROUP_END, 14),
    MRPH_VALUE(PF_Param_BUTTON, 15),
    MRPH_VALUE(PF_ParamFlag_CANNOT_TIME_VARY, 0x2),
    MRPH_VALUE(PF_ParamFlag_COLLAPSE_TWIRLY, 0x20),
    MRPH_VALUE(PF_ParamFlag_SUPERVISE, 0x40),
    MRPH_VALUE(PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS, 0x80),
    MRPH_VALUE(PF_ParamFlag_CANNOT_TIME_VARY | PF_ParamFlag_SUPERVISE, 0x42),
    MRPH_VALUE(PF_PUI_DISABLED, 0x20),
    MRPH_VALUE(PF_PUI_INVISIBLE, 0x200),
    MRPH_VALUE(PF_PUI_INVISIBLE | PF_PUI_DISABLED, 0x220),
    MRPH_VALUE(PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL, 0x82),
    MRPH_VALUE(PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL | PF_PUI_INVISIBLE, 0x282),
    MRPH_VALUE(PF_LayerDefault_NONE, 0),
    MRPH_VALUE(PF_CustomEFlag_COMP | PF_CustomEFlag_LAYER | PF_CustomEFlag_EFFECT, 7),

    // Events.
    MRPH_VALUE(PF_Event_NEW_CONTEXT, 0),
    MRPH_VALUE(PF_Event_DO_CLICK, 2),
    MRPH_VALUE(PF_Event_DRAG, 3),
    MRPH_VALUE(PF_Event_DRAW, 4),
    MRPH_VALUE(PF_Event_ADJUST_CURSOR, 9),
    MRPH_VALUE(PF_Window_COMP, 0),
    MRPH_VALUE(PF_Window_EFFECT, 2),
    MRPH_VALUE(PF_EO_HANDLED_EVENT, 1),
    MRPH_VALUE(PF_EO_UPDATE_NOW, 8),
    MRPH_VALUE(PF_EO_HANDLED_EVENT | PF_EO_UPDATE_NOW, 9),
    MRPH_VALUE(PF_Window_LAYER, 1),
    MRPH_VALUE(PF_EA_CONTROL, 2),

    // Drawbot.
    MRPH_VALUE(kDRAWBOT_FillType_Winding, 1),
    MRPH_VALUE(kDRAWBOT_TextAlignment_Left, 0),
    MRPH_VALUE(kDRAWBOT_TextAlignment_Center, 1),
    MRPH_VALUE(kDRAWBOT_TextAlignment_Right, 2),
    MRPH_VALUE(kDRAWBOT_TextTruncation_None, 0),
    MRPH_VALUE(kDRAWBOT_PixelLayout_24RGB, 0),
    MRPH_VALUE(kDRAWBOT_PixelLayout_32BGR, 3),

    // Layers, streams, lights and cameras.
    MRPH_VALUE(AEGP_LayerFlag_LAYER_IS_3D, 0x800),
    MRPH_VALUE(AEGP_DynStreamFlag_HIDDEN, 2),
    MRPH_VALUE(AEGP_LTimeMode_LayerTime, 0),
    MRPH_VALUE(AEGP_LTimeMode_CompTime, 1),
    MRPH_VALUE(AEGP_StreamType_NO_DATA, 0),
    MRPH_VALUE(AEGP_LayerStream_ANCHORPOINT, 0),
    MRPH_VALUE(AEGP_LayerStream_ZOOM, 11),
    MRPH_VALUE(AEGP_LayerStream_FOCUS_DISTANCE, 13),
    MRPH_VALUE(AEGP_LayerStream_APERTURE, 14),
    MRPH_VALUE(AEGP_LayerStream_INTENSITY, 16),
    MRPH_VALUE(AEGP_LayerStream_COLOR, 17),
    MRPH_VALUE(AEGP_LayerStream_LIGHT_FALLOFF_START, 41),
    MRPH_VALUE(AEGP_ObjectType_LIGHT, 1),
    MRPH_VALUE(AEGP_LightType_PARALLEL, 0),
    MRPH_VALUE(AEGP_LightType_SPOT, 1),
    MRPH_VALUE(AEGP_LightType_POINT, 2),
    MRPH_VALUE(AEGP_LightType_AMBIENT, 3),
    MRPH_VALUE(AEGP_LightType_ENVIRONMENT, 4),
    MRPH_VALUE(AEGP_CameraType_ORTHOGRAPHIC, 1),

    // Record sizes the host fixes.
    MRPH_VALUE(sizeof(PF_RenderRequest), 44),
    MRPH_VALUE(sizeof(AEGP_StreamVal), 32),
    MRPH_VALUE(sizeof(PF_ParamDef::name), 32),
};
#undef MRPH_VALUE

TEST(HostApiValues, EveryNameCarriesThePublishedValue) {
    for (const Value& v : kValues) EXPECT_EQ(v.declared, v.published) << v.name;
}

struct Suite {
    const char* macro;
    std::string declaredName;
    long long declaredVersion;
    const char* publishedName;
    long long publishedVersion;
};
#define MRPH_SUITE(name, version, publishedName, publishedVersion) \
    {#name ", " #version, name, version, publishedName, publishedVersion}

// Names and the interface versions asked for; the version is not the number in the macro's name.
const Suite kSuites[] = {
    MRPH_SUITE(kPFHandleSuite, kPFHandleSuiteVersion1, "PF Handle Suite", 2),
    MRPH_SUITE(kPFAppSuite, kPFAppSuiteVersion1, "PF AE App Suite", 1),
    MRPH_SUITE(kPFAppSuite, kPFAppSuiteVersion4, "PF AE App Suite", 6),
    MRPH_SUITE(kPFAdvAppSuite, kPFAdvAppSuiteVersion2, "PF AE Adv App Suite", 2),
    MRPH_SUITE(kPFANSISuite, kPFANSISuiteVersion1, "PF ANSI Suite", 1),
    MRPH_SUITE(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, "PF Param Utils Suite", 3),
    MRPH_SUITE(kPFEffectCustomUIOverlayThemeSuite, kPFEffectCustomUIOverlayThemeSuiteVersion1,
               "PF Effect Custom UI Overlay Theme Suite", 1),
    MRPH_SUITE(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, "PF Effect Custom UI Suite", 1),
    MRPH_SUITE(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion2, "PF Effect Custom UI Suite", 2),
    MRPH_SUITE(kPFEffectUISuite, kPFEffectUISuiteVersion1, "PF Effect UI Suite", 1),
    MRPH_SUITE(kPFEffectSequenceDataSuite, kPFEffectSequenceDataSuiteVersion1, "PF Effect Sequence Data Suite", 1),
    MRPH_SUITE(kPFWorldSuite, kPFWorldSuiteVersion2, "PF World Suite", 2),
    MRPH_SUITE(kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, "PF GPU Device Suite", 1),
    MRPH_SUITE(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, "AEGP PF Interface Suite", 1),
    MRPH_SUITE(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, "AEGP Utility Suite", 7),
    MRPH_SUITE(kAEGPStreamSuite, kAEGPStreamSuiteVersion1, "AEGP Stream Suite", 4),
    MRPH_SUITE(kAEGPStreamSuite, kAEGPStreamSuiteVersion2, "AEGP Stream Suite", 7),
    MRPH_SUITE(kAEGPStreamSuite, kAEGPStreamSuiteVersion5, "AEGP Stream Suite", 10),
    MRPH_SUITE(kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4, "AEGP Dynamic Stream Suite", 5),
    MRPH_SUITE(kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion3, "AEGP Keyframe Suite", 3),
    MRPH_SUITE(kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion4, "AEGP Keyframe Suite", 4),
    MRPH_SUITE(kAEGPEffectSuite, kAEGPEffectSuiteVersion2, "AEGP Effect Suite", 2),
    MRPH_SUITE(kAEGPEffectSuite, kAEGPEffectSuiteVersion4, "AEGP Effect Suite", 4),
    MRPH_SUITE(kAEGPLayerSuite, kAEGPLayerSuiteVersion5, "AEGP Layer Suite", 11),
    MRPH_SUITE(kAEGPLayerSuite, kAEGPLayerSuiteVersion7, "AEGP Layer Suite", 13),
    MRPH_SUITE(kAEGPLightSuite, kAEGPLightSuiteVersion2, "AEGP Light Suite", 2),
    MRPH_SUITE(kAEGPCameraSuite, kAEGPCameraSuiteVersion2, "AEGP Camera Suite", 2),
    MRPH_SUITE(kAEGPCompSuite, kAEGPCompSuiteVersion10, "AEGP Comp Suite", 21),
    MRPH_SUITE(kAEGPItemSuite, kAEGPItemSuiteVersion8, "AEGP Item Suite", 13),
    MRPH_SUITE(kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, "DRAWBOT Draw Suite", 1),
    MRPH_SUITE(kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1, "DRAWBOT Supplier Suite", 1),
    MRPH_SUITE(kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2, "DRAWBOT Surface Suite", 2),
    MRPH_SUITE(kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1, "DRAWBOT Path Suite", 1),
};
#undef MRPH_SUITE

TEST(HostApiValues, EverySuiteIsAskedForByItsPublishedNameAndVersion) {
    for (const Suite& s : kSuites) {
        EXPECT_EQ(s.declaredName, s.publishedName) << s.macro;
        EXPECT_EQ(s.declaredVersion, s.publishedVersion) << s.macro;
    }
}

}  // namespace
