// CudaRender.h — the CUDA branch of GPU device set-up and of a GPU frame: the driver loaded, the
// host's device made current for the frame, the kernel image the module carries loaded into that
// context, the environment map kept as a CUDA array, MainKernel launched over the output and waited
// for.
#ifndef MORPHALITH_RENDER_CUDA_CUDA_RENDER_H
#define MORPHALITH_RENDER_CUDA_CUDA_RENDER_H

#include "KernelLaunch.h"
#include "PF_Effect.h"
#include "PluginInputParams.h"
#include "render/cuda/CudaCache.h"

// What one launch needs: the output and the environment on the device, the scalar kernel inputs and
// the frame's records (copied to the device for the launch; camera and render settings go by value).
struct CudaLaunch {
    CUdeviceptr output;   // the output world's pixels, rows of values->inDstPitch float4
    CUarray environment;  // the environment map, or null (the kernel then samples zero)
    const MainKernelValues* values;
    const PluginInputParams* block;
};

// With the kernel's context current: copies the four record arrays (one zeroed record for a count of
// 0), makes the environment's texture object (normalised coordinates, linear filtering, zero outside
// the image), launches 16 x 16 blocks over the output on the default stream and waits for them. Stops
// at the first failing call, frees what it made on every path and returns the first error.
CUresult LaunchMainKernelCUDA(const CudaApi& api, CUfunction kernel, const CudaLaunch& launch);

// The frame as SmartRenderGPU hands it over, with the environment cache locked for the whole call.
struct CudaFrame {
    int device;                      // the host's device_index: a CUDA device ordinal
    CUcontext hostContext;           // the device record's context, or null: then the device's primary one
    bool environmentPicked;          // the cache's changed flag as the frame found it
    int environmentLayerId;          // the frame's own environment layer
    const PF_LayerDef* environment;  // or null
    void* environmentMemory;         // its pixels on the device (a CUdeviceptr)
    void* outputMemory;              // likewise
};

// The CUDA branch of a frame. The host's context, or else the device's primary one, is pushed for the
// frame and popped again, so the calling thread's current context is as it was. The kernel image is
// loaded into a context once and kept; the environment array is rebuilt when it is missing or holds
// another context, instance, layer, time or size (or the panel picked a layer since), and freed when
// the frame has none. Any failure: "GPU Assert:\r\n<driver's text>\n" in the return message with
// PF_OutFlag_DISPLAY_ERROR_MESSAGE, 512, nothing rendered and nothing of the frame left on the device.
PF_Err RenderCUDA(PF_InData* in_data, PF_OutData* out_data, const CudaFrame& frame,
                  const MainKernelValues& values, const PluginInputParams* block, CudaCache* cache);

// The CUDA case of GPUDeviceSetup: the driver loaded into the cache when it is not yet, so that a
// machine without a usable driver is told so when the device is set up. A failure is reported as a
// frame's is, with the reason (no driver library, a driver too old, a driver that does not start).
PF_Err SetupCudaDevice(PF_InData* in_data, PF_OutData* out_data, CudaCache* cache);

#endif  // MORPHALITH_RENDER_CUDA_CUDA_RENDER_H
