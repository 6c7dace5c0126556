#include "host/HandleStore.h"

#include "host/Holdings.h"

namespace host {

namespace {
HandleStore* g_store = nullptr;
}

HandleStore::HandleStore() : suite_{New, Lock, Unlock, Dispose, Size, Resize} { g_store = this; }

HandleStore::~HandleStore() {
    for (auto& [handle, entry] : entries_) delete entry;
    if (g_store == this) g_store = nullptr;
}

PF_Handle HandleStore::create(size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failAllocationIn_ > 0 && --failAllocationIn_ == 0) return nullptr;
    auto* entry = new Entry;
    entry->size = size;
    entry->storage.assign(size == 0 ? 1 : size, 0);  // a zero-size block still has an address
    entry->block = entry->storage.data();
    PF_Handle handle = &entry->block;
    entries_[handle] = entry;
    return handle;
}

HandleStore::Entry* HandleStore::find(PF_Handle handle) const {
    auto it = entries_.find(handle);
    return it == entries_.end() ? nullptr : it->second;
}

bool HandleStore::owns(PF_Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return find(handle) != nullptr;
}

void HandleStore::dispose(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* entry = find(handle);
    if (!entry) return;
    entries_.erase(handle);
    delete entry;
}

size_t HandleStore::size(PF_Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* entry = find(handle);
    return entry ? entry->size : 0;
}

void* HandleStore::block(PF_Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* entry = find(handle);
    return entry ? entry->block : nullptr;
}

size_t HandleStore::live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

int HandleStore::lockDepth(PF_Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* entry = find(handle);
    return entry ? entry->locks : 0;
}

int HandleStore::openLocks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int open = 0;
    for (auto& [handle, entry] : entries_) open += entry->locks;
    return open;
}

PF_Handle HandleStore::New(A_u_longlong size) { return g_store ? g_store->create(static_cast<size_t>(size)) : nullptr; }

void* HandleStore::Lock(PF_Handle handle) {
    if (!g_store) return nullptr;
    std::lock_guard<std::mutex> lock(g_store->mutex_);
    if (g_store->failLockIn_ > 0 && --g_store->failLockIn_ == 0) return nullptr;
    Entry* entry = g_store->find(handle);
    if (!entry) return nullptr;
    entry->locks += 1;
    g_store->lockCalls_ += 1;
    threadHoldings().handleLocks += 1;
    return entry->block;
}

void HandleStore::Unlock(PF_Handle handle) {
    if (!g_store) return;
    std::lock_guard<std::mutex> lock(g_store->mutex_);
    Entry* entry = g_store->find(handle);
    if (entry && entry->locks > 0) {
        entry->locks -= 1;
        threadHoldings().handleLocks -= 1;
    }
}

void HandleStore::Dispose(PF_Handle handle) {
    if (g_store) g_store->dispose(handle);
}

A_u_longlong HandleStore::Size(PF_Handle handle) { return g_store ? g_store->size(handle) : 0; }

PF_Err HandleStore::Resize(A_u_longlong size, PF_Handle* handle) {
    if (!g_store || !handle) return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(g_store->mutex_);
    Entry* entry = g_store->find(*handle);
    if (!entry) return PF_Err_BAD_CALLBACK_PARAM;
    // A locked block may not move.
    if (entry->locks > 0 && size > entry->storage.capacity()) return PF_Err_OUT_OF_MEMORY;
    entry->size = static_cast<size_t>(size);
    entry->storage.resize(entry->size == 0 ? 1 : entry->size);
    entry->block = entry->storage.data();
    return PF_Err_NONE;
}

}  // namespace host
