// HostTypes.h — scalar types, error codes and small records of the host API.
//
// Our own declarations of what the plug-in and the host exchange. Declarations only: no behaviour.
#ifndef MORPHALITH_SDK_HOST_TYPES_H
#define MORPHALITH_SDK_HOST_TYPES_H

#include <cstddef>
#include <cstdint>

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef uint8_t A_u_char;
typedef char A_char;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef uint16_t A_UTF16Char;
typedef int32_t A_Err;
typedef A_long PF_Err;
typedef A_long PF_Fixed;  // 16.16 fixed point
typedef void* PF_ProgPtr;
typedef void** PF_Handle;
typedef void* PF_PluginDataPtr;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Error codes the host and the plug-in exchange.
enum {
    PF_Err_NONE = 0,
    A_Err_GENERIC = 1,
    PF_Err_OUT_OF_MEMORY = 4,
    A_Err_MISSING_SUITE = 13,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
    PF_Err_INVALID_CALLBACK = 515,
    PF_Err_BAD_CALLBACK_PARAM = 516,
    PF_Interrupt_CANCEL = 517,
    PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = 518
};

struct A_Time {
    A_long value;
    A_u_long scale;
};

struct A_Ratio {
    A_long num;
    A_u_long den;
};

// Row-major 4x4 of doubles; row 3 holds the translation.
struct A_Matrix4 {
    A_FpLong mat[4][4];
};

struct A_FloatPoint3 {
    A_FpLong x, y, z;
};

struct PF_Point {
    A_long h, v;
};

struct PF_LRect {
    A_long left, top, right, bottom;
};
typedef PF_LRect PF_Rect;

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};

struct PF_Pixel {
    A_u_char alpha, red, green, blue;
};

struct PF_PixelFloat {
    A_FpShort alpha, red, green, blue;  // 0 .. 1
};

// Four-character codes as the host writes them ('eFKT', 'FXTC', ...).
constexpr A_long MRPH_FOURCC(char a, char b, char c, char d) {
    return (A_long)(((uint32_t)(uint8_t)a << 24) | ((uint32_t)(uint8_t)b << 16) | ((uint32_t)(uint8_t)c << 8) |
                    (uint32_t)(uint8_t)d);
}

#endif  // MORPHALITH_SDK_HOST_TYPES_H
