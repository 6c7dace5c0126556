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
        // ---- Each shape's own terms: a sign, a dropped term or swapped arguments move these rows.
        // Cut plane at y = (1 - 2 * 0.3) * 50 = 20, keeping y >= 20: 10 above the plane, 20 inside the dome.
        DistanceCase{"HemisphereCutAtThirtyPercent", [] { return hemisphereSDF(F3(0, 30, 0), 50, 0.3f, 0); }, -10},
        // On the cut plane at radius 40: a = sqrt(2000) - 50 = -5.27864, b = 0, h = 0.5 + 0.5 * 5.27864 / 10
        // = 0.763932; mix(a, -b, h) + 10 h (1 - h) = -1.246118 + 1.803399.
        DistanceCase{"HemisphereFilletAtRim", [] { return hemisphereSDF(F3(40, 20, 0), 50, 0.3f, 10); }, 0.557281f},
        // Half edges less rounding (40, 20, 10); d = (20, 20, -10): |(20, 20, 0)| - 10.
        DistanceCase{"RoundedBoxOutsideCorner", [] { return boxSDF(F3(60, 40, 0), F3(100, 60, 40), 10); },
                     18.284271f},
        // d = (40 - 30 + 10, 60 - 50 + 10) = (20, 20): |d| - 10 (the sharp corner would be 14.14 away).
        DistanceCase{"CylinderFilletCorner", [] { return cylinderSDF(F3(0, 60, 40), 50, 30, 10); }, 18.284271f},
        // per = pi/3 keeps the directions from -120 to 0 degrees (from +z toward +x). (-10, -10) lies at
        // -135: 10 (sin 60 - cos 60) from the -120 edge. (-10, 5) lies inside: 10 cos 60 + 5 sin 60 from it.
        DistanceCase{"PieThirdOutsideEdge", [] { return pieCylinderSDF(F3(-10, 0, -10), 20, 50, MRPH_PI / 3, 0); },
                     3.660254f},
        DistanceCase{"PieThirdInside", [] { return pieCylinderSDF(F3(-10, 0, 5), 20, 50, MRPH_PI / 3, 0); },
                     -9.330127f},
        // Rim of the half cylinder rounded by 5: corner centre (45, 15) in (radius, y), point (60, 30).
        DistanceCase{"PieHalfFilletRim", [] { return pieCylinderSDF(F3(-60, 30, 0), 20, 50, MRPH_PI / 2, 5); },
                     16.213203f},
        // The fillet shrinks the corner radius to 45 and adds 5: apothem 45 cos 30 + 5 = 43.971. Across a
        // face (30 degrees) at 50: 50 - 45 cos 30 - 5. Above the cap of half height 20: 10.
        DistanceCase{"HexFilletCentre", [] { return polygonSDF(F3(0, 0, 0), 6, 100, 50, 5); }, -43.971143f},
        DistanceCase{"HexFilletFace", [] { return polygonSDF(F3(25, 0, 43.30127f), 6, 100, 50, 5); }, 6.028857f},
        DistanceCase{"HexAboveCap", [] { return polygonSDF(F3(0, 30, 0), 6, 20, 50, 0); }, 10},
        // Cursor of radius 40: head a triangle with its tip at z = 40 and its back face at z = -20 (apothem
        // 20), x scaled by params.z; stem centred at z = -40 params.y, half sizes 40 params.x by 40 params.y.
        DistanceCase{"CursorBeyondTip", [] { return cursorSDF(F3(0, 0, 60), 100, 40, 0, F3(1, 1, 1)); }, 20},
        // Stem x in [-10, 10], z in [-40, 0].
        DistanceCase{"CursorInsideStem", [] { return cursorSDF(F3(0, 0, -30), 100, 40, 0, F3(0.25f, 0.5f, 1)); },
                     -10},
        DistanceCase{"CursorBesideStem", [] { return cursorSDF(F3(15, 0, -35), 100, 40, 0, F3(0.25f, 0.5f, 1)); },
                     5},
        // Head twice as wide: (30, 20) is (15, 20) of the unit triangle, off its face of normal
        // (sin 60, cos 60) by 15 sin 60 + 20 cos 60 - 20.
        DistanceCase{"CursorWideHead", [] { return cursorSDF(F3(30, 0, 20), 100, 40, 0, F3(0.25f, 0.5f, 2)); },
                     2.990381f},
        // Fillet 4: triangle of corner radius 36 plus 4 and stem rounded by 4 both read 2 at (12, -24);
        // smin(2, 2, 4) = 2 - 1 * 1 * 4 / 4.
        DistanceCase{"CursorFilletJoint", [] { return cursorSDF(F3(12, 0, -24), 100, 40, 4, F3(0.25f, 0.5f, 1)); },
                     1},
        // Cone from radius 40 at y = -30 to a tip at y = 30: side through (20, 0) with outward normal
        // (0.83205, 0.55470); 10 outside and 5 inside along it.
        DistanceCase{"ConeSideOutside", [] { return coneSDF(F3(28.320503f, 5.547002f, 0), 30, 40, 0); }, 10},
        // Under the base at radius 20 (inside the base's 40, outside the tip's 0): 10 below the cap.
        DistanceCase{"ConeBelowBaseOffAxis", [] { return coneSDF(F3(20, -40, 0), 30, 40, 0); }, 10},
        DistanceCase{"ConeSideInside", [] { return coneSDF(F3(15.839749f, -2.773501f, 0), 30, 40, 0); }, -5},
        // Spheres 30 at y = -20 and 10 at y = +20: b = 20 / 40, a = sqrt(3)/2; q = (30, 30) is on the
        // cone part: 30 a + 30 b - 30. Above and below, the spheres themselves.
        DistanceCase{"RoundConeSide", [] { return roundConeSDF(F3(30, 10, 0), 20, 30, 10); }, 10.980762f},
        DistanceCase{"RoundConeAboveSmallSphere", [] { return roundConeSDF(F3(0, 40, 0), 20, 30, 10); }, 10},
        DistanceCase{"RoundConeBelowLargeSphere", [] { return roundConeSDF(F3(0, -70, 0), 20, 30, 10); }, 20},
        // p.y = -45, q = (40, 45, 10): (1.5 * 40 + 45 + 1.5 * 10 - 90) / 3.
        DistanceCase{"PyramidSide", [] { return pyramidSDF(F3(40, 0, 10), 90); }, 10},
        // Polyhedron at its centre, vertex (0, 0, 50) of weight U: the planes through it with normals
        // (0, 0, 1), pbc and pca normalised; pbc = (s, 0, 0.5), pca = (0, s, cos(pi/type)) with
        // s = sqrt(0.75 - cos^2(pi/type)). Type 3: s = 0.70711, -50 * 0.5 / 0.86603; type 4: s = 0.5,
        // -50 * 0.5 / 0.70711; type 5: s = 0.30902, -50 * 0.5 / 0.58779.
        DistanceCase{"PolyhedronType3Centre", [] { return polyhedronSDF(F3(0, 0, 0), 50, 3, F3(1, 0, 0), 0); },
                     -28.867513f},
        DistanceCase{"PolyhedronType4Centre", [] { return polyhedronSDF(F3(0, 0, 0), 50, 4, F3(1, 0, 0), 0); },
                     -35.355339f},
        DistanceCase{"PolyhedronType5Centre", [] { return polyhedronSDF(F3(0, 0, 0), 50, 5, F3(1, 0, 0), 0); },
                     -42.532540f},
        // Type 4 at (0, 0, 100), which the fold leaves alone. Weight V: vertex 50 (0.70711, 0, 0.70711),
        // p = (-35.355, 0, 64.645), the z plane wins. Weight W: vertex 50 (0, 0.57735, 0.81650),
        // p = (0, -28.868, 59.175).
        DistanceCase{"PolyhedronVertexV", [] { return polyhedronSDF(F3(0, 0, 100), 50, 4, F3(0, 1, 0), 0); },
                     64.644661f},
        DistanceCase{"PolyhedronVertexW", [] { return polyhedronSDF(F3(0, 0, 100), 50, 4, F3(0, 0, 1), 0); },
                     59.175171f},
        // Three folds with nc = (-0.5, -0.70711, 0.5) carry (0, 0, -100) to (0, 0, 100): 100 - 50.
        DistanceCase{"PolyhedronFoldsBackFace", [] { return polyhedronSDF(F3(0, 0, -100), 50, 4, F3(1, 0, 0), 0); },
                     50},
        // mix(-35.355, |0| - 50, 0.5)
        DistanceCase{"PolyhedronHalfSpherized", [] { return polyhedronSDF(F3(0, 0, 0), 50, 4, F3(1, 0, 0), 0.5f); },
                     -42.677670f},
        // No vertex weights: the vertex sits at the centre, so the planes meet there: mix(0, -50, 0.5).
        DistanceCase{"PolyhedronNoWeights", [] { return polyhedronSDF(F3(0, 0, 0), 50, 4, F3(0, 0, 0), 0.5f); },
                     -25},
        // The rows above are decided by the z plane, or at the centre by the pbc one; at these points the
        // pca plane decides, and the pbc plane away from the centre. Vertex U = (0, 0, 50); the fold
        // leaves a point alone when x, y >= 0 and dot(p, nc) >= 0, and its |x| and |y| come first.
        // Type 4: nc = (-0.5, -0.70711, 0.5), pca / |pca| = (0, 0.5, 0.70711) / 0.86603 =
        // (0, 0.57735, 0.81650). (0, 50, 100): dot(p, nc) = -35.355 + 50 >= 0; p - v = (0, 50, 50), so
        // the three planes read 50, 35.355 and 50 * (0.57735 + 0.81650) = 69.692. (0, -50, 100) is
        // (0, 50, 100) after the fold's |y| (unfolded its pca plane would read 11.95 and the z plane 50).
        DistanceCase{"PolyhedronType4PlaneW",
                     [] { return polyhedronSDF(F3(0, 50, 100), 50, 4, F3(1, 0, 0), 0); }, 69.692343f},
        DistanceCase{"PolyhedronType4PlaneWMirroredY",
                     [] { return polyhedronSDF(F3(0, -50, 100), 50, 4, F3(1, 0, 0), 0); }, 69.692343f},
        // Type 3: nc = (-0.5, -0.5, 0.70711), pbc / |pbc| = (0.81650, 0, 0.57735), pca / |pca| =
        // (0, 0.81650, 0.57735). (60, 0, 60) and (0, 60, 60) are left alone (-30 + 42.43 >= 0); p - v =
        // (60, 0, 10) reads 10, 60 * 0.81650 + 10 * 0.57735 = 54.763 and 5.774; (0, 60, 10) the mirror.
        DistanceCase{"PolyhedronType3PlaneV",
                     [] { return polyhedronSDF(F3(60, 0, 60), 50, 3, F3(1, 0, 0), 0); }, 54.763298f},
        DistanceCase{"PolyhedronType3PlaneW",
                     [] { return polyhedronSDF(F3(0, 60, 60), 50, 3, F3(1, 0, 0), 0); }, 54.763298f},
        // Type 5: cos 36 = 0.80902, scospin = sqrt(0.75 - 0.65451) = 0.30902; pbc / |pbc| =
        // (0.52573, 0, 0.85065), pca / |pca| = (0, 0.35682, 0.93417). (0, 30, 100) is left alone
        // (-24.27 + 30.90 >= 0); p - v = (0, 30, 50) reads 50, 42.533 and 10.705 + 46.709 = 57.413.
        DistanceCase{"PolyhedronType5PlaneW",
                     [] { return polyhedronSDF(F3(0, 30, 100), 50, 5, F3(1, 0, 0), 0); }, 57.413281f},
        // Type 4 at (-50, -50, 100): |x|, |y| give (50, 50, 100), whose dot with nc is -10.355, so it is
        // mirrored to (50, 50, 100) + 20.711 nc = (39.645, 35.355, 110.355), which the next rounds keep.
        // p - v = (39.645, 35.355, 60.355): planes 60.355, 0.70711 * (39.645 + 60.355) = 70.711 and
        // 0.57735 * 35.355 + 0.81650 * 60.355 = 69.692.
        DistanceCase{"PolyhedronType4Folded",
                     [] { return polyhedronSDF(F3(-50, -50, 100), 50, 4, F3(1, 0, 0), 0); }, 70.710678f},
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

