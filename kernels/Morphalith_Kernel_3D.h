// Morphalith_Kernel_3D.h — rotations, the five modifiers, the Fresnel term and the environment lookup.
//
// Every modifier works in its own frame: R = euler2mat(angles), q = R^T p, deform q, return R q.
// Angles are radians; modifier strengths are in composition pixels.
#ifndef MORPHALITH_KERNEL_3D_H
#define MORPHALITH_KERNEL_3D_H

#include "Morphalith_Kernel_Helpers.h"

MRPH_KERNEL_NAMESPACE_BEGIN

// The three axis rotations of an Euler triple: the x axis turns by e.z and the z axis by e.x.
// The OpenCL (and CUDA) kernel has always composed them as mat3 * mat2 * mat1, the Metal kernel as
// mat1 * mat2 * mat3. The two disagree once two angles are non-zero, and saved projects look the way
// each build drew them, so each form keeps its own order.
MRPH_FN Mat3 euler2matOpenCL(float3 e) {
    const Mat3 mat1 = rotate3d(make_float3(1.0f, 0.0f, 0.0f), e.z);
    const Mat3 mat2 = rotate3d(make_float3(0.0f, 1.0f, 0.0f), e.y);
    const Mat3 mat3 = rotate3d(make_float3(0.0f, 0.0f, 1.0f), e.x);
    return MULTIPLY_MAT3_MAT3(MULTIPLY_MAT3_MAT3(mat1, mat2), mat3);
}

MRPH_FN Mat3 euler2matMetal(float3 e) {
    const Mat3 mat1 = rotate3d(make_float3(1.0f, 0.0f, 0.0f), e.z);
    const Mat3 mat2 = rotate3d(make_float3(0.0f, 1.0f, 0.0f), e.y);
    const Mat3 mat3 = rotate3d(make_float3(0.0f, 0.0f, 1.0f), e.x);
    return MULTIPLY_MAT3_MAT3(MULTIPLY_MAT3_MAT3(mat3, mat2), mat1);
}

MRPH_FN Mat3 euler2mat(float3 e) {
#if defined(MRPH_KERNEL_METAL)
    return euler2matMetal(e);
#else
    return euler2matOpenCL(e);
#endif
}

// ---- Modifiers ----------------------------------------------------------------------------------
// Each modifier is split in two: the ...Frame form deforms p in the frame of an already built R,
// so a caller that evaluates the same modifier at many points builds R (three sines, three cosines)
// once; the ...Mod form builds R and calls it, for callers with a single point.

// ra = 1 / bend, s = sign(bend), for a bend of magnitude above the no-effect threshold.
MRPH_FN float3 bendFrame(float3 p, Mat3 R, float ra, float s) {
    float3 q = MULTIPLY_VEC3_MAT3(p, R);
    const float2 b = make_float2(q.x - ra, q.y);
    q.x = ra - s * length(b);
    q.y = ra * atan2(s * b.y, -s * b.x);
    return MULTIPLY_MAT3_VEC3(R, q);
}

// A bend at or below this magnitude leaves the point as it is.
MRPH_FN int bendHasEffect(float bendPower) { return fabs(bendPower / 400.0f) > 0.00001f ? 1 : 0; }

// Bends the x-y plane of the frame around a circle of radius 1 / bend.
MRPH_FN float3 bendMod(float3 p, float bendPower, float3 angles) {
    if (!bendHasEffect(bendPower)) return p;
    const float bend = bendPower / 400.0f;
    return bendFrame(p, euler2mat(angles), 1.0f / bend, sign(bend));
}

MRPH_FN float3 twistFrame(float3 p, Mat3 R, float twist) {
    float3 q = MULTIPLY_VEC3_MAT3(p, R);
    const float2 sc = sinCos(q.y * twist);
    const float c = sc.y;
    const float s = sc.x;
    Mat2 m;
    m.m[0] = c;
    m.m[1] = -s;
    m.m[2] = s;
    m.m[3] = c;
    const float2 t = MULTIPLY_VEC2_MAT2(xz(q), m);
    q.x = t.x;
    q.z = t.y;
    return MULTIPLY_MAT3_VEC3(R, q);
}

// Turns the x-z plane by twist radians per pixel along the frame's y axis.
MRPH_FN float3 twistMod(float3 p, float twist, float3 angles) { return twistFrame(p, euler2mat(angles), twist); }

MRPH_FN float3 cosFrame(float3 p, Mat3 R, float offset, float freq, float amp) {
    float3 q = MULTIPLY_VEC3_MAT3(p, R);
    q.x = q.x + cos(q.y * freq + offset) * amp;
    return MULTIPLY_MAT3_VEC3(R, q);
}

MRPH_FN float3 cosMod(float3 p, float3 angles, float offset, float freq, float amp) {
    return cosFrame(p, euler2mat(angles), offset, freq, amp);
}

MRPH_FN float3 sinFrame(float3 p, Mat3 R, float offset, float freq, float amp) {
    float3 q = MULTIPLY_VEC3_MAT3(p, R);
    q.z = q.z + sin(q.x * freq + offset) * amp;
    return MULTIPLY_MAT3_VEC3(R, q);
}

MRPH_FN float3 sinMod(float3 p, float3 angles, float offset, float freq, float amp) {
    return sinFrame(p, euler2mat(angles), offset, freq, amp);
}

MRPH_FN float3 ripplesFrame(float3 p, Mat3 R, float offset, float freq, float amp) {
    float3 q = MULTIPLY_VEC3_MAT3(p, R);
    const float r = -sqrt(q.x * q.x + q.y * q.y);
    const float z = sin(r * freq + offset) * amp;
    q.x = q.x + z;
    q.z = q.z + z;
    return MULTIPLY_MAT3_VEC3(R, q);
}

MRPH_FN float3 ripplesMod(float3 p, float3 angles, float offset, float freq, float amp) {
    return ripplesFrame(p, euler2mat(angles), offset, freq, amp);
}

// ---- Fresnel and environment ------------------------------------------------------------------

// (1 - |cos|)^size, 1 where the ray grazes the surface. size 0 gives 1 everywhere.
MRPH_FN float fresnel(float3 n, float3 rd, float size) {
    return saturate(powUnit(1.0f - fabs(dot(-rd, n)), size));
}

// Direction to equirectangular coordinates; 0.1591 = 1 / (2 pi), 0.3183 = 1 / pi.
MRPH_FN float2 equirectangular(float3 v) {
    return make_float2(atan2(v.z, v.x) * 0.1591f + 0.5f, asin(clamp(v.y, -1.0f, 1.0f)) * 0.3183f + 0.5f);
}

MRPH_FN float4 GetEnvironment(MRPH_IMAGE_PARAM environment, float3 rd) {
    return SampleEnvironment(environment, equirectangular(rd));
}

MRPH_KERNEL_NAMESPACE_END

#endif  // MORPHALITH_KERNEL_3D_H
