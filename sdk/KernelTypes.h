// KernelTypes.h — the one place that tells the kernel forms apart.
//
// The scene records are read by four compilers: the plug-in's C++ host code (and the plain C++ form of
// the kernel used by the tests), OpenCL C, Metal and CUDA. This header picks the form and declares the
// few storage types the records are made of, so that every form lays them out byte for byte the same:
//   KFloat3    three floats in 16 bytes, 16-byte aligned
//   KFloat4x4  sixteen floats, column-major, 16-byte aligned
//   KBool      one byte, 0 or 1
//   KENUM(T)   a 32-bit enumeration member (the enum type itself on the host, int in the kernels)
// Nothing outside sdk/ tests __OPENCL_VERSION__, __METAL_VERSION__ or __CUDACC__ itself: use the
// MRPH_KERNEL_* macros below.
#ifndef MORPHALITH_SDK_KERNEL_TYPES_H
#define MORPHALITH_SDK_KERNEL_TYPES_H

// ---- Which form is being compiled -------------------------------------------------------------
// The build produces the OpenCL and Metal texts by running the preprocessor with MRPH_KERNEL_OPENCL or
// MRPH_KERNEL_METAL defined; a real OpenCL or Metal compiler is recognised by its own macro as well.
#if defined(MRPH_KERNEL_OPENCL) || defined(__OPENCL_VERSION__) || defined(__OPENCL_C_VERSION__)
#ifndef MRPH_KERNEL_OPENCL
#define MRPH_KERNEL_OPENCL 1
#endif
#elif defined(MRPH_KERNEL_METAL) || defined(__METAL_VERSION__)
#ifndef MRPH_KERNEL_METAL
#define MRPH_KERNEL_METAL 1
#endif
#elif defined(__CUDACC__)
#define MRPH_KERNEL_CUDA 1
#else
#define MRPH_KERNEL_CPP 1
#endif

// ---- Storage types of the records --------------------------------------------------------------
#if defined(MRPH_KERNEL_OPENCL)

#define MRPH_ALIGN16 __attribute__((aligned(16)))
typedef float3 KFloat3;  // OpenCL's float3 is 16 bytes, aligned to 16
typedef struct MRPH_ALIGN16 KFloat4x4 {
    float m[16];
} KFloat4x4;
typedef uchar KBool;  // bool has no fixed size in OpenCL C
#define KENUM(T) int

#elif defined(MRPH_KERNEL_METAL)

#define MRPH_ALIGN16 alignas(16)
typedef float3 KFloat3;  // Metal's float3 is 16 bytes, aligned to 16
struct MRPH_ALIGN16 KFloat4x4 {
    float m[16];
};
typedef bool KBool;
#define KENUM(T) int

#else  // CUDA and plain C++ (host code and the test form of the kernel)

#define MRPH_ALIGN16 alignas(16)
// CUDA's own float3 is 12 bytes, so neither form may use it in a record.
struct MRPH_ALIGN16 KFloat3 {
    float x, y, z;
};
struct MRPH_ALIGN16 KFloat4x4 {
    float m[16];
};
typedef bool KBool;
#if defined(MRPH_KERNEL_CPP)
#define KENUM(T) T
#else
#define KENUM(T) int
#endif

#endif

#endif  // MORPHALITH_SDK_KERNEL_TYPES_H
