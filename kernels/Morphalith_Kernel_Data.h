// Morphalith_Kernel_Data.h — the scene records shared by the host code and every kernel form.
//
// These records are copied byte for byte into device buffers, so their layout is a wire format:
// KFloat3 and KFloat4x4 members start at multiples of 16, KBool is one byte, enumerations are 32-bit.
// Matrices are column-major (row r, column c at index c * 4 + r; translation at 12, 13, 14).
// Positions and sizes are in composition pixels, angles in radians.
#ifndef MORPHALITH_KERNEL_DATA_H
#define MORPHALITH_KERNEL_DATA_H

#include "KernelTypes.h"

// ---- Enumerations ------------------------------------------------------------------------------
#if defined(MRPH_KERNEL_CPP)
// Host-side names (also visible to the C++ test form of the kernel).
enum class PrimitiveType : int {
    None = 0,
    Sphere = 1,
    Hemisphere = 2,
    Box = 3,
    Torus = 4,
    Capsule = 5,
    Cylinder = 6,
    PieCylinder = 7,
    Cone = 8,
    RoundCone = 9,
    Pyramid = 10,
    Octahedron = 11,
    Polyhedron = 12,
    Hex = 13,  // shown to the user as "Polygon"
    Cursor = 14,
    NumPrimitiveType = 15
};

enum class RenderPass : int { Beauty = 1, Normal = 2, Depth = 3, AO = 4, NumRenderPass = 5 };

enum class OperationType : int { Union = 1, Subtract = 2, Intersect = 3, NumOperationType = 4 };
#endif

// Kernel-side names: every form has them, with the same values.
enum PrimitiveTypeGPU {
    PrimitiveType_None = 0,
    PrimitiveType_Sphere = 1,
    PrimitiveType_Hemisphere = 2,
    PrimitiveType_Box = 3,
    PrimitiveType_Torus = 4,
    PrimitiveType_Capsule = 5,
    PrimitiveType_Cylinder = 6,
    PrimitiveType_PieCylinder = 7,
    PrimitiveType_Cone = 8,
    PrimitiveType_RoundCone = 9,
    PrimitiveType_Pyramid = 10,
    PrimitiveType_Octahedron = 11,
    PrimitiveType_Polyhedron = 12,
    PrimitiveType_Hex = 13,
    PrimitiveType_Cursor = 14,
    PrimitiveType_NumPrimitiveType = 15
};

enum RenderPassGPU {
    RenderPass_Beauty = 1,
    RenderPass_Normal = 2,
    RenderPass_Depth = 3,
    RenderPass_AO = 4,
    RenderPass_NumRenderPass = 5
};

enum OperationTypeGPU {
    OperationType_Union = 1,
    OperationType_Subtract = 2,
    OperationType_Intersect = 3,
    OperationType_NumOperationType = 4
};

// ---- Records -----------------------------------------------------------------------------------

// One composition light (96 bytes).
typedef struct LightData {
    KFloat3 color;        // 0..1 per channel
    KFloat4x4 transform;  // layer-to-world; column 3 is the light's position
    int type;             // host light type: 0 parallel, 1 spot, 2 point, 3 ambient, 4 environment
    float intensity;      // intensity / 100
    float radius;         // falloff start / 100
} LightData;

// The surface of one primitive (112 bytes). Factors are fractions unless noted.
typedef struct MaterialData {
    KFloat3 rim_color;
    KFloat3 diffuse_color;
    KFloat3 specular_color;
    MRPH_ALIGN16 float padding;
    float diffuse;
    float specular;
    float shininess;  // specular exponent, raw parameter value
    float glossiness;
    float gloss_fresnel_size;
    float gloss_fresnel_balance;
    float rim;
    float rim_size;
    float rim_balance;
    float rim_normals;
    float opacity;
    float opacity_size;
    float opacity_balance;
} MaterialData;

// The deformers of one primitive (160 bytes). Rotations are Euler angles (x, y, z).
typedef struct ModifiersData {
    KFloat3 bend_rotation;
    KFloat3 twist_rotation;
    KFloat3 cos_rotation;
    KFloat3 sin_rotation;
    KFloat3 ripples_rotation;
    KFloat3 taper_rotation;  // reserved
    MRPH_ALIGN16 float padding;
    KBool bend_active;
    KBool twist_active;
    KBool wave_active;
    KBool ripples_active;
    float bend_length;  // reserved
    float bend_power;
    float twist_power;  // radians per pixel along the twist axis
    float wave_cos_offset;
    float wave_sin_offset;
    float wave_cos_freq;
    float wave_sin_freq;
    float wave_cos_amp;
    float wave_sin_amp;
    float ripples_offset;
    float ripples_freq;
    float ripples_amp;
} ModifiersData;

// The placement and size of one slot (144 bytes).
typedef struct PrimitiveData {
    KFloat3 anchorPoint;  // the null layer's anchor, in its own space
    KFloat3 three_size;   // X, Y, Z size
    KFloat4x4 transform;  // world-to-layer matrix of the slot's null layer
    MRPH_ALIGN16 float padding;
    float percent;  // percentage / 100
    float radius;   // first diameter parameter
    float radiusB;  // second diameter parameter
    float height;
    float smooth;  // smoothing width of the combination, pixels
    KENUM(PrimitiveType) type;
    int operation;  // an OperationType value
    KBool enabled;
} PrimitiveData;

// The composition camera (96 bytes).
typedef struct CamData {
    float fov;       // vertical field of view, radians
    KFloat4x4 view;  // camera-to-world with z flipped; column 3 is the eye
    int camType;     // 1 = orthographic, else perspective
    float aperture;
    float focusDistance;
} CamData;

// The global render settings (112 bytes).
typedef struct RenderData {
    KFloat3 ambientColorStart;  // ambient of normals with y = -1
    KFloat3 ambientColorEnd;    // ambient of normals with y = +1
    MRPH_ALIGN16 float padding;
    float ao_threshold;  // spacing of the occlusion taps, pixels
    float ao_contrast;
    int renderPass;  // a RenderPass value
    float ambientBalance;
    int rayMarchSteps;
    float rayMarchMult;
    int maxReflections;
    float maxDist;
    float epsilon;
    KBool reserved;
    KBool ao_enabled;
    int shadowsSteps;
    KBool shadowsEnabled;
    float shadowsThreshold;
    float shadowsQuality;
    KBool showEnvironment;
    float heightFactor;  // input height / output height
    float widthFactor;   // input width / output width
} RenderData;

#endif  // MORPHALITH_KERNEL_DATA_H
