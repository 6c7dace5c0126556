#include "host/CudaDevice.h"

#include <atomic>
#include <mutex>

#if defined(MRPH_HAVE_CUDA)
#include <cuda.h>

#include <type_traits>

#include "host/SharedLibrary.h"
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

#if defined(_WIN32)
constexpr const char* kDriverLibrary = "nvcuda.dll";
#else
constexpr const char* kDriverLibrary = "libcuda.so.1";
#endif

// The driver entry points the host calls, by their exported (versioned) names.
struct Driver {
    decltype(&::cuInit) init;
    decltype(&::cuDeviceGetCount) deviceGetCount;
    decltype(&::cuDeviceGet) deviceGet;
    decltype(&::cuDeviceGetName) deviceGetName;
    decltype(&::cuDevicePrimaryCtxRetain) primaryCtxRetain;
    decltype(&::cuCtxPushCurrent) ctxPushCurrent;
    decltype(&::cuCtxPopCurrent) ctxPopCurrent;
    decltype(&::cuMemAlloc) memAlloc;
    decltype(&::cuMemFree) memFree;
    decltype(&::cuMemsetD8) memsetD8;
    decltype(&::cuMemcpy2D) memcpy2D;
    decltype(&::cuCtxSynchronize) ctxSynchronize;
    decltype(&::cuGetErrorString) getErrorString;
};
Driver g_driver{};

#define MRPH_HOST_CU_NAME_TEXT(name) #name
#define MRPH_HOST_CU_NAME(name) MRPH_HOST_CU_NAME_TEXT(name)

// Loads the driver and every entry point; false with g_error set.
bool loadDriver() {
    std::string why;
    void* library = openLibrary(kDriverLibrary, &why);
    if (!library) {
        g_error = std::string("the CUDA driver (") + kDriverLibrary + ") could not be loaded: " + why;
        return false;
    }
    const char* missing = nullptr;
    auto resolve = [&](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(findSymbol(library, name));
        if (!entry && !missing) missing = name;
    };
    resolve(g_driver.init, MRPH_HOST_CU_NAME(cuInit));
    resolve(g_driver.deviceGetCount, MRPH_HOST_CU_NAME(cuDeviceGetCount));
    resolve(g_driver.deviceGet, MRPH_HOST_CU_NAME(cuDeviceGet));
    resolve(g_driver.deviceGetName, MRPH_HOST_CU_NAME(cuDeviceGetName));
    resolve(g_driver.primaryCtxRetain, MRPH_HOST_CU_NAME(cuDevicePrimaryCtxRetain));
    resolve(g_driver.ctxPushCurrent, MRPH_HOST_CU_NAME(cuCtxPushCurrent));
    resolve(g_driver.ctxPopCurrent, MRPH_HOST_CU_NAME(cuCtxPopCurrent));
    resolve(g_driver.memAlloc, MRPH_HOST_CU_NAME(cuMemAlloc));
    resolve(g_driver.memFree, MRPH_HOST_CU_NAME(cuMemFree));
    resolve(g_driver.memsetD8, MRPH_HOST_CU_NAME(cuMemsetD8));
    resolve(g_driver.memcpy2D, MRPH_HOST_CU_NAME(cuMemcpy2D));
    resolve(g_driver.ctxSynchronize, MRPH_HOST_CU_NAME(cuCtxSynchronize));
    resolve(g_driver.getErrorString, MRPH_HOST_CU_NAME(cuGetErrorString));
    if (missing) {
        g_error = std::string("the CUDA driver (") + kDriverLibrary + ") has no " + missing;
        closeLibrary(library);
        return false;
    }
    return true;  // kept for the life of the process, as the OpenCL device is
}

std::string errorText(CUresult err) {
    const char* text = nullptr;
    if (g_driver.getErrorString(err, &text) == CUDA_SUCCESS && text) return text;
    return "CUDA error " + std::to_string((int)err);
}

CUcontext hostContext() { return static_cast<CUcontext>(CudaDevice::get()->context()); }

