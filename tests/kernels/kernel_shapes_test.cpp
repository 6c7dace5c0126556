// The distance functions of the C++ kernel form at points whose distance follows from geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <functional>
#include <string>

#include "kernels/kernel_scene.h"

namespace {

using namespace mrph_kernel;
using mrph_test::F3;

struct DistanceCase {
    std::string name;
    std::function<float()> distance;
    float expected;
};
void PrintTo(const DistanceCase& c, std::ostream* os) { *os << c.name; }

class ShapeDistance : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(ShapeDistance, MatchesGeometry) {
    const DistanceCase& c = GetParam();
    const float d = c.distance();
    ASSERT_TRUE(std::isfinite(d));
    EXPECT_NEAR(d, c.expected, 1e-3f);
}

const float kHalfSqrt2 = 0.70710678f;
const float kSin60 = 0.86602540f;

// Inside, on and outside each shape; sizes chosen so the answer is a short sum or a 3-4-5 triangle.
INSTANTIATE_TEST_SUITE_P(
    Kernel, ShapeDistance,
    ::testing::Values(
        DistanceCase{"SphereCentre", [] { return sphereSDF(F3(0, 0, 0), 50); }, -50},
        DistanceCase{"SphereSurface", [] { return sphereSDF(F3(30, 40, 0), 50); }, 0},
        DistanceCase{"SphereOutside", [] { return sphereSDF(F3(0, 0, -80), 50); }, 30},
        // Half sphere y >= 0 (percent 0.5): distance to the cut plane or to the dome.
        DistanceCase{"HemisphereInside", [] { return hemisphereSDF(F3(0, 25, 0), 50, 0.5f, 0); }, -25},
        DistanceCase{"HemisphereAboveCut", [] { return hemisphereSDF(F3(0, -10, 0), 50, 0.5f, 0); }, 10},
        DistanceCase{"HemisphereOutsideDome", [] { return hemisphereSDF(F3(0, 60, 0), 50, 0.5f, 0); }, 10},
        DistanceCase{"BoxCentre", [] { return boxSDF(F3(0, 0, 0), F3(100, 60, 40), 0); }, -20},
        DistanceCase{"BoxFace", [] { return boxSDF(F3(60, 0, 0), F3(100, 60, 40), 0); }, 10},
        DistanceCase{"BoxEdge345", [] { return boxSDF(F3(53, 34, 0), F3(100, 60, 40), 0); }, 5},
        DistanceCase{"RoundedBoxCornerSurface", [] { return boxSDF(F3(46, 28, 0), F3(100, 60, 40), 10); }, 0},
        DistanceCase{"TorusTube", [] { return torusSDF(F3(50, 0, 0), 50, 10); }, -10},
        DistanceCase{"TorusHole", [] { return torusSDF(F3(0, 0, 0), 50, 10); }, 40},
        DistanceCase{"TorusAbove", [] { return torusSDF(F3(0, 20, 50), 50, 10); }, 10},
        DistanceCase{"CapsuleAxis", [] { return capsuleSDF(F3(0, 0, 0), 100, 10); }, -10},
        DistanceCase{"CapsuleBeyondCap", [] { return capsuleSDF(F3(0, 70, 0), 100, 10); }, 10},
        DistanceCase{"CapsuleSide", [] { return capsuleSDF(F3(15, -30, 0), 100, 10); }, 5},
        DistanceCase{"CylinderAxis", [] { return cylinderSDF(F3(0, 0, 0), 50, 30, 0); }, -30},
        DistanceCase{"CylinderAboveCap", [] { return cylinderSDF(F3(0, 60, 0), 50, 30, 0); }, 10},
        DistanceCase{"CylinderRim345", [] { return cylinderSDF(F3(0, 54, 33), 50, 30, 0); }, 5},
        // Half cylinder (percent 0.5) keeps x <= 0.
        DistanceCase{"PieHalfInside", [] { return pieCylinderSDF(F3(-10, 0, 0), 20, 50, 0.5f * MRPH_PI, 0); }, -10},
        DistanceCase{"PieHalfCutSide", [] { return pieCylinderSDF(F3(10, 0, 0), 20, 50, 0.5f * MRPH_PI, 0); }, 10},
        DistanceCase{"PieHalfNearWall", [] { return pieCylinderSDF(F3(-30, 0, 0), 20, 50, 0.5f * MRPH_PI, 0); }, -20},
        // Hexagon of corner radius 50: apothem 50 cos 30; corners on the z axis.
        DistanceCase{"HexCentre", [] { return polygonSDF(F3(0, 0, 0), 6, 100, 50, 0); }, -50 * kSin60},
        DistanceCase{"HexCorner", [] { return polygonSDF(F3(0, 0, 50), 6, 100, 50, 0); }, 0},
        DistanceCase{"HexFaceOutside", [] { return polygonSDF(F3(60 * 0.5f, 0, 60 * kSin60), 6, 100, 50, 0); },
                     60 - 50 * kSin60},
        DistanceCase{"TriangleCentre", [] { return polygonSDF(F3(0, 0, 0), 3, 100, 50, 0); }, -25},
        DistanceCase{"ConeAsCylinderAxis", [] { return coneSDF(F3(0, 0, 0), 50, 30, 30); }, -30},
        DistanceCase{"ConeAboveApex", [] { return coneSDF(F3(0, 60, 0), 30, 40, 0); }, 30},
        DistanceCase{"ConeBelowBase", [] { return coneSDF(F3(0, -40, 0), 30, 40, 0); }, 10},
        DistanceCase{"RoundConeAsCapsule", [] { return roundConeSDF(F3(0, 0, 0), 50, 20, 20); }, -20},
        DistanceCase{"RoundConeBelowLowerSphere", [] { return roundConeSDF(F3(0, -80, 0), 50, 20, 20); }, 10},
        DistanceCase{"OctahedronCentre", [] { return octahedronSDF(F3(0, 0, 0), 30); }, -30},
        DistanceCase{"OctahedronFace", [] { return octahedronSDF(F3(10, 10, 10), 30); }, 0},
        DistanceCase{"OctahedronAxis", [] { return octahedronSDF(F3(-40, 0, 0), 30); }, 10},
        DistanceCase{"PyramidBase", [] { return pyramidSDF(F3(0, 45, 0), 90); }, 0},
        DistanceCase{"PyramidApex", [] { return pyramidSDF(F3(0, -45, 0), 90); }, 0},
        DistanceCase{"PyramidInside", [] { return pyramidSDF(F3(0, 0, 0), 90); }, -15},
        // Fully spherized, the polyhedron is the sphere of its size.
        DistanceCase{"PolyhedronSpherized", [] { return polyhedronSDF(F3(70, 0, 0), 50, 4, F3(1, 0, 0), 1); }, 20},
        // Arrow cursor: outside the prism's top face whatever the outline.
        DistanceCase{"CursorAboveTop", [] { return cursorSDF(F3(0, 110, 0), 100, 40, 0, F3(1, 1, 1)); }, 10},
        DistanceCase{"DiagonalBoxEdge", [] { return boxSDF(F3(50 + 3 * kHalfSqrt2, 0, 20 + 3 * kHalfSqrt2),
                                                          F3(100, 60, 40), 0); }, 3}),
    [](const ::testing::TestParamInfo<DistanceCase>& info) { return info.param.name; });

// ---- Parameters that used to divide by zero ------------------------------------------------------

struct GuardCase {
    std::string name;
    std::function<float(float3)> guarded;  // the degenerate parameter
    std::function<float(float3)> same;     // the shape it must equal
};
void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

class DegenerateShape : public ::testing::TestWithParam<GuardCase> {};

TEST_P(DegenerateShape, IsFiniteAndEqualsItsLimit) {
    const GuardCase& c = GetParam();
    const float3 points[] = {F3(0, 0, 0), F3(37, -12, 5), F3(-60, 30, 80), F3(0, 100, 0), F3(3, 0, -45)};
    for (const float3& p : points) {
        const float d = c.guarded(p);
        ASSERT_TRUE(std::isfinite(d)) << "at (" << p.x << ", " << p.y << ", " << p.z << ")";
        EXPECT_NEAR(d, c.same(p), 1e-3f) << "at (" << p.x << ", " << p.y << ", " << p.z << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, DegenerateShape,
    ::testing::Values(
        // The Polygon's percent defaults to 0: zero sides draws the triangle of the fewest sides.
        GuardCase{"PolygonZeroSides", [](float3 p) { return polygonSDF(p, 0, 40, 50, 0); },
                  [](float3 p) { return polygonSDF(p, 3, 40, 50, 0); }},
        GuardCase{"PolygonTwoSides", [](float3 p) { return polygonSDF(p, 2, 40, 50, 5); },
                  [](float3 p) { return polygonSDF(p, 3, 40, 50, 5); }},
        GuardCase{"PolyhedronTypeZero", [](float3 p) { return polyhedronSDF(p, 50, 0, F3(1, 1, 1), 0.2f); },
                  [](float3 p) { return polyhedronSDF(p, 50, 3, F3(1, 1, 1), 0.2f); }},
        GuardCase{"PolyhedronTypeNine", [](float3 p) { return polyhedronSDF(p, 50, 9, F3(1, 0, 0), 0); },
                  [](float3 p) { return polyhedronSDF(p, 50, 5, F3(1, 0, 0), 0); }},
        // Zero height: two concentric spheres, the larger one wins.
        GuardCase{"RoundConeZeroHeight", [](float3 p) { return roundConeSDF(p, 0, 30, 10); },
                  [](float3 p) { return sphereSDF(p, 30); }},
        // |r1 - r2| > 2h: the sphere of radius 40 at y = -5 holds the one of radius 10 at y = +5.
        GuardCase{"RoundConeNestedSpheres", [](float3 p) { return roundConeSDF(p, 5, 40, 10); },
                  [](float3 p) { return sphereSDF(p - F3(0, -5, 0), 40); }},
        GuardCase{"HemisphereNoFillet", [](float3 p) { return hemisphereSDF(p, 50, 0.3f, 0); },
                  [](float3 p) { return mrph_kernel::fmax(sphereSDF(p, 50), -(p.y + (0.6f - 1.0f) * 50)); }},
        GuardCase{"ConeFlatCylinder", [](float3 p) { return coneSDF(p, 0, 30, 30); },
                  [](float3 p) { return cylinderSDF(p, 0, 30, 0); }},
        GuardCase{"CursorZeroWidth", [](float3 p) { return cursorSDF(p, 20, 40, 0, F3(1, 1, 0)); },
                  [](float3 p) { return cursorSDF(p, 20, 40, 0, F3(1, 1, 0.001f)); }}),
    [](const ::testing::TestParamInfo<GuardCase>& info) { return info.param.name; });

// The Hex side count is floor(percent * 100), the Polyhedron type round(height): the boundaries
// between counts sit where the panel's values say they do.
TEST(KernelShapeParameters, CountsComeFromPercentAndHeight) {
    mrph_test::KernelScene s;
    PrimitiveData& hex = s.Add(PrimitiveType::Hex, F3(0, 0, 0));
    hex.height = 100;
    hex.radius = 50;
    const float3 centre = F3(0, 0, 0);
    hex.percent = 0.03f;
    EXPECT_NEAR(SceneSDF(centre, s.Args()).dist, -25.0f, 1e-3f);  // triangle: apothem r cos 60
    hex.percent = 0.06f;
    EXPECT_NEAR(SceneSDF(centre, s.Args()).dist, -50.0f * kSin60, 1e-3f);

    PrimitiveData& poly = s.primitives[0];
    poly.type = PrimitiveType::Polyhedron;
    poly.radius = 50;
    poly.three_size = F3(1, 1, 1);
    poly.percent = 0;  // no spherization
    const float3 p = F3(20, 35, 40);
    poly.height = 3.4f;
    const float type3 = SceneSDF(p, s.Args()).dist;
    EXPECT_NEAR(type3, polyhedronSDF(p, 50, 3, F3(1, 1, 1), 0), 1e-4f);
    poly.height = 3.5f;
    EXPECT_NEAR(SceneSDF(p, s.Args()).dist, polyhedronSDF(p, 50, 4, F3(1, 1, 1), 0), 1e-4f);
    EXPECT_GT(std::fabs(SceneSDF(p, s.Args()).dist - type3), 1e-2f);
}

// The Cursor reads its proportions from the X, Y, Z size in percent.
TEST(KernelShapeParameters, CursorSizeIsPercent) {
    mrph_test::KernelScene s;
    PrimitiveData& cursor = s.Add(PrimitiveType::Cursor, F3(0, 0, 0));
    cursor.height = 20;
    cursor.radius = 40;
    cursor.three_size = F3(100, 100, 100);
    const float3 points[] = {F3(0, 0, 0), F3(10, 5, -30), F3(-25, 0, 12)};
    for (const float3& p : points) {
        EXPECT_NEAR(SceneSDF(p, s.Args()).dist, cursorSDF(p, 20, 40, 0, F3(1, 1, 1)), 1e-5f);
    }
}

}  // namespace
