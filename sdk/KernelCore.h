// KernelCore.h — the vocabulary every kernel form shares.
//
// The kernel source is written once, in the subset that OpenCL C, Metal, CUDA and C++ all accept. This
// header gives each form the same small vocabulary:
//   MRPH_FN                         qualifier of every kernel-internal function
//   MRPH_GLOBAL                     address space of the record buffers and the output
//   MRPH_PRIVATE                    address space of a pointer to a work item's own variables
//   MRPH_IMAGE_PARAM                type of the environment image parameter
//   MRPH_KERNEL_NAMESPACE_BEGIN/END wraps the kernel in namespace mrph_kernel in the CUDA and C++ forms
//   float2 float3 float4            with make_float2/3/4 and the arithmetic operators
//   sqrt sin cos atan2 asin pow floor round fabs fmin fmax clamp sign   (scalar float)
//   dot length normalize distance   (float2 and float3)
//   sinCos(x)                       (sin x, cos x) as a float2, one argument reduction for the two
//   saturate reflect                as their Metal namesakes
//   SampleEnvironment(img, uv)      four floats, normalised coordinates, linear, zero outside the image
//   WriteFloat4(v, dst, i, in16f)   the pixel store
//   MRPH_RUNTIME_IF(c) / MRPH_RUNTIME_ENDIF   a directive left in the generated text for the run-time
//                                   compiler (the OpenCL program is built with a prefix that defines c)
// Kernel files use only these names and the MRPH_KERNEL_* form macros of KernelTypes.h.
#ifndef MORPHALITH_SDK_KERNEL_CORE_H
#define MORPHALITH_SDK_KERNEL_CORE_H

// Metal's standard library has to come first: the records are made of its vector types. The embedding
// step turns MRPH_PP_DIRECTIVE ... MRPH_PP_END_DIRECTIVE into a line of its own that starts with '#', so
// the directive reaches the run-time compiler instead of the build's preprocessor.
#if defined(MRPH_KERNEL_METAL)
MRPH_PP_DIRECTIVE include <metal_stdlib> MRPH_PP_END_DIRECTIVE
using namespace metal;
#endif

#include "KernelTypes.h"

// ================================================================================================
#if defined(MRPH_KERNEL_OPENCL)

#define MRPH_RUNTIME_IF(cond) MRPH_PP_DIRECTIVE if cond MRPH_PP_END_DIRECTIVE
#define MRPH_RUNTIME_ENDIF MRPH_PP_DIRECTIVE endif MRPH_PP_END_DIRECTIVE

#define MRPH_FN
#define MRPH_GLOBAL __global
#define MRPH_PRIVATE __private
#define MRPH_IMAGE_PARAM __read_only image2d_t
#define MRPH_KERNEL_NAMESPACE_BEGIN
#define MRPH_KERNEL_NAMESPACE_END

#define make_float2(a, b) ((float2)((a), (b)))
#define make_float3(a, b, c) ((float3)((a), (b), (c)))
#define make_float4(a, b, c, d) ((float4)((a), (b), (c), (d)))

MRPH_FN float saturate(float x) { return clamp(x, 0.0f, 1.0f); }
MRPH_FN float3 reflect(float3 i, float3 n) { return i - n * (2.0f * dot(i, n)); }
MRPH_FN float2 sinCos(float x) {
    float c;
    const float s = sincos(x, &c);
    return (float2)(s, c);
}

// CLK_ADDRESS_CLAMP gives the border colour (0, 0, 0, 0) outside the image.
__constant sampler_t kEnvironmentSampler = CLK_NORMALIZED_COORDS_TRUE | CLK_ADDRESS_CLAMP | CLK_FILTER_LINEAR;

MRPH_FN float4 SampleEnvironment(MRPH_IMAGE_PARAM image, float2 uv) {
    return read_imagef(image, kEnvironmentSampler, uv);
}

MRPH_FN void WriteFloat4(float4 v, __global float4* dst, int index, int in16f) {
    MRPH_RUNTIME_IF(GF_OPENCL_SUPPORTS_16F)
    if (in16f != 0) {
        vstore_half4_rtz(v, (size_t)index, (__global half*)dst);
        return;
    }
    MRPH_RUNTIME_ENDIF
    (void)in16f;
    dst[index] = v;
}

// ================================================================================================
#elif defined(MRPH_KERNEL_METAL)

#define MRPH_RUNTIME_IF(cond) MRPH_PP_DIRECTIVE if cond MRPH_PP_END_DIRECTIVE
#define MRPH_RUNTIME_ENDIF MRPH_PP_DIRECTIVE endif MRPH_PP_END_DIRECTIVE

