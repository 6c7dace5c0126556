// MetalRender.h — the Metal branch of GPU device set-up, set-down and dispatch: the pipeline compiled
// from the module's Metal text, and one frame encoded and run on the host's command queue.
//
// Ownership: objects from new... calls are owned here and released here; everything else is
// autoreleased into the ScopedAutoreleasePool each Metal sequence runs in. The pipeline state made at
// set-up lives in the GPU-data handle until set-down releases it.
#ifndef MORPHALITH_RENDER_METAL_RENDER_H
#define MORPHALITH_RENDER_METAL_RENDER_H

#if defined(MRPH_HAVE_METAL)

#include <string>

#include "CocoaAutoreleasePool.h"
#include "GlobalData.h"
#include "KernelLaunch.h"
#include "Metal.h"
#include "PF_GPUDevice.h"
#include "PF_Suites.h"

// One autorelease pool for a scope: opened by the constructor, released (with what it holds) by the
// destructor. With the macOS bodies a Cocoa pool encloses the Metal one (CocoaAutoreleasePool.h).
class ScopedAutoreleasePool {
public:
    ScopedAutoreleasePool() : pool_(NS::AutoreleasePool::alloc()->init()) {}
    ~ScopedAutoreleasePool() { pool_->release(); }
    ScopedAutoreleasePool(const ScopedAutoreleasePool&) = delete;
    ScopedAutoreleasePool& operator=(const ScopedAutoreleasePool&) = delete;

private:
    // Made first, drained last; without the macOS bodies an empty object that only its place needs.
    [[maybe_unused]] CocoaAutoreleasePool cocoa_;
    NS::AutoreleasePool* pool_;
};

// 0 for no error, 512 for any.
PF_Err NSError2PFErr(const NS::Error* error);

// The compile errors of a Metal error description, one line per "error" diagnostic:
// "error [line:column] message: source line\n". Warnings and notes give nothing.
std::string ParseMetalErrors(const std::string& description);

// Compiles text on the device and makes the pipeline state of "MainKernel" into *pipelineOut (owned
// by the caller). A compile with any diagnostic sets SceneInfo's status to "Compiling Error" and its
// details to the parsed errors, logs and shows them, and gives 512; a missing function or a failed
// pipeline gives 512 and leaves SceneInfo as it was.
PF_Err CompileMetalPipeline(void* devicePV, const char* text, SceneInfo* sceneInfo,
                            MTL::ComputePipelineState** pipelineOut);

// The Metal case of GPUDeviceSetup: the pipeline, then the GPU-data handle holding it.
PF_Err SetupMetalDevice(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra,
                        const PF_GPUDeviceInfo& device, GlobalData* global,
                        const PF_HandleSuite1* handleSuite);

// The Metal case of GPUDeviceSetdown: releases the pipeline state and disposes the handle.
void SetdownMetalDevice(PF_Handle gpuData, const PF_HandleSuite1* handleSuite);

// The Metal case of SmartRenderGPU: records into buffers 1-6, the scalars into buffer 7, the output
// at buffer 0 and the environment at texture 0, run over the output in threadgroups of the
// pipeline's execution width by 12 rows. Waits for the work and gives 512 when it failed.
PF_Err RenderMetal(const PF_GPUDeviceInfo& device, MTL::ComputePipelineState* pipeline,
                   const PF_LayerDef* env, void* envMem, void* outMem, const MainKernelValues& values,
                   const PluginInputParams* block);

#endif  // MRPH_HAVE_METAL

#endif  // MORPHALITH_RENDER_METAL_RENDER_H
