// Modifiers, combinations and SceneSDF of the C++ kernel form, on numbers derived by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "kernels/kernel_scene.h"

namespace {

using namespace mrph_kernel;
using mrph_test::F3;
using mrph_test::KernelScene;

const float kPi = 3.14159265f;

// ---- Modifiers ---------------------------------------------------------------------------------

struct ModifierCase {
    std::string name;
    float3 (*apply)(float3);
    float3 point;
    float3 expected;
};
void PrintTo(const ModifierCase& c, std::ostream* os) { *os << c.name; }

class Modifier : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(Modifier, MovesThePointAsDerived) {
    const ModifierCase& c = GetParam();
    const float3 q = c.apply(c.point);
    EXPECT_NEAR(q.x, c.expected.x, 1e-3f);
    EXPECT_NEAR(q.y, c.expected.y, 1e-3f);
    EXPECT_NEAR(q.z, c.expected.z, 1e-3f);
}

const float3 kNoRotation = {0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Kernel, Modifier,
    ::testing::Values(
        // bend 4 / 400 = 0.01: the y axis wraps round a circle of radius 100 centred at x = 100.
        ModifierCase{"BendWrapsAxis", [](float3 p) { return bendMod(p, 4.0f, kNoRotation); }, F3(0, 100, 0),
                     F3(100 - 100 * std::sqrt(2.0f), 100 * kPi / 4, 0)},
        ModifierCase{"BendOriginFixed", [](float3 p) { return bendMod(p, 4.0f, kNoRotation); }, F3(0, 0, 7),
                     F3(0, 0, 7)},
        // |0.002 / 400| = 5e-6 is within the dead zone of 1e-5.
        ModifierCase{"BendBelowPrecision", [](float3 p) { return bendMod(p, 0.002f, kNoRotation); },
                     F3(3, 100, 5), F3(3, 100, 5)},
        // pi/200 rad per pixel: a quarter turn at y = 100 takes +x to +z.
        ModifierCase{"TwistQuarterTurn", [](float3 p) { return twistMod(p, kPi / 200, kNoRotation); },
                     F3(10, 100, 0), F3(0, 100, 10)},
        ModifierCase{"TwistNothingOnAxis", [](float3 p) { return twistMod(p, kPi / 200, kNoRotation); },
                     F3(0, 0, 10), F3(0, 0, 10)},
        ModifierCase{"CosWaveTrough",
                     [](float3 p) { return cosMod(p, kNoRotation, 0.0f, kPi / 100, 5.0f); }, F3(0, 100, 0),
                     F3(-5, 100, 0)},
        ModifierCase{"SinWaveCrest", [](float3 p) { return sinMod(p, kNoRotation, 0.0f, kPi / 100, 3.0f); },
                     F3(50, 0, 0), F3(50, 0, 3)},
        ModifierCase{"SinWavePhase",
                     [](float3 p) { return sinMod(p, kNoRotation, kPi / 2, kPi / 100, 3.0f); }, F3(0, 9, 0),
                     F3(0, 9, 3)},
        // r = -50, sin(-pi/2) = -1: both x and z move by -2.
        ModifierCase{"RipplesRing", [](float3 p) { return ripplesMod(p, kNoRotation, 0.0f, kPi / 100, 2.0f); },
                     F3(30, 40, 0), F3(28, 40, -2)},
        // Bend -4 / 400: ra = -100, s = -1, b = (100, 100): x = -100 + 100 sqrt 2, y = -100 atan2(-100, 100).
        ModifierCase{"BendNegative", [](float3 p) { return bendMod(p, -4.0f, kNoRotation); }, F3(0, 100, 0),
                     F3(-100 + 100 * std::sqrt(2.0f), 100 * kPi / 4, 0)},
        // cos(50 pi/100 + pi/3) = cos 150 degrees: x moves by -5 * 0.866025.
        ModifierCase{"CosWavePhase", [](float3 p) { return cosMod(p, kNoRotation, kPi / 3, kPi / 100, 5.0f); },
                     F3(0, 50, 0), F3(-4.330127f, 50, 0)},
        // r = -25: sin(-pi/4 + pi/2) * 2 = sqrt 2 on x and z.
        ModifierCase{"RipplesPhase",
                     [](float3 p) { return ripplesMod(p, kNoRotation, kPi / 2, kPi / 100, 2.0f); }, F3(15, 20, 0),
                     F3(15 + 1.414214f, 20, 1.414214f)},
        // The z angle turns the frame about x: R has columns (1, 0, 0), (0, 0, -1), (0, 1, 0), so
        // q = R^T p = (10, 100, 0), a quarter twist gives (0, 100, 10), and R q = (0, 10, -100).
        ModifierCase{"TwistAboutTurnedAxis",
                     [](float3 p) { return twistMod(p, kPi / 200, F3(0, 0, kPi / 2)); }, F3(10, 0, -100),
                     F3(0, 10, -100)},
        // The y angle turns the frame about y: R's first column is (0, 0, 1), where the wave's +x goes.
        ModifierCase{"CosWaveInFrameTurnedAboutY",
                     [](float3 p) { return cosMod(p, F3(0, kPi / 2, 0), 0.0f, 0.0f, 5.0f); }, F3(0, 0, 0),
                     F3(0, 0, 5)},
        // The frame turned a quarter about z (the x angle turns the z axis): the frame's +x is world -y.
        ModifierCase{"CosWaveInTurnedFrame",
                     [](float3 p) { return cosMod(p, F3(kPi / 2, 0, 0), 0.0f, 0.0f, 5.0f); }, F3(0, 0, 0),
                     F3(0, -5, 0)}),
    [](const ::testing::TestParamInfo<ModifierCase>& info) { return info.param.name; });

Mat3 Product(Mat3 a, Mat3 b) {  // a * b, column-major
    Mat3 r;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row) {
            float s = 0;
            for (int k = 0; k < 3; ++k) s += a.m[k * 3 + row] * b.m[c * 3 + k];
            r.m[c * 3 + row] = s;
        }
    return r;
}