#define MRPH_FN inline
#define MRPH_GLOBAL device
#define MRPH_PRIVATE thread
#define MRPH_IMAGE_PARAM texture2d<float>
#define MRPH_KERNEL_NAMESPACE_BEGIN
#define MRPH_KERNEL_NAMESPACE_END

#define make_float2(a, b) float2((a), (b))
#define make_float3(a, b, c) float3((a), (b), (c))
#define make_float4(a, b, c, d) float4((a), (b), (c), (d))

// saturate and reflect are Metal's own.
MRPH_FN float2 sinCos(float x) {
    float c;
    const float s = sincos(x, c);
    return float2(s, c);
}

MRPH_FN float4 SampleEnvironment(MRPH_IMAGE_PARAM image, float2 uv) {
    // The host binds no texture when there is no environment layer.
    if (is_null_texture(image)) return float4(0.0f, 0.0f, 0.0f, 0.0f);
    constexpr sampler s(coord::normalized, address::clamp_to_zero, filter::linear);
    return image.sample(s, uv);
}

// Metal output is always four floats (the host never asks for half floats).
MRPH_FN void WriteFloat4(float4 v, device float4* dst, int index, int in16f) {
    (void)in16f;
    dst[index] = v;
}

// ================================================================================================
#else  // CUDA and plain C++: one implementation, in namespace mrph_kernel

#include <boost/preprocessor/punctuation/comma_if.hpp>
#include <boost/preprocessor/seq/for_each_i.hpp>

#if defined(MRPH_KERNEL_CUDA)
#define MRPH_FN __device__ inline
#else
#include <math.h>
#define MRPH_FN inline
#endif
#define MRPH_GLOBAL
#define MRPH_PRIVATE
#define MRPH_KERNEL_NAMESPACE_BEGIN namespace mrph_kernel {
#define MRPH_KERNEL_NAMESPACE_END }

namespace mrph_kernel {

// The kernel's float3 is the records' KFloat3 (16 bytes), so record members are used as they are.
typedef ::KFloat3 float3;
struct float2 {
    float x, y;
};
struct MRPH_ALIGN16 float4 {
    float x, y, z, w;
};

MRPH_FN float2 make_float2(float x, float y) {
    float2 r;
    r.x = x;
    r.y = y;
    return r;
}
MRPH_FN float3 make_float3(float x, float y, float z) {
    float3 r;
    r.x = x;
    r.y = y;
    r.z = z;
    return r;
}
MRPH_FN float4 make_float4(float x, float y, float z, float w) {
    float4 r;
    r.x = x;
    r.y = y;
    r.z = z;
    r.w = w;
    return r;
}

// ---- Arithmetic operators, component-wise ------------------------------------------------------
#define MRPH_VEC_VV(r, op, i, c) BOOST_PP_COMMA_IF(i) a.c op b.c
#define MRPH_VEC_VS(r, op, i, c) BOOST_PP_COMMA_IF(i) a.c op s
#define MRPH_VEC_SV(r, op, i, c) BOOST_PP_COMMA_IF(i) s op b.c
#define MRPH_VEC_NEG(r, op, i, c) BOOST_PP_COMMA_IF(i) - a.c

#define MRPH_VEC_BINARY(T, MAKE, COMPS, OP)                                                                \
    MRPH_FN T operator OP(T a, T b) { return MAKE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_VEC_VV, OP, COMPS)); }     \
    MRPH_FN T operator OP(T a, float s) { return MAKE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_VEC_VS, OP, COMPS)); } \
    MRPH_FN T operator OP(float s, T b) { return MAKE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_VEC_SV, OP, COMPS)); }

#define MRPH_VEC_OPS(T, MAKE, COMPS)                                                                   \
    MRPH_VEC_BINARY(T, MAKE, COMPS, +)                                                                 \
    MRPH_VEC_BINARY(T, MAKE, COMPS, -)                                                                 \
    MRPH_VEC_BINARY(T, MAKE, COMPS, *)                                                                 \
    MRPH_VEC_BINARY(T, MAKE, COMPS, /)                                                                 \
    MRPH_FN T operator-(T a) { return MAKE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_VEC_NEG, _, COMPS)); }        \
    MRPH_FN T& operator+=(T& a, T b) { return a = a + b; }                                            \
    MRPH_FN T& operator-=(T& a, T b) { return a = a - b; }                                            \
    MRPH_FN T& operator*=(T& a, T b) { return a = a * b; }                                            \
    MRPH_FN T& operator*=(T& a, float s) { return a = a * s; }

MRPH_VEC_OPS(float2, make_float2, (x)(y))
MRPH_VEC_OPS(float3, make_float3, (x)(y)(z))
MRPH_VEC_OPS(float4, make_float4, (x)(y)(z)(w))

