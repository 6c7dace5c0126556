// Frames of the real module on OpenCL, checked against numbers a person can derive.
//
// The reference: a 64 x 36 composition; its default camera stands at (32, 18, -d) with
// d = 64 * 50 / 36 = 88.89 and looks along +z. A sphere of radius 10 at (32, 18, 0) is met by the
// centre pixel's ray after d - 10 = 78.89 pixels, where the normal is (0, 0, -1).
#include <cmath>
#include <string>

#include "render/PluginInputParams.h"
#include "tests/render/render_support.h"

namespace {

using mrph_test::ExpectPixel;

constexpr int kRenderMode = 1129, kMaxClipDistance = 1105;

std::string SphereScene(const std::string& extra = "", const std::string& nullPosition = "[32, 18, 0]",
                        const std::string& lights = "[]") {
    return R"({"composition": {"width": 64, "height": 36, "frameRate": 30, "duration": 2},
      "lights": )" + lights + R"(,
      "nulls": [{"id": 2, "position": )" + nullPosition + R"(}])" + extra + R"(,
      "effect": {"params": {"Ambient Light Color Top": [0, 0, 0], "Ambient Light Color Bottom": [0, 0, 0],
                            "Max Clip Distance": 200},
                 "slots": [{"type": "Sphere", "layer": 2,
                            "params": {"Diameter": 10, "Diffuse Color": [204, 102, 51], "Specular Intensity": 0}}]}})";
}

class SphereFrame : public mrph_test::RenderedScene {};

float Smooth(float x) { return x * x * (3.0f - 2.0f * x); }



TEST_F(SphereFrame, PassesAtTheCentre) {
    Open(SphereScene());
    struct Case {
        const char* pass;
        int mode;
        float b, g, r;
    } cases[] = {
        {"depth: smoothstep(0, max clip distance, distance)", 3, Smooth(78.89f / 200), Smooth(78.89f / 200),
         Smooth(78.89f / 200)},
        {"normal (0, 0, -1) * 0.5 + 0.5", 2, 0.0f, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pass);
        SetParam(kRenderMode, c.mode);
        const host::FloatImage image = Render();
        ExpectPixel(image, 32, 18, c.b, c.g, c.r, 1.0f);
        ExpectPixel(image, 0, 0, 0, 0, 0, 0, 0.0f);  // a miss is transparent black in every pass
    }
}

// A lone convex sphere occludes nothing: its occlusion pass is white at the panel's defaults (taps
// 100 px apart at full strength, march steps shortened to 60 %).
TEST_F(SphereFrame, AmbientOcclusionOfALoneSphereIsWhite) {
    Open(SphereScene());
    SetParam(kRenderMode, 4);
    ExpectPixel(Render(), 32, 18, 1.0f, 1.0f, 1.0f, 1.0f);
}

TEST_F(SphereFrame, DepthFollowsTheMaxClipDistance) {
    Open(SphereScene());
    SetParam(kRenderMode, 3);
    SetParam(kMaxClipDistance, 157.78);
    ExpectPixel(Render(), 32, 18, 0.5f, 0.5f, 0.5f, 1.0f);
}

// A point light straight behind the camera meets the sphere's centre head-on (n . l = 1): the pixel
// is intensity x diffuse colour, with no ambient and no specular.
TEST_F(SphereFrame, BeautyOfAHeadOnLight) {
    const std::string light = R"([{"type": "point", "intensity": 100, "falloffStart": 100, "position": [32, 18, -300]}])";
    Open(SphereScene("", "[32, 18, 0]", light));
    ExpectPixel(Render(), 32, 18, 0.2f, 0.4f, 0.8f, 1.0f, 5e-3f);
}

TEST_F(SphereFrame, ALightSwitchedOffDoesNotShade) {
    const std::string light =
        R"([{"type": "point", "intensity": 100, "falloffStart": 100, "position": [32, 18, -300], "enabled": false}])";
    Open(SphereScene("", "[32, 18, 0]", light));
    ExpectPixel(Render(), 32, 18, 0.0f, 0.0f, 0.0f, 1.0f);
}

