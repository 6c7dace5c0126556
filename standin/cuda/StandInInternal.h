// StandInInternal.h — the CUDA driver stand-in's own state, shared by its sources.
//
// Everything a real driver keeps on the device is kept here, in host memory, behind one lock: the
// contexts, the objects made in them, the call log and the failures asked for. Handles (contexts,
// arrays, modules, functions, texture objects) are numbers from one counter that never
// repeats, so a handle kept past its object's end is recognised as dead rather than mistaken for a
// newer object at the same address. Device pointers are real host addresses: the kernel's C++ form
// reads and writes them directly.
#ifndef MORPHALITH_STANDIN_CUDA_STAND_IN_INTERNAL_H
#define MORPHALITH_STANDIN_CUDA_STAND_IN_INTERNAL_H

#include <cuda.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "CudaStandIn.h"

namespace cuda_standin {

// ---- Entry points ---------------------------------------------------------------------------------
#define MRPH_CUDA_STANDIN_ENTRIES(X)                                                                         \
    X(Init, "cuInit")                                                                                        \
    X(DeviceGetCount, "cuDeviceGetCount") X(DeviceGet, "cuDeviceGet") X(DeviceGetName, "cuDeviceGetName") X( \
        DevicePrimaryCtxRetain, "cuDevicePrimaryCtxRetain")                                                  \
        X(DevicePrimaryCtxRelease, "cuDevicePrimaryCtxRelease_v2") X(CtxPushCurrent, "cuCtxPushCurrent_v2")  \
            X(CtxPopCurrent, "cuCtxPopCurrent_v2") X(CtxGetCurrent, "cuCtxGetCurrent")                       \
                X(CtxSynchronize, "cuCtxSynchronize") X(ModuleLoadData, "cuModuleLoadData") X(               \
                    ModuleUnload, "cuModuleUnload") X(ModuleGetFunction, "cuModuleGetFunction")              \
                    X(MemAlloc, "cuMemAlloc_v2") X(MemFree, "cuMemFree_v2") X(MemcpyHtoD, "cuMemcpyHtoD_v2") \
                        X(MemsetD8, "cuMemsetD8_v2") X(Memcpy2D, "cuMemcpy2D_v2")                            \
                            X(ArrayCreate, "cuArrayCreate_v2") X(ArrayDestroy, "cuArrayDestroy")             \
                                X(TexObjectCreate, "cuTexObjectCreate")                                      \
                                    X(TexObjectDestroy, "cuTexObjectDestroy")                                \
                                        X(LaunchKernel, "cuLaunchKernel")

enum class Entry : int {
#define MRPH_CUDA_STANDIN_ENUM(id, name) id,
    MRPH_CUDA_STANDIN_ENTRIES(MRPH_CUDA_STANDIN_ENUM)
#undef MRPH_CUDA_STANDIN_ENUM
        Count
};
constexpr int kEntryCount = (int)Entry::Count;

// The exported name, and the same with "!" (the call log's form of a call failed on request).
const char* EntryName(Entry entry);
const char* FailedEntryName(Entry entry);

// ---- The device the stand-in claims -----------------------------------------------------------------
constexpr int kComputeMajor = 9;  // sm_90: the architecture the module's kernel is built for by default
constexpr int kComputeMinor = 0;
constexpr const char* kDeviceName = "Morphalith CUDA stand-in";
// Memory the device offers, all allocations and arrays together; more is CUDA_ERROR_OUT_OF_MEMORY.
constexpr size_t kDeviceMemory = size_t(8) << 30;

// a * b + c into *out; false when it does not fit a size_t (sizes from a caller are never trusted).
inline bool MulAdd(size_t a, size_t b, size_t c, size_t* out) {
    size_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return false;
    return !__builtin_add_overflow(product, c, out);
}

// ---- Objects ----------------------------------------------------------------------------------------
// Host memory standing for device memory, 256-byte aligned as cuMemAlloc's is. Shared: a kernel that
// runs keeps what it reads and writes alive, so a free from another thread cannot pull memory out from
// under it (a real free waits for the work using it).
using Block = std::shared_ptr<unsigned char>;
Block NewBlock(size_t bytes);  // zero-filled; null when the host has no memory for it

struct Context {
    int device = 0;
    CUresult sticky = CUDA_SUCCESS;  // a fault of a launch: every later launch and synchronise report it
};

struct Allocation {
    Block block;
    size_t size = 0;
    uint64_t context = 0;
};

// A 2-D array of float4 texels, packed rows of width * 16 bytes.
struct Array {
    Block texels;
    size_t width = 0;
    size_t height = 0;
    uint64_t context = 0;
};

struct Texture {
    uint64_t array = 0;
    uint64_t context = 0;
};

struct Module {
    uint64_t context = 0;
    uint64_t function = 0;           // MainKernel's handle once asked for
    bool kernelNameMangled = false;  // the image's code has MainKernel under its C++ name only
};

struct Function {
    uint64_t module = 0;
};

struct PrimaryContext {
    uint64_t context = 0;  // 0: none made (or the last reference went)
    int references = 0;
};

// What a launch read, as the bookkeeping gives it back.
struct LaunchRecord {
    MrphCudaStandInLaunch launch;
    std::vector<unsigned char> records[4];
};

struct CallRecord {
    Entry entry;
    bool failed;
};

// ---- The state --------------------------------------------------------------------------------------
struct State {
    std::mutex mutex;

