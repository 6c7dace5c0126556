// SuiteRegistry.h — the host's basic suite: serves suites by exact (name, version), refuses the rest,
// and counts every acquire and release so tests can check that a command gave back what it took.
#ifndef MORPHALITH_HOST_SUITE_REGISTRY_H
#define MORPHALITH_HOST_SUITE_REGISTRY_H

#include <map>
#include <set>
#include <string>
#include <utility>

#include "SPBasic.h"

namespace host {

class CallTrace;

class SuiteRegistry {
public:
    using Key = std::pair<std::string, int32_t>;

    SuiteRegistry();
    ~SuiteRegistry();
    SuiteRegistry(const SuiteRegistry&) = delete;
    SuiteRegistry& operator=(const SuiteRegistry&) = delete;

    // Offers a suite table under one name and version.
    void add(const std::string& name, int32_t version, const void* table);
    // Test hooks: refuse a suite with an error, or answer success with a null table.
    void refuse(const std::string& name, int32_t version) { refused_.insert({name, version}); }
    void grantNull(const std::string& name, int32_t version) { nulled_.insert({name, version}); }
    void clearFaults() {
        refused_.clear();
        nulled_.clear();
    }

    SPBasicSuite* basic() { return &basic_; }

    int acquired(const std::string& name, int32_t version) const;
    int released(const std::string& name, int32_t version) const;
    // Every suite acquired as often as released.
    bool balanced() const;
    // "name vN: +a -r" for each suite whose counts differ.
    std::string imbalance() const;
    void resetCounts();

    void setTrace(CallTrace* trace) { trace_ = trace; }

private:
    static SPErr Acquire(const char* name, int32_t version, const void** suite);
    static SPErr Release(const char* name, int32_t version);

    SPBasicSuite basic_;
    std::map<Key, const void*> tables_;
    std::set<Key> refused_, nulled_;
    std::map<Key, int> acquired_, released_;
    CallTrace* trace_ = nullptr;
};

}  // namespace host

#endif  // MORPHALITH_HOST_SUITE_REGISTRY_H
