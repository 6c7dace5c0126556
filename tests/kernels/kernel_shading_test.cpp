// Each term of the shading and both camera rays of the C++ kernel form, one pixel of MainKernel at a
// time, against numbers worked out by hand from the shading formulas.
//
// The reference comp is 640 x 360 with the default camera 1000 pixels in front: the centre pixel's
// ray runs along +z from (320, 180, -1000). Two spheres of radius 50 serve as surfaces:
// - head-on, centred at (320, 180, 0): the centre ray meets it at (320, 180, -50), normal (0, 0, -1);
// - tilted, centred at (320, 210, 0): the centre ray meets it at (320, 180, -40) (30^2 + 40^2 = 50^2),
//   normal (0, -0.6, -0.8), normal colour (0.5, 0.2, 0.1), and 1 - |cos| to the ray = 1 - 0.8 = 0.2.
// Pixels come back in the output's order (blue, green, red, alpha).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "kernels/kernel_scene.h"

namespace {

using namespace mrph_kernel;
using mrph_test::F3;
using mrph_test::KernelScene;

void ExpectPixel(const float4& p, const float4& expected, float tol = 1e-3f) {
    EXPECT_NEAR(p.x, expected.x, tol) << "blue";
    EXPECT_NEAR(p.y, expected.y, tol) << "green";
    EXPECT_NEAR(p.z, expected.z, tol) << "red";
    EXPECT_NEAR(p.w, expected.w, tol) << "alpha";
}

float4 Bgra(float b, float g, float r, float a) { return make_float4(b, g, r, a); }

class Shading : public ::testing::Test {
protected:
    void SetUp() override {
        scene.render.ambientColorStart = F3(0, 0, 0);
        scene.render.ambientColorEnd = F3(0, 0, 0);
        scene.render.maxDist = 1900;
    }
    MaterialData& HeadOnSphere() { return AddSphere(0); }
    MaterialData& TiltedSphere() { return AddSphere(30); }
    // Centred `lift` below the centre ray; a lift of +-40 meets it at z = -30 with normal (0, -+0.8, -0.6).
    MaterialData& LiftedSphere(float lift) { return AddSphere(lift); }
    float4 Centre() const { return mrph_test::PixelCpp(scene, 640, 360, 320, 180); }

