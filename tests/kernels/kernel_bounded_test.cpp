// The bounded renderer of the C++ kernel form: the bounds it skips work on never exceed the distances
// they stand for, the slopes it carries them with hold, and it draws what the reference renderer
// draws with fewer scene-distance queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "kernels/kernel_scene.h"

namespace {

using namespace mrph_kernel;
using mrph_test::F3;
using mrph_test::KernelScene;

// ---- Bounds and slopes of one primitive -------------------------------------------------------------

struct ShapeCase {
    const char* name;
    PrimitiveType type;
    float radius, radiusB, height, percent;
    KFloat3 size;
    bool boxed;   // has a proven box
    bool sloped;  // has a proven slope (before modifiers)
    bool convex;  // its distance is convex (before modifiers)
};

struct ModifierCase {
    const char* name;
    void (*apply)(ModifiersData*);
    int kind;  // the bound a boxed shape gets
    bool keepsSlope;
    bool keepsConvexity;
};

const ShapeCase kShapes[] = {
    {"Sphere", PrimitiveType::Sphere, 40, 0, 0, 0, {}, true, true, true},
    {"SphereNegative", PrimitiveType::Sphere, -5, 0, 0, 0, {}, true, true, true},
    {"Hemisphere", PrimitiveType::Hemisphere, 40, 6, 0, 0.3f, {}, true, true, true},
    {"Box", PrimitiveType::Box, 5, 0, 0, 0, {60, 120, 30}, true, true, true},
    {"BoxRoundingAboveHalfSize", PrimitiveType::Box, 40, 0, 0, 0, {60, 20, 30}, true, true, true},
    {"Torus", PrimitiveType::Torus, 40, 12, 0, 0, {}, true, true, false},
    {"TorusNegativeTube", PrimitiveType::Torus, 40, -3, 0, 0, {}, true, true, false},
    {"Capsule", PrimitiveType::Capsule, 15, 0, 80, 0, {}, true, true, true},
    {"CapsuleNegativeHeight", PrimitiveType::Capsule, 15, 0, -60, 0, {}, true, true, true},
    {"Cylinder", PrimitiveType::Cylinder, 30, 5, 50, 0, {}, true, true, true},
    {"CylinderFilletAboveRadius", PrimitiveType::Cylinder, 10, 20, 50, 0, {}, true, true, true},
    {"PieCylinder", PrimitiveType::PieCylinder, 30, 4, 40, 0.3f, {}, true, false, false},
    {"Cone", PrimitiveType::Cone, 40, 10, 50, 0, {}, true, true, true},
    {"ConeNegativeRadius", PrimitiveType::Cone, -40, 10, 50, 0, {}, false, false, false},
    {"RoundCone", PrimitiveType::RoundCone, 30, 10, 40, 0, {}, true, true, true},
    {"RoundConeOneSphereInTheOther", PrimitiveType::RoundCone, 40, 10, 5, 0, {}, true, true, true},
    // A negative height draws the two spheres apart (radius 10 at y = 40, 20 at y = -40): their union is
    // not convex.
    {"RoundConeNegativeHeight", PrimitiveType::RoundCone, 10, 20, -40, 0, {}, true, true, false},
    // The one sphere inside the other at a negative height is convex, but the claim is not made for it.
    {"RoundConeNegativeHeightNested", PrimitiveType::RoundCone, 30, 10, -3, 0, {}, true, true, false},
    {"RoundConeZeroHeight", PrimitiveType::RoundCone, 30, 10, 0, 0, {}, true, true, true},
    // Sizes the panel never writes: each claim holds for them, or is not made.
    {"CylinderNegativeRadiusAndFillet", PrimitiveType::Cylinder, -30, -5, 50, 0, {}, true, true, true},
    {"BoxNegativeEdge", PrimitiveType::Box, 5, 0, 0, 0, {-60, 120, 30}, true, true, true},
    {"HemisphereNegativeRadius", PrimitiveType::Hemisphere, -40, 6, 0, 0.3f, {}, true, true, true},
    {"TorusNegativeRing", PrimitiveType::Torus, -40, 12, 0, 0, {}, true, true, false},
    {"PieCylinderNegativeHeight", PrimitiveType::PieCylinder, 30, 4, -40, 1.7f, {}, true, false, false},
    {"ConeNegativeHeight", PrimitiveType::Cone, 40, 10, -50, 0, {}, false, false, false},
    {"OctahedronNegativeSize", PrimitiveType::Octahedron, -40, 0, 0, 0, {}, true, true, true},
    {"Pyramid", PrimitiveType::Pyramid, 0, 0, 90, 0, {}, true, true, true},
    {"PyramidNegativeHeight", PrimitiveType::Pyramid, 0, 0, -50, 0, {}, true, true, true},
    {"Octahedron", PrimitiveType::Octahedron, 40, 0, 0, 0, {}, true, true, true},
    {"Polyhedron", PrimitiveType::Polyhedron, 40, 0, 4, 0.3f, {1, 0.5f, 0.2f}, false, false, false},
    {"Polygon", PrimitiveType::Hex, 40, 4, 30, 0.06f, {}, false, false, false},
    {"Cursor", PrimitiveType::Cursor, 40, 4, 20, 0, {60, 80, 50}, false, false, false},
};

const ModifierCase kModifiers[] = {
    {"Plain", [](ModifiersData*) {}, MRPH_BOUND_BOX, true, true},
    {"Waves",
     [](ModifiersData* m) {
         m->wave_active = true;
         m->wave_cos_amp = 12.0f;
         m->wave_cos_freq = 0.3f;
         m->wave_sin_amp = 8.0f;
         m->wave_sin_freq = 0.25f;
         m->cos_rotation = F3(0.3f, 0.1f, 0.0f);
     },
     MRPH_BOUND_BOX, true, false},
    {"Ripples",
     [](ModifiersData* m) {
         m->ripples_active = true;
         m->ripples_amp = 15.0f;
         m->ripples_freq = 0.4f;
         m->ripples_offset = 1.0f;
     },
     MRPH_BOUND_BOX, true, false},
    {"Twist",
     [](ModifiersData* m) {
         m->twist_active = true;
         m->twist_power = 0.018f;
         m->twist_rotation = F3(0.5f, 0.0f, 0.3f);
     },
     MRPH_BOUND_TWIST, false, false},
    {"Bend",
     [](ModifiersData* m) {
         m->bend_active = true;
         m->bend_power = 9.0f;
         m->bend_rotation = F3(0.0f, 0.4f, 0.8f);
     },
     MRPH_BOUND_BEND, false, false},
    {"NegativeBend",
     [](ModifiersData* m) {
         m->bend_active = true;
         m->bend_power = -15.0f;
     },
     MRPH_BOUND_BEND, false, false},
    {"BendAndTwistInOneFrame",
     [](ModifiersData* m) {
         m->bend_active = m->twist_active = true;
         m->bend_power = 9.0f;
         m->twist_power = -0.02f;
         m->bend_rotation = m->twist_rotation = F3(0.2f, 0.7f, 0.0f);
     },
     MRPH_BOUND_BENT_TWIST, false, false},
    {"EveryModifierInOneFrame",
     [](ModifiersData* m) {
         m->bend_active = m->twist_active = m->wave_active = m->ripples_active = true;
         m->bend_power = 6.0f;
         m->twist_power = 0.012f;
         m->wave_cos_amp = 9.0f;
         m->wave_cos_freq = 0.2f;
         m->wave_sin_amp = 5.0f;
         m->wave_sin_freq = 0.5f;
         m->ripples_amp = 10.0f;
         m->ripples_freq = 0.3f;
     },
     MRPH_BOUND_BENT_TWIST, false, false},
    {"BendAndTwistInTwoFrames",
     [](ModifiersData* m) {
         m->bend_active = m->twist_active = true;
         m->bend_power = 9.0f;
         m->twist_power = 0.02f;
         m->twist_rotation = F3(0.5f, 0.0f, 0.0f);
     },
     MRPH_BOUND_NONE, false, false},
    {"BendTooWeakToBend",
     [](ModifiersData* m) {
         m->bend_active = true;
         m->bend_power = 0.000001f;
     },
     MRPH_BOUND_BOX, true, false},
};

void PrintTo(const ModifierCase& c, std::ostream* os) { *os << c.name; }

// Deterministic points: a small linear congruential generator, uniform in [-1, 1).
struct Points {
    unsigned state = 12345u;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return (float)(state >> 8) / 8388608.0f - 1.0f;
    }
    KFloat3 Around(KFloat3 c, float r) { return F3(c.x + r * Next(), c.y + r * Next(), c.z + r * Next()); }
};

