#include "KernelLaunch.h"

#include <cstring>

#include "PF_GPUDevice.h"

uint64_t RoundUp(uint64_t value, uint64_t multiple) {
    if (value == 0 || multiple == 0) return 0;
    return (value + multiple - 1) / multiple * multiple;
}

uint64_t DivideRoundUp(uint64_t value, uint64_t divisor) {
    if (value == 0 || divisor == 0) return 0;
    return (value + divisor - 1) / divisor;
}

MainKernelValues MakeKernelValues(PF_InData* in_data, int pixelFormat, const PF_LayerDef* env,
                                  const PF_LayerDef* output, PluginInputParams* block) {
    MainKernelValues v;
    std::memset(&v, 0, sizeof(v));
    v.inTime = (float)in_data->current_time / (float)(uint32_t)in_data->time_scale;
    block->global.widthFactor = (float)in_data->width / (float)output->width;
    block->global.heightFactor = (float)in_data->height / (float)output->height;
    v.inWidth = (unsigned)output->width;
    v.inHeight = (unsigned)output->height;
    v.numPrimitives = block->numPrimitives;
    v.numLights = block->numLights;
    v.mUseEnvironment = env ? 1 : 0;
    v.inDstPitch = output->rowbytes / 16;
    v.in16f = pixelFormat != PF_PixelFormat_GPU_BGRA128 ? 1 : 0;
    return v;
}
