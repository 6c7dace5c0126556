// MetalStandIn.h — the host's and the tests' side of the Metal stand-in: the bookkeeping a real Metal
// keeps to itself (live objects, dispatches, compiles) and the settings of its compiler and cache.
// The plug-in never includes this header.
#ifndef MORPHALITH_STANDIN_METAL_METAL_STAND_IN_H
#define MORPHALITH_STANDIN_METAL_METAL_STAND_IN_H

#include <map>
#include <string>
#include <vector>

#include "Foundation.h"

namespace MTLStandIn {

// Objects alive now, by class ("MTL::Buffer", "NS::String", ...); classes with none are left out.
MTL_STANDIN_API std::map<std::string, long> liveObjects();
MTL_STANDIN_API long liveObjects(const std::string& kind);
// Objects autoreleased on a thread with no open pool (each one leaks, as on a Mac).
MTL_STANDIN_API long autoreleasedWithoutPool();

// One dispatch as it ran: the kernel, the grid and what was bound.
struct Dispatch {
    std::string function;
    NS::UInteger threadgroups[3];
    NS::UInteger threadsPerThreadgroup[3];
    std::map<int, NS::UInteger> bufferLengths;  // bound index -> buffer length minus offset
    struct Texture {
        NS::UInteger width, height, bytesPerRow;
    };
    std::map<int, Texture> textures;  // bound index -> texture
    bool failed;
};
// The dispatches run since the last clear, oldest first (at most 256 are kept).
MTL_STANDIN_API std::vector<Dispatch> dispatches();
MTL_STANDIN_API void clearDispatches();

// The next `count` command buffers committed complete with an error whose description is `reason`
// (a device fault, for the tests of what the plug-in does then).
MTL_STANDIN_API void failNextCommandBuffers(int count, const std::string& reason);

// Library compiles since the process began: runs of the compiler, and libraries taken from the cache.
struct CompileCounts {
    long compilerRuns;
    long cacheHits;
};
MTL_STANDIN_API CompileCounts compileCounts();

// The compiler (default: $MRPH_METAL_CXX, else the clang++ found when the stand-in was built) and its
// version line, empty when it cannot be run.
MTL_STANDIN_API std::string compilerPath();
MTL_STANDIN_API std::string compilerVersion();

// Where compiled libraries are kept: $MRPH_METAL_CACHE_DIR, else $XDG_CACHE_HOME/morphalith/metal,
// else $HOME/.cache/morphalith/metal. A library is keyed by the hash of its text (with the
// generated entries), the metal_stdlib, the compiler's version and its options.
MTL_STANDIN_API std::string cacheFolder();

// The metal_stdlib the stand-in compiles against.
MTL_STANDIN_API const char* shimText();

}  // namespace MTLStandIn

#endif  // MORPHALITH_STANDIN_METAL_METAL_STAND_IN_H
