#include "AEGP_SuiteHandler.h"

AEGP_SuiteHandler::AEGP_SuiteHandler(const SPBasicSuite* pica_basicP) : basic_(pica_basicP), cache_{} {
    if (!basic_) MissingSuiteError();
}

AEGP_SuiteHandler::~AEGP_SuiteHandler() { ReleaseAllSuites(); }

void AEGP_SuiteHandler::MissingSuiteError() { throw static_cast<int>(PF_Err_BAD_CALLBACK_PARAM); }

const void* AEGP_SuiteHandler::LoadSuite(const char* name, int32_t version) const {
    const void* suite = nullptr;
    SPErr err = basic_->AcquireSuite(name, version, &suite);
    if (err != kSPNoError || !suite) {
        // A success with a null suite still took a reference on the host side: give it back.
        if (err == kSPNoError) basic_->ReleaseSuite(name, version);
        MissingSuiteError();
    }
    return suite;
}

void AEGP_SuiteHandler::ReleaseSuite(const char* name, int32_t version) const { basic_->ReleaseSuite(name, version); }

void AEGP_SuiteHandler::ReleaseAllSuites() {
#define MRPH_SUITE_RELEASE(accessor, type, name, version) \
    if (cache_[Slot_##accessor]) ReleaseSuite(name, version);
    MRPH_SUITE_TABLE(MRPH_SUITE_RELEASE)
#undef MRPH_SUITE_RELEASE
}
