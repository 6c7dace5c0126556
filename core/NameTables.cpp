#include "NameTables.h"

const std::vector<std::pair<PrimitiveType, std::string>> PrimitiveType_String = {
    {PrimitiveType::None, "None"},
    {PrimitiveType::Sphere, "Sphere"},
    {PrimitiveType::Hemisphere, "Hemisphere"},
    {PrimitiveType::Box, "Box"},
    {PrimitiveType::Torus, "Torus"},
    {PrimitiveType::Capsule, "Capsule"},
    {PrimitiveType::Cylinder, "Cylinder"},
    {PrimitiveType::PieCylinder, "Pie Cylinder"},
    {PrimitiveType::Cone, "Cone"},
    {PrimitiveType::RoundCone, "Round Cone"},
    {PrimitiveType::Pyramid, "Pyramid"},
    {PrimitiveType::Octahedron, "Octahedron"},
    {PrimitiveType::Polyhedron, "Polyhedron"},
    {PrimitiveType::Hex, "Polygon"},  // the kernel's hexagonal prism has a side count, so users see a polygon
    {PrimitiveType::Cursor, "Cursor"},
};

const std::vector<std::pair<RenderPass, std::string>> RenderPass_String = {
    {RenderPass::Beauty, "Beauty"},
    {RenderPass::Normal, "Normal"},
    {RenderPass::Depth, "Depth"},
    {RenderPass::AO, "Ambient Occlusion"},
};

const std::vector<std::pair<OperationType, std::string>> OperationType_String = {
    {OperationType::Union, "Union"},
    {OperationType::Subtract, "Subtraction"},
    {OperationType::Intersect, "Intersection"},
};

// The codes of the OpenCL standard up to 2.x; -20 .. -29 are unassigned there.
const std::map<int, std::string> clErrorMap = {
    {0, "Success"},
    {-1, "Device not found"},
    {-2, "Device not available"},
    {-3, "Compiler not available"},
    {-4, "Memory object allocation failure"},
    {-5, "Out of resources"},
    {-6, "Out of host memory"},
    {-7, "Profiling information not available"},
    {-8, "Memory copy overlap"},
    {-9, "Image format mismatch"},
    {-10, "Image format not supported"},
    {-11, "Build program failure"},
    {-12, "Map failure"},
    {-13, "Misaligned sub-buffer offset"},
    {-14, "Execution status error for events in wait list"},
    {-15, "Compile program failure"},
    {-16, "Linker not available"},
    {-17, "Link program failure"},
    {-18, "Device partition failed"},
    {-19, "Kernel argument information not available"},
    {-30, "Invalid value"},
    {-31, "Invalid device type"},
    {-32, "Invalid platform"},
    {-33, "Invalid device"},
    {-34, "Invalid context"},
    {-35, "Invalid queue properties"},
    {-36, "Invalid command queue"},
    {-37, "Invalid host pointer"},
    {-38, "Invalid memory object"},
    {-39, "Invalid image format descriptor"},
    {-40, "Invalid image size"},
    {-41, "Invalid sampler"},
    {-42, "Invalid binary"},
    {-43, "Invalid build options"},
    {-44, "Invalid program"},
    {-45, "Invalid program executable"},
    {-46, "Invalid kernel name"},
    {-47, "Invalid kernel definition"},
    {-48, "Invalid kernel"},
    {-49, "Invalid argument index"},
    {-50, "Invalid argument value"},
    {-51, "Invalid argument size"},
    {-52, "Invalid kernel arguments"},
    {-53, "Invalid work dimension"},
    {-54, "Invalid work group size"},
    {-55, "Invalid work item size"},
    {-56, "Invalid global offset"},
    {-57, "Invalid event wait list"},
    {-58, "Invalid event"},
    {-59, "Invalid operation"},
    {-60, "Invalid OpenGL object"},
    {-61, "Invalid buffer size"},
    {-62, "Invalid mipmap level"},
    {-63, "Invalid global work size"},
    {-64, "Invalid property"},
    {-65, "Invalid image descriptor"},
    {-66, "Invalid compiler options"},
    {-67, "Invalid linker options"},
    {-68, "Invalid device partition count"},
};

using P = PrimitiveParamType;

const std::vector<PrimitiveParamType> SphereParams = {P::Diameter};
const std::vector<PrimitiveParamType> HemisphereParams = {P::Diameter, P::SecondDiameter, P::Percent};
const std::vector<PrimitiveParamType> BoxParams = {P::SizeGroup, P::SizeX,        P::SizeY,
                                                   P::SizeZ,     P::SizeGroupEnd, P::Diameter};
const std::vector<PrimitiveParamType> TorusParams = {P::Diameter, P::SecondDiameter};
const std::vector<PrimitiveParamType> CapsuleParams = {P::Height, P::Diameter};
const std::vector<PrimitiveParamType> CylinderParams = {P::Height, P::Diameter, P::SecondDiameter};
const std::vector<PrimitiveParamType> PieCylinderParams = {P::Percent, P::Height, P::Diameter, P::SecondDiameter};
const std::vector<PrimitiveParamType> ConeParams = {P::Height, P::Diameter, P::SecondDiameter};
const std::vector<PrimitiveParamType> RoundConeParams = {P::Height, P::Diameter, P::SecondDiameter};
const std::vector<PrimitiveParamType> PyramidParams = {P::Height};
const std::vector<PrimitiveParamType> OctahedronParams = {P::Diameter};
const std::vector<PrimitiveParamType> PolyhedronParams = {P::SizeGroup,    P::SizeX,   P::SizeY,  P::SizeZ,
                                                          P::SizeGroupEnd, P::Percent, P::Height, P::Diameter};
const std::vector<PrimitiveParamType> HexParams = {P::Percent, P::Height, P::Diameter, P::SecondDiameter};
const std::vector<PrimitiveParamType> CursorParams = {P::SizeGroup,    P::SizeX,  P::SizeY,    P::SizeZ,
                                                      P::SizeGroupEnd, P::Height, P::Diameter, P::SecondDiameter};
