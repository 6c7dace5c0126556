// The module's bounded renderer against the reference renderer, frame for frame: every scene in
// examples/ and a scene with every modifier at strength (tests/data/strong_modifiers.json), rendered
// small by the module and by the reference module (the same plug-in with the reference kernel texts),
// may differ by at most 1/255 in any channel of any pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 128, kHeight = 72;

std::vector<std::string> ComparedScenes() {
    std::vector<std::string> scenes;
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(MRPH_SOURCE_DIR) / "examples"))
        if (e.path().extension() == ".json") scenes.push_back(e.path().string());
    std::sort(scenes.begin(), scenes.end());
    scenes.push_back(std::string(MRPH_TEST_DATA_DIR) + "/strong_modifiers.json");
    return scenes;
}

// Frame 0 of the scene file through the module at `modulePath`, kWidth x kHeight.
void RenderScene(const std::string& modulePath, const std::string& scenePath, host::FloatImage* image) {
    host::Host host(modulePath);
    ASSERT_TRUE(host.load()) << host.error();
    host::Scene scene;
    std::string error;
    ASSERT_TRUE(host::loadSceneFile(scenePath, &scene, &error)) << error;
    ASSERT_TRUE(host::applyScene(host, scene, &error)) << error;
    {
        host::RenderJob job(host);
        ASSERT_EQ(job.setupDevice(), PF_Err_NONE) << host.returnMessage();
        ASSERT_EQ(job.renderFrame(0, image, kWidth, kHeight), PF_Err_NONE) << host.returnMessage();
    }
    host.command(PF_Cmd_SEQUENCE_SETDOWN);
    host.command(PF_Cmd_GLOBAL_SETDOWN);
}

// The embedded OpenCL text of a module file: the body of its MainKernel entry.
std::string MainKernelBody(const std::string& modulePath) {
    std::ifstream in(modulePath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t entry = bytes.find("__kernel void MainKernel(");
    if (entry == std::string::npos) return "";
    return bytes.substr(entry, bytes.find('}', entry) - entry);
}

// The comparison means something only if the two modules carry different renderers.
TEST(RendererComparison, ModulesCarryTheBoundedAndTheReferenceRenderer) {
    EXPECT_NE(MainKernelBody(MRPH_TEST_MODULE_PATH).find("MainKernel_Delegate("), std::string::npos);
    EXPECT_NE(MainKernelBody(MRPH_TEST_REFERENCE_MODULE_PATH).find("ReferenceKernel_Delegate("), std::string::npos);
}

class RendererComparison : public ::testing::TestWithParam<std::string> {};

TEST_P(RendererComparison, FramesAgreeWithinOneLevel) {
    host::FloatImage bounded, reference;
    ASSERT_NO_FATAL_FAILURE(RenderScene(MRPH_TEST_MODULE_PATH, GetParam(), &bounded));
    ASSERT_NO_FATAL_FAILURE(RenderScene(MRPH_TEST_REFERENCE_MODULE_PATH, GetParam(), &reference));
    ASSERT_EQ(bounded.bgra.size(), reference.bgra.size());
    float largest = 0.0f;
    size_t where = 0;
    for (size_t i = 0; i < bounded.bgra.size(); ++i) {
        const float d = std::fabs(bounded.bgra[i] - reference.bgra[i]);
        if (!(d <= largest)) {
            largest = d;
            where = i / 4;
        }
    }
    EXPECT_LE(largest, 1.0f / 255.0f) << "at pixel (" << where % kWidth << ", " << where / kWidth << ")";
}

INSTANTIATE_TEST_SUITE_P(Scenes, RendererComparison, ::testing::ValuesIn(ComparedScenes()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum((unsigned char)c); },
                                             '_');
                             return name;
                         });

}  // namespace