// With two angles set, the OpenCL order (Rz Ry Rx) and the Metal order (Rx Ry Rz) are different
// rotations; with one angle they agree.
TEST(KernelEuler, EachFormKeepsItsOrder) {
    const float3 e = F3(0.5f, 0.3f, 0.2f);
    const Mat3 rx = rotate3d(F3(1, 0, 0), e.z);
    const Mat3 ry = rotate3d(F3(0, 1, 0), e.y);
    const Mat3 rz = rotate3d(F3(0, 0, 1), e.x);
    const Mat3 cl = euler2matOpenCL(e);
    const Mat3 mtl = euler2matMetal(e);
    const Mat3 clExpected = Product(Product(rz, ry), rx);
    const Mat3 mtlExpected = Product(Product(rx, ry), rz);
    float differ = 0;
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(cl.m[i], clExpected.m[i], 1e-5f) << i;
        EXPECT_NEAR(mtl.m[i], mtlExpected.m[i], 1e-5f) << i;
        differ = std::fmax(differ, std::fabs(cl.m[i] - mtl.m[i]));
    }
    EXPECT_GT(differ, 0.05f);
    // This is the C++ form, which draws like the OpenCL build.
    const Mat3 used = euler2mat(e);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(used.m[i], cl.m[i]);

    const Mat3 oneAngleCl = euler2matOpenCL(F3(0, 0.7f, 0));
    const Mat3 oneAngleMtl = euler2matMetal(F3(0, 0.7f, 0));
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(oneAngleCl.m[i], oneAngleMtl.m[i], 1e-6f);
}

// ---- Combinations --------------------------------------------------------------------------------

struct CombineCase {
    std::string name;
    int operation;
    float a, b, k;      // the new primitive, the running result, the smoothing width
    float dist;         // expected distance
    float materialMix;  // expected share of a's material (a has diffuse 1, b diffuse 0)
};
void PrintTo(const CombineCase& c, std::ostream* os) { *os << c.name; }

class Combine : public ::testing::TestWithParam<CombineCase> {};

SdfResult Operand(float dist, float diffuse) {
    SdfResult r;
    r.dist = dist;
    r.material = mrph_test::PlainMaterial(F3(diffuse, diffuse, diffuse));
    r.material.diffuse = diffuse;
    r.uv = F3(0, 0, 0);
    return r;
}

