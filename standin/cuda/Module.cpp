// Module.cpp — loading a module from a fat binary, and finding its kernel.
//
// The image is a fat binary as nvcc writes it (read from nvcc's output; all numbers little-endian):
//   header, 16 bytes:  u32 magic 0xBA55ED50, u16 version 1, u16 header size 16, u64 size of the entries
//   each entry:        u16 kind (1 PTX, 2 ELF), u16 version, u32 entry header size, u64 payload size,
//                      ..., u32 architecture at byte 28 (90 for sm_90 / compute_90), ...; then the payload
// and the entries, header and payload each, fill the declared size exactly. A module has one kernel, the
// C++ form of MainKernel, whatever the image holds, with one exception taken from the payloads: a real
// driver finds a kernel by its symbol, and a kernel compiled with C++ linkage is there only under its
// mangled name (_Z10MainKernel...). An image whose code names MainKernel that way alone has no
// "MainKernel" to give, and the stand-in says so, as a GPU would.
#include <cstring>
#include <string>
#include <vector>

#include "StandInInternal.h"

using namespace cuda_standin;

namespace {

constexpr uint32_t kFatbinMagic = 0xBA55ED50u;
constexpr size_t kFatbinHeaderBytes = 16;
constexpr size_t kEntryHeaderMinBytes = 32;  // up to and with the architecture
constexpr unsigned kKindPtx = 1;
constexpr unsigned kKindElf = 2;
constexpr const char* kKernelName = "MainKernel";

template <typename T>
T Read(const unsigned char* p) {
    T v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= (T)((T)p[i] << (8 * i));
    return v;
}

struct ImageEntry {
    unsigned kind;
    unsigned arch;
};

bool IdentifierByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

// How the payload names the kernel: as a symbol of its own ("MainKernel" between non-identifier
// bytes), mangled ("_Z10MainKernel..."), both, or not at all (compressed, or a hand-made image).
struct KernelNaming {
    bool plain = false;
    bool mangled = false;
};

void FindKernelNames(const unsigned char* payload, size_t bytes, KernelNaming* naming) {
    const size_t n = std::strlen(kKernelName);
    if (bytes < n) return;
    for (size_t i = 0; i + n <= bytes; ++i) {
        if (payload[i] != (unsigned char)kKernelName[0] || std::memcmp(payload + i, kKernelName, n) != 0)
            continue;
        const bool startsAlone = i == 0 || !IdentifierByte(payload[i - 1]);
        const bool endsAlone = i + n == bytes || !IdentifierByte(payload[i + n]);
        if (startsAlone && endsAlone) naming->plain = true;
        if (i >= 4 && std::memcmp(payload + i - 4, "_Z10", 4) == 0) naming->mangled = true;
    }
}

// The entries of a well-formed image, or false. Reads nothing past the size the header declares.
bool ParseFatbin(const unsigned char* image, uint64_t* totalSize, std::vector<ImageEntry>* entries,
                 KernelNaming* naming) {
    if (Read<uint32_t>(image) != kFatbinMagic || Read<uint16_t>(image + 4) != 1 ||
        Read<uint16_t>(image + 6) != kFatbinHeaderBytes)
        return false;
    const uint64_t declared = Read<uint64_t>(image + 8);
    const unsigned char* p = image + kFatbinHeaderBytes;
    uint64_t left = declared;
    while (left > 0) {
        if (left < kEntryHeaderMinBytes) return false;
        const unsigned kind = Read<uint16_t>(p);
        const uint64_t headerBytes = Read<uint32_t>(p + 4);
        const uint64_t payloadBytes = Read<uint64_t>(p + 8);
        if ((kind != kKindPtx && kind != kKindElf) || headerBytes < kEntryHeaderMinBytes ||
            headerBytes > left || payloadBytes > left - headerBytes)
            return false;
        entries->push_back(ImageEntry{kind, Read<uint32_t>(p + 28)});
        FindKernelNames(p + headerBytes, (size_t)payloadBytes, naming);
        p += headerBytes + payloadBytes;
        left -= headerBytes + payloadBytes;
    }
    *totalSize = kFatbinHeaderBytes + declared;
    return true;
}

// Machine code runs on its own major architecture at the same or a later minor one; PTX of any
// architecture up to the device's is compiled for it at load time.
bool RunsOnTheDevice(const ImageEntry& e) {
    const unsigned device = kComputeMajor * 10 + kComputeMinor;
    if (e.kind == kKindElf) return e.arch / 10 == (unsigned)kComputeMajor && e.arch <= device;
    return e.arch <= device;
}

}  // namespace

CUresult CUDAAPI cuModuleLoadData(CUmodule* module, const void* image) {
    Call call(Entry::ModuleLoadData);
    if (CUresult r = call.Enter(true)) return r;
    if (module == nullptr || image == nullptr) return CUDA_ERROR_INVALID_VALUE;
    uint64_t size = 0;
    std::vector<ImageEntry> entries;
    KernelNaming naming;
    if (!ParseFatbin(static_cast<const unsigned char*>(image), &size, &entries, &naming))
        return CUDA_ERROR_INVALID_IMAGE;

    MrphCudaStandInImage seen{};
    seen.size = size;
    seen.entryCount = (int)entries.size();
    for (size_t i = 0; i < entries.size() && i < MRPH_CUDA_STANDIN_MAX_IMAGE_ENTRIES; ++i)
        seen.entries[i] = MrphCudaStandInImageEntry{entries[i].kind, entries[i].arch};
    call.state.lastImage = seen;

    bool runs = false;
    for (const ImageEntry& e : entries) runs = runs || RunsOnTheDevice(e);
    if (!runs) return CUDA_ERROR_NO_BINARY_FOR_GPU;

    const uint64_t id = call.state.NewHandle();
    call.state.modules[id] = Module{call.contextId(), 0, naming.mangled && !naming.plain};
    *module = ToHandle<CUmodule>(id);
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuModuleUnload(CUmodule hmod) {
    Call call(Entry::ModuleUnload);
    CUresult result = call.EnterRelease(true);
    if (result == CUDA_SUCCESS) {
        const auto it = call.state.modules.find(FromHandle(hmod));
        if (it == call.state.modules.end()) {
            result = CUDA_ERROR_INVALID_HANDLE;
        } else {
            call.state.functions.erase(it->second.function);
            call.state.modules.erase(it);
        }
    }
    return call.Finish(result);
}

CUresult CUDAAPI cuModuleGetFunction(CUfunction* hfunc, CUmodule hmod, const char* name) {
    Call call(Entry::ModuleGetFunction);
    if (CUresult r = call.Enter(true)) return r;
    if (hfunc == nullptr || name == nullptr) return CUDA_ERROR_INVALID_VALUE;
    const auto it = call.state.modules.find(FromHandle(hmod));
    if (it == call.state.modules.end()) return CUDA_ERROR_INVALID_HANDLE;
    if (it->second.context != call.contextId()) return CUDA_ERROR_INVALID_CONTEXT;
    if (std::strcmp(name, kKernelName) != 0 || it->second.kernelNameMangled) return CUDA_ERROR_NOT_FOUND;
    if (it->second.function == 0) {
        it->second.function = call.state.NewHandle();
        call.state.functions[it->second.function] = Function{it->first};
    }
    *hfunc = ToHandle<CUfunction>(it->second.function);
    return CUDA_SUCCESS;
}
