// cuda_driver_session.h — the CUDA driver as a test drives it directly: loaded by the system's search
// (the stand-in where LD_LIBRARY_PATH names its folder, the real driver on a GPU machine), device 0's
// primary context current for the session, device memory in and out.
#ifndef MORPHALITH_TESTS_RENDER_CUDA_DRIVER_SESSION_H
#define MORPHALITH_TESTS_RENDER_CUDA_DRIVER_SESSION_H

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/cuda/CudaApi.h"

namespace mrph_test {

class CudaDriverSession {
public:
    CudaDriverSession() {
        driver_ = CudaDriver::load(CudaDriver::kLibrary, &error_);
        if (!driver_) return;
        CUcontext first = contextOf(0);
        const CUresult err = first ? api().ctxPushCurrent(first) : CUDA_ERROR_INVALID_CONTEXT;
        pushed_ = err == CUDA_SUCCESS;
        if (!pushed_ && error_.empty()) error_ = driver_->errorText(err);
    }
    ~CudaDriverSession() {
        if (!driver_) return;
        for (const auto& [device, p] : allocations_) {
            if (api().ctxPushCurrent(contextOf(device)) != CUDA_SUCCESS) continue;
            api().memFree(p);
            CUcontext popped = nullptr;
            api().ctxPopCurrent(&popped);
        }
        CUcontext popped = nullptr;
        if (pushed_) api().ctxPopCurrent(&popped);
        for (const Retained& r : contexts_) api().primaryCtxRelease(r.device);
    }
    CudaDriverSession(const CudaDriverSession&) = delete;
    CudaDriverSession& operator=(const CudaDriverSession&) = delete;

    // False, with error(), when there is no driver or device 0 cannot be made current.
    bool ok() const { return pushed_; }
    const std::string& error() const { return error_; }
    const CudaApi& api() const { return driver_->api(); }
    const CudaDriver& driver() const { return *driver_; }
    // Device 0's primary context, current on the constructing thread for the session.
    CUcontext context() { return contextOf(0); }

    // The device's primary context, retained for the session; null when it cannot be had.
    CUcontext contextOf(int device) {
        for (const Retained& r : contexts_)
            if (r.ordinal == device) return r.context;
        CUdevice handle = 0;
        CUcontext context = nullptr;
        CUresult err = api().deviceGet(&handle, device);
        if (err == CUDA_SUCCESS) err = api().primaryCtxRetain(&context, handle);
        if (err != CUDA_SUCCESS) {
            error_ = driver_->errorText(err);
            return nullptr;
        }
        contexts_.push_back({device, handle, context});
        return context;
    }

    // The calling thread's current context, asked of the loaded driver (the module's table has no need
    // of this call); reinterpret_cast<CUcontext>(-1) when the driver cannot tell.
    static CUcontext currentContext() {
#if defined(_WIN32)
        void* entry = reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA(CudaDriver::kLibrary), "cuCtxGetCurrent"));
#else
        void* library = dlopen(CudaDriver::kLibrary, RTLD_NOW | RTLD_NOLOAD);
        void* entry = library ? dlsym(library, "cuCtxGetCurrent") : nullptr;
        if (library) dlclose(library);
#endif
        CUresult (*get)(CUcontext*) = nullptr;
        std::memcpy(&get, &entry, sizeof(entry));
        CUcontext context = reinterpret_cast<CUcontext>(-1);
        if (!get || get(&context) != CUDA_SUCCESS) return reinterpret_cast<CUcontext>(-1);
        return context;
    }

    // Memory on the device holding a copy of `bytes`, freed with the session; 0 on failure.
    CUdeviceptr upload(const void* bytes, size_t size, int device = 0) {
        CUdeviceptr p = 0;
        if (api().ctxPushCurrent(contextOf(device)) != CUDA_SUCCESS) return 0;
        CUresult err = api().memAlloc(&p, size);
        if (err == CUDA_SUCCESS) {
            allocations_.emplace_back(device, p);
            err = api().memcpyHtoD(p, bytes, size);
        }
        CUcontext popped = nullptr;
        api().ctxPopCurrent(&popped);
        return err == CUDA_SUCCESS ? p : 0;
    }
    // `size` bytes of device memory back into host memory, through a 2-D copy of one row.
    bool download(void* bytes, CUdeviceptr from, size_t size) const {
        CUDA_MEMCPY2D copy;
        std::memset(&copy, 0, sizeof(copy));
        copy.srcMemoryType = CU_MEMORYTYPE_DEVICE;
        copy.srcDevice = from;
        copy.srcPitch = size;
        copy.dstMemoryType = CU_MEMORYTYPE_HOST;
        copy.dstHost = bytes;
        copy.dstPitch = size;
        copy.WidthInBytes = size;
        copy.Height = 1;
        return api().memcpy2D(&copy) == CUDA_SUCCESS;
    }

private:
    std::unique_ptr<CudaDriver> driver_;
    std::string error_;
    bool pushed_ = false;
    struct Retained {
        int ordinal;
        CUdevice device;
        CUcontext context;
    };
    std::vector<Retained> contexts_;
    std::vector<std::pair<int, CUdeviceptr>> allocations_;
};

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_CUDA_DRIVER_SESSION_H
