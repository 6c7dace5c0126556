// KernelLaunch.h — what every framework's branch of a GPU frame needs alike: the kernel's scalar inputs
// and the rounding of the launch grid.
#ifndef MORPHALITH_RENDER_KERNEL_LAUNCH_H
#define MORPHALITH_RENDER_KERNEL_LAUNCH_H

#include <cstdint>

#include "PF_Effect.h"
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

// The scalar block of one frame (and the block's width and height factors).
MainKernelValues MakeKernelValues(PF_InData* in_data, int pixelFormat, const PF_LayerDef* env,
                                  const PF_LayerDef* output, PluginInputParams* block);

#endif  // MORPHALITH_RENDER_KERNEL_LAUNCH_H