    bool initialised = false;
    int deviceCount = 1;
    uint64_t nextHandle = 0x1000;

    std::map<int, PrimaryContext> primary;  // by device ordinal
    std::map<uint64_t, Context> contexts;
    std::map<uintptr_t, Allocation> allocations;  // by base address
    std::map<uint64_t, Array> arrays;
    std::map<uint64_t, Texture> textures;
    std::map<uint64_t, Module> modules;
    std::map<uint64_t, Function> functions;
    size_t deviceBytes = 0;      // allocations and arrays
    size_t allocationBytes = 0;  // allocations alone

    // Bookkeeping, forgotten by a reset.
    long callCount = 0;
    std::deque<CallRecord> calls;  // the most recent kMaxCalls
    long launchCount = 0;
    std::deque<LaunchRecord> launches;    // the most recent kMaxLaunches
    std::map<long, CUresult> failAtCall;  // by call number, counted from 1 since the process began
    long callsEver = 0;
    std::array<std::optional<CUresult>, kEntryCount> failByName;
    long lost[4] = {};  // allocations, arrays, textures, modules
    std::optional<MrphCudaStandInImage> lastImage;

    static constexpr size_t kMaxCalls = 1 << 20;
    static constexpr size_t kMaxLaunches = 256;

    uint64_t NewHandle() { return nextHandle += 0x10; }
    // The live context on top of this thread's stack, or null.
    Context* Current(uint64_t* id = nullptr);
    // The live allocation holding [address, address + bytes) — for bytes 0, holding address itself.
    Allocation* FindAllocation(uintptr_t address, size_t bytes);
    // Destroys a context and everything made in it, counting the objects lost.
    void DestroyContext(uint64_t id);
    void ResetBookkeeping();
};

State& GlobalState();

// The current thread's stack of contexts, top at the back. Entries may name contexts that have been
// destroyed since they were pushed: a real driver keeps those too, and refuses work in them.
std::vector<uint64_t>& ThreadContextStack();

template <typename Handle>
Handle ToHandle(uint64_t id) {
    return reinterpret_cast<Handle>(static_cast<uintptr_t>(id));
}
template <typename Handle>
uint64_t FromHandle(Handle handle) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
}

// ---- One driver call --------------------------------------------------------------------------------
// Made first in every entry point: takes the lock, logs the call and picks up a failure asked for.
class Call {
public:
    explicit Call(Entry entry);
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    State& state;
    std::unique_lock<std::mutex> lock;

    // The error an ordinary entry returns before doing anything: the failure asked for, else
    // CUDA_ERROR_NOT_INITIALIZED before cuInit, else (when needsContext) CUDA_ERROR_INVALID_CONTEXT
    // without a live current context. CUDA_SUCCESS to go on.
    CUresult Enter(bool needsContext);
    // The same for a release, which does its work even when it was asked to fail: the failure asked
    // for is left for Finish to return.
    CUresult EnterRelease(bool needsContext);
    // A release's result: the failure asked for, if any, in place of its own.
    CUresult Finish(CUresult result) const { return injected_ ? *injected_ : result; }
    // The failure asked for alone, for the entries that work before cuInit.
    CUresult Injected() const { return injected_ ? *injected_ : CUDA_SUCCESS; }

    Context* context() const { return context_; }
    uint64_t contextId() const { return contextId_; }

private:
    CUresult Check(bool needsContext);

    std::optional<CUresult> injected_;
    Context* context_ = nullptr;
    uint64_t contextId_ = 0;
};

}  // namespace cuda_standin

#endif  // MORPHALITH_STANDIN_CUDA_STAND_IN_INTERNAL_H
