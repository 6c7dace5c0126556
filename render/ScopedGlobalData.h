// ScopedGlobalData.h — the global-data handle locked for one scope, so that no path out of a render
// handler (an early return, a thrown host error) leaves it locked.
#ifndef MORPHALITH_RENDER_SCOPED_GLOBAL_DATA_H
#define MORPHALITH_RENDER_SCOPED_GLOBAL_DATA_H

#include "AEGP_SuiteHandler.h"
#include "GlobalData.h"

class ScopedGlobalData {
public:
    ScopedGlobalData(const AEGP_SuiteHandler& suites, PF_Handle handle)
        : suite_(suites.HandleSuite1()), handle_(handle), data_(nullptr) {
        if (handle_) data_ = static_cast<GlobalData*>(suite_->host_lock_handle(handle_));
    }
    ~ScopedGlobalData() {
        if (data_) suite_->host_unlock_handle(handle_);
    }
    ScopedGlobalData(const ScopedGlobalData&) = delete;
    ScopedGlobalData& operator=(const ScopedGlobalData&) = delete;

    GlobalData* get() const { return data_; }

private:
    const PF_HandleSuite1* suite_;
    PF_Handle handle_;
    GlobalData* data_;
};

#endif  // MORPHALITH_RENDER_SCOPED_GLOBAL_DATA_H
