// GPURender.h — the GPU side of a frame: the compiled kernel each device keeps, the scalar kernel
// inputs, and the dispatch that the render command hands a frame to.
#ifndef MORPHALITH_RENDER_GPU_RENDER_H
#define MORPHALITH_RENDER_GPU_RENDER_H

#include <cstdint>
#include <string>

#include "PF_GPUDevice.h"
#include "PluginInputParams.h"

// The scalar inputs of MainKernel, in kernel order (also Metal buffer 7): 32 bytes.
struct MainKernelValues {
    int inDstPitch;  // output row bytes / 16
    int in16f;
    unsigned int inWidth;
    unsigned int inHeight;
    char mUseEnvironment;
    char padding[3];
    int numPrimitives;
    int numLights;
    float inTime;
};
static_assert(sizeof(MainKernelValues) == 32, "the kernel's scalar block is 32 bytes");

// 0 for 0, else the smallest multiple of `multiple` not below `value`.
uint64_t RoundUp(uint64_t value, uint64_t multiple);
// 0 for 0, else value / divisor rounded up.
uint64_t DivideRoundUp(uint64_t value, uint64_t divisor);

// 0 for CL_SUCCESS, 512 for any other status.
PF_Err CL2Err(int status);
// "Code: 0x<hex> (<name>)", the name from clErrorMap or "Unknown error".
std::string clGetErrorString(int code);

// The scalar block of one frame (and the block's width and height factors).
MainKernelValues MakeKernelValues(PF_InData* in_data, int pixelFormat, const PF_LayerDef* env,
                                  const PF_LayerDef* output, PluginInputParams* block);

PF_Err SmartRenderGPU(PF_InData* in_data, PF_OutData* out_data, int pixelFormat, PF_LayerDef* env,
                      PF_LayerDef* output, PF_SmartRenderExtra* extra, PluginInputParams* block);

#endif  // MORPHALITH_RENDER_GPU_RENDER_H
