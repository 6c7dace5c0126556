#include "host/MainQueue.h"

namespace host {

void MainQueue::attach(const PluginModule& module) {
    run_ = reinterpret_cast<int (*)()>(module.symbol("MacStandInRunMainQueue"));
}

// The queue runs only on the process's main thread, as a run loop does, and answers 0 elsewhere.
int MainQueue::run() const { return run_ ? run_() : 0; }

}  // namespace host
