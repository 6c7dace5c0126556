// The embedded OpenCL text on the machine's OpenCL (PoCL here): it builds as device set-up builds it,
// its entry takes the 16 arguments in dispatch order, and it draws what the C++ form draws.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "kernels/kernel_opencl_runner.h"

namespace {

using mrph_test::F3;
using mrph_test::Image;
using mrph_test::KernelScene;
using mrph_test::OpenCLRunner;

TEST(KernelOpenCLText, KeepsTheRunTimeDirectivesAndTheEntry) {
    const std::string text(kMorphalith_Kernel_OpenCLString, kMorphalith_Kernel_OpenCLStringLength);
    EXPECT_EQ(text.size(), std::char_traits<char>::length(kMorphalith_Kernel_OpenCLString));
    EXPECT_NE(text.find("\n#if GF_OPENCL_SUPPORTS_16F\n"), std::string::npos);
    EXPECT_NE(text.find("\n#endif\n"), std::string::npos);
    EXPECT_NE(text.find("__kernel void MainKernel("), std::string::npos);
    EXPECT_EQ(text.find("MRPH_"), std::string::npos) << "every macro of ours is expanded";
    EXPECT_EQ(text.find("#include"), std::string::npos);

    const std::string metal(kMorphalith_Kernel_MetalString, kMorphalith_Kernel_MetalStringLength);
    EXPECT_EQ(metal.rfind("\n#include <metal_stdlib>\n", 0), 0u);
    EXPECT_NE(metal.find("struct MainKernelValues {"), std::string::npos);
    EXPECT_NE(metal.find("kernel void MainKernel("), std::string::npos);
    EXPECT_NE(metal.find("[[buffer(7)]]"), std::string::npos);
    EXPECT_NE(metal.find("[[texture(0)]]"), std::string::npos);
    EXPECT_EQ(metal.find("MRPH_"), std::string::npos);
}

// Both values of the run-time switch give a program; argument names need -cl-kernel-arg-info, so the
// order check builds once more with it.
TEST(KernelOpenCLBuild, BuildsWithEitherPrefixAndTakesSixteenArguments) {
    for (const char* prefix : {"#define GF_OPENCL_SUPPORTS_16F 0\n", "#define GF_OPENCL_SUPPORTS_16F 1\n"}) {
        OpenCLRunner cl;
        ASSERT_TRUE(cl.ok()) << cl.error();
        EXPECT_TRUE(cl.Build(prefix)) << prefix << cl.error() << "\n" << cl.buildLog();
    }

    OpenCLRunner cl;
    ASSERT_TRUE(cl.ok()) << cl.error();
    ASSERT_TRUE(cl.Build(mrph_test::kOpenCLPrefix16F,
                         "-cl-single-precision-constant -cl-fast-relaxed-math -cl-kernel-arg-info"))
        << cl.error() << "\n" << cl.buildLog();
    cl_uint count = 0;
    ASSERT_EQ(clGetKernelInfo(cl.kernel(), CL_KERNEL_NUM_ARGS, sizeof(count), &count, nullptr), CL_SUCCESS);
    ASSERT_EQ(count, 16u);
    const char* names[16] = {"inEnvironment", "outDst",     "primitives", "materials",       "modifiers",
                             "lights",        "camera",     "render",     "inDstPitch",      "in16f",
                             "inWidth",       "inHeight",   "mUseEnvironment", "numPrimitives", "numLights",
                             "inTime"};
    for (cl_uint i = 0; i < 16; ++i) {
        char name[64] = {};
        ASSERT_EQ(clGetKernelArgInfo(cl.kernel(), i, CL_KERNEL_ARG_NAME, sizeof(name), name, nullptr), CL_SUCCESS);
        EXPECT_STREQ(name, names[i]) << "argument " << i;
    }
}

// One build of the embedded text with the exact device set-up options, shared by the comparisons.
class KernelOpenCL : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        runner_ = std::make_unique<OpenCLRunner>();
        if (runner_->ok()) runner_->Build();
    }
    static void TearDownTestSuite() { runner_.reset(); }
    void SetUp() override { ASSERT_TRUE(runner_->ok()) << runner_->error() << "\n" << runner_->buildLog(); }

    static std::unique_ptr<OpenCLRunner> runner_;
};
std::unique_ptr<OpenCLRunner> KernelOpenCL::runner_;

struct Difference {
    float max = 0;
    double mean = 0;
    float fractionOver = 0;  // share of channel values off by more than the per-value tolerance
};

Difference Compare(const Image& a, const Image& b, float tolerance) {
    Difference d;
    size_t over = 0;
    const size_t n = (size_t)a.width * a.height;
    for (unsigned y = 0; y < a.height; ++y) {
        for (unsigned x = 0; x < a.width; ++x) {
            const float* pa = &a.At(x, y).x;
            const float* pb = &b.At(x, y).x;
            for (int c = 0; c < 4; ++c) {
                const float e = std::fabs(pa[c] - pb[c]);
                d.max = std::fmax(d.max, e);
                d.mean += e;
                over += e > tolerance ? 1 : 0;
            }
        }
    }
    d.mean /= (double)(n * 4);
    d.fractionOver = (float)over / (float)(n * 4);
    return d;
}

