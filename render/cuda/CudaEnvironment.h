// CudaEnvironment.h — the environment map kept on a CUDA device between frames, as GlobalData's
// environment cache holds it in a build with CUDA.
//
// The array carries the key of what it was made from. The cache's shared key (width, height, time,
// layer, changed flag) is renewed by frames of every framework, so it cannot tell whether the array
// is current: an OpenCL frame may renew it without touching the array.
#ifndef MORPHALITH_RENDER_CUDA_CUDA_ENVIRONMENT_H
#define MORPHALITH_RENDER_CUDA_CUDA_ENVIRONMENT_H

#include <cuda_runtime_api.h>

// What a CUDA environment array holds: the environment layer of one effect instance at one time and
// size, on one device.
struct CudaArrayKey {
    int device;            // the host's device_index
    const void* instance;  // the effect instance (in_data->effect_ref)
    int layerId;           // the environment layer the panel picked
    int time;              // in_data->current_time
    int width;
    int height;

    bool operator==(const CudaArrayKey&) const = default;
};

struct CudaEnvironment {
    cudaArray_t array;             // the environment map, four floats per texel; null when none
    cudaChannelFormatDesc format;  // the array's channel format
    CudaArrayKey key;              // what `array` holds; all zero when there is no array

    CudaEnvironment() : array(nullptr), format{0, 0, 0, 0, cudaChannelFormatKindSigned}, key{} {}
};

// Frees the array on its own device, when there is one (nothing is called otherwise, so a machine that
// never rendered through CUDA never starts the runtime), and leaves the record empty. For global
// set-down: the result is not reported, and the runtime's error state is cleared.
void ReleaseCudaEnvironment(CudaEnvironment* environment);

#endif  // MORPHALITH_RENDER_CUDA_CUDA_ENVIRONMENT_H