TEST_P(Combine, DistanceAndMaterial) {
    const CombineCase& c = GetParam();
    const SdfResult a = Operand(c.a, 1.0f);
    const SdfResult b = Operand(c.b, 0.0f);
    SdfResult r;
    if (c.operation == OperationType_Union) r = smoothUnion(a, b, c.k);
    if (c.operation == OperationType_Subtract) r = smoothSubtract(a, b, c.k);
    if (c.operation == OperationType_Intersect) r = smoothIntersect(a, b, c.k);
    ASSERT_TRUE(std::isfinite(r.dist));
    EXPECT_NEAR(r.dist, c.dist, 1e-4f);
    EXPECT_NEAR(r.material.diffuse, c.materialMix, 1e-5f);
    EXPECT_NEAR(r.material.diffuse_color.y, c.materialMix, 1e-5f);
}

// k > 0 cases: h = 0.65, 0.65 and 0.35, giving the distances by mix(b, +-a, h) -+ k h (1 - h).
INSTANTIATE_TEST_SUITE_P(
    Kernel, Combine,
    ::testing::Values(CombineCase{"UnionHard", OperationType_Union, 2, 5, 0, 2, 1},
                      CombineCase{"UnionHardTieKeepsRunning", OperationType_Union, 3, 3, 0, 3, 0},
                      CombineCase{"UnionNegativeWidthIsHard", OperationType_Union, 2, 5, -5, 2, 1},
                      CombineCase{"UnionSmooth", OperationType_Union, 2, 5, 10, 0.775f, 0.65f},
                      CombineCase{"UnionSmoothFarApart", OperationType_Union, 2, 50, 10, 2, 1},
                      CombineCase{"SubtractHardOutsideCutter", OperationType_Subtract, 2, 5, 0, 5, 0},
                      CombineCase{"SubtractHardInsideCutter", OperationType_Subtract, -4, 1, 0, 4, 1},
                      CombineCase{"SubtractHardTie", OperationType_Subtract, -3, 3, 0, 3, 0},
                      CombineCase{"SubtractSmooth", OperationType_Subtract, -4, 1, 10, 5.225f, 0.65f},
                      CombineCase{"IntersectHard", OperationType_Intersect, 2, 5, 0, 5, 0},
                      CombineCase{"IntersectHardTie", OperationType_Intersect, 4, 4, 0, 4, 0},
                      CombineCase{"IntersectSmooth", OperationType_Intersect, 2, 5, 10, 6.225f, 0.35f}),
    [](const ::testing::TestParamInfo<CombineCase>& info) { return info.param.name; });

// ---- Material blending -----------------------------------------------------------------------------

// Each of the sixteen members (each colour channel on its own) is mix(a, b, k): with k = 0.25 the
// result is 0.75 a + 0.25 b. Every row has its own a and b, so a member mixed from the wrong pair, or
// left at a's value, misses.
struct BlendMember {
    const char* name;
    float& (*at)(MaterialData&);
};

TEST(KernelBlend, EveryMemberIsMixed) {
    const BlendMember members[] = {
        {"diffuse_color.x", [](MaterialData& m) -> float& { return m.diffuse_color.x; }},
        {"diffuse_color.y", [](MaterialData& m) -> float& { return m.diffuse_color.y; }},
        {"diffuse_color.z", [](MaterialData& m) -> float& { return m.diffuse_color.z; }},
        {"diffuse", [](MaterialData& m) -> float& { return m.diffuse; }},
        {"specular", [](MaterialData& m) -> float& { return m.specular; }},
        {"specular_color.x", [](MaterialData& m) -> float& { return m.specular_color.x; }},
        {"specular_color.y", [](MaterialData& m) -> float& { return m.specular_color.y; }},
        {"specular_color.z", [](MaterialData& m) -> float& { return m.specular_color.z; }},
        {"shininess", [](MaterialData& m) -> float& { return m.shininess; }},
        {"glossiness", [](MaterialData& m) -> float& { return m.glossiness; }},
        {"rim", [](MaterialData& m) -> float& { return m.rim; }},
        {"rim_size", [](MaterialData& m) -> float& { return m.rim_size; }},
        {"rim_balance", [](MaterialData& m) -> float& { return m.rim_balance; }},
        {"rim_normals", [](MaterialData& m) -> float& { return m.rim_normals; }},
        {"rim_color.x", [](MaterialData& m) -> float& { return m.rim_color.x; }},
        {"rim_color.y", [](MaterialData& m) -> float& { return m.rim_color.y; }},
        {"rim_color.z", [](MaterialData& m) -> float& { return m.rim_color.z; }},
        {"opacity", [](MaterialData& m) -> float& { return m.opacity; }},
        {"opacity_size", [](MaterialData& m) -> float& { return m.opacity_size; }},
        {"opacity_balance", [](MaterialData& m) -> float& { return m.opacity_balance; }},
        {"gloss_fresnel_size", [](MaterialData& m) -> float& { return m.gloss_fresnel_size; }},
        {"gloss_fresnel_balance", [](MaterialData& m) -> float& { return m.gloss_fresnel_balance; }},
    };
    MaterialData a{};
    MaterialData b{};
    int i = 0;
    for (const BlendMember& member : members) {
        member.at(a) = (float)(i + 1);       // a: 1, 2, 3, ...
        member.at(b) = (float)(101 + 4 * i);  // b: 101, 105, 109, ...
        ++i;
    }
    MaterialData r = blend(a, b, 0.25f);
    i = 0;
    for (const BlendMember& member : members) {
        // 0.75 (i + 1) + 0.25 (101 + 4 i) = 26 + 1.75 i
        EXPECT_NEAR(member.at(r), 26.0f + 1.75f * (float)i, 1e-4f) << member.name;
        ++i;
    }
}

