// Marching, shading and the pixel entry of the C++ kernel form, on hand-made records.
//
// The reference scene: a sphere of radius 50 at (320, 180, 0) seen by the default camera of a
// 640 x 360 composition at distance 1000. The centre pixel's ray runs along +z from (320, 180, -1000)
// and meets the sphere at z = -50, after 950 pixels, where the normal is (0, 0, -1).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "kernels/kernel_scene.h"

namespace {

using namespace mrph_kernel;
using mrph_test::F3;
using mrph_test::KernelScene;

class CentreSphere : public ::testing::Test {
protected:
    void SetUp() override {
        scene.Add(PrimitiveType::Sphere, F3(320, 180, 0)).radius = 50;
        scene.render.maxDist = 1900;  // so that the hit at 950 is half way
    }
    // One work item of a 640 x 360 output (rows of 640 pixels, filled with -7 first).
    float4 Pixel(unsigned x, unsigned y) const {
        std::vector<float4> out((size_t)640 * 360, mrph_test::Fill(-7.0f));
        const KernelImage env{scene.environment.data(), scene.environmentWidth, scene.environmentHeight};
        const KernelImage* envArg = scene.environment.empty() ? nullptr : &env;
        MainKernel(envArg, out.data(), scene.primitives.data(), scene.materials.data(), scene.modifiers.data(),
                   scene.lights.data(), &scene.camera, &scene.render, 640, 0, 640, 360, 0,
                   (int)scene.primitives.size(), (int)scene.lights.size(), 0.0f, x, y);
        return out[(size_t)y * 640 + x];
    }
    float4 Centre() const { return Pixel(320, 180); }
    KernelScene scene;
};

void ExpectPixel(const float4& p, float b, float g, float r, float a, float tol = 1e-3f) {
    EXPECT_NEAR(p.x, b, tol) << "blue";
    EXPECT_NEAR(p.y, g, tol) << "green";
    EXPECT_NEAR(p.z, r, tol) << "red";
    EXPECT_NEAR(p.w, a, tol) << "alpha";
}

TEST_F(CentreSphere, MarchReachesTheSphereAt950) {
    RayArgs ray;
    ray.ro = F3(320, 180, -1000);
    ray.rd = F3(0, 0, 1);
    ray.viewDir = F3(0, 0, -1);
    EXPECT_NEAR(March(ray, scene.Args()), 950.0f, 1e-3f);
    ray.rd = F3(0, -1, 0);
    EXPECT_EQ(March(ray, scene.Args()), -1.0f) << "a miss";
}

TEST_F(CentreSphere, DepthPassAtCentreIsHalfOfMaxDist) {
    scene.render.renderPass = (int)RenderPass::Depth;
    ExpectPixel(Centre(), 0.5f, 0.5f, 0.5f, 1.0f);
}

TEST_F(CentreSphere, NormalPassEncodesMinusZ) {
    // (0, 0, -1) * 0.5 + 0.5 = (0.5, 0.5, 0) in r, g, b; written as b, g, r.
    scene.render.renderPass = (int)RenderPass::Normal;
    ExpectPixel(Centre(), 0.0f, 0.5f, 0.5f, 1.0f);
}

TEST_F(CentreSphere, NormalsPointAwayFromTheCentre) {
    struct {
        float3 pos, normal;
    } cases[] = {{F3(370, 180, 0), F3(1, 0, 0)}, {F3(320, 130, 0), F3(0, -1, 0)}, {F3(320, 180, 50), F3(0, 0, 1)}};
    for (const auto& c : cases) {
        const float3 n = GetNormal(c.pos, scene.Args());
        EXPECT_NEAR(n.x, c.normal.x, 1e-3f);
        EXPECT_NEAR(n.y, c.normal.y, 1e-3f);
        EXPECT_NEAR(n.z, c.normal.z, 1e-3f);
    }
}

TEST_F(CentreSphere, AmbientOcclusionOfALoneConvexSphereIsOne) {
    scene.render.renderPass = (int)RenderPass::AO;
    ExpectPixel(Centre(), 1.0f, 1.0f, 1.0f, 1.0f, 1e-4f);
}

TEST_F(CentreSphere, AmbientOcclusionIgnoresTheMarchMultiplier) {
    // The panel's defaults: taps 100 px apart at full strength, steps shortened to 60 %. Measuring the
    // taps with shortened distances read every convex surface as occluded (and below black).
    scene.render.renderPass = (int)RenderPass::AO;
    scene.render.ao_threshold = 100.0f;
    scene.render.ao_contrast = 1.0f;
    for (float mult : {1.0f, 0.6f, 0.25f}) {
        scene.render.rayMarchMult = mult;
        ExpectPixel(Centre(), 1.0f, 1.0f, 1.0f, 1.0f, 1e-3f);
    }
}

TEST_F(CentreSphere, StrongOcclusionStopsAtBlack) {
    // A slab beside the centre ray, 10 px from every tap along the normal (which points back at the
    // camera): the taps read 0.9 + 0.95 + 0.97 of occlusion, times 5, far past black.
    scene.Add(PrimitiveType::Box, F3(365, 180, -250)).three_size = F3(70, 400, 200);
    scene.render.renderPass = (int)RenderPass::AO;
    scene.render.ao_threshold = 100.0f;
    scene.render.ao_contrast = 5.0f;
    const float4 p = Centre();
    EXPECT_EQ(p.x, 0.0f);
}

TEST_F(CentreSphere, MissIsTransparentBlackInEveryPass) {
    for (RenderPass pass : {RenderPass::Beauty, RenderPass::Normal, RenderPass::Depth, RenderPass::AO}) {
        scene.render.renderPass = (int)pass;
        ExpectPixel(Pixel(0, 0), 0, 0, 0, 0, 0.0f);
    }
}

TEST_F(CentreSphere, UnknownPassIsTransparentBlack) {
    for (int pass : {0, 5, -1, 42}) {
        scene.render.renderPass = pass;
        const float4 p = Centre();
        EXPECT_EQ(p.x, 0.0f) << pass;
        EXPECT_EQ(p.y, 0.0f) << pass;
        EXPECT_EQ(p.z, 0.0f) << pass;
        EXPECT_EQ(p.w, 0.0f) << pass;
    }
}

// A light straight behind the camera meets the centre of the sphere head-on: n . l = 1.
class CentreSphereLit : public CentreSphere {
protected:
    void SetUp() override {
        CentreSphere::SetUp();
        scene.render.ambientColorStart = F3(0, 0, 0);
        scene.render.ambientColorEnd = F3(0, 0, 0);
        scene.materials[0].diffuse_color = F3(0.8f, 0.4f, 0.2f);
        scene.lights.push_back(mrph_test::PointLight(F3(320, 180, -2000), 1.0f, 1.0f));
    }
};

TEST_F(CentreSphereLit, DiffuseHeadOn) {
    ExpectPixel(Centre(), 0.2f, 0.4f, 0.8f, 1.0f);
    scene.render.shadowsEnabled = true;  // nothing between the surface and the light
    ExpectPixel(Centre(), 0.2f, 0.4f, 0.8f, 1.0f);
}

TEST_F(CentreSphereLit, LightTypes) {
    const float4 lit = Centre();
    // Parallel and spot lights are not shaded.
    scene.lights.push_back(mrph_test::PointLight(F3(0, 0, -500), 3.0f, 1.0f, 0));
    scene.lights.push_back(mrph_test::PointLight(F3(0, 0, -500), 3.0f, 1.0f, 1));
    ExpectPixel(Centre(), lit.x, lit.y, lit.z, lit.w, 0.0f);
    // An ambient light adds intensity * diffuse colour, from any position.
    scene.lights.push_back(mrph_test::PointLight(F3(9999, 0, 0), 0.5f, 1.0f, 3));
    ExpectPixel(Centre(), 0.3f, 0.6f, 1.2f, 1.0f);
}

TEST_F(CentreSphereLit, ZeroLightRadiusStaysFinite) {
    // The mirror direction of the light is the ray itself, so the highlight is 1 at any exponent:
    // specular 0.5 of white light is added to each channel.
    scene.materials[0].specular = 0.5f;
    scene.lights[0].radius = 0.0f;
    scene.render.shadowsEnabled = true;
    ExpectPixel(Centre(), 0.7f, 0.9f, 1.3f, 1.0f);
}

TEST_F(CentreSphereLit, ZeroFresnelExponentIsOne) {
    // Head-on, 1 - |cos| = 0: with exponent 0 the rim weight is 0^0, taken as 1.
    scene.materials[0].rim = 1.0f;
    scene.materials[0].rim_color = F3(0.1f, 0.2f, 0.3f);
    scene.materials[0].rim_size = 0.0f;
    scene.materials[0].rim_balance = 0.0f;
    ExpectPixel(Centre(), 0.5f, 0.6f, 0.9f, 1.0f);
    // The same for the opacity term: opacity 0.5 whatever the floor.
    scene.materials[0].opacity = 0.5f;
    scene.materials[0].opacity_size = 0.0f;
    scene.materials[0].opacity_balance = 0.0f;
    ExpectPixel(Centre(), 0.25f, 0.3f, 0.45f, 0.5f);
}

// A uniform environment (b, g, r, a) = (0.2, 0.4, 0.6, 0.5), sampled away from its border.
class EnvironmentShown : public CentreSphere {
protected:
    void SetUp() override {
        CentreSphere::SetUp();
        scene.environmentWidth = 4;
        scene.environmentHeight = 4;
        scene.environment.assign(16, make_float4(0.2f, 0.4f, 0.6f, 0.5f));
    }
};

TEST_F(EnvironmentShown, MissShowsTheEnvironment) {
    scene.render.showEnvironment = false;
    ExpectPixel(Pixel(0, 0), 0.2f, 0.4f, 0.6f, 0.0f);
    scene.render.showEnvironment = true;
    ExpectPixel(Pixel(0, 0), 0.2f, 0.4f, 0.6f, 0.5f);
}

// With no primitive to draw (the only one switched off, or of no type) the centre ray meets nothing,
// in every pass: the scene's distance is 0 everywhere, which must not read as a hit at the camera.
TEST_F(EnvironmentShown, ASceneWithoutAPrimitiveShowsOnlyTheEnvironment) {
    scene.render.showEnvironment = true;
    const PrimitiveData sphere = scene.primitives[0];
    for (bool switchedOff : {true, false}) {
        SCOPED_TRACE(switchedOff ? "switched off" : "no type");
        scene.primitives[0] = sphere;
        if (switchedOff) scene.primitives[0].enabled = false;
        else scene.primitives[0].type = PrimitiveType::None;
        scene.render.renderPass = (int)RenderPass::Beauty;
        ExpectPixel(Centre(), 0.2f, 0.4f, 0.6f, 0.5f);
        // The other passes draw a miss as transparent black.
        for (RenderPass pass : {RenderPass::Normal, RenderPass::Depth, RenderPass::AO}) {
            scene.render.renderPass = (int)pass;
            ExpectPixel(Centre(), 0, 0, 0, 0, 0.0f);
        }
    }
}

TEST_F(EnvironmentShown, HitIsOpaqueWhenTheEnvironmentIsShown) {
    scene.materials[0].opacity = 0.25f;
    scene.render.showEnvironment = false;
    EXPECT_NEAR(Centre().w, 0.25f, 1e-5f);
    scene.render.showEnvironment = true;
    EXPECT_EQ(Centre().w, 1.0f);
}

TEST_F(EnvironmentShown, MirrorReflectsTheEnvironment) {
    // A black, fully glossy sphere with a Fresnel floor of 1 hands the whole ray to the bounce,
    // which leaves the sphere straight back towards the camera and finds the sky: 0 + env * 1.
    scene.render.ambientColorStart = F3(0, 0, 0);
    scene.render.ambientColorEnd = F3(0, 0, 0);
    scene.materials[0].diffuse_color = F3(0, 0, 0);
    scene.materials[0].opacity = 1.0f;
    scene.materials[0].glossiness = 1.0f;
    scene.render.maxReflections = 1;
    // Opacity 1 covers the background of the first hit; the bounce adds env * transmittance 1.
    ExpectPixel(Centre(), 0.2f, 0.4f, 0.6f, 1.0f);
    scene.materials[0].glossiness = 0.0f;  // stops after the first hit
    ExpectPixel(Centre(), 0.0f, 0.0f, 0.0f, 1.0f);
}

// The launch grid is rounded up to 16 x 16 groups: work items beyond the output write nothing,
// neither into the row padding nor below the last row.
TEST(KernelEntry, PixelsOutsideTheOutputAreNeverWritten) {
    KernelScene scene = mrph_test::ShowcaseScene(20, 10, 4);
    scene.render.rayMarchSteps = 24;
    scene.render.maxReflections = 0;
    const float sentinel = -7.0f;
    const mrph_test::Image img = mrph_test::RenderCpp(scene, 20, 10, 23, 12, 32, 16, sentinel);
    int written = 0;
    for (unsigned y = 0; y < 12; ++y) {
        for (unsigned x = 0; x < 23; ++x) {
            const float4& p = img.At(x, y);
            const bool untouched = p.x == sentinel && p.y == sentinel && p.z == sentinel && p.w == sentinel;
            if (x < 20 && y < 10) {
                written += untouched ? 0 : 1;
            } else {
                EXPECT_TRUE(untouched) << "(" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_EQ(written, 200);
}

TEST(KernelEntry, ShowcaseSceneIsFinite) {
    const KernelScene scene = mrph_test::ShowcaseScene(64, 36);
    const mrph_test::Image img = mrph_test::RenderCpp(scene, 64, 36);
    int hits = 0;
    for (const float4& p : img.pixels) {
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(p.w));
        hits += p.w >= 1.0f - 1e-5f ? 1 : 0;  // filtered alpha sums its weights in float
    }
    EXPECT_EQ(hits, 64 * 36) << "the environment is shown, so every pixel is opaque";
}

}  // namespace
