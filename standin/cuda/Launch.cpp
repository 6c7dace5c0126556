// Launch.cpp — cuLaunchKernel running the kernel's C++ form.
//
// A launch is checked as a device would fault on it, before anything runs: every pointer the kernel
// reads or writes must lie inside a live allocation of the launching context, aligned for its record,
// and long enough for what the kernel's arguments say it touches. A launch that would fault leaves
// CUDA_ERROR_ILLEGAL_ADDRESS (or CUDA_ERROR_MISALIGNED_ADDRESS) on its context, as a real fault does:
// the launch returns it, and so does every later launch and synchronise there until the context goes.
// A launch that passes runs to its end before it returns, over all of the machine's cores, with the
// lock let go so that other threads' calls go on meanwhile.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "Morphalith_Kernel.h"
#include "StandInInternal.h"

using namespace cuda_standin;

namespace {

static_assert(sizeof(CamData) == MRPH_CUDA_STANDIN_CAMERA_BYTES);
static_assert(sizeof(RenderData) == MRPH_CUDA_STANDIN_RENDER_BYTES);

constexpr int kKernelParams = 16;
constexpr unsigned kMaxThreadsPerBlock = 1024;
constexpr unsigned kMaxBlockX = 1024, kMaxBlockY = 1024, kMaxBlockZ = 64;
constexpr unsigned kMaxGridX = 0x7fffffffu, kMaxGridY = 65535, kMaxGridZ = 65535;
constexpr unsigned kMaxSharedMemory = 48 * 1024;  // without the opt-in attribute, which the stand-in lacks

template <typename T>
T Param(void** params, int i) {
    T v;
    std::memcpy(&v, params[i], sizeof(T));
    return v;
}

// What a kernel run needs, with the memory it touches held alive.
struct Work {
    std::vector<Block> held;
    mrph_kernel::KernelImage image{};
    bool hasImage = false;
    mrph_kernel::float4* output = nullptr;
    const PrimitiveData* primitives = nullptr;
    const MaterialData* materials = nullptr;
    const ModifiersData* modifiers = nullptr;
    const LightData* lights = nullptr;
    CamData camera{};
    RenderData render{};
    unsigned long long columns = 0, rows = 0;  // work items that reach the output
};

// The kernel's C++ form over the grid. Work items outside the output are left out: the kernel drops
// them before anything else.
void Run(const Work& w, const MrphCudaStandInLaunch& l) {
    if (w.columns == 0 || w.rows == 0) return;
    std::atomic<unsigned long long> nextRow{0};
    const auto worker = [&] {
        for (unsigned long long y; (y = nextRow.fetch_add(1)) < w.rows;) {
            for (unsigned long long x = 0; x < w.columns; ++x) {
                mrph_kernel::MainKernel(w.hasImage ? &w.image : nullptr, w.output, w.primitives, w.materials,
                                        w.modifiers, w.lights, &w.camera, &w.render, l.pitch, l.in16f,
                                        l.width, l.height, l.useEnvironment, l.numPrimitives, l.numLights,
                                        l.time, (unsigned)x, (unsigned)y);
            }
        }
    };
    const unsigned long long cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    try {
        for (unsigned long long i = 1; i < std::min(cores, w.rows); ++i) threads.emplace_back(worker);
    } catch (const std::system_error&) {
        // Fewer threads than cores: the rows are shared among those that started.
    }
    worker();
    for (std::thread& t : threads) t.join();
}

// The allocation of the launching context that holds [address, address + bytes), aligned to `align`,
// or the fault a device would take on it.
CUresult CheckPointer(State& state, uint64_t context, CUdeviceptr address, size_t bytes, size_t align,
                      std::vector<Block>* held) {
    const Allocation* a = state.FindAllocation((uintptr_t)address, bytes);
    if (a == nullptr || a->context != context) return CUDA_ERROR_ILLEGAL_ADDRESS;
    if (address % align != 0) return CUDA_ERROR_MISALIGNED_ADDRESS;
    held->push_back(a->block);
    return CUDA_SUCCESS;
}

}  // namespace

