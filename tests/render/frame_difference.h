// frame_difference.h — how far two frames of one scene through two GPU forms are apart: per pixel the
// largest channel difference, over the frame its mean and the share of pixels where it exceeds 0.01.
#ifndef MORPHALITH_TESTS_RENDER_FRAME_DIFFERENCE_H
#define MORPHALITH_TESTS_RENDER_FRAME_DIFFERENCE_H

#include <algorithm>
#include <cmath>

#include "host/RenderJob.h"

namespace mrph_test {

struct Difference {
    double mean = 0;
    double outliers = 0;
};

inline Difference Compare(const host::FloatImage& a, const host::FloatImage& b) {
    Difference d;
    const size_t pixels = (size_t)a.width * a.height;
    size_t outliers = 0;
    for (size_t i = 0; i < pixels; ++i) {
        double largest = 0;
        for (int c = 0; c < 4; ++c)
            largest = std::max(largest, (double)std::fabs(a.bgra[i * 4 + c] - b.bgra[i * 4 + c]));
        d.mean += largest;
        if (largest > 0.01) ++outliers;
    }
    d.mean /= (double)pixels;
    d.outliers = (double)outliers / (double)pixels;
    return d;
}

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_FRAME_DIFFERENCE_H