// Which record member each shape reads, as the scene hands them over: one slot with every size member
// different, through SceneSDF, against the shape function given the members the shape's row names.
// (The shape functions' own numbers are checked above; this pins the hand-over.)
struct MemberCase {
    PrimitiveType type;
    std::function<float(float3)> shape;
};
void PrintTo(const MemberCase& c, std::ostream* os) { *os << (int)c.type; }

std::string MemberCaseName(const ::testing::TestParamInfo<MemberCase>& info) {
    const char* names[] = {"None",    "Sphere",   "Hemisphere", "Box",       "Torus",      "Capsule",    "Cylinder",
                           "PieCylinder", "Cone", "RoundCone",  "Pyramid",   "Octahedron", "Polyhedron", "Hex",
                           "Cursor"};
    return names[(int)info.param.type];
}

class ShapeMembers : public ::testing::TestWithParam<MemberCase> {};

TEST_P(ShapeMembers, SceneHandsOverTheNamedMembers) {
    mrph_test::KernelScene s;
    PrimitiveData& prim = s.Add(GetParam().type, F3(0, 0, 0));
    prim.radius = 30;
    prim.radiusB = 6;
    prim.height = 20;
    prim.percent = 0.25f;
    prim.three_size = F3(40, 70, 90);
    const float3 points[] = {F3(0, 0, 0), F3(25, -12, 5), F3(-18, 30, 40), F3(7, 3, -33), F3(-40, -5, -9)};
    for (const float3& p : points) {
        EXPECT_NEAR(SceneSDF(p, s.Args()).dist, GetParam().shape(p), 1e-4f)
            << "at (" << p.x << ", " << p.y << ", " << p.z << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, ShapeMembers,
    ::testing::Values(
        MemberCase{PrimitiveType::Sphere, [](float3 p) { return sphereSDF(p, 30); }},
        MemberCase{PrimitiveType::Hemisphere, [](float3 p) { return hemisphereSDF(p, 30, 0.25f, 6); }},
        MemberCase{PrimitiveType::Box, [](float3 p) { return boxSDF(p, F3(40, 70, 90), 30); }},
        MemberCase{PrimitiveType::Torus, [](float3 p) { return torusSDF(p, 30, 6); }},
        MemberCase{PrimitiveType::Capsule, [](float3 p) { return capsuleSDF(p, 20, 30); }},
        MemberCase{PrimitiveType::Cylinder, [](float3 p) { return cylinderSDF(p, 20, 30, 6); }},
        MemberCase{PrimitiveType::PieCylinder, [](float3 p) { return pieCylinderSDF(p, 20, 30, 0.25f * MRPH_PI, 6); }},
        MemberCase{PrimitiveType::Hex, [](float3 p) { return polygonSDF(p, 25, 20, 30, 6); }},
        MemberCase{PrimitiveType::Cursor, [](float3 p) { return cursorSDF(p, 20, 30, 6, F3(0.4f, 0.7f, 0.9f)); }},
        MemberCase{PrimitiveType::Cone, [](float3 p) { return coneSDF(p, 20, 30, 6); }},
        MemberCase{PrimitiveType::RoundCone, [](float3 p) { return roundConeSDF(p, 20, 30, 6); }},
        MemberCase{PrimitiveType::Octahedron, [](float3 p) { return octahedronSDF(p, 30); }},
        MemberCase{PrimitiveType::Pyramid, [](float3 p) { return pyramidSDF(p, 20); }},
        MemberCase{PrimitiveType::Polyhedron,
                   [](float3 p) { return polyhedronSDF(p, 30, 20, F3(40, 70, 90), 0.25f); }}),
    MemberCaseName);

}  // namespace
