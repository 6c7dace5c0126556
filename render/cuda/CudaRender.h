// CudaRender.h — the CUDA branch of a GPU frame: the host's device made current, the environment
// map kept as a CUDA array in GlobalData, MainKernel launched over the output and waited for.
#ifndef MORPHALITH_RENDER_CUDA_CUDA_RENDER_H
#define MORPHALITH_RENDER_CUDA_CUDA_RENDER_H

#include "GlobalData.h"
#include "GPURender.h"
#include "PluginInputParams.h"
#include "render/cuda/CudaApi.h"

// What one launch needs: the output and the environment on the device, the scalar kernel inputs and
// the frame's records (copied to the device for the launch; camera and render settings go by value).
struct CudaLaunch {
    void* output;                   // the output world's pixels, rows of values->inDstPitch float4
    cudaArray_t environment;        // the environment map, or null (the kernel then samples zero)
    const MainKernelValues* values;
    const PluginInputParams* block;
};

// Copies the four record arrays (one zeroed record for a count of 0), makes the environment's texture
// object (normalised coordinates, linear filtering, zero outside the image), launches 16 x 16 blocks
// over the output and waits for them. Stops at the first failing call, frees what it made on every
// path and returns the first error.
cudaError_t LaunchMainKernelCUDA(const CudaApi& api, const CudaLaunch& launch);

// The frame as SmartRenderGPU hands it over, with the cache locked for the whole call.
struct CudaFrame {
    int device;               // the host's device_index
    bool environmentPicked;   // the cache's changed flag as the frame found it
    const PF_LayerDef* environment;  // or null
    void* environmentMemory;  // its pixels on the device
    void* outputMemory;
};

// The CUDA branch: device made current; the environment array rebuilt when it is missing or holds
// another layer, instance, time, size or device (and freed when the frame has no environment);
// then the launch. Any failing call: the runtime's error state cleared, "GPU Assert:\r\n<error
// text>\n" in the return message with PF_OutFlag_DISPLAY_ERROR_MESSAGE, and 512.
PF_Err RenderCUDA(PF_InData* in_data, PF_OutData* out_data, const CudaFrame& frame, const MainKernelValues& values,
                  const PluginInputParams* block, GPUCachedTexture* cache);

#endif  // MORPHALITH_RENDER_CUDA_CUDA_RENDER_H
