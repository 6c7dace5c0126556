#include "render/cuda/CudaApi.h"

#include <atomic>

namespace {

// The runtime declares some of these with default arguments or as overloads; plain functions of the
// table's exact types keep it one pointer per call.
cudaError_t SetDevice(int device) { return cudaSetDevice(device); }
cudaError_t Malloc(void** devPtr, size_t size) { return cudaMalloc(devPtr, size); }
cudaError_t Free(void* devPtr) { return cudaFree(devPtr); }
cudaError_t Memcpy(void* dst, const void* src, size_t count, cudaMemcpyKind kind) {
    return cudaMemcpy(dst, src, count, kind);
}
cudaChannelFormatDesc CreateChannelDesc(int x, int y, int z, int w, cudaChannelFormatKind kind) {
    return cudaCreateChannelDesc(x, y, z, w, kind);
}
cudaError_t MallocArray(cudaArray_t* array, const cudaChannelFormatDesc* desc, size_t width, size_t height,
                        unsigned int flags) {
    return cudaMallocArray(array, desc, width, height, flags);
}
cudaError_t Memcpy2DToArray(cudaArray_t dst, size_t wOffset, size_t hOffset, const void* src, size_t spitch,
                            size_t width, size_t height, cudaMemcpyKind kind) {
    return cudaMemcpy2DToArray(dst, wOffset, hOffset, src, spitch, width, height, kind);
}
cudaError_t FreeArray(cudaArray_t array) { return cudaFreeArray(array); }
cudaError_t CreateTextureObject(cudaTextureObject_t* texture, const cudaResourceDesc* resource,
                                const cudaTextureDesc* desc, const cudaResourceViewDesc* view) {
    return cudaCreateTextureObject(texture, resource, desc, view);
}
cudaError_t DestroyTextureObject(cudaTextureObject_t texture) { return cudaDestroyTextureObject(texture); }
cudaError_t LaunchKernel(const void* function, dim3 grid, dim3 block, void** args, size_t sharedMem,
                         cudaStream_t stream) {
    return cudaLaunchKernel(function, grid, block, args, sharedMem, stream);
}
cudaError_t DeviceSynchronize() { return cudaDeviceSynchronize(); }
cudaError_t GetLastError() { return cudaGetLastError(); }
const char* GetErrorString(cudaError_t error) { return cudaGetErrorString(error); }

const CudaApi kRuntime = {SetDevice,       Malloc,      Free,         Memcpy,
                          CreateChannelDesc, MallocArray, Memcpy2DToArray, FreeArray,
                          CreateTextureObject, DestroyTextureObject, LaunchKernel, DeviceSynchronize,
                          GetLastError,    GetErrorString};

std::atomic<const CudaApi*> g_api{nullptr};

}  // namespace

const CudaApi& cudaRuntimeApi() { return kRuntime; }

const CudaApi& cudaApi() {
    const CudaApi* api = g_api.load(std::memory_order_acquire);
    return api ? *api : kRuntime;
}

void setCudaApi(const CudaApi* api) { g_api.store(api, std::memory_order_release); }
