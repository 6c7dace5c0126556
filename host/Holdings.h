// Holdings.h — what one thread holds from the host: suites acquired, handle locks, parameter and
// pixel check-outs, effect, stream and stream-value references, open undo groups.
//
// Each count goes up when the thing is taken and down when it is given back, on the thread that does
// it. A command runs on one thread and must give back there what it took there, so the host compares
// the thread's holdings before and after every command, and render threads running at once do not
// see each other's.
#ifndef MORPHALITH_HOST_HOLDINGS_H
#define MORPHALITH_HOST_HOLDINGS_H

#include <string>

namespace host {

struct Holdings {
    int suites = 0;
    int handleLocks = 0;
    int paramCheckouts = 0;
    int pixelCheckouts = 0;
    int effectRefs = 0;
    int streamRefs = 0;
    int streamValues = 0;
    int undoGroups = 0;
};

// The calling thread's holdings.
Holdings& threadHoldings();

// What `after` holds more (or less) than `before`, e.g. "1 suite acquired and not released, 2 handle
// locks not unlocked"; empty when the two are equal.
std::string describeImbalance(const Holdings& before, const Holdings& after);

}  // namespace host

#endif  // MORPHALITH_HOST_HOLDINGS_H
