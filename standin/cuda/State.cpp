// State.cpp — the stand-in's state, the frame of every call (lock, log, failures asked for), and the
// control functions of CudaStandIn.h.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "StandInInternal.h"

namespace cuda_standin {

namespace {

#define MRPH_CUDA_STANDIN_NAME(id, name) name,
#define MRPH_CUDA_STANDIN_FAILED_NAME(id, name) name "!",
const char* const kNames[] = {MRPH_CUDA_STANDIN_ENTRIES(MRPH_CUDA_STANDIN_NAME)};
const char* const kFailedNames[] = {MRPH_CUDA_STANDIN_ENTRIES(MRPH_CUDA_STANDIN_FAILED_NAME)};
#undef MRPH_CUDA_STANDIN_NAME
#undef MRPH_CUDA_STANDIN_FAILED_NAME
static_assert(sizeof(kNames) / sizeof(kNames[0]) == kEntryCount);

enum LostKind { kLostAllocation, kLostArray, kLostTexture, kLostModule };

}  // namespace

const char* EntryName(Entry entry) {
    return kNames[(int)entry];
}
const char* FailedEntryName(Entry entry) {
    return kFailedNames[(int)entry];
}

Block NewBlock(size_t bytes) {
    // calloc rather than new and a fill: large blocks come straight from the system as zero pages, so
    // a big allocation costs nothing until it is used.
    constexpr size_t kAlign = 256;
    if (bytes > SIZE_MAX - kAlign) return nullptr;
    void* raw = std::calloc(bytes + kAlign - 1, 1);
    if (raw == nullptr) return nullptr;
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + kAlign - 1) & ~(uintptr_t)(kAlign - 1);
    return Block(reinterpret_cast<unsigned char*>(aligned), [raw](unsigned char*) { std::free(raw); });
}

State& GlobalState() {
    // Never destroyed: a module's static destructors may still call the driver while the process ends.
    static State* state = new State;
    return *state;
}

std::vector<uint64_t>& ThreadContextStack() {
    thread_local std::vector<uint64_t> stack;
    return stack;
}

Context* State::Current(uint64_t* id) {
    const std::vector<uint64_t>& stack = ThreadContextStack();
    if (stack.empty()) return nullptr;
    const auto it = contexts.find(stack.back());
    if (it == contexts.end()) return nullptr;
    if (id) *id = it->first;
    return &it->second;
}

Allocation* State::FindAllocation(uintptr_t address, size_t bytes) {
    auto it = allocations.upper_bound(address);
    if (it == allocations.begin()) return nullptr;
    --it;
    const uintptr_t offset = address - it->first;
    if (offset >= it->second.size || bytes > it->second.size - offset) return nullptr;
    return &it->second;
}

void State::DestroyContext(uint64_t id) {
    contexts.erase(id);
    for (auto it = allocations.begin(); it != allocations.end();) {
        if (it->second.context != id) {
            ++it;
            continue;
        }
        deviceBytes -= it->second.size;
        allocationBytes -= it->second.size;
        ++lost[kLostAllocation];
        it = allocations.erase(it);
    }
    for (auto it = arrays.begin(); it != arrays.end();) {
        if (it->second.context != id) {
            ++it;
            continue;
        }
        deviceBytes -= it->second.width * it->second.height * 16;
        ++lost[kLostArray];
        it = arrays.erase(it);
    }
    for (auto it = textures.begin(); it != textures.end();) {
        if (it->second.context != id) {
            ++it;
            continue;
        }
        ++lost[kLostTexture];
        it = textures.erase(it);
    }
    for (auto it = modules.begin(); it != modules.end();) {
        if (it->second.context != id) {
            ++it;
            continue;
        }
        functions.erase(it->second.function);
        ++lost[kLostModule];
        it = modules.erase(it);
    }
}

void State::ResetBookkeeping() {
    deviceCount = 1;
    callCount = 0;
    calls.clear();
    launchCount = 0;
    launches.clear();
    failAtCall.clear();
    failByName.fill(std::nullopt);
    std::fill(std::begin(lost), std::end(lost), 0L);
    lastImage.reset();
}

// ---- Call ---------------------------------------------------------------------------------------------
Call::Call(Entry entry) : state(GlobalState()), lock(state.mutex) {
    ++state.callsEver;
    const auto byNumber = state.failAtCall.find(state.callsEver);
    if (byNumber != state.failAtCall.end()) {
        injected_ = byNumber->second;
        state.failAtCall.erase(byNumber);
    }
    // A failure asked for by name waits for a call of its entry that no failure by number took.
    std::optional<CUresult>& byName = state.failByName[(int)entry];
    if (byName && !injected_) {
        injected_ = byName;
        byName.reset();
    }
    ++state.callCount;
    state.calls.push_back(CallRecord{entry, injected_.has_value()});
    if (state.calls.size() > State::kMaxCalls) state.calls.pop_front();
}