// One primitive on a layer that is turned, stretched unevenly and moved, with an anchor off its
// centre, set up as the kernel sets it up.
struct OnePrimitive {
    OnePrimitive(const ShapeCase& shape, const ModifierCase& modifier) {
        prim.type = shape.type;
        prim.radius = shape.radius;
        prim.radiusB = shape.radiusB;
        prim.height = shape.height;
        prim.percent = shape.percent;
        prim.three_size = shape.size;
        prim.enabled = true;
        prim.operation = (int)OperationType::Union;
        prim.anchorPoint = F3(6.0f, -9.0f, 4.0f);
        // World-to-layer: a turn of 0.6 rad about z after 0.4 about x, then a scale of (1.3, 0.8, 1.1),
        // the layer's origin at world `centre`.
        const Mat3 turn = MULTIPLY_MAT3_MAT3(rotate3d(F3(0, 0, 1), 0.6f), rotate3d(F3(1, 0, 0), 0.4f));
        const float scale[3] = {1.3f, 0.8f, 1.1f};
        prim.transform = mrph_test::Identity();
        for (int col = 0; col < 3; ++col)
            for (int row = 0; row < 3; ++row) prim.transform.m[col * 4 + row] = scale[row] * turn.m[col * 3 + row];
        for (int row = 0; row < 3; ++row)
            prim.transform.m[12 + row] = -(prim.transform.m[row] * centre.x + prim.transform.m[4 + row] * centre.y +
                                           prim.transform.m[8 + row] * centre.z);
        modifier.apply(&mods);
        scene = SceneArgs{&render, &prim, nullptr, &mods, nullptr, 1, 0, 0, 0.0f};
        ready = SetupPrimitive(&setup, scene, 0, &pool) == 1;
        if (ready) SetupPrimitiveBound(&bound, &setup);
    }
    float Field(KFloat3 p) const { return LayerPointDist(LayerPoint(p, &setup), &setup, &pool); }
    float Bound(KFloat3 p) const { return PrimitiveBoundDist(LayerPoint(p, &setup), &bound, &setup); }
    // p moved towards the surface by a few Newton steps on the distance; points from outside gather on
    // edges and corners, where bounds are tightest.
    KFloat3 NearSurface(KFloat3 p) const {
        for (int k = 0; k < 4; ++k) {
            const float f = Field(p), e = 0.01f;
            const KFloat3 g = F3(Field(p + F3(e, 0, 0)) - f, Field(p + F3(0, e, 0)) - f, Field(p + F3(0, 0, e)) - f) *
                              (1.0f / e);
            const float gg = dot(g, g);
            if (!std::isfinite(f) || !(gg > 1e-6f)) break;
            p = p - g * (f / gg);
        }
        return p;
    }

