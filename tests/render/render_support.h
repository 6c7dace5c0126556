// render_support.h — frames of the real module through the stand-in host: a scene from JSON text,
// the OpenCL device set up, frames rendered and read back as floats.
#ifndef MORPHALITH_TESTS_RENDER_SUPPORT_H
#define MORPHALITH_TESTS_RENDER_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "tests/render/frame_difference.h"

namespace mrph_test {

class RenderedScene : public ::testing::Test {
protected:
    RenderedScene() : host_(MRPH_TEST_MODULE_PATH) {}

    // Loads the module, applies the scene and sets up a device of the framework; fails the test on any
    // error.
    void Open(const std::string& sceneJson, PF_GPU_Framework framework = PF_GPU_Framework_OPENCL) {
        ASSERT_TRUE(host_.load()) << host_.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(sceneJson, MRPH_TEST_DATA_DIR, &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(host_, scene, &error)) << error;
        job_ = std::make_unique<host::RenderJob>(host_);
        ASSERT_EQ(job_->setupDevice(framework), PF_Err_NONE) << host_.returnMessage();
    }
    void TearDown() override {
        job_.reset();
        if (host_.module().effectMain()) {
            host_.command(PF_Cmd_SEQUENCE_SETDOWN);
            host_.command(PF_Cmd_GLOBAL_SETDOWN);
        }
    }
    host::FloatImage Render(A_long frame = 0) {
        host::FloatImage image;
        EXPECT_EQ(job_->renderFrame(frame, &image), PF_Err_NONE) << host_.returnMessage();
        return image;
    }
    void SetParam(int index, double value) { host_.project().streams[index].value.one_d.value = value; }

    host::Host host_;
    std::unique_ptr<host::RenderJob> job_;
};

// (b, g, r, a) of one pixel.
inline void ExpectPixel(const host::FloatImage& image, int x, int y, float b, float g, float r, float a,
                        float tol = 2e-3f) {
    ASSERT_LT(x, image.width);
    ASSERT_LT(y, image.height);
    const float* p = image.at(x, y);
    EXPECT_NEAR(p[0], b, tol) << "blue at (" << x << ", " << y << ")";
    EXPECT_NEAR(p[1], g, tol) << "green at (" << x << ", " << y << ")";
    EXPECT_NEAR(p[2], r, tol) << "red at (" << x << ", " << y << ")";
    EXPECT_NEAR(p[3], a, tol) << "alpha at (" << x << ", " << y << ")";
}

// One frame of the scene through the framework, in a host of its own; pass 0 keeps the scene's
// "Render Mode", 1 to 4 sets it; a size of 0 is the composition's.
inline host::FloatImage RenderInOwnHost(const host::Scene& scene, PF_GPU_Framework framework, int pass, A_long frame,
                                        int width, int height) {
    constexpr int kRenderMode = 1129;
    host::FloatImage image;
    host::Host h(MRPH_TEST_MODULE_PATH);
    EXPECT_TRUE(h.load()) << h.error();
    std::string error;
    EXPECT_TRUE(host::applyScene(h, scene, &error)) << error;
    if (pass) h.project().streams[kRenderMode].value.one_d.value = pass;
    {
        host::RenderJob job(h);
        EXPECT_EQ(job.setupDevice(framework), PF_Err_NONE) << h.returnMessage();
        EXPECT_EQ(job.renderFrame(frame, &image, width, height), PF_Err_NONE) << h.returnMessage();
    }
    h.command(PF_Cmd_SEQUENCE_SETDOWN);
    h.command(PF_Cmd_GLOBAL_SETDOWN);
    return image;
}

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_RENDER_SUPPORT_H
