// Per-type size parameters: which offsets a type shows, and the names and numbers they take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "GlobalData.h"
#include "PrimitiveInfo.h"

namespace {

using T = PrimitiveType;
using P = PrimitiveParamType;

bool lists(const std::vector<PrimitiveParamType>& list, P offset) {
    return std::find(list.begin(), list.end(), offset) != list.end();
}

TEST(PrimitiveLists, EveryTypeButNoneHasItsListAndGroupsSurroundTheThreeSizes) {
    const auto& map = getPrimitiveParamsMap();
    EXPECT_EQ(map.size(), 14u);
    EXPECT_EQ(map.count(T::None), 0u);  // a consumer must read None as "every size offset hidden"
    for (const auto& [type, list] : map) {
        bool threeSizes = lists(list, P::SizeX) || lists(list, P::SizeY) || lists(list, P::SizeZ);
        EXPECT_EQ(threeSizes, lists(list, P::SizeGroup)) << static_cast<int>(type);
        EXPECT_EQ(threeSizes, lists(list, P::SizeGroupEnd)) << static_cast<int>(type);
        for (P offset : list) {
            EXPECT_GE(static_cast<int>(offset), 4);
            EXPECT_LE(static_cast<int>(offset), 12);
        }
    }
    EXPECT_EQ(map.at(T::Sphere), std::vector<P>{P::Diameter});
    EXPECT_EQ(map.at(T::Hemisphere), (std::vector<P>{P::Diameter, P::SecondDiameter, P::Percent}));
    EXPECT_EQ(map.at(T::Pyramid), std::vector<P>{P::Height});
    EXPECT_EQ(map.at(T::Cursor).size(), 8u);
    EXPECT_FALSE(lists(map.at(T::Cursor), P::Percent));
}

TEST(PrimitiveLists, GlobalDataHoldsACopyOfTheMap) {
    GlobalData global;
    global.primitiveParams[T::Sphere].push_back(P::Height);
    global.primitiveParams.erase(T::Box);
    EXPECT_EQ(getPrimitiveParamsMap().at(T::Sphere), std::vector<P>{P::Diameter});
    EXPECT_EQ(getPrimitiveParamsMap().count(T::Box), 1u);
}

TEST(PrimitiveInfoMap, SphereIsTheGenericTypeAndEveryOtherEntryHasASphereEntry) {
    EXPECT_EQ(primitiveInfoMap.size(), 13u);
    EXPECT_EQ(primitiveInfoMap.count(T::None), 0u);
    EXPECT_EQ(primitiveInfoMap.count(T::Octahedron), 0u);
    for (const auto& [type, entries] : primitiveInfoMap) {
        EXPECT_EQ(entries.count(P::SizeGroupEnd), 0u);
        for (const auto& [offset, info] : entries) {
            EXPECT_NE(findPrimitiveInfo(T::Sphere, offset), nullptr) << static_cast<int>(offset);
            EXPECT_LE(info.name.size(), 15u);
            EXPECT_LE(info.values.size(), 4u);
            EXPECT_NE(info.values.size(), 2u) << info.name;  // one value, or limits with it
            if (offset == P::SizeGroup) {
                EXPECT_TRUE(info.values.empty()) << info.name;
            }
        }
    }
}

// The resolution of names and numbers, as the panel applies them.
struct Case {
    const char* label;
    PrimitiveType type;
    PrimitiveParamType offset;
    const char* name;  // nullptr: no entry
    double dflt, min, max;
    int precision;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

class Resolution : public ::testing::TestWithParam<Case> {};

TEST_P(Resolution, OwnNumbersFirstThenSphereAndOwnPrecisionOr2) {
    const Case& c = GetParam();
    PrimitiveType resolved = resolvePrimitiveType(c.type);
    const PrimitiveInfo* info = findPrimitiveInfo(resolved, c.offset);
    if (!c.name) {
        EXPECT_EQ(info, nullptr);
        PrimitiveNumbers none = primitiveNumbers(resolved, c.offset);
        EXPECT_FALSE(none.dephault || none.minimum || none.maximum);
        return;
    }
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->name, c.name);
    PrimitiveNumbers n = primitiveNumbers(resolved, c.offset);
    ASSERT_TRUE(n.dephault && n.minimum && n.maximum);
    EXPECT_EQ(*n.dephault, c.dflt);
    EXPECT_EQ(*n.minimum, c.min);
    EXPECT_EQ(*n.maximum, c.max);
    EXPECT_EQ(n.precision, c.precision);
}

INSTANTIATE_TEST_SUITE_P(
    PrimitiveInfoMap, Resolution,
    ::testing::Values(Case{"SphereDiameter", T::Sphere, P::Diameter, "Diameter", 100, 0, 2000, 2},
                      Case{"BoxFilletTakesSphereLimits", T::Box, P::Diameter, "Fillet", 0, 0, 2000, 2},
                      Case{"TorusMajorDiameter", T::Torus, P::Diameter, "Major Diameter", 100, 0, 2000, 2},
                      Case{"PolyhedronTypeIsWhole", T::Polyhedron, P::Height, "Type", 4, 3, 5, 0},
                      Case{"PolyhedronV", T::Polyhedron, P::SizeY, "V", 100, 0, 100, 2},
                      Case{"HexSidesIsWhole", T::Hex, P::Percent, "Sides", 3, 3, 16, 0},
                      Case{"HemisphereFillPercent", T::Hemisphere, P::Percent, "Fill Percent", 50, 0, 100, 2},
                      Case{"OctahedronReadsAsSphere", T::Octahedron, P::Diameter, "Diameter", 100, 0, 2000, 2},
                      Case{"NoneReadsAsSphere", T::None, P::SecondDiameter, "Second Diameter", 10, 0, 2000, 2},
                      Case{"ConeHasNoHeightEntry", T::Cone, P::Height, nullptr, 0, 0, 0, 0},
                      Case{"NoEntryForTheSizeGroupEnd", T::Sphere, P::SizeGroupEnd, nullptr, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.label); });

TEST(PrimitiveInfoMap, LookupsNeverAddKeys) {
    size_t types = primitiveInfoMap.size();
    size_t sphereEntries = primitiveInfoMap.at(T::Sphere).size();
    EXPECT_EQ(findPrimitiveInfo(T::None, P::Diameter), nullptr);
    EXPECT_EQ(findPrimitiveInfo(T::Sphere, P::Operation), nullptr);
    primitiveNumbers(T::Octahedron, P::Smoothness);
    EXPECT_EQ(primitiveInfoMap.size(), types);
    EXPECT_EQ(primitiveInfoMap.at(T::Sphere).size(), sphereEntries);
    EXPECT_EQ(resolvePrimitiveType(T::Octahedron), T::Sphere);  // still resolves after the misses
}

TEST(PrimitiveInfoMap, ApplyingNumbersToASliderStoresFloatsAndLeavesWhatIsNotGiven) {
    PF_FloatSliderDef slider;
    std::memset(&slider, 0, sizeof(slider));
    slider.valid_min = slider.slider_min = -5;
    slider.valid_max = slider.slider_max = 7;
    slider.value = 3;
    slider.dephault = 3;
    slider.precision = 1;

    applyPrimitiveNumbers(primitiveNumbers(T::Cursor, P::SizeZ), &slider);  // "Triangle Width"
    EXPECT_EQ(slider.dephault, 80.0f);
    EXPECT_EQ(slider.value, 80.0);
    EXPECT_EQ(slider.valid_min, 0.01f);  // the nearest float, not the double
    EXPECT_EQ(slider.slider_min, 0.01f);
    EXPECT_NE(static_cast<double>(slider.valid_min), 0.01);
    EXPECT_EQ(slider.valid_max, 200.0f);
    EXPECT_EQ(slider.slider_max, 200.0f);
    EXPECT_EQ(slider.precision, 2);

    PrimitiveNumbers onlyPrecision;  // nothing given: limits and value stay
    onlyPrecision.precision = 0;
    applyPrimitiveNumbers(onlyPrecision, &slider);
    EXPECT_EQ(slider.value, 80.0);
    EXPECT_EQ(slider.valid_min, 0.01f);
    EXPECT_EQ(slider.precision, 0);
}

TEST(PrimitiveInfoMap, AddingAPrimitiveTakesSphereDefaults) {
    // What a new slot's size offsets start at: Sphere's defaults, the group start untouched.
    const std::vector<std::pair<P, double>> expected = {{P::SizeX, 100}, {P::SizeY, 100},   {P::SizeZ, 100},
                                                        {P::Percent, 0}, {P::Height, 200},  {P::Diameter, 100},
                                                        {P::SecondDiameter, 10}};
    for (const auto& [offset, value] : expected) {
        PrimitiveNumbers n = primitiveNumbers(T::Sphere, offset);
        ASSERT_TRUE(n.dephault) << static_cast<int>(offset);
        EXPECT_EQ(*n.dephault, value) << static_cast<int>(offset);
    }
    EXPECT_FALSE(primitiveNumbers(T::Sphere, P::SizeGroup).dephault);
}

}  // namespace
