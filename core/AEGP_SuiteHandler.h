// AEGP_SuiteHandler.h — a command's suites: each acquired on first use, all released at the end.
//
// Every handler that calls AEGP or PF suites builds one on the stack from in_data->pica_basicP.
// A suite the host refuses (or gives as null) throws 516, which EffectMain returns to the host.
#ifndef MORPHALITH_CORE_AEGP_SUITE_HANDLER_H
#define MORPHALITH_CORE_AEGP_SUITE_HANDLER_H

#include "AEGP_Suites.h"
#include "PF_Suites.h"
#include "SPBasic.h"

// Every suite the handler can give, with the exact name and interface version asked of the host.
#define MRPH_SUITE_TABLE(X)                                                                               \
    X(HandleSuite1, PF_HandleSuite1, kPFHandleSuite, kPFHandleSuiteVersion1)                              \
    X(AppSuite4, PF_AppSuite4, kPFAppSuite, kPFAppSuiteVersion4)                                          \
    X(AdvAppSuite2, PF_AdvAppSuite2, kPFAdvAppSuite, kPFAdvAppSuiteVersion2)                              \
    X(ANSICallbacksSuite1, PF_ANSICallbacksSuite1, kPFANSISuite, kPFANSISuiteVersion1)                    \
    X(ParamUtilsSuite3, PF_ParamUtilsSuite3, kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3)              \
    X(EffectCustomUIOverlayThemeSuite1, PF_EffectCustomUIOverlayThemeSuite1,                              \
      kPFEffectCustomUIOverlayThemeSuite, kPFEffectCustomUIOverlayThemeSuiteVersion1)                     \
    X(SurfaceSuiteCurrent, DRAWBOT_SurfaceSuite2, "DRAWBOT Surface Suite", 2)                             \
    X(PFInterfaceSuite1, AEGP_PFInterfaceSuite1, kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1)    \
    X(UtilitySuite3, AEGP_UtilitySuite3, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3)                    \
    X(StreamSuite1, AEGP_StreamSuite1, kAEGPStreamSuite, kAEGPStreamSuiteVersion1)                        \
    X(StreamSuite2, AEGP_StreamSuite2, kAEGPStreamSuite, kAEGPStreamSuiteVersion2)                        \
    X(StreamSuite5, AEGP_StreamSuite5, kAEGPStreamSuite, kAEGPStreamSuiteVersion5)                        \
    X(DynamicStreamSuite4, AEGP_DynamicStreamSuite4, kAEGPDynamicStreamSuite,                             \
      kAEGPDynamicStreamSuiteVersion4)                                                                    \
    X(KeyframeSuite3, AEGP_KeyframeSuite3, kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion3)                \
    X(KeyframeSuite4, AEGP_KeyframeSuite4, kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion4)                \
    X(EffectSuite2, AEGP_EffectSuite2, kAEGPEffectSuite, kAEGPEffectSuiteVersion2)                        \
    X(EffectSuite4, AEGP_EffectSuite4, kAEGPEffectSuite, kAEGPEffectSuiteVersion4)                        \
    X(LayerSuite5, AEGP_LayerSuite5, kAEGPLayerSuite, kAEGPLayerSuiteVersion5)                            \
    X(LayerSuite7, AEGP_LayerSuite7, kAEGPLayerSuite, kAEGPLayerSuiteVersion7)                            \
    X(LightSuite2, AEGP_LightSuite2, kAEGPLightSuite, kAEGPLightSuiteVersion2)                            \
    X(CameraSuite2, AEGP_CameraSuite2, kAEGPCameraSuite, kAEGPCameraSuiteVersion2)                        \
    X(CompSuite10, AEGP_CompSuite10, kAEGPCompSuite, kAEGPCompSuiteVersion10)                             \
    X(ItemSuite8, AEGP_ItemSuite8, kAEGPItemSuite, kAEGPItemSuiteVersion8)

struct DRAWBOT_SurfaceSuite2;

class AEGP_SuiteHandler {
public:
    explicit AEGP_SuiteHandler(const SPBasicSuite* pica_basicP);
    ~AEGP_SuiteHandler();
    AEGP_SuiteHandler(const AEGP_SuiteHandler&) = delete;
    AEGP_SuiteHandler& operator=(const AEGP_SuiteHandler&) = delete;

#define MRPH_SUITE_ACCESSOR(accessor, type, name, version)                                          \
    type* accessor() const {                                                                        \
        if (!cache_[Slot_##accessor])                                                               \
            cache_[Slot_##accessor] = LoadSuite(name, version);                                     \
        return static_cast<type*>(const_cast<void*>(cache_[Slot_##accessor]));                      \
    }
    MRPH_SUITE_TABLE(MRPH_SUITE_ACCESSOR)
#undef MRPH_SUITE_ACCESSOR

    [[noreturn]] static void MissingSuiteError();

private:
    enum Slot {
#define MRPH_SUITE_SLOT(accessor, type, name, version) Slot_##accessor,
        MRPH_SUITE_TABLE(MRPH_SUITE_SLOT)
#undef MRPH_SUITE_SLOT
            SlotCount
    };

    const void* LoadSuite(const char* name, int32_t version) const;
    void ReleaseSuite(const char* name, int32_t version) const;
    void ReleaseAllSuites();

    const SPBasicSuite* basic_;
    mutable const void* cache_[SlotCount];
};

#endif  // MORPHALITH_CORE_AEGP_SUITE_HANDLER_H
