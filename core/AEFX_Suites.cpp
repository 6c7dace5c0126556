// The error-code suite helpers used by the effect panel's drawing code.
#include "AEFX_SuiteScoper.h"


namespace {

struct DrawbotSuiteName {
    const char* name;
    int32_t version;
};

constexpr DrawbotSuiteName kDrawbotSuites[] = {
    {kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1},
    {kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1},
    {kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2},
    {kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1},
};
constexpr int kDrawbotSuiteCount = 4;

// How many whole Drawbot sets this thread holds. An acquisition either gets all four or gives back
// what it got, so a release gives back one whole set, or nothing when none is held: nested
// acquire/release pairs and a release after a failed acquisition both stay balanced. Drawing runs on
// the host's UI thread; thread_local keeps it honest anyway.
thread_local int drawbot_sets_held = 0;

}  // namespace

PF_Err AEFX_AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_stringPC0, void** suite) {
    const SPBasicSuite* basic = in_data ? in_data->pica_basicP : nullptr;
    if (basic) {
        const void* acquired = nullptr;
        const SPErr result = basic->AcquireSuite(name, version, &acquired);
        *suite = const_cast<void*>(acquired);
        if (acquired) return PF_Err_NONE;
        // Success with no table still took a reference: it goes back.
        if (result == kSPNoError) basic->ReleaseSuite(name, version);
    }
    showErrorMessage(in_data, out_data, error_stringPC0 ? error_stringPC0 : kAcquireSuiteFailed);
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AEFX_ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_stringPC0) {
    const SPBasicSuite* basic = in_data ? in_data->pica_basicP : nullptr;
    if (basic) {
        basic->ReleaseSuite(name, version);
        return PF_Err_NONE;
    }
    showErrorMessage(in_data, out_data, error_stringPC0 ? error_stringPC0 : kReleaseSuiteFailed);
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AEFX_AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suitesP) {
    if (!suitesP) {
        showErrorMessage(in_data, out_data, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    void** targets[kDrawbotSuiteCount] = {
        reinterpret_cast<void**>(&suitesP->drawbot_suiteP), reinterpret_cast<void**>(&suitesP->supplier_suiteP),
        reinterpret_cast<void**>(&suitesP->surface_suiteP), reinterpret_cast<void**>(&suitesP->path_suiteP)};
    for (int i = 0; i < kDrawbotSuiteCount; ++i) {
        PF_Err err = AEFX_AcquireSuite(in_data, out_data, kDrawbotSuites[i].name, kDrawbotSuites[i].version,
                                       nullptr, targets[i]);
        if (err) {
            // Stopped at the first refusal: what this call got goes back now.
            for (int j = 0; j < i; ++j) {
                AEFX_ReleaseSuite(in_data, out_data, kDrawbotSuites[j].name, kDrawbotSuites[j].version, nullptr);
                *targets[j] = nullptr;
            }
            return err;
        }
    }
    drawbot_sets_held += 1;
    return PF_Err_NONE;
}

PF_Err AEFX_ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data) {
    if (drawbot_sets_held == 0) return PF_Err_NONE;
    drawbot_sets_held -= 1;
    for (int i = 0; i < kDrawbotSuiteCount; ++i)
        AEFX_ReleaseSuite(in_data, out_data, kDrawbotSuites[i].name, kDrawbotSuites[i].version, nullptr);
    return PF_Err_NONE;
}
