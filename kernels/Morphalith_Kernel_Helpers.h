// Morphalith_Kernel_Helpers.h — vector and matrix helpers of the ray-marching kernel.
//
// Matrices are column-major float arrays: element (row r, column c) of an N x N matrix at c * N + r,
// as in the records. Swizzles differ between the kernel languages, so the kernel spells them as
// functions (xz, xy, xyz).
#ifndef MORPHALITH_KERNEL_HELPERS_H
#define MORPHALITH_KERNEL_HELPERS_H

#include "KernelCore.h"
#include "Morphalith_Kernel_Data.h"

MRPH_KERNEL_NAMESPACE_BEGIN

#define MRPH_PI 3.141592653589793238f

typedef struct Mat3 {
    float m[9];
} Mat3;

typedef struct Mat2 {
    float m[4];
} Mat2;

// ---- Scalars ------------------------------------------------------------------------------------
// The result takes the sign of b (unlike fmod).
MRPH_FN float mod(float a, float b) { return a - b * floor(a / b); }
MRPH_FN float mixf(float a, float b, float t) { return a + (b - a) * t; }
MRPH_FN float smoothstepf(float e0, float e1, float x) {
    const float t = clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// x raised to e for a base in [0, 1], with 0^0 taken as 1 and 0^e as 0 for e > 0. Relaxed-math pow
// is exp2(e * log2(x)), which turns 0^0 into NaN on some drivers.
MRPH_FN float powUnit(float x, float e) {
    if (e <= 0.0f) return 1.0f;
    if (x <= 0.0f) return 0.0f;
    return pow(x, e);
}

// ---- Vectors ------------------------------------------------------------------------------------
MRPH_FN float2 xz(float3 p) { return make_float2(p.x, p.z); }
MRPH_FN float2 xy(float3 p) { return make_float2(p.x, p.y); }
MRPH_FN float3 xyz(float4 p) { return make_float3(p.x, p.y, p.z); }
MRPH_FN float3 mix3(float3 a, float3 b, float t) { return a + (b - a) * t; }
MRPH_FN float3 abs3(float3 p) { return make_float3(fabs(p.x), fabs(p.y), fabs(p.z)); }
MRPH_FN float2 abs2(float2 p) { return make_float2(fabs(p.x), fabs(p.y)); }
MRPH_FN float3 max3s(float3 p, float s) { return make_float3(fmax(p.x, s), fmax(p.y, s), fmax(p.z, s)); }
MRPH_FN float2 max2s(float2 p, float s) { return make_float2(fmax(p.x, s), fmax(p.y, s)); }
MRPH_FN float maxComponent3(float3 p) { return fmax(p.x, fmax(p.y, p.z)); }

// ---- Matrix products ----------------------------------------------------------------------------
// M * v
MRPH_FN float4 MULTIPLY_MAT4_VEC4(KFloat4x4 M, float4 v) {
    return make_float4(M.m[0] * v.x + M.m[4] * v.y + M.m[8] * v.z + M.m[12] * v.w,
                       M.m[1] * v.x + M.m[5] * v.y + M.m[9] * v.z + M.m[13] * v.w,
                       M.m[2] * v.x + M.m[6] * v.y + M.m[10] * v.z + M.m[14] * v.w,
                       M.m[3] * v.x + M.m[7] * v.y + M.m[11] * v.z + M.m[15] * v.w);
}

// M * v
MRPH_FN float3 MULTIPLY_MAT3_VEC3(Mat3 M, float3 v) {
    return make_float3(M.m[0] * v.x + M.m[3] * v.y + M.m[6] * v.z, M.m[1] * v.x + M.m[4] * v.y + M.m[7] * v.z,
                       M.m[2] * v.x + M.m[5] * v.y + M.m[8] * v.z);
}

// (M transposed) * v: v taken as a row vector times M.
MRPH_FN float3 MULTIPLY_VEC3_MAT3(float3 v, Mat3 M) {
    return make_float3(M.m[0] * v.x + M.m[1] * v.y + M.m[2] * v.z, M.m[3] * v.x + M.m[4] * v.y + M.m[5] * v.z,
                       M.m[6] * v.x + M.m[7] * v.y + M.m[8] * v.z);
}

// (M transposed) * v
MRPH_FN float2 MULTIPLY_VEC2_MAT2(float2 v, Mat2 M) {
    return make_float2(M.m[0] * v.x + M.m[1] * v.y, M.m[2] * v.x + M.m[3] * v.y);
}

// out[j + 3i] = sum_k A[k + 3i] * B[j + 3k], which in column-major terms is B * A.
MRPH_FN Mat3 MULTIPLY_MAT3_MAT3(Mat3 A, Mat3 B) {
    Mat3 out;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            out.m[j + 3 * i] = A.m[3 * i] * B.m[j] + A.m[1 + 3 * i] * B.m[j + 3] + A.m[2 + 3 * i] * B.m[j + 6];
        }
    }
    return out;
}

// ---- Transforms ---------------------------------------------------------------------------------
// The 4x4 identity with column 3 = (t, 1).
MRPH_FN KFloat4x4 translate3d(float3 t) {
    KFloat4x4 M;
    for (int i = 0; i < 16; ++i) M.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    M.m[12] = t.x;
    M.m[13] = t.y;
    M.m[14] = t.z;
    return M;
}

// Rotation by angle (radians) about axis.
MRPH_FN Mat3 rotate3d(float3 axis, float angle) {
    const float3 a = normalize(axis);
    const float s = sin(angle);
    const float c = cos(angle);
    const float oc = 1.0f - c;
    Mat3 R;
    R.m[0] = oc * a.x * a.x + c;
    R.m[1] = oc * a.x * a.y - a.z * s;
    R.m[2] = oc * a.z * a.x + a.y * s;
    R.m[3] = oc * a.x * a.y + a.z * s;
    R.m[4] = oc * a.y * a.y + c;
    R.m[5] = oc * a.y * a.z - a.x * s;
    R.m[6] = oc * a.z * a.x - a.y * s;
    R.m[7] = oc * a.y * a.z + a.x * s;
    R.m[8] = oc * a.z * a.z + c;
    return R;
}

// smooth minimum, polynomial, width k > 0
MRPH_FN float smin(float a, float b, float k) {
    const float h = fmax(k - fabs(a - b), 0.0f) / k;
    return fmin(a, b) - h * h * k * 0.25f;
}

MRPH_KERNEL_NAMESPACE_END

#endif  // MORPHALITH_KERNEL_HELPERS_H
