// CudaApi.h — the CUDA driver as the render path calls it: one table of entry points, found at run time
// in the system's driver library.
//
// The module links no CUDA library. The driver comes with the NVIDIA display driver on every machine
// that can run CUDA (libcuda.so.1, nvcuda.dll), so it is looked up by that name through the system's
// normal search when CUDA is first asked for; a machine without it loads the module and renders
// through OpenCL. Entry points are resolved by the names the driver exports, which are those cuda.h's
// macros give (cuMemAlloc is cuMemAlloc_v2).
#ifndef MORPHALITH_RENDER_CUDA_CUDA_API_H
#define MORPHALITH_RENDER_CUDA_CUDA_API_H

#include <cuda.h>

#include <memory>
#include <string>

struct CudaApi {
    decltype(&::cuInit) init;
    decltype(&::cuDeviceGet) deviceGet;
    decltype(&::cuDevicePrimaryCtxRetain) primaryCtxRetain;
    decltype(&::cuDevicePrimaryCtxRelease) primaryCtxRelease;
    decltype(&::cuCtxPushCurrent) ctxPushCurrent;
    decltype(&::cuCtxPopCurrent) ctxPopCurrent;
    decltype(&::cuModuleLoadData) moduleLoadData;
    decltype(&::cuModuleUnload) moduleUnload;
    decltype(&::cuModuleGetFunction) moduleGetFunction;
    decltype(&::cuMemAlloc) memAlloc;
    decltype(&::cuMemFree) memFree;
    decltype(&::cuMemcpyHtoD) memcpyHtoD;
    decltype(&::cuArrayCreate) arrayCreate;
    decltype(&::cuArrayDestroy) arrayDestroy;
    decltype(&::cuMemcpy2D) memcpy2D;
    decltype(&::cuTexObjectCreate) texObjectCreate;
    decltype(&::cuTexObjectDestroy) texObjectDestroy;
    decltype(&::cuLaunchKernel) launchKernel;
    decltype(&::cuCtxSynchronize) ctxSynchronize;
    decltype(&::cuGetErrorString) getErrorString;
};

// The driver library, loaded and started. Unloaded by its destructor.
class CudaDriver {
public:
    // The name the system's search finds the driver by: "libcuda.so.1", or "nvcuda.dll" on Windows.
    static const char* const kLibrary;

    // Loads `library`, resolves every entry point of CudaApi and starts the driver (cuInit). Null, and
    // *why set to a sentence for the user, when the library cannot be loaded, lacks an entry point (a
    // driver older than the module needs) or does not start (no device, say).
    static std::unique_ptr<CudaDriver> load(const char* library, std::string* why);

    ~CudaDriver();
    CudaDriver(const CudaDriver&) = delete;
    CudaDriver& operator=(const CudaDriver&) = delete;

    const CudaApi& api() const { return api_; }

    // The driver's text for an error ("out of memory"), or "CUDA error N" for a code it has no text for.
    std::string errorText(CUresult error) const;

private:
    CudaDriver() = default;
    void* library_ = nullptr;
    CudaApi api_{};
};

#endif  // MORPHALITH_RENDER_CUDA_CUDA_API_H