    const KFloat3 centre = F3(300.0f, 200.0f, 50.0f);
    PrimitiveData prim{};
    ModifiersData mods{};
    RenderData render = mrph_test::DefaultRender();
    SceneArgs scene{};
    ModifierFrames pool{};
    PrimitiveSetup setup{};
    PrimitiveBound bound{};
    bool ready = false;
};

class PrimitiveBounds : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(PrimitiveBounds, KindFollowsShapeAndModifiers) {
    for (const ShapeCase& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        const OnePrimitive one(shape, GetParam());
        ASSERT_TRUE(one.ready);
        EXPECT_EQ(one.bound.kind, shape.boxed ? GetParam().kind : MRPH_BOUND_NONE);
        EXPECT_EQ(one.bound.lipschitz > 0.0f, shape.sloped && GetParam().keepsSlope);
        EXPECT_EQ(one.bound.convex, shape.convex && GetParam().keepsConvexity ? 1 : 0);
        const int kind = one.bound.kind;
        EXPECT_EQ(one.bound.boundConvex, kind == MRPH_BOUND_BOX || kind == MRPH_BOUND_TWIST ? 1 : 0);
        // The layer's largest stretch is 1.3; Gershgorin on a turned diagonal matrix may exceed it.
        EXPECT_GE(one.bound.scale, 1.3f);
    }
}

