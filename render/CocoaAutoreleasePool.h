// CocoaAutoreleasePool.h — the Cocoa autorelease pool of a Metal sequence (ScopedAutoreleasePool,
// MetalRender.h).
//
// On a Mac the Metal objects are Cocoa objects and one pool holds both. Here the Metal stand-in keeps
// pools of its own, so the macOS bodies open a Foundation pool beside the stand-in's for the Cocoa
// objects the sequence autoreleases (platform/mac/CocoaAutoreleasePool_Mac.mm); the Linux build has no
// Cocoa, and the pool is nothing.
#ifndef MORPHALITH_RENDER_COCOA_AUTORELEASE_POOL_H
#define MORPHALITH_RENDER_COCOA_AUTORELEASE_POOL_H

class CocoaAutoreleasePool {
public:
#if defined(MRPH_PLATFORM_MAC)
    CocoaAutoreleasePool();
    ~CocoaAutoreleasePool();

private:
    void* pool_;
#else
    CocoaAutoreleasePool() = default;
#endif
public:
    CocoaAutoreleasePool(const CocoaAutoreleasePool&) = delete;
    CocoaAutoreleasePool& operator=(const CocoaAutoreleasePool&) = delete;
};

#endif  // MORPHALITH_RENDER_COCOA_AUTORELEASE_POOL_H
