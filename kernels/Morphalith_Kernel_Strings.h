// Morphalith_Kernel_Strings.h — the kernel texts and the CUDA kernel image the module carries.
//
// Both are made at build time from the one kernel source (Morphalith_Kernel.h) by the preprocessor,
// so they hold no comments and no includes. The OpenCL text still holds the directives that its
// run-time prefix "#define GF_OPENCL_SUPPORTS_16F 0\n" governs; build it with that prefix first. The
// Windows module's OpenCL text also keeps #line markers into the kernel's own files.
#ifndef MORPHALITH_KERNEL_STRINGS_H
#define MORPHALITH_KERNEL_STRINGS_H

#include <cstddef>

extern const char kMorphalith_Kernel_OpenCLString[];
extern const std::size_t kMorphalith_Kernel_OpenCLStringLength;  // without the terminating zero

extern const char kMorphalith_Kernel_MetalString[];
extern const std::size_t kMorphalith_Kernel_MetalStringLength;  // without the terminating zero

// The CUDA form as nvcc's fat binary (machine code for each architecture the build names, and PTX of the
// last for newer cards), as cuModuleLoadData takes it. Only in builds with the CUDA path.
extern const unsigned char kMorphalith_Kernel_CUDAImage[];
extern const std::size_t kMorphalith_Kernel_CUDAImageSize;

#endif  // MORPHALITH_KERNEL_STRINGS_H
