// frame_difference.h — how far two frames of one scene through two GPU forms are apart: per pixel the
// largest channel difference, over the frame its mean and the share of pixels where it exceeds 0.01.
#ifndef MORPHALITH_TESTS_RENDER_FRAME_DIFFERENCE_H
#define MORPHALITH_TESTS_RENDER_FRAME_DIFFERENCE_H

#include <cmath>
#include <cstddef>

#include "host/RenderJob.h"

namespace mrph_test {

struct Difference {
    double mean = 0;
    double outliers = 0;
};

// The largest of pixel p's channel differences: NaN where a channel of either frame is NaN, so that a
// frame of NaN never passes for one close to the other (std::max would drop it).
inline float PixelDifference(const host::FloatImage& a, const host::FloatImage& b, size_t p) {
    float largest = 0;
    for (int c = 0; c < 4; ++c) {
        const float d = std::fabs(a.bgra[p * 4 + c] - b.bgra[p * 4 + c]);
        if (std::isnan(d) || d > largest) largest = d;
    }
    return largest;
}

// Frames of one size; a NaN pixel makes the mean NaN and counts as an outlier.
inline Difference Compare(const host::FloatImage& a, const host::FloatImage& b) {
    Difference d;
    const size_t pixels = (size_t)a.width * a.height;
    size_t outliers = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const float largest = PixelDifference(a, b, i);
        d.mean += largest;
        if (!(largest <= 0.01f)) ++outliers;
    }
    d.mean /= (double)pixels;
    d.outliers = (double)outliers / (double)pixels;
    return d;
}

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_FRAME_DIFFERENCE_H