// Twice as far away, at z = d, the sphere's silhouette shrinks to r * f / D, about 5 pixels
// (f = 36 / fov, D = 2d).
TEST_F(SphereFrame, SilhouetteMatchesTheProjectedRadius) {
    Open(SphereScene("", "[32, 18, 88.89]"));
    const host::FloatImage image = Render();
    const double f = 36.0 / (2.0 * std::atan(18.0 / 88.89));
    const double projected = 10.0 * f / std::sqrt(177.78 * 177.78 - 100.0);
    EXPECT_NEAR(projected, 5.07, 0.05);
    for (int dx : {3, 4}) EXPECT_EQ(image.at(32 + dx, 18)[3], 1.0f) << "inside at " << dx;
    for (int dx : {6, 7}) EXPECT_EQ(image.at(32 + dx, 18)[3], 0.0f) << "outside at " << dx;
}

// An orthographic camera keeps the sphere at its true radius at any distance.
TEST_F(SphereFrame, OrthographicCameraKeepsTheTrueRadius) {
    Open(SphereScene(R"(, "camera": {"type": "orthographic"})", "[32, 18, 500]"));
    SetParam(kMaxClipDistance, 2000);  // the sphere is 590 pixels away
    const host::FloatImage image = Render();
    EXPECT_EQ(image.at(32 + 8, 18)[3], 1.0f);
    EXPECT_EQ(image.at(32 + 12, 18)[3], 0.0f);
}

// The null moves from x = 22 at 0 s to x = 42 at 1 s; frame 30 is 1 s at 30 frames per second.
TEST_F(SphereFrame, KeyframedNullMovesBetweenFrames) {
    Open(SphereScene("", R"({"keyframes": [[0, [22, 18, 0]], [1, [42, 18, 0]]]})"));
    const host::FloatImage first = Render(0), later = Render(30), middle = Render(15);
    EXPECT_EQ(first.at(22, 18)[3], 1.0f);
    EXPECT_EQ(first.at(42, 18)[3], 0.0f);
    EXPECT_EQ(later.at(22, 18)[3], 0.0f);
    EXPECT_EQ(later.at(42, 18)[3], 1.0f);
    EXPECT_EQ(middle.at(32, 18)[3], 1.0f);
}

// A uniform environment (r, g, b, a) = (0.6, 0.4, 0.2, 0.5) seen directly where nothing is hit.
TEST_F(SphereFrame, EnvironmentSeenDirectly) {
    Open(SphereScene(R"(, "environment": {"color": [0.6, 0.4, 0.2, 0.5], "width": 8, "height": 4})"));
    ExpectPixel(Render(), 2, 2, 0.2f, 0.4f, 0.6f, 0.5f);
    job_->setRowPadding(3);  // an environment and output whose rows are longer than their pixels
    ExpectPixel(Render(), 2, 2, 0.2f, 0.4f, 0.6f, 0.5f);
    EXPECT_EQ(job_->environmentRequest().rect.right, 10000);
    EXPECT_EQ(job_->environmentRequest().rect.bottom, 10000);
}

TEST_F(SphereFrame, PaddedOutputRowsGiveTheSamePixels) {
    Open(SphereScene());
    SetParam(kRenderMode, 2);
    job_->setRowPadding(5);
    ExpectPixel(Render(), 32, 18, 0.0f, 0.5f, 0.5f, 1.0f);
}

// A slot whose null layer was deleted renders empty instead of failing the frame.
TEST_F(SphereFrame, MissingNullLayerRendersEmpty) {
    Open(SphereScene());
    auto& layers = host_.project().comp.layers;
    for (size_t i = 0; i < layers.size(); ++i)
        if (layers[i].id == 2) layers.erase(layers.begin() + (long)i);
    const host::FloatImage image = Render();
    ExpectPixel(image, 32, 18, 0, 0, 0, 0, 0.0f);
    EXPECT_EQ(host_.handles().openLocks(), 0);
}

