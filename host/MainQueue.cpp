#include "host/MainQueue.h"

#if !defined(_WIN32)
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace host {

namespace {

bool onMainThread() {
#if defined(_WIN32)
    return false;  // the Windows module has no main queue
#else
    return syscall(SYS_gettid) == getpid();
#endif
}

}  // namespace

void MainQueue::attach(const PluginModule& module) {
    run_ = reinterpret_cast<int (*)()>(module.symbol("MacStandInRunMainQueue"));
}

int MainQueue::run() const {
    if (!run_ || !onMainThread()) return 0;
    return run_();
}

}  // namespace host
