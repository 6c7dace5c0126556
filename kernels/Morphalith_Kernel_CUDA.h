// Morphalith_Kernel_CUDA.h — a small host-side door to the CUDA form of the kernel.
//
// Plain C++ (no CUDA headers), so tests and tools can call it from ordinary translation units. It
// uploads the records, runs MainKernel over the output and reads the pixels back; the module's own
// CUDA render path is a separate piece and keeps its own launcher (it takes MainKernelFunction).
#ifndef MORPHALITH_KERNEL_CUDA_H
#define MORPHALITH_KERNEL_CUDA_H

#include "Morphalith_Kernel_Data.h"

namespace mrph_cuda {

// MainKernel of the CUDA form as the runtime knows it, for cudaLaunchKernel (the module's CUDA render
// path launches it so). Its parameters are MRPH_MAIN_KERNEL_ARGS in order; records by value.
const void* MainKernelFunction();

// Number of usable CUDA devices; 0 when there is no driver or no device.
int DeviceCount();

struct FrameInput {
    const PrimitiveData* primitives;
    const MaterialData* materials;
    const ModifiersData* modifiers;
    int numPrimitives;
    const LightData* lights;
    int numLights;
    const CamData* camera;
    const RenderData* render;
    const float* environment;  // RGBA float texels, row after row, or null
    int environmentWidth;
    int environmentHeight;
};

// Renders width x height pixels (four floats each, rows of pitch pixels) into host memory dst.
// Returns 0 on success, else the CUDA error code; message (may be null) receives its text.
int RenderFrame(const FrameInput& input, float* dst, int pitch, unsigned width, unsigned height,
                const char** message);

}  // namespace mrph_cuda

#endif  // MORPHALITH_KERNEL_CUDA_H
