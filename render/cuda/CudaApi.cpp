#include "render/cuda/CudaApi.h"

#include <type_traits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// The exported name of an entry point: cuda.h turns most names into versioned ones by macros, so the
// name is taken after expansion.
#define MRPH_CU_NAME_TEXT(name) #name
#define MRPH_CU_NAME(name) MRPH_CU_NAME_TEXT(name)

void* openLibrary(const char* name, std::string* why) {
#if defined(_WIN32)
    // The driver lives in System32; the application's own folder is searched first, but never the
    // current folder or PATH, where anybody's nvcuda.dll could stand.
    HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) *why = "Windows error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(library);
#else
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* text = dlerror();
        *why = text ? text : "not found";
    }
    return library;
#endif
}

void closeLibrary(void* library) {
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

void* findSymbol(void* library, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

}  // namespace

#if defined(_WIN32)
const char* const CudaDriver::kLibrary = "nvcuda.dll";
#else
const char* const CudaDriver::kLibrary = "libcuda.so.1";
#endif

std::unique_ptr<CudaDriver> CudaDriver::load(const char* library, std::string* why) {
    std::string reason;
    void* handle = openLibrary(library, &reason);
    if (!handle) {
        *why = std::string("the CUDA driver (") + library + ") could not be loaded: " + reason;
        return nullptr;
    }
    std::unique_ptr<CudaDriver> driver(new CudaDriver());
    driver->library_ = handle;

    const char* missing = nullptr;
    auto resolve = [&](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(findSymbol(handle, name));
        if (!entry && !missing) missing = name;
    };
    CudaApi& api = driver->api_;
    resolve(api.init, MRPH_CU_NAME(cuInit));
    resolve(api.deviceGet, MRPH_CU_NAME(cuDeviceGet));
    resolve(api.primaryCtxRetain, MRPH_CU_NAME(cuDevicePrimaryCtxRetain));
    resolve(api.primaryCtxRelease, MRPH_CU_NAME(cuDevicePrimaryCtxRelease));
    resolve(api.ctxPushCurrent, MRPH_CU_NAME(cuCtxPushCurrent));
    resolve(api.ctxPopCurrent, MRPH_CU_NAME(cuCtxPopCurrent));
    resolve(api.moduleLoadData, MRPH_CU_NAME(cuModuleLoadData));
    resolve(api.moduleUnload, MRPH_CU_NAME(cuModuleUnload));
    resolve(api.moduleGetFunction, MRPH_CU_NAME(cuModuleGetFunction));
    resolve(api.memAlloc, MRPH_CU_NAME(cuMemAlloc));
    resolve(api.memFree, MRPH_CU_NAME(cuMemFree));
    resolve(api.memcpyHtoD, MRPH_CU_NAME(cuMemcpyHtoD));
    resolve(api.arrayCreate, MRPH_CU_NAME(cuArrayCreate));
    resolve(api.arrayDestroy, MRPH_CU_NAME(cuArrayDestroy));
    resolve(api.memcpy2D, MRPH_CU_NAME(cuMemcpy2D));
    resolve(api.texObjectCreate, MRPH_CU_NAME(cuTexObjectCreate));
    resolve(api.texObjectDestroy, MRPH_CU_NAME(cuTexObjectDestroy));
    resolve(api.launchKernel, MRPH_CU_NAME(cuLaunchKernel));
    resolve(api.ctxSynchronize, MRPH_CU_NAME(cuCtxSynchronize));
    resolve(api.getErrorString, MRPH_CU_NAME(cuGetErrorString));
    if (missing) {
        *why = std::string("the CUDA driver (") + library + ") has no " + missing +
               ": it is older than this effect needs; update the NVIDIA driver";
        return nullptr;
    }

    const CUresult started = api.init(0);
    if (started != CUDA_SUCCESS) {
        *why = "the CUDA driver did not start: " + driver->errorText(started);
        return nullptr;
    }
    return driver;
}

CudaDriver::~CudaDriver() {
    if (library_) closeLibrary(library_);
}

std::string CudaDriver::errorText(CUresult error) const {
    const char* text = nullptr;
    if (api_.getErrorString && api_.getErrorString(error, &text) == CUDA_SUCCESS && text) return text;
    return "CUDA error " + std::to_string((int)error);
}
