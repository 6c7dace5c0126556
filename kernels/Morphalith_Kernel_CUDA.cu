// Morphalith_Kernel_CUDA.cu — the CUDA form of the kernel, compiled by nvcc into the fat binary both
// modules carry (device code only; the modules load it through the CUDA driver).
//
// The same image serves the Windows and the Linux module, so MainKernel's parameters must have one
// size and alignment on both: the records are laid out by KernelTypes.h, and every other parameter is a
// pointer or a type whose width no 64-bit system changes (no long, no size_t).
#include "Morphalith_Kernel.h"

static_assert(sizeof(cudaTextureObject_t) == 8, "the environment is passed as a 64-bit texture object");
static_assert(sizeof(void*) == 8, "device pointers are 64-bit");
static_assert(sizeof(int) == 4 && sizeof(unsigned int) == 4 && sizeof(float) == 4 && sizeof(char) == 1,
              "the scalar parameters have the same width on every 64-bit system");
static_assert(sizeof(CamData) == 96 && sizeof(RenderData) == 112, "records passed by value");
