#include "host/CudaDevice.h"

#include <atomic>
#include <mutex>

#if defined(MRPH_HAVE_CUDA)
#include <cuda_runtime_api.h>
#endif

namespace host {

namespace {

std::string g_error;
std::atomic<bool> g_started{false};

}  // namespace

bool CudaDevice::started() { return g_started.load(); }

const std::string& CudaDevice::error() { return g_error; }

#if defined(MRPH_HAVE_CUDA)

namespace {

// The runtime keeps the last error for the next caller; the host reports its own and clears it.
bool ok(cudaError_t err) {
    if (err == cudaSuccess) return true;
    cudaGetLastError();
    return false;
}

}  // namespace

CudaDevice* CudaDevice::get() {
    static std::once_flag once;
    static CudaDevice* device = nullptr;
    std::call_once(once, [] {
        g_started = true;
        int count = 0;
        const cudaError_t err = cudaGetDeviceCount(&count);
        if (err != cudaSuccess) {
            g_error = cudaGetErrorString(err);
            cudaGetLastError();
        } else if (count == 0) {
            g_error = "the CUDA runtime found no device";
        } else {
            device = new CudaDevice();
            device->count_ = count;
        }
    });
    return device;
}

std::string CudaDevice::name(int index) const {
    cudaDeviceProp props{};
    if (!ok(cudaGetDeviceProperties(&props, index))) return "";
    return props.name;
}

void* CudaDevice::allocate(size_t bytes) {
    void* memory = nullptr;
    if (!get() || !ok(cudaSetDevice(0)) || !ok(cudaMalloc(&memory, bytes))) return nullptr;
    if (!ok(cudaMemset(memory, 0, bytes))) {
        cudaFree(memory);
        return nullptr;
    }
    return memory;
}

void CudaDevice::release(void* memory) {
    if (memory) ok(cudaFree(memory));
}

bool CudaDevice::upload(void* device, size_t devicePitch, const void* hostData, size_t hostPitch,
                        size_t widthBytes, size_t rows) {
    return ok(cudaMemcpy2D(device, devicePitch, hostData, hostPitch, widthBytes, rows, cudaMemcpyHostToDevice));
}

bool CudaDevice::download(void* hostData, size_t hostPitch, const void* device, size_t devicePitch,
                          size_t widthBytes, size_t rows) {
    return ok(cudaMemcpy2D(hostData, hostPitch, device, devicePitch, widthBytes, rows, cudaMemcpyDeviceToHost));
}

bool CudaDevice::synchronize() { return ok(cudaDeviceSynchronize()); }

#else  // built without CUDA

CudaDevice* CudaDevice::get() {
    g_started = true;
    g_error = "this build has no CUDA (configured without nvcc, or with MRPH_WITH_CUDA=OFF)";
    return nullptr;
}

std::string CudaDevice::name(int) const { return ""; }
void* CudaDevice::allocate(size_t) { return nullptr; }
void CudaDevice::release(void*) {}
bool CudaDevice::upload(void*, size_t, const void*, size_t, size_t, size_t) { return false; }
bool CudaDevice::download(void*, size_t, const void*, size_t, size_t, size_t) { return false; }
bool CudaDevice::synchronize() { return false; }

#endif

}  // namespace host
