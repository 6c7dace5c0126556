// fake_cuda_runtime.h — a CUDA runtime in host memory, put in the render path's place through its
// CudaApi table, so the CUDA branch runs on a machine without a GPU.
//
// It is as strict as the runtime where the module could go wrong: copies must stay inside live
// allocations, objects must be alive when used and freed once. It records every call by name, what
// was launched and copied, and it can fail any chosen call. A failing release still drops its object:
// the module asked for it, which is what the tests check. Calls may come from several threads; a
// kernel counts as running from its launch to the next synchronisation, and an environment array
// made, filled or freed while one runs is counted in arrayChangesUnderAKernel.
#ifndef MORPHALITH_TESTS_RENDER_FAKE_CUDA_RUNTIME_H
#define MORPHALITH_TESTS_RENDER_FAKE_CUDA_RUNTIME_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "Morphalith_Kernel_Data.h"
#include "render/cuda/CudaApi.h"

namespace mrph_test {

// One kernel launch, its arguments decoded in MainKernel's order.
struct FakeLaunch {
    dim3 grid, block;
    size_t sharedMem = 0;
    cudaStream_t stream = nullptr;
    cudaTextureObject_t texture = 0;
    void* output = nullptr;
    void* records[4] = {};                           // primitives, materials, modifiers, lights
    std::vector<unsigned char> recordBytes[4];       // their contents at the launch
    CamData camera;
    RenderData render;
    int pitch = 0, in16f = 0;
    unsigned width = 0, height = 0;
    char useEnvironment = 0;
    int numPrimitives = 0, numLights = 0;
    float time = 0;
};

struct FakeArray {
    cudaChannelFormatDesc format;
    size_t width = 0, height = 0;
    std::vector<unsigned char> texels;  // width * height * 16 bytes, packed rows
};

struct FakeCopy2D {
    cudaArray_t array;
    const void* source;
    size_t spitch, width, height;
    cudaMemcpyKind kind;
};

class FakeCudaRuntime {
public:
    FakeCudaRuntime() {
        current() = this;
        setCudaApi(&kTable);
    }
    ~FakeCudaRuntime() {
        setCudaApi(nullptr);
        current() = nullptr;
    }
    FakeCudaRuntime(const FakeCudaRuntime&) = delete;
    FakeCudaRuntime& operator=(const FakeCudaRuntime&) = delete;

    // The n-th call that can fail (1-based, in the order made; every call but the error queries and
    // the channel description) returns `error`.
    void failCall(int n, cudaError_t error) {
        failAt_ = n;
        failError_ = error;
    }
    // The next call of that name returns `error`.
    void failNext(const std::string& name, cudaError_t error) { failByName_[name] = error; }
    // Memory the host owns on the "device" (its worlds): a copy may read or write inside it.
    void addDeviceMemory(const void* base, size_t bytes) { hostMemory_[base] = bytes; }

    // Every call by its runtime name, in order; the failing one as "name!".
    std::vector<std::string> calls;
    std::vector<int> devicesSet;
    std::vector<size_t> mallocSizes;
    std::vector<FakeCopy2D> copies2D;
    std::vector<cudaTextureDesc> textureDescs;
    std::vector<cudaResourceDesc> textureResources;
    std::vector<FakeLaunch> launches;
    int failableCalls = 0;

    std::map<void*, std::vector<unsigned char>> buffers;  // live cudaMalloc blocks
    std::map<cudaArray_t, FakeArray> arrays;              // live arrays
    std::map<cudaTextureObject_t, cudaArray_t> textures;  // live texture objects
    int devices = 2;
    std::atomic<int> kernelsRunning{0};
    std::atomic<int> arrayChangesUnderAKernel{0};
    std::chrono::microseconds kernelTime{0};  // how long a synchronisation waits for a kernel

    size_t live() const { return buffers.size() + arrays.size() + textures.size(); }
    int count(const std::string& name) const {
        int n = 0;
        for (const std::string& c : calls) n += (c == name || c == name + "!") ? 1 : 0;
        return n;
    }

private:
    static FakeCudaRuntime*& current() {
        static FakeCudaRuntime* runtime = nullptr;
        return runtime;
    }
    static FakeCudaRuntime& rt() { return *current(); }

    std::mutex mutex_;
    using Guard = std::lock_guard<std::mutex>;

