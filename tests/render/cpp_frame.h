// cpp_frame.h — the reference for a GPU frame of the real module: its pre-render block rendered through
// the plain C++ form of the kernel, with the scalar inputs the dispatch computes.
#ifndef MORPHALITH_TESTS_RENDER_CPP_FRAME_H
#define MORPHALITH_TESTS_RENDER_CPP_FRAME_H

#include <cstddef>

#include "PF_Effect.h"
#include "host/RenderJob.h"
#include "render/PluginInputParams.h"

namespace mrph_test {

// width x height pixels of `block` (in_data gives the time and the composition size, as for the
// dispatch); env: the environment world's pixels as the module saw them, or null. Rows run on all cores.
host::FloatImage RenderBlockCpp(PF_InData* in_data, PluginInputParams* block, int width, int height,
                                const host::FloatImage* env);

struct ImageDifference {
    float largest = 0;      // largest difference of one channel
    size_t pixelsOver = 0;  // pixels with a channel differing by more than the tolerance
    size_t pixels = 0;
    bool sameSize = true;
};
ImageDifference CompareImages(const host::FloatImage& a, const host::FloatImage& b, float tolerance);

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_CPP_FRAME_H
