// AEFX_SuiteScoper.h — one host suite held for one scope, and the error-code helpers of the
// effect panel's drawing code.
#ifndef MORPHALITH_CORE_AEFX_SUITE_SCOPER_H
#define MORPHALITH_CORE_AEFX_SUITE_SCOPER_H

#include "Drawbot.h"
#include "PF_Suites.h"
#include "ReturnMessage.h"
#include "SPBasic.h"

constexpr const char* kAcquireSuiteFailed = "Not able to acquire AEFX Suite.";
constexpr const char* kReleaseSuiteFailed = "Not able to release AEFX Suite.";

// The second argument is false in every use: a suite that cannot be had is an error (thrown as 13).
template <typename Suite, bool ALLOW_NO_SUITE = false>
class AEFX_SuiteScoper {
    static_assert(!ALLOW_NO_SUITE, "a missing suite is always an error here");

public:
    AEFX_SuiteScoper(const PF_InData* in_data, const char* suite_name, int32_t suite_version,
                     PF_OutData* out_data = nullptr, const char* err_msg = nullptr)
        : suite_(nullptr), basic_(in_data->pica_basicP), name_(suite_name), version_(suite_version) {
        const void* suite = nullptr;
        SPErr err = basic_ ? basic_->AcquireSuite(name_, version_, &suite) : kSPSuiteNotFoundError;
        if (err == kSPNoError && !suite) {
            // Success with no table is as good as a refusal; the reference it took goes back.
            basic_->ReleaseSuite(name_, version_);
            err = kSPSuiteNotFoundError;
        }
        if (err != kSPNoError) {
            if (out_data) showErrorMessage(in_data, out_data, err_msg ? err_msg : kAcquireSuiteFailed);
            throw static_cast<int>(A_Err_MISSING_SUITE);
        }
        suite_ = static_cast<const Suite*>(suite);
    }

    ~AEFX_SuiteScoper() {
        if (suite_) basic_->ReleaseSuite(name_, version_);
    }

    AEFX_SuiteScoper(const AEFX_SuiteScoper&) = delete;
    AEFX_SuiteScoper& operator=(const AEFX_SuiteScoper&) = delete;

    const Suite* operator->() const { return suite_; }
    const Suite* get() const { return suite_; }

private:
    const Suite* suite_;
    const SPBasicSuite* basic_;
    const char* name_;
    int32_t version_;
};

PF_Err AEFX_AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_stringPC0, void** suite);
PF_Err AEFX_ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_stringPC0);
PF_Err AEFX_AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suitesP);
PF_Err AEFX_ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data);

#endif  // MORPHALITH_CORE_AEFX_SUITE_SCOPER_H
