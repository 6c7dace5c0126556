// The frame comparisons the GPU-form tests rest on: a frame that went wrong as NaN must never count as
// close to the frame it is compared with.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/render/cpp_frame.h"
#include "tests/render/frame_difference.h"

namespace {

// Two pixels, both 0.5 grey; `b` then changes channel 2 of one pixel to `value` and, where `second`
// is given, the same channel of the other pixel to that.
struct Pair {
    host::FloatImage a, b;
    Pair(float value, int pixel = 1, float second = 0.5f) {
        a.width = b.width = 2;
        a.height = b.height = 1;
        a.bgra.assign(8, 0.5f);
        b.bgra = a.bgra;
        b.bgra[(size_t)pixel * 4 + 2] = value;
        b.bgra[(size_t)(1 - pixel) * 4 + 2] = second;
    }
};

TEST(FrameDifference, ANaNChannelIsFarFromEverything) {
    const Pair nan(std::numeric_limits<float>::quiet_NaN());
    const mrph_test::Difference d = mrph_test::Compare(nan.a, nan.b);
    EXPECT_TRUE(std::isnan(d.mean));
    EXPECT_EQ(d.outliers, 0.5);  // one pixel of two
    const mrph_test::ImageDifference i = mrph_test::CompareImages(nan.a, nan.b, 0.01f);
    EXPECT_TRUE(std::isnan(i.largest));
    EXPECT_EQ(i.pixelsOver, 1u);
    // Channels and pixels after the NaN do not hide it.
    const Pair first(std::numeric_limits<float>::quiet_NaN(), 0, 0.75f);
    EXPECT_TRUE(std::isnan(mrph_test::CompareImages(first.a, first.b, 0.01f).largest));
    EXPECT_EQ(mrph_test::CompareImages(first.a, first.b, 0.01f).pixelsOver, 2u);
}

TEST(FrameDifference, MeansTheLargestChannelDifferenceOfEachPixel) {
    const Pair close(0.5f + 0.004f);  // under the 0.01 of an outlier
    const mrph_test::Difference near = mrph_test::Compare(close.a, close.b);
    EXPECT_NEAR(near.mean, 0.002, 1e-6);  // (0 + 0.004) / 2
    EXPECT_EQ(near.outliers, 0.0);
    const Pair far(0.5f + 0.25f);
    EXPECT_NEAR(mrph_test::Compare(far.a, far.b).mean, 0.125, 1e-6);
    EXPECT_EQ(mrph_test::Compare(far.a, far.b).outliers, 0.5);
    EXPECT_FLOAT_EQ(mrph_test::CompareImages(far.a, far.b, 0.01f).largest, 0.25f);
}

}  // namespace