// ---- SceneSDF ------------------------------------------------------------------------------------

// Two spheres of radius 50, at x = 0 and x = 200; the second one carries diffuse 0.25.
class SceneDistance : public ::testing::Test {
protected:
    void SetUp() override {
        scene.Add(PrimitiveType::Sphere, F3(0, 0, 0)).radius = 50;
        scene.Add(PrimitiveType::Sphere, F3(200, 0, 0)).radius = 50;
        scene.materials[1].diffuse = 0.25f;
    }
    float At(float x) const { return SceneSDF(F3(x, 0, 0), scene.Args()).dist; }
    KernelScene scene;
};

TEST_F(SceneDistance, UnionOfTwo) {
    EXPECT_NEAR(At(0), -50, 1e-4f);
    EXPECT_NEAR(At(100), 50, 1e-4f);
    EXPECT_NEAR(At(200), -50, 1e-4f);
    EXPECT_FLOAT_EQ(SceneSDF(F3(190, 0, 0), scene.Args()).material.diffuse, 0.25f);
    EXPECT_FLOAT_EQ(SceneSDF(F3(10, 0, 0), scene.Args()).material.diffuse, 1.0f);
}

TEST_F(SceneDistance, SkippedSlotsAndUnknownOperations) {
    scene.primitives[1].enabled = false;
    EXPECT_NEAR(At(200), 150, 1e-4f) << "disabled slot";
    scene.primitives[1].enabled = true;
    scene.primitives[1].type = PrimitiveType::None;
    EXPECT_NEAR(At(200), 150, 1e-4f) << "None slot";
    scene.primitives[1].type = PrimitiveType::Sphere;
    for (int op : {0, 4, -1, 99}) {
        scene.primitives[1].operation = op;
        EXPECT_NEAR(At(200), 150, 1e-4f) << "operation " << op;
        EXPECT_FLOAT_EQ(SceneSDF(F3(200, 0, 0), scene.Args()).material.diffuse, 1.0f) << "operation " << op;
    }
}

TEST_F(SceneDistance, FirstEnabledSlotSeedsWhateverItsOperation) {
    scene.primitives[0].enabled = false;
    scene.primitives[1].operation = (int)OperationType::Subtract;
    EXPECT_NEAR(At(200), -50, 1e-4f);
    scene.primitives[1].operation = (int)OperationType::Intersect;
    EXPECT_NEAR(At(200), -50, 1e-4f);
}

TEST_F(SceneDistance, EmptySceneIsZeroEverywhere) {
    scene.primitives[0].enabled = false;
    scene.primitives[1].type = PrimitiveType::None;
    for (float x : {-300.0f, 0.0f, 77.0f, 200.0f}) EXPECT_EQ(At(x), 0.0f) << x;
}

TEST_F(SceneDistance, MarchMultiplierScalesTheResult) {
    scene.render.rayMarchMult = 0.5f;
    EXPECT_NEAR(At(0), -25, 1e-4f);
    EXPECT_NEAR(At(100), 25, 1e-4f);
}

