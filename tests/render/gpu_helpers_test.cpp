// The small pieces of the GPU path: rounding of the launch grid, status texts, rectangles, the
// host-version text, and a kernel build that fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/GpuDevice.h"
#include "render/GPURender.h"
#include "render/Headers/MachineInfo.h"
#include "render/OpenCLRender.h"
#include "render/PluginInputParams.h"
#include "tests/support/HostFixture.h"

namespace {

TEST(GpuHelpers, RoundingOfTheLaunchGrid) {
    struct {
        uint64_t value, by, up, divided;
    } cases[] = {{0, 16, 0, 0}, {1, 16, 16, 1}, {16, 16, 16, 1}, {17, 16, 32, 2}, {1920, 16, 1920, 120}, {0, 12, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundUp(c.value, c.by), c.up) << c.value;
        EXPECT_EQ(DivideRoundUp(c.value, c.by), c.divided) << c.value;
    }
}

TEST(GpuHelpers, OpenCLStatusTexts) {
    EXPECT_EQ(clGetErrorString(-11), "Code: 0xFFFFFFF5 (Build program failure)");
    EXPECT_EQ(clGetErrorString(0), "Code: 0x0 (Success)");
    EXPECT_EQ(clGetErrorString(-12345), "Code: 0xFFFFCFC7 (Unknown error)");
    EXPECT_EQ(CL2Err(0), 0);
    EXPECT_EQ(CL2Err(-59), 512);
}

TEST(GpuHelpers, Rectangles) {
    PF_LRect dst{0, 0, 0, 0};
    const PF_LRect a{10, 10, 20, 20}, b{15, 5, 30, 12}, empty{5, 5, 5, 9};
    UnionLRect(&a, &dst);
    EXPECT_EQ(dst.right, 20);
    UnionLRect(&empty, &dst);
    EXPECT_EQ(dst.left, 10);
    UnionLRect(&b, &dst);
    EXPECT_EQ(dst.left, 10);
    EXPECT_EQ(dst.top, 5);
    EXPECT_EQ(dst.right, 30);
    EXPECT_EQ(dst.bottom, 20);
    EXPECT_TRUE(IsEmptyRect(empty));
    EXPECT_TRUE(IsEdgePixel(a, 10, 15));
    EXPECT_FALSE(IsEdgePixel(a, 15, 15));
}

TEST(GpuHelpers, HostVersionText) {
    EXPECT_EQ(Machine::hostVersionText(13, 28), "13.28");
    EXPECT_EQ(Machine::hostVersionText(13, 5), "13.5");
}

// The About header's system version of a Linux machine: the kernel release's leading numbers.
TEST(GpuHelpers, ReleaseVersionText) {
    const struct {
        const char* release;
        const char* shown;
    } cases[] = {
        {"6.18.44-fc-v1523", "6.18.44"},
        {"5.15.0-91-generic", "5.15.0"},
        {"6.1.0", "6.1.0"},
        {"6.5.", "6.5"},          // the dot before the end is no part of the number
        {"4.19.0.rc1", "4.19.0"},
        {"rolling", "rolling"},  // no number to take: the whole text
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Machine::releaseVersionText(c.release), c.shown) << c.release;
}

TEST(GpuHelpers, KernelValuesOfAPaddedOutput) {
    PF_InData in{};
    in.width = 640;
    in.height = 360;
    in.current_time = 15;
    in.time_scale = 30;
    PF_LayerDef out{};
    out.width = 320;
    out.height = 180;
    out.rowbytes = 4096;
    PluginInputParams block{};
    block.numPrimitives = 3;
    const MainKernelValues v = MakeKernelValues(&in, PF_PixelFormat_GPU_BGRA128, nullptr, &out, &block);
    EXPECT_EQ(v.inDstPitch, 256);
    EXPECT_EQ(v.in16f, 0);
    EXPECT_EQ(v.mUseEnvironment, 0);
    EXPECT_EQ(v.numPrimitives, 3);
    EXPECT_FLOAT_EQ(v.inTime, 0.5f);
    EXPECT_FLOAT_EQ(block.global.widthFactor, 2.0f);
}

TEST(GpuHelpers, NullBlockIsDisposedQuietly) { DisposePreRenderData(nullptr); }

// A broken kernel text: the build fails with its status text in the error line, and its log (with
// the frame and the text after it) goes to the debug-text window.
class BrokenKernelBuild : public HostFixture {};

TEST_F(BrokenKernelBuild, ReportsTheBuildFailureWithItsCode) {
    host::OpenCLDevice* device = host::OpenCLDevice::get();
    ASSERT_NE(device, nullptr) << host::OpenCLDevice::error();
    const char text[] = "__kernel void MainKernel(__global float* out) { out[0] = undefined_name; }";
    void* kernel = nullptr;
    testing::internal::CaptureStdout();
    const PF_Err err = CompileOpenCLKernel(in(), out(), device->context(), device->device(), text, sizeof(text) - 1,
                                           &kernel);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(err, 512);
    EXPECT_EQ(kernel, nullptr);
    EXPECT_NE(printed.find("OpenCL Error Code: 0xFFFFFFF5 (Build program failure)"), std::string::npos) << printed;
    const std::vector<std::string> shown = host_.debugTexts();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find("\n-----------------------------------------------------------\n" + std::string(text)),
              std::string::npos);
    // The saved log lands below the test run's own HOME, never the user's.
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(std::string(home).rfind(std::filesystem::temp_directory_path().string(), 0), 0u) << home;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(home) / "Desktop" / "Quorvex Labs" / "Morphalith.log"));
}

}  // namespace
