#include "PrimitiveInfo.h"

using T = PrimitiveType;
using P = PrimitiveParamType;

// Entries with only a default take their limits from Sphere; group starts carry a name only.
const std::unordered_map<PrimitiveType, PrimitiveInfoEntries> primitiveInfoMap = {
    {T::Sphere,
     {
         {P::SizeGroup, {"Size", {}}},
         {P::SizeX, {"X Size", {100, 0, 2000}}},
         {P::SizeY, {"Y Size", {100, 0, 2000}}},
         {P::SizeZ, {"Z Size", {100, 0, 2000}}},
         {P::Percent, {"Percent", {0, 0, 100}}},
         {P::Height, {"Height", {200, 0, 2000}}},
         {P::Diameter, {"Diameter", {100, 0, 2000}}},
         {P::SecondDiameter, {"Second Diameter", {10, 0, 2000}}},
     }},
    {T::Hemisphere,
     {
         {P::Percent, {"Fill Percent", {50, 0, 100}}},
         {P::SecondDiameter, {"Fillet", {0, 0, 2000}}},
     }},
    {T::Box, {{P::Diameter, {"Fillet", {0}}}}},
    {T::Torus,
     {
         {P::Diameter, {"Major Diameter", {100}}},
         {P::SecondDiameter, {"Minor Diameter", {50}}},
     }},
    {T::Capsule,
     {
         {P::Height, {"Height", {200}}},
         {P::Diameter, {"Diameter", {50}}},
     }},
    {T::Cylinder, {{P::SecondDiameter, {"Fillet", {0}}}}},
    {T::PieCylinder,
     {
         {P::Percent, {"Percent", {80}}},
         {P::Height, {"Height", {300}}},
         {P::Diameter, {"Diameter", {100}}},
         {P::SecondDiameter, {"Fillet", {0}}},
     }},
    {T::Cone,
     {
         {P::Diameter, {"Top Diameter", {0}}},
         {P::SecondDiameter, {"Bottom Diameter", {100}}},
     }},
    {T::RoundCone,
     {
         {P::Height, {"Height", {100}}},
         {P::Diameter, {"Top Diameter", {0}}},
         {P::SecondDiameter, {"Bottom Diameter", {100}}},
     }},
    {T::Pyramid, {{P::Height, {"Size", {200}}}}},
    {T::Polyhedron,
     {
         {P::SizeGroup, {"UVW", {}}},
         {P::SizeX, {"U", {0, 0, 100}}},
         {P::SizeY, {"V", {100, 0, 100}}},
         {P::SizeZ, {"W", {0, 0, 100}}},
         {P::Percent, {"Spherization", {0}}},
         {P::Height, {"Type", {4, 3, 5, 0}}},
         {P::Diameter, {"Size", {100}}},
     }},
    {T::Hex,
     {
         {P::Percent, {"Sides", {3, 3, 16, 0}}},
         {P::Height, {"Height", {100}}},
         {P::Diameter, {"Diameter", {50}}},
         {P::SecondDiameter, {"Fillet", {0, 0, 50}}},
     }},
    {T::Cursor,
     {
         {P::SizeGroup, {"Parameters", {}}},
         {P::SizeX, {"Root Width", {30, 0, 100}}},
         {P::SizeY, {"Root Height", {60, 0, 100}}},
         {P::SizeZ, {"Triangle Width", {80, 0.01, 200}}},
         {P::Height, {"Height", {10}}},
         {P::Diameter, {"Size", {50}}},
         {P::SecondDiameter, {"Fillet", {0, 0, 50}}},
     }},
};

std::unordered_map<PrimitiveType, std::vector<PrimitiveParamType>>& getPrimitiveParamsMap() {
    static std::unordered_map<PrimitiveType, std::vector<PrimitiveParamType>> primitiveParams;
    primitiveParams[T::Sphere] = SphereParams;
    primitiveParams[T::Hemisphere] = HemisphereParams;
    primitiveParams[T::Box] = BoxParams;
    primitiveParams[T::Torus] = TorusParams;
    primitiveParams[T::Capsule] = CapsuleParams;
    primitiveParams[T::Cylinder] = CylinderParams;
    primitiveParams[T::PieCylinder] = PieCylinderParams;
    primitiveParams[T::Cone] = ConeParams;
    primitiveParams[T::RoundCone] = RoundConeParams;
    primitiveParams[T::Pyramid] = PyramidParams;
    primitiveParams[T::Octahedron] = OctahedronParams;
    primitiveParams[T::Polyhedron] = PolyhedronParams;
    primitiveParams[T::Hex] = HexParams;
    primitiveParams[T::Cursor] = CursorParams;
    return primitiveParams;
}

const PrimitiveInfo* findPrimitiveInfo(PrimitiveType type, PrimitiveParamType offset) {
    // find(), never operator[]: the table is shared and read-only.
    auto entries = primitiveInfoMap.find(type);
    if (entries == primitiveInfoMap.end()) return nullptr;
    auto entry = entries->second.find(offset);
    return entry == entries->second.end() ? nullptr : &entry->second;
}

PrimitiveType resolvePrimitiveType(PrimitiveType type) {
    return primitiveInfoMap.count(type) ? type : PrimitiveType::Sphere;
}

PrimitiveNumbers primitiveNumbers(PrimitiveType type, PrimitiveParamType offset) {
    PrimitiveNumbers numbers;
    const PrimitiveInfo* own = findPrimitiveInfo(type, offset);
    if (!own) return numbers;
    const PrimitiveInfo* generic = findPrimitiveInfo(PrimitiveType::Sphere, offset);
    auto pick = [&](size_t position) -> std::optional<double> {
        if (own->values.size() > position) return own->values[position];
        if (generic && generic->values.size() > position) return generic->values[position];
        return std::nullopt;
    };
    numbers.dephault = pick(0);
    numbers.minimum = pick(1);
    numbers.maximum = pick(2);
    // The precision is never generic: a type that wants whole numbers says so itself.
    if (own->values.size() > 3) numbers.precision = static_cast<A_short>(own->values[3]);
    return numbers;
}

void applyPrimitiveNumbers(const PrimitiveNumbers& numbers, PF_FloatSliderDef* slider) {
    if (numbers.dephault) {
        slider->dephault = static_cast<PF_FpShort>(*numbers.dephault);
        slider->value = slider->dephault;  // exact only as far as a float holds it, like the default
    }
    if (numbers.minimum) slider->valid_min = slider->slider_min = static_cast<PF_FpShort>(*numbers.minimum);
    if (numbers.maximum) slider->valid_max = slider->slider_max = static_cast<PF_FpShort>(*numbers.maximum);
    slider->precision = numbers.precision;
}
