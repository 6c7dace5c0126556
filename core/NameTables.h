// NameTables.h — display names of the enumerations several parts of the plug-in show, the OpenCL
// status texts, and which size parameters each primitive type uses.
//
// All of it is built at static initialisation and only read afterwards, so any thread may read it.
#ifndef MORPHALITH_CORE_NAME_TABLES_H
#define MORPHALITH_CORE_NAME_TABLES_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Morphalith_Kernel_Data.h"
#include "ParamID.h"

// ---- Display names, in value order (popup value v is row v, or row v - 1 when "None" is left out) --
extern const std::vector<std::pair<PrimitiveType, std::string>> PrimitiveType_String;  // 15 rows, 0 .. 14
extern const std::vector<std::pair<RenderPass, std::string>> RenderPass_String;        // 4 rows, 1 .. 4
extern const std::vector<std::pair<OperationType, std::string>> OperationType_String;  // 3 rows, 1 .. 3

// OpenCL status code to a short English text; codes without a row have no text here.
extern const std::map<int, std::string> clErrorMap;

// ---- Size offsets that each primitive type shows (membership is what matters, not the order) ------
// A list that shows the three-component size also holds the "Size" group start and end around it.
extern const std::vector<PrimitiveParamType> SphereParams;
extern const std::vector<PrimitiveParamType> HemisphereParams;
extern const std::vector<PrimitiveParamType> BoxParams;
extern const std::vector<PrimitiveParamType> TorusParams;
extern const std::vector<PrimitiveParamType> CapsuleParams;
extern const std::vector<PrimitiveParamType> CylinderParams;
extern const std::vector<PrimitiveParamType> PieCylinderParams;
extern const std::vector<PrimitiveParamType> ConeParams;
extern const std::vector<PrimitiveParamType> RoundConeParams;
extern const std::vector<PrimitiveParamType> PyramidParams;
extern const std::vector<PrimitiveParamType> OctahedronParams;
extern const std::vector<PrimitiveParamType> PolyhedronParams;
extern const std::vector<PrimitiveParamType> HexParams;
extern const std::vector<PrimitiveParamType> CursorParams;

#endif  // MORPHALITH_CORE_NAME_TABLES_H
