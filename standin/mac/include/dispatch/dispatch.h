// dispatch/dispatch.h — the macOS stand-in's main dispatch queue: the part of libdispatch the macOS
// bodies call (Debian 12 packages no libdispatch).
//
// A block given to the main queue is copied and runs later, in the order given, when the
// application's run loop drains the queue on the main thread: MacStandIn.h's runMainQueue, which the
// stand-in host calls after every command, as a host application's run loop runs the queue between
// events. The caller goes on at once.
#ifndef MORPHALITH_STANDIN_MAC_DISPATCH_H
#define MORPHALITH_STANDIN_MAC_DISPATCH_H

#include "MacStandInApi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mrph_dispatch_queue* dispatch_queue_t;
typedef void (^dispatch_block_t)(void);

// The process's main queue.
MAC_STANDIN_API dispatch_queue_t dispatch_get_main_queue(void);

// Copies the block onto the queue and returns. From any thread.
MAC_STANDIN_API void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);

#ifdef __cplusplus
}
#endif

#endif  // MORPHALITH_STANDIN_MAC_DISPATCH_H
