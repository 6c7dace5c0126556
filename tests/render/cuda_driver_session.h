// cuda_driver_session.h — the CUDA driver as a test drives it directly: loaded by the system's search
// (the stand-in where LD_LIBRARY_PATH names its folder, the real driver on a GPU machine), device 0's
// primary context current for the session, device memory in and out.
#ifndef MORPHALITH_TESTS_RENDER_CUDA_DRIVER_SESSION_H
#define MORPHALITH_TESTS_RENDER_CUDA_DRIVER_SESSION_H

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "render/cuda/CudaApi.h"

namespace mrph_test {

class CudaDriverSession {
public:
    CudaDriverSession() {
        driver_ = CudaDriver::load(CudaDriver::kLibrary, &error_);
        if (!driver_) return;
        const CudaApi& a = api();
        CUresult err = a.deviceGet(&device_, 0);
        if (err == CUDA_SUCCESS) err = a.primaryCtxRetain(&context_, device_);
        if (err == CUDA_SUCCESS) {
            retained_ = true;
            err = a.ctxPushCurrent(context_);
        }
        pushed_ = err == CUDA_SUCCESS;
        if (!pushed_) error_ = driver_->errorText(err);
    }
    ~CudaDriverSession() {
        for (CUdeviceptr p : allocations_) api().memFree(p);
        CUcontext popped = nullptr;
        if (pushed_) api().ctxPopCurrent(&popped);
        if (retained_) api().primaryCtxRelease(device_);
    }
    CudaDriverSession(const CudaDriverSession&) = delete;
    CudaDriverSession& operator=(const CudaDriverSession&) = delete;

    // False, with error(), when there is no driver or device 0 cannot be made current.
    bool ok() const { return pushed_; }
    const std::string& error() const { return error_; }
    const CudaApi& api() const { return driver_->api(); }
    const CudaDriver& driver() const { return *driver_; }
    CUcontext context() const { return context_; }

    // Device memory freed with the session; 0 on failure.
    CUdeviceptr allocate(size_t bytes) {
        CUdeviceptr p = 0;
        if (api().memAlloc(&p, bytes) != CUDA_SUCCESS) return 0;
        allocations_.push_back(p);
        return p;
    }
    CUdeviceptr upload(const void* bytes, size_t size) {
        const CUdeviceptr p = allocate(size);
        if (p && api().memcpyHtoD(p, bytes, size) != CUDA_SUCCESS) return 0;
        return p;
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
    CUdevice device_ = 0;
    CUcontext context_ = nullptr;
    bool retained_ = false, pushed_ = false;
    std::vector<CUdeviceptr> allocations_;
};

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_CUDA_DRIVER_SESSION_H
