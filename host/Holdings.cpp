#include "host/Holdings.h"

namespace host {

Holdings& threadHoldings() {
    thread_local Holdings holdings;
    return holdings;
}

namespace {

void note(int delta, const char* one, const char* many, const char* taken, const char* givenBack, std::string* out) {
    if (delta == 0) return;
    const int n = delta > 0 ? delta : -delta;
    if (!out->empty()) *out += ", ";
    *out += std::to_string(n) + " " + (n == 1 ? one : many) + " " + (delta > 0 ? taken : givenBack);
}

}  // namespace

std::string describeImbalance(const Holdings& before, const Holdings& after) {
    std::string out;
    note(after.suites - before.suites, "suite", "suites", "acquired and not released", "released more than acquired",
         &out);
    note(after.handleLocks - before.handleLocks, "handle lock", "handle locks", "not unlocked",
         "unlocked more than locked", &out);
    note(after.paramCheckouts - before.paramCheckouts, "parameter", "parameters", "checked out and not checked in",
         "checked in more than checked out", &out);
    note(after.pixelCheckouts - before.pixelCheckouts, "layer's pixels", "layers' pixels",
         "checked out and not checked in", "checked in more than checked out", &out);
    note(after.effectRefs - before.effectRefs, "effect reference", "effect references", "not disposed",
         "disposed more than made", &out);
    note(after.streamRefs - before.streamRefs, "stream reference", "stream references", "not disposed",
         "disposed more than made", &out);
    note(after.streamValues - before.streamValues, "stream value", "stream values", "not disposed",
         "disposed more than made", &out);
    note(after.undoGroups - before.undoGroups, "undo group", "undo groups", "not ended", "ended more than started",
         &out);
    return out;
}

}  // namespace host