// For every shape: the bound is at most the distance everywhere (near the surface, inside and far
// away), it and the distance change no faster than the slopes the shadow steps are skipped by, and
// those said to be convex are (no point of a segment lies above the chord: the secants that shadow
// rays extend rely on it).
TEST_P(PrimitiveBounds, BoundStaysBelowTheDistanceSlopesAndConvexityHold) {
    for (const ShapeCase& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        const OnePrimitive one(shape, GetParam());
        ASSERT_TRUE(one.ready);
        const PrimitiveBound& bound = one.bound;
        Points points;
        int checked = 0;
        for (int i = 0; i < 4000; ++i) {
            // Most points within 4 pixels of the surface, where a bound is tightest; the rest anywhere
            // up to 900 pixels out.
            KFloat3 p = points.Around(one.centre, i < 3000 ? 120.0f : 900.0f);
            if (i < 3000) p = points.Around(one.NearSurface(p), 4.0f);
            const KFloat3 p2 = points.Around(p, 3.0f);
            const float f = one.Field(p);
            const float f2 = one.Field(p2);
            if (!std::isfinite(f) || !std::isfinite(f2)) continue;
            ++checked;
            const float tolerance = 1e-3f + 2e-5f * std::fabs(f);
            const float step = length(p - p2);
            if (bound.kind != MRPH_BOUND_NONE) {
                const float b = one.Bound(p);
                ASSERT_LE(b, f + tolerance) << "at (" << p.x << ", " << p.y << ", " << p.z << ")";
                ASSERT_LE(std::fabs(one.Bound(p2) - b), bound.scale * bound.lambda * step + tolerance);
            }
            if (bound.lipschitz > 0.0f) {
                ASSERT_LE(std::fabs(f2 - f), bound.scale * bound.lipschitz * step + tolerance);
            }
            const KFloat3 far = points.Around(p, 60.0f);
            const KFloat3 mid = (p + far) * 0.5f;
            if (bound.convex) {
                ASSERT_LE(one.Field(mid), 0.5f * (f + one.Field(far)) + tolerance);
            }
            if (bound.boundConvex) {
                ASSERT_LE(one.Bound(mid), 0.5f * (one.Bound(p) + one.Bound(far)) + tolerance);
            }
        }
        EXPECT_GT(checked, 3900);
    }
}

INSTANTIATE_TEST_SUITE_P(Kernel, PrimitiveBounds, ::testing::ValuesIn(kModifiers),
                         [](const ::testing::TestParamInfo<ModifierCase>& info) {
                             return std::string(info.param.name);
                         });

