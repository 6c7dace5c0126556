// The CUDA form: built by nvcc where it exists, run and compared with the C++ form only on a machine
// with a CUDA device.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kernels/kernel_scene.h"
#if defined(MRPH_HAVE_CUDA_KERNEL)
#include "Morphalith_Kernel_CUDA.h"
#endif

namespace {

TEST(KernelCUDA, MatchesTheCppForm) {
#if !defined(MRPH_HAVE_CUDA_KERNEL)
    GTEST_SKIP() << "skipped: the CUDA form was not built (nvcc not found)";
#else
    if (mrph_cuda::DeviceCount() == 0) GTEST_SKIP() << "skipped: no CUDA device";
    // The showcase, and a Polyhedron without vertex weights (once NaN here while OpenCL drew it).
    for (const mrph_test::KernelScene& s : {mrph_test::ShowcaseScene(64, 36), mrph_test::ZeroWeightPolyhedronScene()}) {
        const mrph_test::Image cpp = mrph_test::RenderCpp(s, 64, 36);

        std::vector<mrph_kernel::float4> out(64 * 36, mrph_test::Fill(-7.0f));
        mrph_cuda::FrameInput in{s.primitives.data(), s.materials.data(), s.modifiers.data(),
                                 (int)s.primitives.size(), s.lights.data(), (int)s.lights.size(),
                                 &s.camera, &s.render, s.environment.empty() ? nullptr : &s.environment[0].x,
                                 s.environmentWidth, s.environmentHeight};
        const char* message = nullptr;
        ASSERT_EQ(mrph_cuda::RenderFrame(in, &out[0].x, 64, 64, 36, &message), 0) << message;

        // The OpenCL comparison's tolerance: 2e-3 per channel (nvcc contracts to fused multiply-adds).
        size_t over = 0;
        size_t notFinite = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            const float* a = &cpp.pixels[i].x;
            const float* b = &out[i].x;
            for (int c = 0; c < 4; ++c) {
                over += std::fabs(a[c] - b[c]) > 2e-3f ? 1 : 0;
                notFinite += std::isfinite(b[c]) ? 0 : 1;
            }
        }
        EXPECT_EQ(over, 0u);
        EXPECT_EQ(notFinite, 0u);
    }
#endif
}

}  // namespace
