// Morphalith.aex on CUDA under wine: the module loads nvcuda.dll by the system's search and finds the
// driver stand-in beside this test program, so every example renders through the module's CUDA path
// and is held against the OpenCL frame of wine's opencl.dll; from a folder without the stand-in the
// module still loads and renders through OpenCL, and the host says why it offers no CUDA.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/CudaExpected.h"
#include "host/CudaDevice.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "tests/render/frame_difference.h"
#include "tests/win/wine_support.h"

namespace {

host::FloatImage RenderExample(const std::string& example, PF_GPU_Framework framework, A_long frame) {
    host::FloatImage image;
    host::Host h(wine_test::modulePath());
    EXPECT_TRUE(h.load()) << h.error();
    host::Scene scene;
    std::string error;
    EXPECT_TRUE(host::loadSceneFile(wine_test::sourceFile("examples/" + example + ".json"), &scene, &error))
        << error;
    EXPECT_TRUE(host::applyScene(h, scene, &error)) << error;
    {
        host::RenderJob job(h);
        EXPECT_EQ(job.setupDevice(framework), PF_Err_NONE) << h.returnMessage();
        EXPECT_EQ(job.renderFrame(frame, &image, 160, 90), PF_Err_NONE) << h.returnMessage();
    }
    h.command(PF_Cmd_SEQUENCE_SETDOWN);
    h.command(PF_Cmd_GLOBAL_SETDOWN);
    EXPECT_EQ(h.handles().live(), 0u);
    return image;
}

// The tolerance of the Linux comparison (tests/render/cuda_module_test.cpp): a mean of at most 1e-3 of
// each pixel's largest channel difference, at most 0.1 % of the pixels off by more than 0.01.
TEST(WindowsCudaFrame, EveryExampleMatchesOpenCL) {
    if (!host::CudaDevice::get())
        MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA device (" << host::CudaDevice::error() << ")";
    struct Case {
        const char* example;
        A_long frame;
    } cases[] = {{"primitives", 0}, {"modifiers", 45}, {"lights", 0}, {"panel", 0}, {"reflections", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.example);
        const host::FloatImage opencl = RenderExample(c.example, PF_GPU_Framework_OPENCL, c.frame);
        const host::FloatImage cuda = RenderExample(c.example, PF_GPU_Framework_CUDA, c.frame);
        ASSERT_EQ(opencl.bgra.size(), cuda.bgra.size());
        const mrph_test::Difference d = mrph_test::Compare(opencl, cuda);
        EXPECT_LE(d.mean, 1e-3);
        EXPECT_LE(d.outliers, 0.001);
        std::printf("%s: mean difference %.3g, %.3f %% of pixels over 0.01\n", c.example, d.mean,
                    100 * d.outliers);
    }
}

TEST(WindowsCudaFrame, WithoutTheDriverTheModuleRendersThroughOpenCLAndTheHostSaysWhy) {
    // This program and the module, copied where no nvcuda.dll lies beside them.
    wine_test::ScratchFolder folder;
    ASSERT_TRUE(
        CopyFileA(wine_test::modulePath().c_str(), (folder.path() + "Morphalith.aex").c_str(), FALSE));
    std::string printed;
    ASSERT_EQ(wine_test::runChild({"cuda-absent"}, &printed, folder.path() + "morphalith_win_tests.exe"), 0)
        << printed;
    EXPECT_NE(printed.find("cuda=the CUDA driver (nvcuda.dll) could not be loaded: Windows error 126\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("opencl=0 64x36\n"), std::string::npos) << printed;
}

// The module looks for the driver in the host's folder and System32 only: an nvcuda.dll in the current
// folder (here the stand-in, beside the test program) is anybody's, and is not loaded.
TEST(WindowsCudaFrame, AnNvcudaDllInTheCurrentFolderIsNotLoaded) {
    wine_test::ScratchFolder folder;
    ASSERT_TRUE(
        CopyFileA(wine_test::modulePath().c_str(), (folder.path() + "Morphalith.aex").c_str(), FALSE));
    std::string printed;
    ASSERT_EQ(wine_test::runChild({"cuda-planted", wine_test::programFolder()}, &printed,
                                  folder.path() + "morphalith_win_tests.exe"),
              0)
        << printed;
    EXPECT_NE(printed.find("module=the CUDA driver (nvcuda.dll) could not be loaded: Windows error 126\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("host=offered\n"), std::string::npos) << "the normal search finds it: " << printed;
}

}  // namespace