// A bound worked by hand: a 60 x 120 x 30 box twisted about its own y axis (anchor at its centre, no
// layer turn) fits in the cylinder of radius |(30, 15)| = 33.54 and half height 60, so at 100 pixels
// out along x the bound is 100 - 33.54 = 66.46, and 20 pixels above the top it is 20.
TEST(PrimitiveBoundByHand, TwistedBoxCylinder) {
    PrimitiveData prim{};
    prim.type = PrimitiveType::Box;
    prim.three_size = F3(60, 120, 30);
    prim.enabled = true;
    prim.transform = mrph_test::Identity();
    ModifiersData mods{};
    mods.twist_active = true;
    mods.twist_power = 0.02f;
    RenderData render = mrph_test::DefaultRender();
    SceneArgs scene{&render, &prim, nullptr, &mods, nullptr, 1, 0, 0, 0.0f};
    PrimitiveSetup setup;
    ASSERT_EQ(SetupPrimitive(&setup, scene, 0, nullptr), 1);
    PrimitiveBound bound;
    SetupPrimitiveBound(&bound, &setup);
    ASSERT_EQ(bound.kind, MRPH_BOUND_TWIST);
    EXPECT_NEAR(PrimitiveBoundDist(F3(100, 0, 0), &bound, &setup), 66.459f, 1e-3f);
    EXPECT_NEAR(PrimitiveBoundDist(F3(0, 80, 0), &bound, &setup), 20.0f, 1e-3f);
    EXPECT_NEAR(PrimitiveBoundDist(F3(0, -70, 100), &bound, &setup), std::sqrt(66.459f * 66.459f + 100.0f), 1e-3f);
}

// ---- Soft shadows -------------------------------------------------------------------------------------

// A shadow ray past one sphere of a Round Cone of height -20 (radius 2 at (0, 20, 0), radius 6 at
// (0, -20, 0)) and into the other: from (3, 60, 0) along -y, it passes the first 1 pixel from its
// surface and meets the second at y = -20 + sqrt(36 - 9) = -14.8, 74.8 along, well within 200 steps of
// at most 2. A step inside a surface ends the shadow at 0, on both paths.
TEST(BoundedShadows, RayPastOneSphereOfARoundConeReachesTheOther) {
    KernelScene s;
    PrimitiveData& cone = s.Add(PrimitiveType::RoundCone, F3(0, 0, 0));
    cone.height = -20;
    cone.radius = 2;
    cone.radiusB = 6;
    s.render.shadowsThreshold = 1;
    s.render.shadowsQuality = 0.5f;
    s.render.shadowsSteps = 200;
    BoundedScene bs;
    PrepareBoundedScene(&bs, s.Args());
    const float3 ro = F3(3, 60, 0), rd = F3(0, -1, 0);
    EXPECT_EQ(calcSoftShadows(ro, rd, 200, 4, &bs.prepared), 0.0f);
    EXPECT_EQ(BoundedSoftShadows(ro, rd, 200, 4, &bs), 0.0f);
}

// ---- Whole frames: the bounded entry against the reference entry ------------------------------------

struct FrameCase {
    const char* name;
    KernelScene (*make)();
    bool savesQueries;  // every primitive has a bound or a slope: shadow steps are skipped
};
void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

struct Frame {
    std::vector<float4> pixels;
    unsigned long long queries = 0;
};

constexpr unsigned kWidth = 64, kHeight = 36;

template <typename Entry>
Frame RenderWith(Entry entry, const KernelScene& s) {
    Frame f;
    f.pixels.assign((size_t)kWidth * kHeight, mrph_test::Fill(-7.0f));
    const KernelImage env{s.environment.data(), s.environmentWidth, s.environmentHeight};
    const KernelImage* envArg = s.environment.empty() ? nullptr : &env;
    sceneDistanceQueries = 0;
    for (unsigned y = 0; y < kHeight; ++y)
        for (unsigned x = 0; x < kWidth; ++x)
            entry(envArg, f.pixels.data(), s.primitives.data(), s.materials.data(), s.modifiers.data(),
                  s.lights.data(), &s.camera, &s.render, (int)kWidth, 0, kWidth, kHeight, (char)(envArg != nullptr),
                  (int)s.primitives.size(), (int)s.lights.size(), 0.0f, x, y);
    f.queries = sceneDistanceQueries;
    return f;
}

