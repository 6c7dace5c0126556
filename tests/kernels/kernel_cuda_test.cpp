// The CUDA form, as the fat binary the module carries, launched through the driver by the module's own
// launcher and compared with the C++ form. On a GPU machine this checks what nvcc made of the kernel;
// on the driver stand-in, which runs the C++ form itself, it checks the image, the launch and the
// read-back around it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/CudaExpected.h"
#include "kernels/kernel_scene.h"
#if defined(MRPH_HAVE_CUDA)
#include "Morphalith_Kernel_Strings.h"
#include "render/GPURender.h"
#include "render/cuda/CudaRender.h"
#include "tests/render/cuda_driver_session.h"
#endif

namespace {

TEST(KernelCUDA, MatchesTheCppForm) {
#if !defined(MRPH_HAVE_CUDA)
    GTEST_SKIP() << "skipped: built without the CUDA toolkit";
#else
    mrph_test::CudaDriverSession cuda;
    if (!cuda.ok()) MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA driver or device (" << cuda.error() << ")";
    const CudaApi& api = cuda.api();
    CUmodule module = nullptr;
    CUfunction kernel = nullptr;
    ASSERT_EQ(api.moduleLoadData(&module, kMorphalith_Kernel_CUDAImage), CUDA_SUCCESS);
    ASSERT_EQ(api.moduleGetFunction(&kernel, module, "MainKernel"), CUDA_SUCCESS);

    // The showcase (an environment among its stages), and a Polyhedron without vertex weights (once NaN
    // here while OpenCL drew it).
    for (const mrph_test::KernelScene& s : {mrph_test::ShowcaseScene(64, 36), mrph_test::ZeroWeightPolyhedronScene()}) {
        const mrph_test::Image cpp = mrph_test::RenderCpp(s, 64, 36);

        CUarray environment = nullptr;
        if (!s.environment.empty()) {
            CUDA_ARRAY_DESCRIPTOR format{};
            format.Width = (size_t)s.environmentWidth;
            format.Height = (size_t)s.environmentHeight;
            format.Format = CU_AD_FORMAT_FLOAT;
            format.NumChannels = 4;
            ASSERT_EQ(api.arrayCreate(&environment, &format), CUDA_SUCCESS);
            CUDA_MEMCPY2D copy{};
            copy.srcMemoryType = CU_MEMORYTYPE_HOST;
            copy.srcHost = s.environment.data();
            copy.srcPitch = (size_t)s.environmentWidth * 16;
            copy.dstMemoryType = CU_MEMORYTYPE_ARRAY;
            copy.dstArray = environment;
            copy.WidthInBytes = (size_t)s.environmentWidth * 16;
            copy.Height = (size_t)s.environmentHeight;
            ASSERT_EQ(api.memcpy2D(&copy), CUDA_SUCCESS);
        }
        std::vector<mrph_kernel::float4> out(64 * 36, mrph_test::Fill(-7.0f));
        const CUdeviceptr output = cuda.upload(out.data(), out.size() * 16);
        ASSERT_NE(output, 0u);

        PluginInputParams block{};
        block.camera = s.camera;
        block.global = s.render;
        block.primitives = const_cast<PrimitiveData*>(s.primitives.data());
        block.materials = const_cast<MaterialData*>(s.materials.data());
        block.modifiers = const_cast<ModifiersData*>(s.modifiers.data());
        block.lights = const_cast<LightData*>(s.lights.data());
        block.numPrimitives = (int)s.primitives.size();
        block.numLights = (int)s.lights.size();
        MainKernelValues values{};
        values.inDstPitch = 64;
        values.inWidth = 64;
        values.inHeight = 36;
        values.mUseEnvironment = environment ? 1 : 0;
        values.numPrimitives = block.numPrimitives;
        values.numLights = block.numLights;
        const CudaLaunch launch{output, environment, &values, &block};
        ASSERT_EQ(LaunchMainKernelCUDA(api, kernel, launch), CUDA_SUCCESS);
        ASSERT_TRUE(cuda.download(out.data(), output, out.size() * 16));
        if (environment) api.arrayDestroy(environment);

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
    api.moduleUnload(module);
#endif
}

}  // namespace
