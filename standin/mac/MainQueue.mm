// MainQueue.mm — the main dispatch queue and its run on the main thread.
#import <AppKit/AppKit.h>

#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "MacStandIn.h"
#include "dispatch/dispatch.h"

struct mrph_dispatch_queue {
    std::mutex lock;
    std::deque<dispatch_block_t> blocks;  // heap copies, released once run
};

namespace {

// GNUstep-base carries a blocks runtime of its own, written for an older block layout: it takes a
// block that clang made on the stack for one that needs no copy, and hands the stack block back. It
// comes first in the process, so its _Block_copy is the one a plain call reaches; the queue copies and
// releases its blocks through libBlocksRuntime's own functions.
struct BlocksRuntime {
    void* (*copy)(const void*);
    void (*release)(const void*);
};

const BlocksRuntime& blocksRuntime() {
    static const BlocksRuntime runtime = [] {
        BlocksRuntime found{};
        if (void* library = dlopen("libBlocksRuntime.so.0", RTLD_NOW)) {  // already loaded: linked in
            found.copy = reinterpret_cast<void* (*)(const void*)>(dlsym(library, "_Block_copy"));
            found.release = reinterpret_cast<void (*)(const void*)>(dlsym(library, "_Block_release"));
        }
        if (!found.copy || !found.release) {
            std::fprintf(stderr, "macOS stand-in: libBlocksRuntime's _Block_copy and _Block_release not found\n");
            std::abort();
        }
        return found;
    }();
    return runtime;
}

mrph_dispatch_queue& mainQueue() {
    static mrph_dispatch_queue* queue = new mrph_dispatch_queue;  // outlives every static destructor
    return *queue;
}

bool onMainThread() { return syscall(SYS_gettid) == getpid(); }

// The application a host has. Without a window server GNUstep cannot make one; the blocks then run
// without it, and what they ask of AppKit fails as it would.
void makeApplication() {
    static bool tried = false;
    if (tried) return;
    tried = true;
    @try {
        [NSApplication sharedApplication];
    } @catch (NSException* e) {
        std::fprintf(stderr, "macOS stand-in: the main queue runs without an application: %s\n",
                     [[e reason] UTF8String] ? [[e reason] UTF8String] : "no reason given");
    }
}

dispatch_block_t takeOldest() {
    mrph_dispatch_queue& queue = mainQueue();
    std::lock_guard<std::mutex> guard(queue.lock);
    if (queue.blocks.empty()) return nullptr;
    dispatch_block_t block = queue.blocks.front();
    queue.blocks.pop_front();
    return block;
}

}  // namespace

dispatch_queue_t dispatch_get_main_queue(void) { return &mainQueue(); }

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block) {
    if (queue != &mainQueue() || !block) {
        std::fprintf(stderr, "macOS stand-in: dispatch_async on a queue other than the main queue\n");
        return;
    }
    auto copy = reinterpret_cast<dispatch_block_t>(blocksRuntime().copy(reinterpret_cast<const void*>(block)));
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->blocks.push_back(copy);
}

namespace MacStandIn {

int runMainQueue() {
    if (!onMainThread()) return 0;
    makeApplication();
    int ran = 0;
    while (dispatch_block_t block = takeOldest()) {
        @autoreleasepool {
            block();
        }
        blocksRuntime().release(reinterpret_cast<const void*>(block));
        ran += 1;
    }
    return ran;
}

int mainQueueLength() {
    mrph_dispatch_queue& queue = mainQueue();
    std::lock_guard<std::mutex> guard(queue.lock);
    return static_cast<int>(queue.blocks.size());
}

}  // namespace MacStandIn

int MacStandInRunMainQueue(void) { return MacStandIn::runMainQueue(); }