TEST_F(KernelOpenCL, CentreSphereOfAScaledComposition) {
    // The reference scene scaled by 1/10: a 64 x 36 comp, camera distance 100, radius 5.
    KernelScene s;
    s.camera = mrph_test::DefaultCamera(64, 36, 100);
    s.Add(PrimitiveType::Sphere, F3(32, 18, 0)).radius = 5;
    s.render.maxDist = 190;
    s.render.epsilon = 0.001f;
    s.render.renderPass = (int)RenderPass::Depth;
    Image img;
    ASSERT_TRUE(runner_->Render(s, 64, 36, &img)) << runner_->error();
    EXPECT_NEAR(img.At(32, 18).x, 0.5f, 1e-3f);
    EXPECT_EQ(img.At(32, 18).w, 1.0f);
    EXPECT_EQ(img.At(0, 0).w, 0.0f);

    s.render.renderPass = (int)RenderPass::Normal;
    ASSERT_TRUE(runner_->Render(s, 64, 36, &img)) << runner_->error();
    EXPECT_NEAR(img.At(32, 18).x, 0.0f, 1e-3f);
    EXPECT_NEAR(img.At(32, 18).y, 0.5f, 1e-3f);
    EXPECT_NEAR(img.At(32, 18).z, 0.5f, 1e-3f);
}

// The same records through both forms. The OpenCL build runs with relaxed math (approximate sin,
// cos, pow, fused multiply-adds); on this scene that moves no channel by more than about 4e-4, so
// 2e-3 per channel leaves room for another device while still catching a wrong term or a lost bounce
// (each of which moves whole regions by 1e-2 and more).
class KernelOpenCLMatchesCpp : public KernelOpenCL, public ::testing::WithParamInterface<RenderPass> {};

TEST_P(KernelOpenCLMatchesCpp, ShowcaseScene) {
    KernelScene s = mrph_test::ShowcaseScene(64, 36);
    s.render.renderPass = (int)GetParam();
    const Image cpp = mrph_test::RenderCpp(s, 64, 36);
    Image cl;
    ASSERT_TRUE(runner_->Render(s, 64, 36, &cl)) << runner_->error();
    const Difference d = Compare(cpp, cl, 2e-3f);
    EXPECT_EQ(d.fractionOver, 0.0f) << "max " << d.max << ", mean " << d.mean;
    EXPECT_LT(d.mean, 1e-4) << "max " << d.max;
}

std::string PassName(const ::testing::TestParamInfo<RenderPass>& info) {
    const char* names[] = {"Unknown", "Beauty", "Normal", "Depth", "AO"};
    return names[(int)info.param];
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelOpenCLMatchesCpp,
                         ::testing::Values(RenderPass::Beauty, RenderPass::Normal, RenderPass::Depth,
                                           RenderPass::AO),
                         PassName);

// A Polyhedron with all three vertex weights 0 once gave NaN in the C++ and CUDA forms (a normalised
// zero vector) and wiped the whole picture, while OpenCL still drew it. Both forms now draw the same
// finite picture, the sphere beside it included, with the surface where the formula puts it.
TEST_F(KernelOpenCL, ZeroWeightPolyhedronIsFiniteAndAgrees) {
    KernelScene s = mrph_test::ZeroWeightPolyhedronScene();
    for (RenderPass pass : {RenderPass::Beauty, RenderPass::Depth}) {
        s.render.renderPass = (int)pass;
        const Image cpp = mrph_test::RenderCpp(s, 64, 36);
        Image cl;
        ASSERT_TRUE(runner_->Render(s, 64, 36, &cl)) << runner_->error();
        for (const Image* img : {&cpp, static_cast<const Image*>(&cl)}) {
            for (const mrph_kernel::float4& p : img->pixels) {
                ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(p.w))
                    << (img == &cpp ? "C++" : "OpenCL");
            }
            EXPECT_EQ(img->At(32, 18).w, 1.0f) << "the polyhedron is drawn";
            EXPECT_EQ(img->At(16, 18).w, 1.0f) << "the sphere is drawn";
            EXPECT_EQ(img->At(2, 2).w, 0.0f) << "the corner misses";
        }
        const Difference d = Compare(cpp, cl, 2e-3f);
        EXPECT_EQ(d.fractionOver, 0.0f) << "max " << d.max << ", mean " << d.mean;
        if (pass == RenderPass::Depth) {
            // 96 of a maxDist of 192 is half way: smoothstep(0.5) = 0.5.
            EXPECT_NEAR(cpp.At(32, 18).x, 0.5f, 1e-3f);
            EXPECT_NEAR(cl.At(32, 18).x, 0.5f, 1e-3f);
        }
    }
}

}  // namespace
