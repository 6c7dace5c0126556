// ScopedHandleLock.h — one host memory handle locked for a scope, read as a record of type T.
//
// The lock is given back on every path out of the scope, exceptions included. Two of them taken one
// after the other are released in the opposite order, which is the order the handlers rely on:
// sequence data locked before global data, and unlocked after it.
#ifndef MORPHALITH_CORE_SCOPED_HANDLE_LOCK_H
#define MORPHALITH_CORE_SCOPED_HANDLE_LOCK_H

#include "PF_Suites.h"

template <typename T>
class ScopedHandleLock {
public:
    // No handle, or a lock that yields no memory, leaves get() null and holds no lock.
    ScopedHandleLock(const PF_HandleSuite1* suite, PF_Handle handle) : suite_(suite), handle_(handle), data_(nullptr) {
        if (handle_) data_ = static_cast<T*>(suite_->host_lock_handle(handle_));
    }
    ~ScopedHandleLock() {
        if (data_) suite_->host_unlock_handle(handle_);
    }
    ScopedHandleLock(const ScopedHandleLock&) = delete;
    ScopedHandleLock& operator=(const ScopedHandleLock&) = delete;

    T* get() const { return data_; }

private:
    const PF_HandleSuite1* suite_;
    PF_Handle handle_;
    T* data_;
};

#endif  // MORPHALITH_CORE_SCOPED_HANDLE_LOCK_H
