// The primitive clipboard's payload pasted into a slot: any bytes, as another process (or anybody) may
// have left them under the private type. The module must paste every record or none: when it refuses,
// no parameter value and no slot type changes; when it accepts, every pasted parameter holds the value
// of its record and nothing else of the effect changes. Handles, locks, suites and undo groups balance
// after every paste.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ParamID.h"
#include "host/UserActions.h"
#include "tests/fuzz/FuzzHost.h"
#include "ui/ClipboardRecords.h"
#include "ui/PrimitiveClipboard.h"

namespace {

host::Host* g_host = nullptr;
host::SavedProject g_start;
std::string g_store;  // the clipboard's file in this run's own runtime folder
size_t g_handles = 0;
constexpr int kTarget = 1;  // pasted into the second of three slots

// Two values of one stream type are the same value (only the members the type uses count).
bool sameValue(AEGP_StreamType type, const AEGP_StreamVal& a, const AEGP_StreamVal& b) {
    switch (type) {
        case AEGP_StreamType_COLOR:
            return a.color.alphaF == b.color.alphaF && a.color.redF == b.color.redF &&
                   a.color.greenF == b.color.greenF && a.color.blueF == b.color.blueF;
        case AEGP_StreamType_TwoD:
        case AEGP_StreamType_TwoD_SPATIAL:
            return a.two_d.x == b.two_d.x && a.two_d.y == b.two_d.y;
        case AEGP_StreamType_ThreeD:
        case AEGP_StreamType_ThreeD_SPATIAL:
            return a.three_d.x == b.three_d.x && a.three_d.y == b.three_d.y && a.three_d.z == b.three_d.z;
        case AEGP_StreamType_LAYER_ID: return a.layer_id == b.layer_id;
        case AEGP_StreamType_OneD: return a.one_d.value == b.one_d.value;
        default: return true;  // no value to compare
    }
}

void putOnClipboard(const uint8_t* data, size_t size) {
    std::ofstream out(g_store, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    fuzz::require(out.good(), "cannot write the clipboard store " + g_store);
}

// The slot types of the stored sequence data (11 slots of type and layer id).
std::vector<int32_t> slotTypes(const host::SavedProject& project) {
    std::vector<int32_t> types(11, 0);
    for (size_t slot = 0; slot < 11 && project.sequenceData.size() >= (slot + 1) * 8; ++slot)
        std::memcpy(&types[slot], &project.sequenceData[slot * 8], 4);
    return types;
}

// Adds a primitive in the next slot and gives it the type (1 .. 14), as a person does in the panel.
void addPrimitive(int slot, int type) {
    fuzz::require(host::clickButton(*g_host, ParamID::AddPrimitive) == PF_Err_NONE, "Add failed");
    AEGP_StreamVal value{};
    value.one_d.value = type;
    fuzz::require(host::changeParam(*g_host, getIndexForUserParam(slot, PrimitiveParamType::Type), value) ==
                      PF_Err_NONE,
                  "setting a slot's type failed");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    // The clipboard store goes in a runtime folder of the run's own, never the user's.
    const std::string runtime = std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp") + "/runtime";
    std::error_code ignored;
    std::filesystem::create_directories(runtime, ignored);
    chmod(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    g_store = runtime + "/" + kPrimitiveClipboardType;

    g_host = fuzz::loadedHost();
    fuzz::require(g_host->command(PF_Cmd_GLOBAL_SETUP) == PF_Err_NONE, "global set-up failed");
    fuzz::require(g_host->command(PF_Cmd_PARAMS_SETUP) == PF_Err_NONE, "params set-up failed");
    fuzz::require(g_host->command(PF_Cmd_SEQUENCE_SETUP) == PF_Err_NONE, "sequence set-up failed");
    addPrimitive(0, 1);  // Sphere
    addPrimitive(1, 4);  // Torus, the target: a pasted Box changes its type
    addPrimitive(2, 5);  // Capsule
    fuzz::require(g_host->saveProject(&g_start) == PF_Err_NONE, "saving the start failed");
    g_handles = g_host->handles().live();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::require(g_host->reopenProject(g_start) == PF_Err_NONE, "reopening the start failed");
    putOnClipboard(data, size);
    const std::vector<host::Stream> before = g_host->project().streams;

    host::ActionReport report;
    std::string error;
    const PF_Err err = host::clickStripButton(*g_host, kTarget, host::StripButton::Paste, &report, &error);
    fuzz::require(err == PF_Err_NONE, "the paste failed with " + std::to_string(err) + " " + error);
    fuzz::require(report.undoGroups.size() <= 1, "a paste opened more than one undo group");

    host::SavedProject after;
    fuzz::require(g_host->saveProject(&after) == PF_Err_NONE, "saving failed");
    const std::vector<int32_t> typesBefore = slotTypes(g_start), typesAfter = slotTypes(after);
    const std::vector<host::Stream>& streams = g_host->project().streams;

    // What the module was to do with these bytes: paste the whole plan or nothing. (An empty store
    // leaves the button greyed out, which is nothing too.)
    const PastePlan plan = checkPastedRecords(data, size, kTarget);
    std::set<int> pasted;
    if (plan.accepted() && size >= kClipboardRecordSize) {
        // A payload may hold several records for one parameter: the last one written stays.
        std::map<int, AEGP_StreamVal> last;
        for (const PastedValue& v : plan.values) last[v.index] = v.value;
        for (const auto& [index, value] : last) {
            pasted.insert(index);
            const host::Stream& s = streams[index];
            fuzz::require(sameValue(s.type, s.value, value),
                          "parameter " + std::to_string(index) + " does not hold its pasted value");
        }
        if (plan.type)
            fuzz::require(typesAfter[kTarget] == plan.type, "the slot did not take the pasted type");
    } else {
        fuzz::require(typesAfter == typesBefore, "a refused paste changed a slot's type");
    }
    for (size_t i = 0; i < streams.size(); ++i) {
        if (pasted.count((int)i)) continue;
        fuzz::require(sameValue(streams[i].type, streams[i].value, before[i].value),
                      "parameter " + std::to_string(i) + " changed though nothing was pasted into it");
    }
    for (int slot = 0; slot < 11; ++slot)
        if (slot != kTarget)
            fuzz::require(typesAfter[slot] == typesBefore[slot], "slot " + std::to_string(slot) + " changed type");

    fuzz::require(g_host->handles().live() == g_handles, "handles leaked");
    fuzz::require(g_host->handles().openLocks() == 0, "a handle was left locked");
    fuzz::require(g_host->suites().balanced(), "suites unbalanced: " + g_host->suites().imbalance());
    return 0;
}