// The showcase's first four primitives (a floor, a sphere, a twisted box, a bent torus; shadows,
// occlusion, reflections) and every bounded shape in a row in front of them, combined in turn by
// union, subtraction and intersection with growing smoothing.
KernelScene EveryShape() {
    KernelScene s = mrph_test::ShowcaseScene(kWidth, kHeight, 4);
    const PrimitiveType types[] = {PrimitiveType::Sphere,      PrimitiveType::Hemisphere, PrimitiveType::Box,
                                   PrimitiveType::Torus,       PrimitiveType::Capsule,    PrimitiveType::Cylinder,
                                   PrimitiveType::PieCylinder, PrimitiveType::Cone,       PrimitiveType::RoundCone,
                                   PrimitiveType::Pyramid,     PrimitiveType::Octahedron};
    int k = 0;
    for (PrimitiveType t : types) {
        PrimitiveData& p = s.Add(t, F3(4.0f + 5.6f * (float)k, 16.0f + (float)(k % 3), -4.0f), 1 + k % 3);
        p.radius = 2.5f;
        p.radiusB = 0.8f;
        p.height = 2.5f;
        p.percent = 0.3f;
        p.three_size = F3(4, 5, 4);
        p.smooth = 0.5f * (float)(k % 4);
        ++k;
    }
    return s;
}

// The same with the three shapes that have neither bound nor slope, and an intersection of them.
KernelScene EveryShapeAndTheUnbounded() {
    KernelScene s = EveryShape();
    const PrimitiveType types[] = {PrimitiveType::Polyhedron, PrimitiveType::Hex, PrimitiveType::Cursor};
    int k = 0;
    for (PrimitiveType t : types) {
        PrimitiveData& p = s.Add(t, F3(20.0f + 12.0f * (float)k, 26.0f, 0.0f));
        p.radius = 3.0f;
        p.radiusB = 0.5f;
        p.height = 4.0f;
        p.percent = 0.06f;
        p.three_size = F3(60, 80, 50);
        ++k;
    }
    return s;
}

KernelScene ShowcaseBounded() { return mrph_test::ShowcaseScene(kWidth, kHeight, 7); }
KernelScene ShowcaseWithPolygon() { return mrph_test::ShowcaseScene(kWidth, kHeight, 8); }
KernelScene ShowcaseNormalPass() {
    KernelScene s = ShowcaseBounded();
    s.render.renderPass = (int)RenderPass::Normal;
    return s;
}
KernelScene ShowcaseOcclusionPass() {
    KernelScene s = ShowcaseBounded();
    s.render.renderPass = (int)RenderPass::AO;
    return s;
}
KernelScene ShowcaseDepthPassTwoFrames() {
    KernelScene s = ShowcaseBounded();
    s.render.renderPass = (int)RenderPass::Depth;
    s.modifiers[2].bend_active = true;
    s.modifiers[2].bend_power = 30.0f;
    s.modifiers[2].bend_rotation = F3(0.0f, 0.0f, 0.5f);
    return s;
}
// Bend and twist on one box in one frame, strong waves and ripples, a scaled layer, fine shadow steps.
KernelScene ShowcaseStrongModifiers() {
    KernelScene s = ShowcaseBounded();
    s.modifiers[2].bend_active = true;
    s.modifiers[2].bend_power = 40.0f;
    s.modifiers[2].twist_power = 0.08f;
    s.modifiers[1].ripples_active = true;
    s.modifiers[1].ripples_amp = 3.0f;
    s.modifiers[1].ripples_freq = 2.0f;
    s.modifiers[5].wave_cos_amp = 2.0f;
    s.modifiers[5].wave_cos_freq = 3.0f;
    for (int i = 0; i < 12; ++i) s.primitives[3].transform.m[i] *= 1.6f;
    s.render.shadowsQuality = 2.0f;
    s.render.shadowsSteps = 200;
    return s;
}

