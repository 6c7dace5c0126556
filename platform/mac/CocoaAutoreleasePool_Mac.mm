// CocoaAutoreleasePool_Mac.mm — the Foundation pool a Metal sequence opens beside the Metal stand-in's.
#import <Foundation/Foundation.h>

#include "CocoaAutoreleasePool.h"

CocoaAutoreleasePool::CocoaAutoreleasePool() : pool_([[NSAutoreleasePool alloc] init]) {}

CocoaAutoreleasePool::~CocoaAutoreleasePool() { [(NSAutoreleasePool*)pool_ drain]; }
