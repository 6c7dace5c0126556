// StandInInternal.h — what the stand-in's own files share: the kernels read from a text, the launch
// record its compiled entries take, the compiled code of a library, and the bookkeeping hooks.
#ifndef MORPHALITH_STANDIN_METAL_STAND_IN_INTERNAL_H
#define MORPHALITH_STANDIN_METAL_STAND_IN_INTERNAL_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MetalStandIn.h"

namespace MTLStandIn::detail {

// Metal's limits for one kernel: buffer and texture indices 0..30.
constexpr int kMaxBufferIndex = 31;
constexpr int kMaxTextureIndex = 31;

// ---- Kernels of a text --------------------------------------------------------------------------------
enum class ArgKind {
    Buffer,
    Texture,
    ThreadPositionInGrid,
    ThreadgroupPositionInGrid,
    ThreadPositionInThreadgroup
};

struct KernelArg {
    ArgKind kind;
    int index;         // buffer or texture index
    std::string type;  // as written, address space included ("device const CamData*")
    std::string name;
};

struct KernelEntry {
    std::string name;
    std::vector<KernelArg> args;
};

// The text as the compiler gets it: the argument attributes the stand-in binds blanked out (spaces, so
// that every line and column stays where it was), then, after a #line marker naming "mtl_entry", one
// entry per kernel that runs one threadgroup. An argument the stand-in cannot bind becomes a
// static_assert there, so the text fails to compile with a line that says why.
struct PreparedSource {
    std::string program;
    std::vector<KernelEntry> kernels;
};
PreparedSource prepareSource(const std::string& text);

// The C name of a kernel's entry in the compiled library.
std::string entrySymbol(const std::string& kernel);

// ---- The launch record (laid out as __mtl_launch of metal_stdlib) ----------------------------------------
struct TextureBinding {
    const void* data;  // null when nothing is bound
    uint32_t width;
    uint32_t height;
    unsigned long bytesPerRow;
};
static_assert(sizeof(TextureBinding) == 24, "metal_stdlib's __mtl_texture_binding");

struct LaunchRecord {
    void* const* buffers;            // kMaxBufferIndex entries
    const TextureBinding* textures;  // kMaxTextureIndex entries
    uint32_t group[3];
    uint32_t threads[3];
};
static_assert(sizeof(LaunchRecord) == 40, "metal_stdlib's __mtl_launch");

using EntryFunction = void (*)(const LaunchRecord*);

}  // namespace MTLStandIn::detail

namespace MTL {

// The loaded result of one compile; closed when the last library or function using it goes.
struct CompiledCode {
    void* handle = nullptr;
    std::vector<MTLStandIn::detail::KernelEntry> kernels;
    std::vector<MTLStandIn::detail::EntryFunction> entries;  // null where the symbol is missing
    ~CompiledCode();
};

}  // namespace MTL

namespace MTLStandIn::detail {

// Compiles (or takes from the cache) the text. On success code is set; diagnostics holds whatever the
// compiler printed (warnings with a good compile). On failure code is null and diagnostics says why.
struct CompileOutcome {
    std::shared_ptr<MTL::CompiledCode> code;
    std::string diagnostics;
};
CompileOutcome compileLibrary(const std::string& text);

// Bookkeeping kept by the object and command files.
void countObject(const char* kind, int delta);
void noteAutoreleaseWithoutPool();
void recordDispatch(Dispatch dispatch);
// The injected failure for a command buffer being run, or an empty text.
std::string takeInjectedFailure();

}  // namespace MTLStandIn::detail

#endif  // MORPHALITH_STANDIN_METAL_STAND_IN_INTERNAL_H