// Values a record can hold though the panel never writes them: for a primitive that holds one, no
// bound or slope is proven, and the bounded entry must draw whatever the reference draws.
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
KernelScene ShowcaseNaNRadius() {
    KernelScene s = ShowcaseBounded();
    PrimitiveData& ball = s.Add(PrimitiveType::Sphere, F3(50, 10, 0));
    ball.radius = kNaN;
    ball.smooth = 2;
    return s;
}
KernelScene ShowcaseNaNSmoothing() {
    KernelScene s = ShowcaseBounded();
    s.primitives[1].smooth = kNaN;
    return s;
}
KernelScene ShowcaseNaNTwist() {
    KernelScene s = ShowcaseBounded();
    s.modifiers[2].twist_power = kNaN;
    return s;
}
KernelScene ShowcaseInfiniteWave() {
    KernelScene s = ShowcaseBounded();
    s.modifiers[5].wave_sin_amp = kInfinity;
    return s;
}
KernelScene ShowcaseInfiniteLayerScale() {
    KernelScene s = ShowcaseBounded();
    s.primitives[6].transform.m[0] = kInfinity;
    return s;
}

class BoundedFrame : public ::testing::TestWithParam<FrameCase> {};

// The bounded entry draws the reference's pixels (the same arithmetic on the same values: exactly, in
// this form) and, where it can skip shadow steps, needs fewer scene-distance queries.
TEST_P(BoundedFrame, DrawsWhatTheReferenceDraws) {
    const KernelScene s = GetParam().make();
    const Frame bounded = RenderWith(MainKernel, s);
    const Frame reference = RenderWith(ReferenceMainKernel, s);
    // A NaN on one side only is the largest difference of all (it never compares below the last one);
    // NaN on both sides is no difference.
    float largest = 0.0f;
    for (size_t i = 0; i < bounded.pixels.size(); ++i) {
        const float4 a = bounded.pixels[i], b = reference.pixels[i];
        if (std::isnan(a.x + a.y + a.z + a.w) && std::isnan(b.x + b.y + b.z + b.w)) continue;
        for (float d :
             {std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z), std::fabs(a.w - b.w)})
            if (!(d <= largest)) largest = d;
    }
    EXPECT_LE(largest, 1.0f / 255.0f);
    EXPECT_LE(bounded.queries, reference.queries);
    if (GetParam().savesQueries) {
        EXPECT_LT(bounded.queries * 10, reference.queries * 9);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, BoundedFrame,
    ::testing::Values(FrameCase{"EveryShape", EveryShape, false},
                      FrameCase{"EveryShapeAndTheUnbounded", EveryShapeAndTheUnbounded, false},
                      FrameCase{"Showcase", ShowcaseBounded, true},
                      FrameCase{"ShowcaseWithPolygon", ShowcaseWithPolygon, false},
                      FrameCase{"ShowcaseNormalPass", ShowcaseNormalPass, false},
                      FrameCase{"ShowcaseOcclusionPass", ShowcaseOcclusionPass, false},
                      FrameCase{"ShowcaseDepthPassTwoFrames", ShowcaseDepthPassTwoFrames, false},
                      FrameCase{"ShowcaseStrongModifiers", ShowcaseStrongModifiers, true},
                      FrameCase{"ShowcaseNaNRadius", ShowcaseNaNRadius, false},
                      FrameCase{"ShowcaseNaNSmoothing", ShowcaseNaNSmoothing, false},
                      FrameCase{"ShowcaseNaNTwist", ShowcaseNaNTwist, false},
                      FrameCase{"ShowcaseInfiniteWave", ShowcaseInfiniteWave, false},
                      FrameCase{"ShowcaseInfiniteLayerScale", ShowcaseInfiniteLayerScale, false}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

}  // namespace