TEST_F(SphereFrame, FrameIdentityMixesLightColoursFovAndSlotMatrices) {
    const std::string lights = R"([{"type": "point"}, {"type": "ambient"}])";
    Open(SphereScene("", "[32, 18, 0]", lights));
    ASSERT_EQ(job_->preRender(0), PF_Err_NONE);
    const auto* block = static_cast<const PluginInputParams*>(job_->preRenderData());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->numLights, 2);
    EXPECT_EQ(block->numPrimitives, 1);
    EXPECT_EQ(job_->guidBytes().size(), 2u * 12 + 4 + 64);
    EXPECT_TRUE(job_->preRenderOutput().flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE);
    EXPECT_EQ(job_->preRenderOutput().result_rect.right, 64);
}

TEST_F(SphereFrame, CpuRenderGetsTheGpuOnlyMessage) {
    Open(SphereScene());
    EXPECT_EQ(job_->renderCPU(0), PF_Err_NONE);
    EXPECT_NE(host_.returnMessage().find("\n\nSorry, the current version of the plugin only supports GPU"),
              std::string::npos)
        << host_.returnMessage();
    EXPECT_EQ(host_.returnMessage().rfind("Morphalith v", 0), 0u);
    EXPECT_TRUE(host_.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
}

TEST_F(SphereFrame, WrongPixelFormatGives514AndLeavesNothingLocked) {
    Open(SphereScene());
    job_->setInputPixelFormat(PF_PixelFormat_ARGB128);
    host::FloatImage image;
    EXPECT_EQ(job_->renderFrame(0, &image), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(host_.handles().openLocks(), 0);
    EXPECT_EQ(job_->openPixelCheckouts(), 0) << "both layers are checked in after a failure";
}

#if !defined(MRPH_HAVE_CUDA)
// A host that offers CUDA to a build without the CUDA path gets an error for the frame, not an
// untouched output. (With the path built in, tests/render/cuda_* cover CUDA frames.)
TEST_F(SphereFrame, CudaFrameWithoutACudaPathIsAnError) {
    Open(SphereScene());
    ASSERT_EQ(job_->setdownDevice(), PF_Err_NONE);
    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_CUDA), PF_Err_NONE);
    host::FloatImage image;
    EXPECT_EQ(job_->renderFrame(0, &image), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_NE(host_.printed().find("CUDA rendering is not available in this build"), std::string::npos)
        << host_.printed();
    EXPECT_EQ(host_.handles().openLocks(), 0);
    EXPECT_EQ(job_->openPixelCheckouts(), 0);
}
#endif

// A device whose kernel did not build keeps a GPU-data handle holding no kernel: its frames fail as a
// failing argument call does, with the OpenCL error line of CL_INVALID_KERNEL (-48, 0xFFFFFFD0).
TEST_F(SphereFrame, AFrameOnADeviceWhoseKernelDidNotBuildSaysSo) {
    Open(SphereScene());
    void** block = static_cast<void**>(*static_cast<PF_Handle>(const_cast<void*>(job_->gpuData())));
    void* kernel = *block;
    *block = nullptr;
    host::FloatImage image;
    EXPECT_EQ(job_->renderFrame(0, &image), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_NE(host_.printed().find(":SmartRenderGPU] :: OpenCL Error Code: 0xFFFFFFD0 (Invalid kernel)"),
              std::string::npos)
        << host_.printed();
    EXPECT_EQ(host_.handles().openLocks(), 0);
    EXPECT_EQ(job_->openPixelCheckouts(), 0);
    *block = kernel;  // for the device's set-down
}

TEST_F(SphereFrame, EmptySlotListRendersNothing) {
    Open(R"({"composition": {"width": 16, "height": 16}})");
    const host::FloatImage image = Render();
    for (size_t i = 0; i < image.bgra.size(); ++i) ASSERT_EQ(image.bgra[i], 0.0f) << i;
}

}  // namespace
