// PrimitiveInfo.h — what each primitive type calls its size parameters, and the numbers they take.
//
// Every slot declares the same nine size parameters; a type uses only some of them, under names and
// limits of its own. primitiveInfoMap holds, per type and size offset, the display name and up to four
// numbers (default, minimum, maximum, precision). Sphere's entries are the generic ones that other
// types fall back on for the numbers they leave out.
#ifndef MORPHALITH_PARAMS_PRIMITIVE_INFO_H
#define MORPHALITH_PARAMS_PRIMITIVE_INFO_H

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Morphalith_Kernel_Data.h"
#include "NameTables.h"
#include "PF_Param.h"
#include "ParamID.h"

struct PrimitiveInfo {
    std::string name;            // at most 15 characters here
    std::vector<double> values;  // by position: 0 default, 1 minimum, 2 maximum, 3 precision

    PrimitiveInfo() = default;
    PrimitiveInfo(std::string n, std::vector<double> v) : name(std::move(n)), values(std::move(v)) {}
    PrimitiveInfo(const PrimitiveInfo&) = default;
    ~PrimitiveInfo() = default;
};

using PrimitiveInfoEntries = std::unordered_map<PrimitiveParamType, PrimitiveInfo>;

// Holds 13 types: all but None and Octahedron, which read as Sphere where a consumer resolves the type.
extern const std::unordered_map<PrimitiveType, PrimitiveInfoEntries> primitiveInfoMap;

// For each type Sphere .. Cursor, a copy of its size-offset list; None has no key.
std::unordered_map<PrimitiveType, std::vector<PrimitiveParamType>>& getPrimitiveParamsMap();

// ---- Lookup (never adds a key to the table, whatever is asked) ------------------------------------
// The entry of (type, offset), or null.
const PrimitiveInfo* findPrimitiveInfo(PrimitiveType type, PrimitiveParamType offset);
// A type the table does not hold is read as Sphere.
PrimitiveType resolvePrimitiveType(PrimitiveType type);

// The numbers an offset takes for a type: its own where given, else Sphere's; the precision is the
// type's own or 2. A number not given leaves the parameter's current value or limit as it is.
struct PrimitiveNumbers {
    std::optional<double> dephault, minimum, maximum;
    A_short precision = 2;
};
// Empty (nothing given, precision 2) when the type has no entry for the offset.
PrimitiveNumbers primitiveNumbers(PrimitiveType type, PrimitiveParamType offset);

// Applies the numbers to a float slider: default (as a float) into dephault and value, minimum into
// valid_min and slider_min, maximum into valid_max and slider_max, and the precision.
void applyPrimitiveNumbers(const PrimitiveNumbers& numbers, PF_FloatSliderDef* slider);

#endif  // MORPHALITH_PARAMS_PRIMITIVE_INFO_H
