#include "host/SuiteRegistry.h"

#include <cstring>
#include <mutex>

#include "host/CallTrace.h"
#include "host/Holdings.h"

namespace host {

namespace {
// The basic suite's functions carry no context: the registry in service is process-wide, one at a time.
SuiteRegistry* g_registry = nullptr;
std::mutex g_registry_mutex;

int32_t IsEqual(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
SPErr AllocateBlock(size_t size, void** block) {
    *block = ::operator new(size, std::nothrow);
    return *block ? kSPNoError : kSPSuiteNotFoundError;
}
SPErr FreeBlock(void* block) {
    ::operator delete(block);
    return kSPNoError;
}
SPErr ReallocateBlock(void*, size_t, void** newblock) {
    *newblock = nullptr;
    return kSPSuiteNotFoundError;
}
SPErr Undefined() { return kSPSuiteNotFoundError; }
}  // namespace

SuiteRegistry::SuiteRegistry()
    : basic_{&SuiteRegistry::Acquire, &SuiteRegistry::Release, IsEqual, AllocateBlock, FreeBlock, ReallocateBlock,
             Undefined} {
    g_registry = this;
}

SuiteRegistry::~SuiteRegistry() {
    if (g_registry == this) g_registry = nullptr;
}

void SuiteRegistry::add(const std::string& name, int32_t version, const void* table) {
    tables_[{name, version}] = table;
}

SPErr SuiteRegistry::Acquire(const char* name, int32_t version, const void** suite) {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    SuiteRegistry* self = g_registry;
    if (suite) *suite = nullptr;
    if (!self || !name || !suite) return kSPSuiteNotFoundError;
    Key key{name, version};
    if (self->trace_) self->trace_->record("acquire \"" + key.first + "\" v" + std::to_string(version));
    auto found = self->tables_.find(key);
    if (found == self->tables_.end() || self->refused_.count(key)) return kSPSuiteNotFoundError;
    self->acquired_[key] += 1;
    threadHoldings().suites += 1;
    *suite = self->nulled_.count(key) ? nullptr : found->second;
    return kSPNoError;
}

SPErr SuiteRegistry::Release(const char* name, int32_t version) {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    SuiteRegistry* self = g_registry;
    if (!self || !name) return kSPSuiteNotFoundError;
    Key key{name, version};
    if (self->trace_) self->trace_->record("release \"" + key.first + "\" v" + std::to_string(version));
    if (!self->tables_.count(key)) return kSPSuiteNotFoundError;
    self->released_[key] += 1;
    threadHoldings().suites -= 1;
    return kSPNoError;
}

int SuiteRegistry::acquired(const std::string& name, int32_t version) const {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    auto it = acquired_.find({name, version});
    return it == acquired_.end() ? 0 : it->second;
}

int SuiteRegistry::released(const std::string& name, int32_t version) const {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    auto it = released_.find({name, version});
    return it == released_.end() ? 0 : it->second;
}

std::string SuiteRegistry::imbalance() const {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    std::string out;
    std::set<Key> keys;
    for (auto& [key, n] : acquired_) keys.insert(key);
    for (auto& [key, n] : released_) keys.insert(key);
    for (const Key& key : keys) {
        int a = acquired_.count(key) ? acquired_.at(key) : 0;
        int r = released_.count(key) ? released_.at(key) : 0;
        if (a != r)
            out += key.first + " v" + std::to_string(key.second) + ": +" + std::to_string(a) + " -" +
                   std::to_string(r) + "\n";
    }
    return out;
}

bool SuiteRegistry::balanced() const { return imbalance().empty(); }

void SuiteRegistry::resetCounts() {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    acquired_.clear();
    released_.clear();
}

}  // namespace host
