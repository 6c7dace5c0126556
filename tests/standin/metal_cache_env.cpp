// Every test process keeps compiled Metal libraries in the build's own cache folder, never under the
// user's home: one compile of a text serves every test of a run.
#include <cstdlib>

namespace {

[[maybe_unused]] const bool kCacheFolderSet = [] {
    setenv("MRPH_METAL_CACHE_DIR", MRPH_TEST_METAL_CACHE_DIR, 0);
    return true;
}();

}  // namespace
