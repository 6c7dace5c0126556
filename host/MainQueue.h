// MainQueue.h — the main dispatch queue of a module built with the macOS bodies, run as a host
// application's run loop runs it.
//
// Such a module posts work to the main queue (its debug-text window) and returns; on a Mac the
// application's run loop runs that work between events, on the main thread. The host finds the queue
// in the module's own libraries (the macOS stand-in's MacStandInRunMainQueue), and after every command
// that returns on its main thread it runs what is queued. A module without the macOS bodies has no
// such queue, and nothing happens.
#ifndef MORPHALITH_HOST_MAIN_QUEUE_H
#define MORPHALITH_HOST_MAIN_QUEUE_H

#include "host/PluginModule.h"

namespace host {

class MainQueue {
public:
    // Looks for the queue in the loaded module's libraries; detach() forgets it.
    void attach(const PluginModule& module);
    void detach() { run_ = nullptr; }

    // Runs what is queued, on the process's main thread only; the number of blocks run (0 elsewhere,
    // or without a queue).
    int run() const;

private:
    int (*run_)() = nullptr;
};

}  // namespace host

#endif  // MORPHALITH_HOST_MAIN_QUEUE_H
