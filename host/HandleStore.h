// HandleStore.h — the host's memory handles. A handle's block never moves while the handle exists
// (the plug-in keeps C++ objects in place inside them); allocations and locks are counted.
#ifndef MORPHALITH_HOST_HANDLE_STORE_H
#define MORPHALITH_HOST_HANDLE_STORE_H

#include <map>
#include <mutex>
#include <vector>

#include "PF_Suites.h"

namespace host {

class HandleStore {
public:
    HandleStore();
    ~HandleStore();
    HandleStore(const HandleStore&) = delete;
    HandleStore& operator=(const HandleStore&) = delete;

    const PF_HandleSuite1* suite() const { return &suite_; }

    // Host-side use (project storage, tests).
    PF_Handle create(size_t size);
    void dispose(PF_Handle handle);
    size_t size(PF_Handle handle) const;
    void* block(PF_Handle handle) const;
    bool owns(PF_Handle handle) const;

    size_t live() const;         // handles not yet disposed
    int lockDepth(PF_Handle handle) const;
    int openLocks() const;       // locks not yet unlocked, over all handles
    int lockCalls() const { return lockCalls_; }
    // Test hook: the next allocation fails (after `skip` that succeed).
    void failNextAllocation(int skip = 0) { failAllocationIn_ = skip + 1; }
    // Test hook: the next lock yields no memory and takes no lock (after `skip` that succeed).
    void failNextLock(int skip = 0) { failLockIn_ = skip + 1; }

private:
    struct Entry {
        void* block;  // the handle points at this member; the block itself never moves
        std::vector<unsigned char> storage;
        size_t size = 0;
        int locks = 0;
    };

    static PF_Handle New(A_u_longlong size);
    static void* Lock(PF_Handle handle);
    static void Unlock(PF_Handle handle);
    static void Dispose(PF_Handle handle);
    static A_u_longlong Size(PF_Handle handle);
    static PF_Err Resize(A_u_longlong size, PF_Handle* handle);

    Entry* find(PF_Handle handle) const;

    PF_HandleSuite1 suite_;
    mutable std::mutex mutex_;
    std::map<PF_Handle, Entry*> entries_;
    int lockCalls_ = 0;
    int failAllocationIn_ = 0;  // counts down; the allocation that reaches 0 fails
    int failLockIn_ = 0;
};

}  // namespace host

#endif  // MORPHALITH_HOST_HANDLE_STORE_H
