// Frames of Morphalith.aex through wine's opencl.dll (PoCL behind it), driven as a host drives the
// module: the scenes of examples/ applied, the GPU device set up with the module's Windows kernel text,
// frames pre-rendered and rendered. Each frame is written for the Linux tests, which render the same
// frame with the Linux module and compare (tests/host/windows_frame_test.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Morphalith_Kernel_Strings.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "tests/support/FrameFile.h"
#include "tests/win/wine_support.h"

namespace {

// The folder the frames go to: $MRPH_FRAME_DIR (a Unix path reaches the Unix root through Z:).
std::string frameFolder() {
    const char* dir = std::getenv("MRPH_FRAME_DIR");
    if (!dir || !*dir) return "";
    return (dir[0] == '/' ? "Z:" : "") + std::string(dir) + "/";
}

TEST(WindowsFrame, RenderedThroughWinesOpenCL) {
    for (const frame_file::Case& c : frame_file::kCases) {
        SCOPED_TRACE(c.name);
        host::Host h(wine_test::modulePath());
        ASSERT_TRUE(h.load()) << h.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::loadSceneFile(wine_test::sourceFile(c.scene), &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(h, scene, &error)) << error;
        host::FloatImage image;
        {
            host::RenderJob job(h);
            ASSERT_EQ(job.setupDevice(), PF_Err_NONE) << h.returnMessage();
            ASSERT_EQ(job.renderFrame(c.frame, &image, c.width, c.height), PF_Err_NONE) << h.returnMessage();
        }
        ASSERT_EQ(image.width, c.width);
        ASSERT_EQ(image.height, c.height);
        size_t covered = 0;
        for (size_t i = 3; i < image.bgra.size(); i += 4) covered += image.bgra[i] > 0.5f;
        EXPECT_GT(covered, image.bgra.size() / 4 / 20) << "the shapes cover under 5 % of the frame";
        if (!frameFolder().empty()) {
            std::error_code ignored;
            std::filesystem::create_directories(frameFolder(), ignored);
            EXPECT_TRUE(frame_file::write(frameFolder() + c.name + ".frame", image)) << frameFolder();
        }
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(h.handles().live(), 0u);
    }
}

// The Windows module's OpenCL text keeps markers into the kernel's own files, and the length measured
// at run time is the embedded text's.
TEST(WindowsKernelText, CarriesLineMarkersIntoTheKernelFiles) {
    const std::string text(kMorphalith_Kernel_OpenCLString);
    EXPECT_EQ(text.size(), kMorphalith_Kernel_OpenCLStringLength);
    EXPECT_EQ(text.rfind("#line 1 \"Morphalith_Kernel.h\"\n", 0), 0u);
    EXPECT_NE(text.find("\n#line 1 \"Morphalith_Kernel_March.h\"\n"), std::string::npos);
    EXPECT_EQ(text.find("\n# "), std::string::npos) << "a preprocessor marker is left";
    EXPECT_NE(text.find("\n#if GF_OPENCL_SUPPORTS_16F\n"), std::string::npos);
}

}  // namespace
