// CudaApi.h — the CUDA runtime calls of the render path, as one table of functions.
//
// Every CUDA call the module makes goes through cudaApi(), which is the runtime itself unless a test
// has put another table in its place. A test's table can stand in for a GPU on a machine without one,
// record what the module asked for, and fail any chosen call.
#ifndef MORPHALITH_RENDER_CUDA_CUDA_API_H
#define MORPHALITH_RENDER_CUDA_CUDA_API_H

#include <cuda_runtime_api.h>

struct CudaApi {
    cudaError_t (*setDevice)(int device);
    cudaError_t (*malloc)(void** devPtr, size_t size);
    cudaError_t (*free)(void* devPtr);
    cudaError_t (*memcpy)(void* dst, const void* src, size_t count, cudaMemcpyKind kind);
    cudaChannelFormatDesc (*createChannelDesc)(int x, int y, int z, int w, cudaChannelFormatKind kind);
    cudaError_t (*mallocArray)(cudaArray_t* array, const cudaChannelFormatDesc* desc, size_t width, size_t height,
                               unsigned int flags);
    cudaError_t (*memcpy2DToArray)(cudaArray_t dst, size_t wOffset, size_t hOffset, const void* src, size_t spitch,
                                   size_t width, size_t height, cudaMemcpyKind kind);
    cudaError_t (*freeArray)(cudaArray_t array);
    cudaError_t (*createTextureObject)(cudaTextureObject_t* texture, const cudaResourceDesc* resource,
                                       const cudaTextureDesc* desc, const cudaResourceViewDesc* view);
    cudaError_t (*destroyTextureObject)(cudaTextureObject_t texture);
    cudaError_t (*launchKernel)(const void* function, dim3 grid, dim3 block, void** args, size_t sharedMem,
                                cudaStream_t stream);
    cudaError_t (*deviceSynchronize)();
    cudaError_t (*getLastError)();
    const char* (*getErrorString)(cudaError_t error);
};

// The table the render path calls: the runtime's, or the one a test set.
const CudaApi& cudaApi();
// The CUDA runtime's own functions.
const CudaApi& cudaRuntimeApi();
// Puts `api` in the runtime's place (null: the runtime again). The table must outlive its use.
void setCudaApi(const CudaApi* api);

#endif  // MORPHALITH_RENDER_CUDA_CUDA_API_H
