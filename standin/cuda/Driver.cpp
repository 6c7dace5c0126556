// Driver.cpp — initialisation, devices, primary contexts and each thread's stack of current contexts.
#include <algorithm>
#include <cstring>

#include "StandInInternal.h"

using namespace cuda_standin;

CUresult CUDAAPI cuInit(unsigned int Flags) {
    Call call(Entry::Init);
    if (CUresult r = call.Injected()) return r;
    if (Flags != 0) return CUDA_ERROR_INVALID_VALUE;
    // A real driver that finds no device fails here and stays uninitialised.
    if (call.state.deviceCount == 0) return CUDA_ERROR_NO_DEVICE;
    call.state.initialised = true;
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuDeviceGetCount(int* count) {
    Call call(Entry::DeviceGetCount);
    if (CUresult r = call.Enter(false)) return r;
    if (count == nullptr) return CUDA_ERROR_INVALID_VALUE;
    *count = call.state.deviceCount;
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuDeviceGet(CUdevice* device, int ordinal) {
    Call call(Entry::DeviceGet);
    if (CUresult r = call.Enter(false)) return r;
    if (device == nullptr) return CUDA_ERROR_INVALID_VALUE;
    if (ordinal < 0 || ordinal >= call.state.deviceCount) return CUDA_ERROR_INVALID_DEVICE;
    *device = ordinal;
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuDeviceGetName(char* name, int len, CUdevice dev) {
    Call call(Entry::DeviceGetName);
    if (CUresult r = call.Enter(false)) return r;
    if (name == nullptr || len <= 0) return CUDA_ERROR_INVALID_VALUE;
    if (dev < 0 || dev >= call.state.deviceCount) return CUDA_ERROR_INVALID_DEVICE;
    const size_t n = std::min(std::strlen(kDeviceName), (size_t)len - 1);
    std::memcpy(name, kDeviceName, n);
    name[n] = '\0';
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuDevicePrimaryCtxRetain(CUcontext* pctx, CUdevice dev) {
    Call call(Entry::DevicePrimaryCtxRetain);
    if (CUresult r = call.Enter(false)) return r;
    if (pctx == nullptr) return CUDA_ERROR_INVALID_VALUE;
    if (dev < 0 || dev >= call.state.deviceCount) return CUDA_ERROR_INVALID_DEVICE;
    PrimaryContext& primary = call.state.primary[dev];
    if (primary.context == 0) {
        primary.context = call.state.NewHandle();
        call.state.contexts[primary.context].device = dev;
    }
    ++primary.references;
    *pctx = ToHandle<CUcontext>(primary.context);
    return CUDA_SUCCESS;
}

// The last release destroys the context with everything made in it; the next retain makes a new one
// under a new handle.
CUresult CUDAAPI cuDevicePrimaryCtxRelease(CUdevice dev) {
    Call call(Entry::DevicePrimaryCtxRelease);
    CUresult result = call.EnterRelease(false);
    if (result == CUDA_SUCCESS) {
        auto it = call.state.primary.find(dev);
        if (dev < 0 || dev >= call.state.deviceCount) {
            result = CUDA_ERROR_INVALID_DEVICE;
        } else if (it == call.state.primary.end() || it->second.references == 0) {
            result = CUDA_ERROR_INVALID_CONTEXT;
        } else if (--it->second.references == 0) {
            call.state.DestroyContext(it->second.context);
            it->second.context = 0;
        }
    }
    return call.Finish(result);
}

CUresult CUDAAPI cuCtxPushCurrent(CUcontext ctx) {
    Call call(Entry::CtxPushCurrent);
    if (CUresult r = call.Enter(false)) return r;
    const uint64_t id = FromHandle(ctx);
    if (call.state.contexts.count(id) == 0) return CUDA_ERROR_INVALID_CONTEXT;
    ThreadContextStack().push_back(id);
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuCtxPopCurrent(CUcontext* pctx) {
    Call call(Entry::CtxPopCurrent);
    CUresult result = call.EnterRelease(false);
    if (result == CUDA_SUCCESS) {
        std::vector<uint64_t>& stack = ThreadContextStack();
        if (stack.empty()) {
            result = CUDA_ERROR_INVALID_CONTEXT;
        } else {
            if (pctx) *pctx = ToHandle<CUcontext>(stack.back());
            stack.pop_back();
        }
    }
    return call.Finish(result);
}

CUresult CUDAAPI cuCtxGetCurrent(CUcontext* pctx) {
    Call call(Entry::CtxGetCurrent);
    if (CUresult r = call.Enter(false)) return r;
    if (pctx == nullptr) return CUDA_ERROR_INVALID_VALUE;
    const std::vector<uint64_t>& stack = ThreadContextStack();
    *pctx = stack.empty() ? nullptr : ToHandle<CUcontext>(stack.back());
    return CUDA_SUCCESS;
}

// Launches run to the end before they return, so there is nothing to wait for: only a fault a launch
// left behind to report.
CUresult CUDAAPI cuCtxSynchronize(void) {
    Call call(Entry::CtxSynchronize);
    if (CUresult r = call.Enter(true)) return r;
    return call.context()->sticky;
}