CUresult Call::Check(bool needsContext) {
    if (!state.initialised) return CUDA_ERROR_NOT_INITIALIZED;
    if (needsContext) {
        context_ = state.Current(&contextId_);
        if (context_ == nullptr) return CUDA_ERROR_INVALID_CONTEXT;
    }
    return CUDA_SUCCESS;
}

CUresult Call::Enter(bool needsContext) {
    if (injected_) return *injected_;
    return Check(needsContext);
}

CUresult Call::EnterRelease(bool needsContext) {
    return Check(needsContext);
}

}  // namespace cuda_standin

// ---- The control functions ------------------------------------------------------------------------------
using cuda_standin::GlobalState;
using cuda_standin::State;

extern "C" {

void mrphCudaStandInReset(void) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.ResetBookkeeping();
}

void mrphCudaStandInForgetInit(void) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.initialised = false;
}

void mrphCudaStandInSetDeviceCount(int count) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.deviceCount = std::max(count, 0);
}

void mrphCudaStandInFailCall(int n, CUresult error) {
    if (n < 1) return;
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.failAtCall[state.callsEver + n] = error;
}

int mrphCudaStandInFailNext(const char* name, CUresult error) {
    if (name == nullptr) return 0;
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    for (int i = 0; i < cuda_standin::kEntryCount; ++i) {
        if (std::strcmp(name, cuda_standin::EntryName((cuda_standin::Entry)i)) == 0) {
            state.failByName[i] = error;
            return 1;
        }
    }
    return 0;
}

long mrphCudaStandInCallCount(void) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.callCount;
}

const char* mrphCudaStandInCallName(long index) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    const long first = state.callCount - (long)state.calls.size();
    if (index < first || index >= state.callCount) return nullptr;
    const cuda_standin::CallRecord& call = state.calls[(size_t)(index - first)];
    return call.failed ? cuda_standin::FailedEntryName(call.entry) : cuda_standin::EntryName(call.entry);
}

void mrphCudaStandInGetCounts(MrphCudaStandInCounts* counts) {
    if (counts == nullptr) return;
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    MrphCudaStandInCounts c{};
    c.allocations = (long)state.allocations.size();
    c.allocatedBytes = (long long)state.allocationBytes;
    c.arrays = (long)state.arrays.size();
    c.textures = (long)state.textures.size();
    c.modules = (long)state.modules.size();
    c.contexts = (long)state.contexts.size();
    for (const auto& [device, primary] : state.primary) c.contextReferences += primary.references;
    c.lostAllocations = state.lost[0];
    c.lostArrays = state.lost[1];
    c.lostTextures = state.lost[2];
    c.lostModules = state.lost[3];
    c.lostWithContext = c.lostAllocations + c.lostArrays + c.lostTextures + c.lostModules;
    *counts = c;
}

int mrphCudaStandInContextReferences(int device) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto it = state.primary.find(device);
    return it == state.primary.end() ? 0 : it->second.references;
}

int mrphCudaStandInLastImage(MrphCudaStandInImage* image) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.lastImage) return 0;
    if (image) *image = *state.lastImage;
    return 1;
}

long mrphCudaStandInLaunchCount(void) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.launchCount;
}

namespace {

const cuda_standin::LaunchRecord* FindLaunch(State& state, long index) {
    const long first = state.launchCount - (long)state.launches.size();
    if (index < first || index >= state.launchCount) return nullptr;
    return &state.launches[(size_t)(index - first)];
}

}  // namespace

int mrphCudaStandInGetLaunch(long index, MrphCudaStandInLaunch* launch) {
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    const cuda_standin::LaunchRecord* record = FindLaunch(state, index);
    if (record == nullptr) return 0;
    if (launch) *launch = record->launch;
    return 1;
}

size_t mrphCudaStandInLaunchRecordBytes(long index, int record, void* bytes, size_t capacity) {
    if (record < 0 || record > 3) return 0;
    State& state = GlobalState();
    std::lock_guard<std::mutex> lock(state.mutex);
    const cuda_standin::LaunchRecord* launch = FindLaunch(state, index);
    if (launch == nullptr) return 0;
    const std::vector<unsigned char>& held = launch->records[record];
    if (bytes != nullptr && !held.empty()) std::memcpy(bytes, held.data(), std::min(capacity, held.size()));
    return held.size();
}

}  // extern "C"
