// The stored sequence data of a project handed back on re-setup: any bytes, of any length, as a
// damaged or hostile project file holds them. The module must take them without fault, hand back a
// sound record, and saving and reopening that record must give the same bytes again.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/fuzz/FuzzHost.h"

namespace {

host::Host* g_host = nullptr;
size_t g_handles = 0;

// What a sound record is, in its stored form: 11 slots of (type, layer id), then the slot count as a
// float; the count is a whole number 0 .. 11, every type is 0 .. 14, slots past the count are empty.
void requireSound(const std::vector<unsigned char>& bytes) {
    fuzz::require(bytes.size() == 92, "the saved record has " + std::to_string(bytes.size()) + " bytes, not 92");
    float count = 0;
    std::memcpy(&count, &bytes[88], 4);
    fuzz::require(count >= 0 && count <= 11 && count == std::floor(count) && !std::signbit(count),
                  "the saved slot count is " + std::to_string(count));
    for (int slot = 0; slot < 11; ++slot) {
        int32_t type = 0, layer = 0;
        std::memcpy(&type, &bytes[slot * 8], 4);
        std::memcpy(&layer, &bytes[slot * 8 + 4], 4);
        fuzz::require(type >= 0 && type <= 14, "slot " + std::to_string(slot) + " has type " + std::to_string(type));
        if (slot >= (int)count)
            fuzz::require(type == 0 && layer == 0, "slot " + std::to_string(slot) + " past the count is not empty");
    }
}

host::SavedProject saved(const std::vector<unsigned char>& bytes, bool hasData) {
    host::SavedProject project;
    project.streams = g_host->project().streams;
    project.hasSequenceData = hasData;
    project.sequenceData = bytes;
    return project;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    g_host = fuzz::loadedHost();
    fuzz::require(g_host->command(PF_Cmd_GLOBAL_SETUP) == PF_Err_NONE, "global set-up failed");
    fuzz::require(g_host->command(PF_Cmd_PARAMS_SETUP) == PF_Err_NONE, "params set-up failed");
    fuzz::require(g_host->command(PF_Cmd_SEQUENCE_SETUP) == PF_Err_NONE, "sequence set-up failed");
    g_handles = g_host->handles().live();
    return 0;
}

// An empty input stands for a project saved without sequence data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> stored(data, data + size);
    fuzz::require(g_host->reopenProject(saved(stored, size > 0)) == PF_Err_NONE, "re-setup failed");
    host::SavedProject first, second;
    fuzz::require(g_host->saveProject(&first) == PF_Err_NONE, "saving failed");
    fuzz::require(first.hasSequenceData, "the instance lost its sequence data");
    requireSound(first.sequenceData);
    fuzz::require(g_host->reopenProject(first) == PF_Err_NONE, "re-setup of the saved record failed");
    fuzz::require(g_host->saveProject(&second) == PF_Err_NONE, "saving again failed");
    fuzz::require(second.sequenceData == first.sequenceData, "save, reopen and save gave other bytes");
    fuzz::require(g_host->handles().live() == g_handles, "handles leaked");
    fuzz::require(g_host->handles().openLocks() == 0, "a handle was left locked");
    fuzz::require(g_host->suites().balanced(), "suites unbalanced: " + g_host->suites().imbalance());
    return 0;
}