    KernelScene scene;

private:
    MaterialData& AddSphere(float lift) {
        scene.Add(PrimitiveType::Sphere, F3(320, 180 + lift, 0)).radius = 50;
        return scene.materials.back();
    }
};

// ---- Lights ------------------------------------------------------------------------------------------

// Head-on sphere, material: diffuse colour (0.5, 1, 0.5), diffuse 0.6, specular 0.5 of colour
// (1, 0.8, 0.4), shininess 4. The side light sits 500 pixels from the hit along (0.6, 0, -0.8):
// n . l = 0.8; reflect(l, n) = (0.6, 0, 0.8), whose dot with the ray (0, 0, 1) is 0.8, raised to
// shininess / radius = 4 / 2 gives a highlight of 0.64. With light colour (1, 0.5, 0.25), intensity 0.5:
//   C * I * (dc * 0.8 * 0.6 + C * sc * 0.64 * 0.5)
//   red   1    * 0.5 * (0.24 + 0.32)          = 0.28
//   green 0.5  * 0.5 * (0.48 + 0.5 * 0.8 * 0.32) = 0.152
//   blue  0.25 * 0.5 * (0.24 + 0.25 * 0.4 * 0.32) = 0.034
struct LightCase {
    std::string name;
    KFloat3 position;
    int type;
    float4 expected;
};
void PrintTo(const LightCase& c, std::ostream* os) { *os << c.name; }

class ShadingLight : public Shading, public ::testing::WithParamInterface<LightCase> {};

TEST_P(ShadingLight, AddsItsTerms) {
    MaterialData& m = HeadOnSphere();
    m.diffuse_color = F3(0.5f, 1.0f, 0.5f);
    m.diffuse = 0.6f;
    m.specular = 0.5f;
    m.specular_color = F3(1.0f, 0.8f, 0.4f);
    m.shininess = 4;
    LightData light = mrph_test::PointLight(GetParam().position, 0.5f, 2.0f, GetParam().type);
    light.color = F3(1.0f, 0.5f, 0.25f);
    scene.lights.push_back(light);
    ExpectPixel(Centre(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShadingLight,
    ::testing::Values(LightCase{"PointBesideWithHighlight", F3(620, 180, -450), 2, Bgra(0.034f, 0.152f, 0.28f, 1)},
                      LightCase{"EnvironmentShadedAsPoint", F3(620, 180, -450), 4, Bgra(0.034f, 0.152f, 0.28f, 1)},
                      // Behind the surface: n . l = -0.8 saturates to 0, the highlight's dot -0.8 to 0.
                      LightCase{"PointBehindSurface", F3(620, 180, 350), 2, Bgra(0, 0, 0, 1)},
                      LightCase{"SpotIgnored", F3(620, 180, -450), 1, Bgra(0, 0, 0, 1)},
                      // Ambient: colour * intensity * diffuse colour, no diffuse factor, no highlight:
                      // (1 * 0.5 * 0.5, 0.5 * 0.5 * 1, 0.25 * 0.5 * 0.5).
                      LightCase{"AmbientColoured", F3(620, 180, 350), 3, Bgra(0.0625f, 0.25f, 0.25f, 1)}),
    [](const ::testing::TestParamInfo<LightCase>& info) { return info.param.name; });

// ---- Soft shadows ------------------------------------------------------------------------------------

// Head-on sphere, white matte material, the side light of above (white, intensity 1, radius 100, so
// k = 400 / 100 = 4): unshadowed 0.8. The shadow ray leaves the hit along l = (0.6, 0, -0.8), starts
// at t = 100 (the point (380, 180, -130)) and steps by at most 1 / 0.5 = 2. A ball of radius 10 near
// the ray sets what each step reads; the main sphere is 93 pixels away there.
struct ShadowCase {
    std::string name;
    KFloat3 ball;  // centre of the occluding ball
    int steps;
    float expected;  // every channel
};
void PrintTo(const ShadowCase& c, std::ostream* os) { *os << c.name; }

class ShadingShadow : public Shading, public ::testing::WithParamInterface<ShadowCase> {};

TEST_P(ShadingShadow, DarkensByTheNearestMiss) {
    HeadOnSphere().diffuse_color = F3(1, 1, 1);
    scene.Add(PrimitiveType::Sphere, GetParam().ball).radius = 10;
    scene.lights.push_back(mrph_test::PointLight(F3(620, 180, -450), 1.0f, 100.0f));
    scene.render.shadowsEnabled = true;
    scene.render.shadowsThreshold = 100;
    scene.render.shadowsQuality = 0.5f;
    scene.render.shadowsSteps = GetParam().steps;
    const float v = GetParam().expected;
    ExpectPixel(Centre(), Bgra(v, v, v, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShadingShadow,
    ::testing::Values(
        // Far off the ray: every step reads more than t / k, the factor stays 1.
        ShadowCase{"ClearPath", F3(380, 60, -130), 8, 0.8f},
        // 15 beside the first sample: h = 5, 4 * 5 / 100 = 0.2.
        ShadowCase{"OneStepPenumbra", F3(380, 165, -130), 1, 0.8f * 0.2f},
        // Ball beside t = 102: the first sample reads sqrt(15^2 + 2^2) - 10 = 5.13275 (factor 0.20531)
        // and steps by min(5.13, 2) = 2; the second reads 5: 4 * 5 / 102 = 0.196078.
        ShadowCase{"StepBoundedByQuality", F3(381.2f, 165, -131.6f), 2, 0.8f * 0.196078f},
        // Ball on the ray: the first sample is inside it.
        ShadowCase{"Blocked", F3(380, 180, -130), 1, 0.0f}),
    [](const ::testing::TestParamInfo<ShadowCase>& info) { return info.param.name; });

// ---- Ambient gradient --------------------------------------------------------------------------------

// Tilted sphere: normal colour y = 0.2, so t = 0.2 + (2 balance - 1), not clamped. Top colour
// (0.1, 0.3, 0.5), bottom (0.9, 0.5, 0.1), diffuse colour (0.5, 1, 1).
struct GradientCase {
    float balance;
    float4 expected;
};
void PrintTo(const GradientCase& c, std::ostream* os) { *os << "balance " << c.balance; }

class ShadingAmbient : public Shading, public ::testing::WithParamInterface<GradientCase> {};

TEST_P(ShadingAmbient, FollowsTheNormalsY) {
    TiltedSphere().diffuse_color = F3(0.5f, 1, 1);
    scene.render.ambientColorStart = F3(0.1f, 0.3f, 0.5f);
    scene.render.ambientColorEnd = F3(0.9f, 0.5f, 0.1f);
    scene.render.ambientBalance = GetParam().balance;
    ExpectPixel(Centre(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Kernel, ShadingAmbient,
                         ::testing::Values(
                             // t = 0.2: (0.26, 0.34, 0.42) * dc = (0.13, 0.34, 0.42)
                             GradientCase{0.5f, Bgra(0.42f, 0.34f, 0.13f, 1)},
                             // t = 0.7: (0.66, 0.44, 0.22) * dc = (0.33, 0.44, 0.22)
                             GradientCase{0.75f, Bgra(0.22f, 0.44f, 0.33f, 1)},
                             // t = 1.2, past the bottom colour: (1.06, 0.54, 0.02) * dc
                             GradientCase{1.0f, Bgra(0.02f, 0.54f, 0.53f, 1)}));

// The gradient where each of its terms shows: normals whose y differs in sign and size, balances that
// put t at either colour and beyond them, both entries. Top colour S = (0.2, 0.4, 0.9), bottom
// E = (0.8, 0.6, 0.1), so E - S = (0.6, 0.2, -0.8); diffuse colour (1, 0.5, 1). With the normal's
// colour y = n.y / 2 + 0.5 (0.1, 0.5 or 0.9 for lifts 40, 0 and -40), t = that + 2 balance - 1 and the
// pixel is (S + (E - S) t) * dc, written blue first. The lifted spheres see the ray at 1 - |cos| = 0.4,
// not at their normal's colour y, so the Fresnel term cannot stand in for it.
struct GradientTermCase {
    std::string name;
    float lift, balance;
    float4 expected;
};
void PrintTo(const GradientTermCase& c, std::ostream* os) {
    *os << c.name;
}

class ShadingAmbientGradient : public Shading, public ::testing::WithParamInterface<GradientTermCase> {};

TEST_P(ShadingAmbientGradient, MixesTopAndBottomByTheNormalsYAndTheBalance) {
    LiftedSphere(GetParam().lift).diffuse_color = F3(1, 0.5f, 1);
    scene.render.ambientColorStart = F3(0.2f, 0.4f, 0.9f);
    scene.render.ambientColorEnd = F3(0.8f, 0.6f, 0.1f);
    scene.render.ambientBalance = GetParam().balance;
    ExpectPixel(mrph_test::PixelCpp(MainKernel, scene, 640, 360, 320, 180), GetParam().expected);
    ExpectPixel(mrph_test::PixelCpp(ReferenceMainKernel, scene, 640, 360, 320, 180), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShadingAmbientGradient,
    ::testing::Values(
        // n.y = -0.8: t = 0.1 + 0.9 - 1 = 0, the top colour alone: (0.2, 0.2, 0.9).
        GradientTermCase{"FacingUpAtTheTop", 40, 0.45f, Bgra(0.9f, 0.2f, 0.2f, 1)},
        // n.y = 0.8: t = 0.9 + 1.1 - 1 = 1, the bottom colour alone: (0.8, 0.3, 0.1).
        GradientTermCase{"FacingDownAtTheBottom", -40, 0.55f, Bgra(0.1f, 0.3f, 0.8f, 1)},
        // n.y = 0: t = 0.5: (0.5, 0.5, 0.5) * dc = (0.5, 0.25, 0.5).
        GradientTermCase{"HeadOnHalfway", 0, 0.5f, Bgra(0.5f, 0.25f, 0.5f, 1)},
        // n.y = 0.8, balance 0.25: t = 0.9 - 0.5 = 0.4: (0.44, 0.48, 0.58) * dc = (0.44, 0.24, 0.58).
        GradientTermCase{"FacingDownLowBalance", -40, 0.25f, Bgra(0.58f, 0.24f, 0.44f, 1)},
        // n.y = -0.8, balance 0.25: t = 0.1 - 0.5 = -0.4, beyond the top colour:
        // (0.2 - 0.24, 0.4 - 0.08, 0.9 + 0.32) * dc = (-0.04, 0.16, 1.22).
        GradientTermCase{"FacingUpPastTheTop", 40, 0.25f, Bgra(1.22f, 0.16f, -0.04f, 1)},
        // n.y = 0.8, balance 1: t = 0.9 + 1 = 1.9, beyond the bottom colour:
        // (0.2 + 1.14, 0.4 + 0.38, 0.9 - 1.52) * dc = (1.34, 0.39, -0.62).
        GradientTermCase{"FacingDownPastTheBottom", -40, 1.0f, Bgra(-0.62f, 0.39f, 1.34f, 1)}),
    [](const ::testing::TestParamInfo<GradientTermCase>& info) { return info.param.name; });

// ---- Rim -------------------------------------------------------------------------------------------

// Tilted sphere, black diffuse, rim 0.5 of colour (0.2, 0.4, 0.6) plus 0.5 of the normal colour
// (0.5, 0.2, 0.1): (0.45, 0.5, 0.65), times 0.5 times 0.2^size (1 - balance) + balance.
struct RimCase {
    float size, balance;
    float4 expected;
};
void PrintTo(const RimCase& c, std::ostream* os) { *os << "size " << c.size << ", balance " << c.balance; }

class ShadingRim : public Shading, public ::testing::WithParamInterface<RimCase> {};

TEST_P(ShadingRim, WeighsByTheGrazingAngle) {
    MaterialData& m = TiltedSphere();
    m.diffuse_color = F3(0, 0, 0);
    m.rim = 0.5f;
    m.rim_color = F3(0.2f, 0.4f, 0.6f);
    m.rim_normals = 0.5f;
    m.rim_size = GetParam().size;
    m.rim_balance = GetParam().balance;
    ExpectPixel(Centre(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Kernel, ShadingRim,
                         ::testing::Values(
                             // 0.04 * 0.75 + 0.25 = 0.28; 0.5 * 0.28 = 0.14
                             RimCase{2, 0.25f, Bgra(0.091f, 0.07f, 0.063f, 1)},
                             // 0.2; 0.5 * 0.2 = 0.1
                             RimCase{1, 0, Bgra(0.065f, 0.05f, 0.045f, 1)}));

// ---- Opacity over the environment -------------------------------------------------------------------

// Tilted sphere of diffuse colour (0.1, 0.9, 0.5) under a white ambient (its colour is that, written
// (0.5, 0.9, 0.1)), over a uniform environment (b, g, r, a) = (0.2, 0.4, 0.6, 0.5).
// alpha = opacity * (0.2^size (1 - balance) + balance); colour = mix(environment, surface, alpha).
struct OpacityCase {
    std::string name;
    float opacity, size, balance;
    bool showEnvironment;
    float4 expected;
};
void PrintTo(const OpacityCase& c, std::ostream* os) { *os << c.name; }

class ShadingOpacity : public Shading, public ::testing::WithParamInterface<OpacityCase> {};

TEST_P(ShadingOpacity, MixesOverTheEnvironment) {
    MaterialData& m = TiltedSphere();
    m.diffuse_color = F3(0.1f, 0.9f, 0.5f);
    m.opacity = GetParam().opacity;
    m.opacity_size = GetParam().size;
    m.opacity_balance = GetParam().balance;
    scene.render.ambientColorStart = F3(1, 1, 1);
    scene.render.ambientColorEnd = F3(1, 1, 1);
    scene.render.showEnvironment = GetParam().showEnvironment;
    scene.environmentWidth = 4;
    scene.environmentHeight = 4;
    scene.environment.assign(16, make_float4(0.2f, 0.4f, 0.6f, 0.5f));
    ExpectPixel(Centre(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShadingOpacity,
    ::testing::Values(
        // alpha 0.5 * (0.2 * 0.5 + 0.5) = 0.3: (0.2 + 0.3 * 0.3, 0.4 + 0.5 * 0.3, 0.6 - 0.5 * 0.3)
        OpacityCase{"HalfFloor", 0.5f, 1, 0.5f, false, Bgra(0.29f, 0.55f, 0.45f, 0.3f)},
        OpacityCase{"HalfFloorEnvironmentShown", 0.5f, 1, 0.5f, true, Bgra(0.29f, 0.55f, 0.45f, 1)},
        // alpha 0.2^2 = 0.04
        OpacityCase{"SquaredFresnel", 1, 2, 0, false, Bgra(0.212f, 0.42f, 0.58f, 0.04f)}),
    [](const ::testing::TestParamInfo<OpacityCase>& info) { return info.param.name; });

// ---- Reflection and transmittance ----------------------------------------------------------------------

// Tilted sphere, black and opaque, one reflection. The bounce leaves along reflect((0, 0, 1), n) =
// (0, -0.96, -0.28) and misses, adding the environment there times the transmittance
// (glossiness * (0.2^size (1 - balance) + balance))^2. The environment is 8 x 16 texels whose blue is
// half the row number (green 0.5, red 0.25): at v = asin(-0.96) * 0.3183 + 0.5 = 0.090347 the row
// coordinate is 16 v - 0.5 = 0.945555, so blue reads 0.472778.
struct ReflectionCase {
    std::string name;
    float glossiness, size, balance;
    float4 expected;
};
void PrintTo(const ReflectionCase& c, std::ostream* os) { *os << c.name; }

class ShadingReflection : public Shading, public ::testing::WithParamInterface<ReflectionCase> {};

TEST_P(ShadingReflection, CarriesTheSquaredTransmittance) {
    MaterialData& m = TiltedSphere();
    m.diffuse_color = F3(0, 0, 0);
    m.glossiness = GetParam().glossiness;
    m.gloss_fresnel_size = GetParam().size;
    m.gloss_fresnel_balance = GetParam().balance;
    scene.render.maxReflections = 1;
    scene.environmentWidth = 8;
    scene.environmentHeight = 16;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) scene.environment.push_back(make_float4(0.5f * (float)y, 0.5f, 0.25f, 1.0f));
    }
    ExpectPixel(Centre(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShadingReflection,
    ::testing::Values(
        // (0.5 * (0.2 * 0.5 + 0.5))^2 = 0.09
        ReflectionCase{"GlossTimesFresnel", 0.5f, 1, 0.5f, Bgra(0.09f * 0.472778f, 0.045f, 0.0225f, 1)},
        // (1 * 0.2)^2 = 0.04
        ReflectionCase{"FresnelOnly", 1, 1, 0, Bgra(0.04f * 0.472778f, 0.02f, 0.01f, 1)},
        // 0.03^2 = 0.0009 is below 0.001: no bounce.
        ReflectionCase{"TooDimToBounce", 0.03f, 0, 1, Bgra(0, 0, 0, 1)}),
    [](const ::testing::TestParamInfo<ReflectionCase>& info) { return info.param.name; });

// ---- Ambient occlusion -------------------------------------------------------------------------------

// Head-on sphere and a slab 15 pixels beside the centre ray (x from 335), in front of the sphere
// (z from -400 to -55). Taps 10 apart along the normal (0, 0, -1) read min(s, 15) = 10, 15, 15:
// occlusion 0 + 5/20 + 15/30 = 0.75, times contrast 0.8: 1 - 0.6 = 0.4.
struct OcclusionCase {
    std::string name;
    RenderPass pass;
    bool enabled;
    float expected;  // every colour channel
};
void PrintTo(const OcclusionCase& c, std::ostream* os) { *os << c.name; }

class ShadingOcclusion : public Shading, public ::testing::WithParamInterface<OcclusionCase> {};

TEST_P(ShadingOcclusion, ReadsTheTaps) {
    HeadOnSphere().diffuse_color = F3(0.5f, 0.5f, 0.5f);
    scene.Add(PrimitiveType::Box, F3(385, 180, -227.5f)).three_size = F3(100, 200, 345);
    scene.render.ambientColorStart = F3(1, 1, 1);
    scene.render.ambientColorEnd = F3(1, 1, 1);
    scene.render.ao_threshold = 10;
    scene.render.ao_contrast = 0.8f;
    scene.render.ao_enabled = GetParam().enabled;
    scene.render.renderPass = (int)GetParam().pass;
    const float v = GetParam().expected;
    ExpectPixel(Centre(), Bgra(v, v, v, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShadingOcclusion,
    ::testing::Values(OcclusionCase{"Pass", RenderPass::AO, false, 0.4f},
                      // white ambient on diffuse colour 0.5, times 0.4
                      OcclusionCase{"BeautyOn", RenderPass::Beauty, true, 0.2f},
                      OcclusionCase{"BeautyOff", RenderPass::Beauty, false, 0.5f}),
    [](const ::testing::TestParamInfo<OcclusionCase>& info) { return info.param.name; });

// ---- Camera rays -------------------------------------------------------------------------------------

// Perspective: pixel (120, 80) is (-200, -100) from the centre, and the ray's depth term is
// height / fov = 360 / (2 atan(180 / 1000)) = 1010.7082. Its direction (-200, -100, 1010.7082) / 1035.16
// = (-0.193209, -0.096605, 0.976390) crosses z = 0 at (122.1190, 81.0595, 0). A ball of radius 20
// centred there is met head-on, so the Normal pass shows minus the ray: (0.596605, 0.548302, 0.011805).
TEST_F(Shading, PerspectiveRayThroughAnOffCentrePixel) {
    scene.Add(PrimitiveType::Sphere, F3(122.11895f, 81.05948f, 0)).radius = 20;
    scene.render.renderPass = (int)RenderPass::Normal;
    ExpectPixel(mrph_test::PixelCpp(scene, 640, 360, 120, 80), Bgra(0.011805f, 0.548302f, 0.596605f, 1));
}

// Orthographic: every ray is parallel to the view's -z column, shifted in world space by the pixel's
// offset from the centre scaled by the width and height factors: pixel (300, 170) with factors (2, 0.5)
// gives (sx, sy) = (-40, -5), added as (sx, sy, sx), or as (sx, sx, sy) when the view's (1, 1) is 0.
// A ball of radius 10 on the shifted ray is met after a quarter of maxDist: smoothstep(0.25) = 0.15625.
struct OrthoCase {
    std::string name;
    KFloat4x4 view;
    KFloat3 ball;
    float maxDist;
};
void PrintTo(const OrthoCase& c, std::ostream* os) { *os << c.name; }

class ShadingOrthographic : public Shading, public ::testing::WithParamInterface<OrthoCase> {};

TEST_P(ShadingOrthographic, ShiftsTheRayOrigin) {
    scene.camera.camType = 1;
    scene.camera.view = GetParam().view;
    scene.render.widthFactor = 2;
    scene.render.heightFactor = 0.5f;
    scene.render.renderPass = (int)RenderPass::Depth;
    scene.render.maxDist = GetParam().maxDist;
    scene.Add(PrimitiveType::Sphere, GetParam().ball).radius = 10;
    ExpectPixel(mrph_test::PixelCpp(scene, 640, 360, 300, 170), Bgra(0.15625f, 0.15625f, 0.15625f, 1));
}

// The default view: eye (320, 180, -1000) looking along +z. Origin (280, 175, -1040): 1040 - 10 = 1030.
KFloat4x4 FrontView() { return mrph_test::DefaultCamera(640, 360, 1000).view; }

// Looking along +y: columns (1, 0, 0), (0, 0, -1), (0, -1, 0), eye (320, -820, 0). Origin
// (280, -860, -5): 860 - 10 = 850.
KFloat4x4 DownView() {
    KFloat4x4 v = mrph_test::Identity();
    v.m[5] = 0;
    v.m[6] = -1;
    v.m[9] = -1;
    v.m[10] = 0;
    v.m[12] = 320;
    v.m[13] = -820;
    v.m[14] = 0;
    return v;
}

INSTANTIATE_TEST_SUITE_P(Kernel, ShadingOrthographic,
                         ::testing::Values(OrthoCase{"Front", FrontView(), F3(280, 175, 0), 4120},
                                           OrthoCase{"LookingDown", DownView(), F3(280, 0, -5), 3400}),
                         [](const ::testing::TestParamInfo<OrthoCase>& info) { return info.param.name; });

}  // namespace