    void arrayChange() {
        if (kernelsRunning > 0) arrayChangesUnderAKernel += 1;
    }

    // Records the call; the injected error for it, or success.
    cudaError_t enter(const char* name) {
        failableCalls += 1;
        cudaError_t err = cudaSuccess;
        if (failableCalls == failAt_) err = failError_;
        auto it = failByName_.find(name);
        if (it != failByName_.end()) {
            err = it->second;
            failByName_.erase(it);
        }
        calls.push_back(err == cudaSuccess ? name : std::string(name) + "!");
        return err;
    }

    // The bytes at p .. p + n of a live allocation or of host-owned device memory; null outside.
    unsigned char* deviceBytes(const void* p, size_t n) {
        const auto* q = static_cast<const unsigned char*>(p);
        for (auto& [base, bytes] : buffers) {
            if (q >= bytes.data() && q + n <= bytes.data() + bytes.size()) return const_cast<unsigned char*>(q);
        }
        for (auto& [base, size] : hostMemory_) {
            const auto* b = static_cast<const unsigned char*>(base);
            if (q >= b && q + n <= b + size) return const_cast<unsigned char*>(q);
        }
        return nullptr;
    }

    static cudaError_t SetDevice(int device) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaSetDevice")) return err;
        if (device < 0 || device >= rt().devices) return cudaErrorInvalidDevice;
        rt().devicesSet.push_back(device);
        return cudaSuccess;
    }
    static cudaError_t Malloc(void** p, size_t size) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaMalloc")) return err;
        rt().mallocSizes.push_back(size);
        std::vector<unsigned char> block(size ? size : 1, 0xCD);
        *p = block.data();
        rt().buffers.emplace(*p, std::move(block));
        return cudaSuccess;
    }
    static cudaError_t Free(void* p) {
        Guard guard(rt().mutex_);
        const cudaError_t err = rt().enter("cudaFree");
        if (p && !rt().buffers.erase(p)) return cudaErrorInvalidValue;
        return err;
    }
    static cudaError_t Memcpy(void* dst, const void* src, size_t n, cudaMemcpyKind kind) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaMemcpy")) return err;
        if (kind != cudaMemcpyHostToDevice) return cudaErrorInvalidMemcpyDirection;
        unsigned char* d = rt().deviceBytes(dst, n);
        if (!d) return cudaErrorInvalidValue;
        std::memcpy(d, src, n);
        return cudaSuccess;
    }
    static cudaChannelFormatDesc CreateChannelDesc(int x, int y, int z, int w, cudaChannelFormatKind kind) {
        Guard guard(rt().mutex_);
        rt().calls.push_back("cudaCreateChannelDesc");
        return cudaChannelFormatDesc{x, y, z, w, kind};
    }
    static cudaError_t MallocArray(cudaArray_t* array, const cudaChannelFormatDesc* desc, size_t width,
                                   size_t height, unsigned int flags) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaMallocArray")) return err;
        rt().arrayChange();
        if (flags != 0 || width == 0) return cudaErrorInvalidValue;
        FakeArray a;
        a.format = *desc;
        a.width = width;
        a.height = height;
        a.texels.assign(width * height * 16, 0xCD);
        static uintptr_t next = 0x10000;
        next += 0x100;
        *array = reinterpret_cast<cudaArray_t>(next);
        rt().arrays.emplace(*array, std::move(a));
        return cudaSuccess;
    }
    static cudaError_t Memcpy2DToArray(cudaArray_t dst, size_t wOffset, size_t hOffset, const void* src,
                                       size_t spitch, size_t width, size_t height, cudaMemcpyKind kind) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaMemcpy2DToArray")) return err;
        rt().arrayChange();
        rt().copies2D.push_back({dst, src, spitch, width, height, kind});
        auto it = rt().arrays.find(dst);
        if (it == rt().arrays.end() || wOffset != 0 || hOffset != 0) return cudaErrorInvalidValue;
        FakeArray& a = it->second;
        if (kind != cudaMemcpyDeviceToDevice || width > a.width * 16 || height > a.height || spitch < width)
            return cudaErrorInvalidValue;
        const unsigned char* s = rt().deviceBytes(src, (height - 1) * spitch + width);
        if (!s) return cudaErrorInvalidValue;
        for (size_t y = 0; y < height; ++y) std::memcpy(&a.texels[y * a.width * 16], s + y * spitch, width);
        return cudaSuccess;
    }
    static cudaError_t FreeArray(cudaArray_t array) {
        Guard guard(rt().mutex_);
        const cudaError_t err = rt().enter("cudaFreeArray");
        rt().arrayChange();
        if (!rt().arrays.erase(array)) return cudaErrorInvalidValue;
        return err;
    }
    static cudaError_t CreateTextureObject(cudaTextureObject_t* texture, const cudaResourceDesc* resource,
                                          const cudaTextureDesc* desc, const cudaResourceViewDesc* view) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaCreateTextureObject")) return err;
        rt().textureResources.push_back(*resource);
        rt().textureDescs.push_back(*desc);
        if (view != nullptr || resource->resType != cudaResourceTypeArray ||
            !rt().arrays.count(resource->res.array.array))
            return cudaErrorInvalidValue;
        static cudaTextureObject_t next = 0;
        *texture = ++next;
        rt().textures[*texture] = resource->res.array.array;
        return cudaSuccess;
    }
    static cudaError_t DestroyTextureObject(cudaTextureObject_t texture) {
        Guard guard(rt().mutex_);
        const cudaError_t err = rt().enter("cudaDestroyTextureObject");
        if (!rt().textures.erase(texture)) return cudaErrorInvalidValue;
        return err;
    }
    static cudaError_t LaunchKernel(const void* function, dim3 grid, dim3 block, void** args, size_t sharedMem,
                                    cudaStream_t stream) {
        Guard guard(rt().mutex_);
        if (cudaError_t err = rt().enter("cudaLaunchKernel")) return err;
        if (function == nullptr) return cudaErrorInvalidDeviceFunction;
        FakeLaunch l;
        l.grid = grid;
        l.block = block;
        l.sharedMem = sharedMem;
        l.stream = stream;
        l.texture = *static_cast<cudaTextureObject_t*>(args[0]);
        l.output = *static_cast<void**>(args[1]);
        for (int i = 0; i < 4; ++i) {
            l.records[i] = *static_cast<void**>(args[2 + i]);
            auto it = rt().buffers.find(l.records[i]);
            if (it == rt().buffers.end()) return cudaErrorInvalidValue;
            l.recordBytes[i] = it->second;
        }
        std::memcpy(&l.camera, args[6], sizeof(CamData));
        std::memcpy(&l.render, args[7], sizeof(RenderData));
        l.pitch = *static_cast<int*>(args[8]);
        l.in16f = *static_cast<int*>(args[9]);
        l.width = *static_cast<unsigned*>(args[10]);
        l.height = *static_cast<unsigned*>(args[11]);
        l.useEnvironment = *static_cast<char*>(args[12]);
        l.numPrimitives = *static_cast<int*>(args[13]);
        l.numLights = *static_cast<int*>(args[14]);
        l.time = *static_cast<float*>(args[15]);
        if (l.texture != 0 && !rt().textures.count(l.texture)) return cudaErrorInvalidValue;
        rt().launches.push_back(l);
        rt().kernelsRunning += 1;
        return cudaSuccess;
    }
    static cudaError_t DeviceSynchronize() {
        std::chrono::microseconds wait;
        {
            Guard guard(rt().mutex_);
            if (cudaError_t err = rt().enter("cudaDeviceSynchronize")) return err;
            wait = rt().kernelTime;
        }
        std::this_thread::sleep_for(wait);  // the kernel runs; other threads may call meanwhile
        if (rt().kernelsRunning > 0) rt().kernelsRunning -= 1;
        return cudaSuccess;
    }
    static cudaError_t GetLastError() {
        Guard guard(rt().mutex_);
        rt().calls.push_back("cudaGetLastError");
        return cudaSuccess;
    }
    static const char* GetErrorString(cudaError_t error) { return cudaGetErrorString(error); }

    static constexpr CudaApi kTable = {SetDevice,         Malloc,      Free,           Memcpy,
                                       CreateChannelDesc, MallocArray, Memcpy2DToArray, FreeArray,
                                       CreateTextureObject, DestroyTextureObject, LaunchKernel,
                                       DeviceSynchronize, GetLastError, GetErrorString};

    int failAt_ = 0;
    cudaError_t failError_ = cudaSuccess;
    std::map<std::string, cudaError_t> failByName_;
    std::map<const void*, size_t> hostMemory_;
};

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_FAKE_CUDA_RUNTIME_H
