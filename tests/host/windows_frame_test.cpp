// The Windows module's frames (rendered under wine through wine's opencl.dll by the Windows test host,
// tests/win/frame_test.cpp) against the same frames of the Linux module. Both run the one kernel on the
// same PoCL device, so the frames differ only by what the two builds compute differently on the host
// side (the C runtimes' maths in the camera and transforms) and by the Windows text's #line markers.
//
// The Windows build's tests run this with $MRPH_WINDOWS_FRAMES naming the folder of the frames; without
// it there is nothing to compare and the test is skipped.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "tests/support/FrameFile.h"

namespace {

// Every channel of every pixel within this of the Linux frame.
constexpr float kTolerance = 1e-4f;

TEST(WindowsFrame, MatchesTheLinuxModule) {
    const char* folder = std::getenv("MRPH_WINDOWS_FRAMES");
    if (!folder || !*folder) GTEST_SKIP() << "no Windows frames (the Windows build's wine tests make them)";
    for (const frame_file::Case& c : frame_file::kCases) {
        SCOPED_TRACE(c.name);
        host::FloatImage windows;
        ASSERT_TRUE(frame_file::read(std::string(folder) + "/" + c.name + ".frame", &windows));

        host::Host h(MRPH_TEST_MODULE_PATH);
        ASSERT_TRUE(h.load()) << h.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::loadSceneFile(std::string(MRPH_SOURCE_DIR) + "/" + c.scene, &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(h, scene, &error)) << error;
        host::FloatImage linuxFrame;
        {
            host::RenderJob job(h);
            ASSERT_EQ(job.setupDevice(), PF_Err_NONE) << h.returnMessage();
            ASSERT_EQ(job.renderFrame(c.frame, &linuxFrame, c.width, c.height), PF_Err_NONE) << h.returnMessage();
        }
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);

        ASSERT_EQ(windows.width, linuxFrame.width);
        ASSERT_EQ(windows.height, linuxFrame.height);
        float worst = 0.0f;
        size_t worstAt = 0, over = 0, differing = 0;
        for (size_t i = 0; i < linuxFrame.bgra.size(); ++i) {
            const float d = std::fabs(windows.bgra[i] - linuxFrame.bgra[i]);
            if (!(d <= kTolerance)) ++over;  // a NaN on one side counts
            if (d != 0.0f) ++differing;
            if (d > worst) worst = d, worstAt = i;
        }
        EXPECT_EQ(over, 0u) << "largest difference " << worst << " at pixel (" << worstAt / 4 % linuxFrame.width << ", "
                            << worstAt / 4 / linuxFrame.width << ")";
        RecordProperty(std::string(c.name) + "_largest_difference", std::to_string(worst));
        std::printf("%s: %zu of %zu channel values differ, largest difference %g\n", c.name, differing,
                    linuxFrame.bgra.size(), worst);
    }
}

}  // namespace
