// CudaCache.h — what the CUDA render path keeps between frames, as a member of GlobalData's
// environment cache: the driver library, the kernel loaded into each context a frame used, and the
// environment map as a CUDA array.
//
// Nothing of it is made before a CUDA device is set up or a CUDA frame arrives, so a machine that never
// renders through CUDA never loads the driver. Global set-down gives all of it back. It is read and
// written only while GlobalData's envTextureLock is held.
#ifndef MORPHALITH_RENDER_CUDA_CUDA_CACHE_H
#define MORPHALITH_RENDER_CUDA_CUDA_CACHE_H

#include <memory>
#include <vector>

#include "render/cuda/CudaApi.h"

// The kernel image loaded into one context. A device's primary context is retained for as long as it is
// listed here, so that what the cache holds in it outlives the frames between which nobody else holds
// the context.
struct CudaContextKernel {
    CUcontext context;
    CUdevice device;       // the primary context's device; unused for a context the host gave
    bool retainedPrimary;  // released at global set-down
    CUmodule module;
    CUfunction function;  // MainKernel
};

// What a CUDA environment array holds: one effect instance's environment layer at one time and size,
// in one context.
struct CudaArrayKey {
    CUcontext context;
    const void* instance;  // in_data->effect_ref
    int layerId;           // the environment layer of the frame that made the array
    int time;              // in_data->current_time
    int width;
    int height;

    bool operator==(const CudaArrayKey&) const = default;
};

struct CudaCache {
    std::unique_ptr<CudaDriver> driver;
    std::vector<CudaContextKernel> kernels;
    CUarray array = nullptr;  // the environment map, four floats a texel; null when none
    CudaArrayKey key{};       // what `array` holds; all zero when there is no array
};

// For global set-down: the array freed and every module unloaded in its own context, the retained
// primary contexts released, the driver unloaded. Failures are not reported (there is nobody left to
// tell); the calling thread's current context is left as it was.
void ReleaseCudaCache(CudaCache* cache);

#endif  // MORPHALITH_RENDER_CUDA_CUDA_CACHE_H
