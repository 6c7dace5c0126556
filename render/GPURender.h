// GPURender.h — the GPU side of a frame: the dispatch that the render command hands a frame to, which
// hands it on to the branch of the device's framework.
#ifndef MORPHALITH_RENDER_GPU_RENDER_H
#define MORPHALITH_RENDER_GPU_RENDER_H

#include "KernelLaunch.h"
#include "PF_GPUDevice.h"
#include "PluginInputParams.h"

PF_Err SmartRenderGPU(PF_InData* in_data, PF_OutData* out_data, int pixelFormat, PF_LayerDef* env,
                      PF_LayerDef* output, PF_SmartRenderExtra* extra, PluginInputParams* block);

#endif  // MORPHALITH_RENDER_GPU_RENDER_H