// Runs `work` with the host's context current on this thread, and the thread's own current again after.
template <typename Work>
bool inHostContext(Work work) {
    if (!CudaDevice::get() || g_driver.ctxPushCurrent(hostContext()) != CUDA_SUCCESS) return false;
    const bool ok = work() == CUDA_SUCCESS;
    CUcontext popped = nullptr;
    return g_driver.ctxPopCurrent(&popped) == CUDA_SUCCESS && ok;
}

CUdeviceptr pointer(const void* memory) { return (CUdeviceptr)(uintptr_t)memory; }

CUDA_MEMCPY2D copyBetween(size_t widthBytes, size_t rows) {
    CUDA_MEMCPY2D copy{};
    copy.WidthInBytes = widthBytes;
    copy.Height = rows;
    return copy;
}

}  // namespace

CudaDevice* CudaDevice::get() {
    static std::once_flag once;
    static CudaDevice* device = nullptr;
    std::call_once(once, [] {
        g_started = true;
        if (!loadDriver()) return;
        int count = 0;
        CUdevice first = 0;
        CUcontext context = nullptr;
        CUresult err = g_driver.init(0);
        if (err == CUDA_SUCCESS) err = g_driver.deviceGetCount(&count);
        if (err == CUDA_SUCCESS && count == 0) {
            g_error = "the CUDA driver found no device";
            return;
        }
        if (err == CUDA_SUCCESS) err = g_driver.deviceGet(&first, 0);
        if (err == CUDA_SUCCESS) err = g_driver.primaryCtxRetain(&context, first);
        if (err != CUDA_SUCCESS) {
            g_error = errorText(err);
            return;
        }
        device = new CudaDevice();
        device->count_ = count;
        device->context_ = context;
    });
    return device;
}

std::string CudaDevice::name(int index) const {
    char text[256] = {};
    CUdevice device = 0;
    if (g_driver.deviceGet(&device, index) != CUDA_SUCCESS ||
        g_driver.deviceGetName(text, (int)sizeof(text) - 1, device) != CUDA_SUCCESS)
        return "";
    return text;
}

void* CudaDevice::allocate(size_t bytes) {
    CUdeviceptr memory = 0;
    const bool ok = inHostContext([&] {
        CUresult err = g_driver.memAlloc(&memory, bytes);
        if (err == CUDA_SUCCESS) err = g_driver.memsetD8(memory, 0, bytes);
        if (err != CUDA_SUCCESS && memory != 0) g_driver.memFree(memory);
        return err;
    });
    return ok ? reinterpret_cast<void*>((uintptr_t)memory) : nullptr;
}

void CudaDevice::release(void* memory) {
    if (memory) inHostContext([&] { return g_driver.memFree(pointer(memory)); });
}

bool CudaDevice::upload(void* device, size_t devicePitch, const void* hostData, size_t hostPitch,
                        size_t widthBytes, size_t rows) {
    CUDA_MEMCPY2D copy = copyBetween(widthBytes, rows);
    copy.srcMemoryType = CU_MEMORYTYPE_HOST;
    copy.srcHost = hostData;
    copy.srcPitch = hostPitch;
    copy.dstMemoryType = CU_MEMORYTYPE_DEVICE;
    copy.dstDevice = pointer(device);
    copy.dstPitch = devicePitch;
    return inHostContext([&] { return g_driver.memcpy2D(&copy); });
}

bool CudaDevice::download(void* hostData, size_t hostPitch, const void* device, size_t devicePitch,
                          size_t widthBytes, size_t rows) {
    CUDA_MEMCPY2D copy = copyBetween(widthBytes, rows);
    copy.srcMemoryType = CU_MEMORYTYPE_DEVICE;
    copy.srcDevice = pointer(device);
    copy.srcPitch = devicePitch;
    copy.dstMemoryType = CU_MEMORYTYPE_HOST;
    copy.dstHost = hostData;
    copy.dstPitch = hostPitch;
    return inHostContext([&] { return g_driver.memcpy2D(&copy); });
}

bool CudaDevice::synchronize() {
    return inHostContext([] { return g_driver.ctxSynchronize(); });
}

#else  // built without CUDA

CudaDevice* CudaDevice::get() {
    g_started = true;
    g_error = "this build has no CUDA (configured without the CUDA toolkit, or with MRPH_WITH_CUDA=OFF)";
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