#undef MRPH_VEC_OPS
#undef MRPH_VEC_BINARY
#undef MRPH_VEC_VV
#undef MRPH_VEC_VS
#undef MRPH_VEC_SV
#undef MRPH_VEC_NEG

// ---- Scalar math, single precision only (the OpenCL build runs with single-precision constants) ----
MRPH_FN float sqrt(float x) { return ::sqrtf(x); }
MRPH_FN float sin(float x) { return ::sinf(x); }
MRPH_FN float cos(float x) { return ::cosf(x); }
MRPH_FN float atan2(float y, float x) { return ::atan2f(y, x); }
MRPH_FN float asin(float x) { return ::asinf(x); }
MRPH_FN float pow(float x, float y) { return ::powf(x, y); }
MRPH_FN float floor(float x) { return ::floorf(x); }
MRPH_FN float round(float x) { return ::roundf(x); }  // halves away from zero, as OpenCL and Metal
MRPH_FN float fabs(float x) { return ::fabsf(x); }
MRPH_FN float fmin(float a, float b) { return ::fminf(a, b); }
MRPH_FN float fmax(float a, float b) { return ::fmaxf(a, b); }
MRPH_FN float clamp(float x, float lo, float hi) { return fmin(fmax(x, lo), hi); }
MRPH_FN float sign(float x) { return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f); }
MRPH_FN float saturate(float x) { return clamp(x, 0.0f, 1.0f); }
#if defined(MRPH_KERNEL_CUDA)
MRPH_FN float2 sinCos(float x) {
    float s, c;
    ::sincosf(x, &s, &c);
    return make_float2(s, c);
}
#else
MRPH_FN float2 sinCos(float x) { return make_float2(::sinf(x), ::cosf(x)); }
#endif

// ---- Geometry ------------------------------------------------------------------------------------
MRPH_FN float dot(float2 a, float2 b) { return a.x * b.x + a.y * b.y; }
MRPH_FN float dot(float3 a, float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
MRPH_FN float length(float2 a) { return sqrt(dot(a, a)); }
MRPH_FN float length(float3 a) { return sqrt(dot(a, a)); }
MRPH_FN float3 normalize(float3 a) { return a * (1.0f / length(a)); }
MRPH_FN float distance(float3 a, float3 b) { return length(a - b); }
MRPH_FN float3 reflect(float3 i, float3 n) { return i - n * (2.0f * dot(i, n)); }

// ---- Environment image and pixel store -----------------------------------------------------------
#if defined(MRPH_KERNEL_CUDA)

// A texture object made by the launcher with normalised coordinates, linear filtering and border
// addressing; 0 when there is no environment layer.
#define MRPH_IMAGE_PARAM cudaTextureObject_t

MRPH_FN float4 SampleEnvironment(cudaTextureObject_t image, float2 uv) {
    if (image == 0) return make_float4(0.0f, 0.0f, 0.0f, 0.0f);
    const ::float4 t = tex2D<::float4>(image, uv.x, uv.y);
    return make_float4(t.x, t.y, t.z, t.w);
}

#else

// The C++ form reads the environment from host memory: rows of width float4 texels, no padding.
struct KernelImage {
    const float4* texels;
    int width;
    int height;
};
#define MRPH_IMAGE_PARAM const KernelImage*

MRPH_FN float4 ImageTexel(const KernelImage* image, int x, int y) {
    if (x < 0 || y < 0 || x >= image->width || y >= image->height) return make_float4(0.0f, 0.0f, 0.0f, 0.0f);
    return image->texels[y * image->width + x];
}

// The OpenCL sampler's arithmetic: texel centres at half-integers, bilinear weights, border colour 0.
MRPH_FN float4 SampleEnvironment(const KernelImage* image, float2 uv) {
    if (image == nullptr || image->texels == nullptr) return make_float4(0.0f, 0.0f, 0.0f, 0.0f);
    const float u = uv.x * (float)image->width - 0.5f;
    const float v = uv.y * (float)image->height - 0.5f;
    const float u0 = floor(u);
    const float v0 = floor(v);
    const float a = u - u0;
    const float b = v - v0;
    const int i = (int)u0;
    const int j = (int)v0;
    return ImageTexel(image, i, j) * ((1.0f - a) * (1.0f - b)) + ImageTexel(image, i + 1, j) * (a * (1.0f - b)) +
           ImageTexel(image, i, j + 1) * ((1.0f - a) * b) + ImageTexel(image, i + 1, j + 1) * (a * b);
}

#endif

// The CUDA and C++ forms always write four floats (the host never asks for half floats).
MRPH_FN void WriteFloat4(float4 v, float4* dst, int index, int in16f) {
    (void)in16f;
    dst[index] = v;
}

}  // namespace mrph_kernel

#endif

#endif  // MORPHALITH_SDK_KERNEL_CORE_H