TEST_F(SceneDistance, ModifiersActAroundTheAnchorOnlyWhenOn) {
    scene.primitives[1].enabled = false;
    scene.primitives[0].radius = 10;
    scene.primitives[0].anchorPoint = F3(50, 0, 0);
    const float3 p = F3(0, 100, 0);
    EXPECT_NEAR(SceneSDF(p, scene.Args()).dist, 90, 1e-4f) << "anchor without modifiers";
    // A quarter twist at y = 100 around the anchor's axis carries (-50, 100, 0) to (0, 100, -50),
    // that is the world point (50, 100, -50): sqrt(15000) from the sphere's centre.
    scene.modifiers[0].twist_active = true;
    scene.modifiers[0].twist_power = kPi / 200;
    EXPECT_NEAR(SceneSDF(p, scene.Args()).dist, std::sqrt(15000.0f) - 10, 1e-3f);
}

TEST_F(SceneDistance, ModifiersRunInTheirOrder) {
    // A point-sized sphere at the origin reads the length of the deformed point. (10, 100, 0): the
    // quarter twist gives (0, 100, 10); the cosine wave cos(pi) * 5 moves x to -5; the sine wave then
    // reads that x: sin(-5 pi/10) * 3 = -3 on z. |(-5, 100, 7)| = sqrt(10074). (Cosine before the twist
    // would give |(0, 100, 5)|, the sine before the cosine |(-5, 100, 10)|.)
    scene.primitives[1].enabled = false;
    scene.primitives[0].radius = 0;
    ModifiersData& m = scene.modifiers[0];
    m.twist_active = true;
    m.twist_power = kPi / 200;
    m.wave_active = true;
    m.wave_cos_freq = kPi / 100;
    m.wave_cos_amp = 5;
    m.wave_sin_freq = kPi / 10;
    m.wave_sin_amp = 3;
    EXPECT_NEAR(SceneSDF(F3(10, 100, 0), scene.Args()).dist, std::sqrt(10074.0f), 1e-3f);
}

// The slot's world-to-layer matrix places the shape: a box turned a quarter about y shows its
// z extent along x.
TEST_F(SceneDistance, TransformMapsWorldToLayer) {
    scene.primitives[1].enabled = false;
    PrimitiveData& box = scene.primitives[0];
    box.type = PrimitiveType::Box;
    box.three_size = F3(100, 100, 40);
    box.radius = 0;
    box.transform = mrph_test::Identity();
    // layer x = -world z, layer z = world x (rows of the inverse of a quarter turn)
    box.transform.m[0] = 0;
    box.transform.m[10] = 0;
    box.transform.m[8] = -1;  // row 0, column 2
    box.transform.m[2] = 1;   // row 2, column 0
    EXPECT_NEAR(At(30), 10, 1e-4f);
    EXPECT_NEAR(SceneSDF(F3(0, 0, 60), scene.Args()).dist, 10, 1e-4f);
}

}  // namespace

// The per-pixel preparation keeps the frames of at most 16 primitives and 16 modifiers; bigger scenes
// build them on the fly. Both roads must give SceneSDF's distance, smooth operations and modifiers on.
TEST(PreparedScene, DistanceEqualsSceneSdfBelowAndAboveThePoolSize) {
    for (int count : {5, 24}) {
        mrph_test::KernelScene scene;
        for (int i = 0; i < count; ++i) {
            const int op = i % 5 == 4 ? (int)OperationType::Subtract : (int)OperationType::Union;
            PrimitiveData& p = scene.Add(i % 2 ? PrimitiveType::Box : PrimitiveType::Torus,
                                         F3(40.0f * (float)i, 10.0f * (float)(i % 3), 0), op);
            p.radius = 20;
            p.radiusB = 6;
            p.three_size = F3(30, 40, 30);
            p.smooth = 8;
            ModifiersData& m = scene.modifiers.back();
            m.twist_active = i % 3 == 0;
            m.twist_power = 0.01f;
            m.twist_rotation = F3(0.3f, 0.0f, 0.2f * (float)i);
            m.bend_active = i % 4 == 1;
            m.bend_power = 0.5f;
            m.bend_rotation = F3(0.0f, 0.5f, 0.0f);
        }
        scene.primitives[3].enabled = false;
        PreparedScene prepared;
        PrepareScene(&prepared, scene.Args());
        for (float x = -50; x <= 40.0f * (float)count; x += 37.0f) {
            const float3 p = F3(x, 15, 12);
            EXPECT_NEAR(PreparedSceneDist(p, &prepared), SceneSDF(p, scene.Args()).dist, 1e-4f)
                << count << " primitives, x = " << x;
        }
    }
}