CUresult CUDAAPI cuLaunchKernel(CUfunction f, unsigned int gridDimX, unsigned int gridDimY,
                                unsigned int gridDimZ, unsigned int blockDimX, unsigned int blockDimY,
                                unsigned int blockDimZ, unsigned int sharedMemBytes, CUstream hStream,
                                void** kernelParams, void** extra) {
    Work work;
    MrphCudaStandInLaunch l{};
    {
        Call call(Entry::LaunchKernel);
        if (CUresult r = call.Enter(true)) return r;
        State& state = call.state;
        const auto function = state.functions.find(FromHandle(f));
        if (function == state.functions.end()) return CUDA_ERROR_INVALID_HANDLE;
        if (state.modules.at(function->second.module).context != call.contextId())
            return CUDA_ERROR_INVALID_CONTEXT;

        if (gridDimX == 0 || gridDimY == 0 || gridDimZ == 0 || blockDimX == 0 || blockDimY == 0 ||
            blockDimZ == 0)
            return CUDA_ERROR_INVALID_VALUE;
        if (gridDimX > kMaxGridX || gridDimY > kMaxGridY || gridDimZ > kMaxGridZ || blockDimX > kMaxBlockX ||
            blockDimY > kMaxBlockY || blockDimZ > kMaxBlockZ ||
            (unsigned long long)blockDimX * blockDimY * blockDimZ > kMaxThreadsPerBlock ||
            sharedMemBytes > kMaxSharedMemory)
            return CUDA_ERROR_INVALID_VALUE;
        // MainKernel works on one plane; a deeper grid would run it again over the same pixels.
        if (gridDimZ != 1 || blockDimZ != 1) return CUDA_ERROR_NOT_SUPPORTED;
        if (hStream != nullptr) return CUDA_ERROR_INVALID_HANDLE;  // the stand-in makes no streams
        if (kernelParams == nullptr || extra != nullptr) return CUDA_ERROR_INVALID_VALUE;
        for (int i = 0; i < kKernelParams; ++i)
            if (kernelParams[i] == nullptr) return CUDA_ERROR_INVALID_VALUE;
        Context& context = *call.context();
        if (context.sticky != CUDA_SUCCESS) return context.sticky;

        l.grid[0] = gridDimX;
        l.grid[1] = gridDimY;
        l.grid[2] = gridDimZ;
        l.block[0] = blockDimX;
        l.block[1] = blockDimY;
        l.block[2] = blockDimZ;
        l.sharedMem = sharedMemBytes;
        l.stream = hStream;
        l.texture = Param<unsigned long long>(kernelParams, 0);
        l.output = Param<CUdeviceptr>(kernelParams, 1);
        for (int i = 0; i < 4; ++i) l.records[i] = Param<CUdeviceptr>(kernelParams, 2 + i);
        std::memcpy(l.camera, kernelParams[6], sizeof(l.camera));
        std::memcpy(l.render, kernelParams[7], sizeof(l.render));
        l.pitch = Param<int>(kernelParams, 8);
        l.in16f = Param<int>(kernelParams, 9);
        l.width = Param<unsigned>(kernelParams, 10);
        l.height = Param<unsigned>(kernelParams, 11);
        l.useEnvironment = Param<char>(kernelParams, 12);
        l.numPrimitives = Param<int>(kernelParams, 13);
        l.numLights = Param<int>(kernelParams, 14);
        l.time = Param<float>(kernelParams, 15);

        LaunchRecord record;
        CUresult fault = CUDA_SUCCESS;
        const auto note = [&fault](CUresult r) {
            if (fault == CUDA_SUCCESS) fault = r;
            return r == CUDA_SUCCESS;
        };

        // The environment: none, or a live texture of this context over a live array.
        if (l.texture != 0) {
            const auto texture = state.textures.find(l.texture);
            const auto array = texture == state.textures.end() ? state.arrays.end()
                                                               : state.arrays.find(texture->second.array);
            if (texture == state.textures.end() || texture->second.context != call.contextId() ||
                array == state.arrays.end()) {
                note(CUDA_ERROR_ILLEGAL_ADDRESS);
            } else {
                work.held.push_back(array->second.texels);
                work.image.texels = reinterpret_cast<const mrph_kernel::float4*>(array->second.texels.get());
                work.image.width = (int)array->second.width;
                work.image.height = (int)array->second.height;
                work.hasImage = true;
            }
        }

        // The output: row y of the image at y * pitch pixels; rows must not overlap.
        size_t outputBytes = 0;
        if (l.width > 0 && l.height > 0) {
            if (l.height > 1 && (l.pitch < 0 || (unsigned)l.pitch < l.width))
                note(CUDA_ERROR_ILLEGAL_ADDRESS);
            else if (!MulAdd((size_t)(l.height - 1), (size_t)std::max(l.pitch, 0), l.width, &outputBytes) ||
                     !MulAdd(outputBytes, 16, 0, &outputBytes))
                note(CUDA_ERROR_ILLEGAL_ADDRESS);  // rows beyond any address
        }
        if (fault == CUDA_SUCCESS && note(CheckPointer(state, call.contextId(), l.output, outputBytes,
                                                       alignof(mrph_kernel::float4), &work.held)))
            work.output = reinterpret_cast<mrph_kernel::float4*>((uintptr_t)l.output);

        // The records: count x record size from each pointer, the pointer itself live even for none.
        const size_t recordSize[4] = {sizeof(PrimitiveData), sizeof(MaterialData), sizeof(ModifiersData),
                                      sizeof(LightData)};
        const size_t recordAlign[4] = {alignof(PrimitiveData), alignof(MaterialData), alignof(ModifiersData),
                                       alignof(LightData)};
        for (int i = 0; i < 4; ++i) {
            const int count = i == 3 ? l.numLights : l.numPrimitives;
            const size_t bytes = count > 0 ? (size_t)count * recordSize[i] : 0;
            if (!note(CheckPointer(state, call.contextId(), l.records[i], bytes, recordAlign[i], &work.held)))
                continue;
            const unsigned char* p = reinterpret_cast<const unsigned char*>((uintptr_t)l.records[i]);
            record.records[i].assign(p, p + bytes);
            l.recordBytes[i] = bytes;
        }
        work.primitives = reinterpret_cast<const PrimitiveData*>((uintptr_t)l.records[0]);
        work.materials = reinterpret_cast<const MaterialData*>((uintptr_t)l.records[1]);
        work.modifiers = reinterpret_cast<const ModifiersData*>((uintptr_t)l.records[2]);
        work.lights = reinterpret_cast<const LightData*>((uintptr_t)l.records[3]);
        std::memcpy(&work.camera, l.camera, sizeof(work.camera));
        std::memcpy(&work.render, l.render, sizeof(work.render));
        work.columns = std::min<unsigned long long>((unsigned long long)gridDimX * blockDimX, l.width);
        work.rows = std::min<unsigned long long>((unsigned long long)gridDimY * blockDimY, l.height);

        l.result = fault;
        record.launch = l;
        ++state.launchCount;
        state.launches.push_back(std::move(record));
        if (state.launches.size() > State::kMaxLaunches) state.launches.pop_front();
        // As on a device, a fault of the running kernel is not the launch's result: the launch succeeds,
        // and the next synchronise (and every later launch) reports the fault.
        if (fault != CUDA_SUCCESS) {
            context.sticky = fault;
            return CUDA_SUCCESS;
        }
    }
    Run(work, l);
    return CUDA_SUCCESS;
}
