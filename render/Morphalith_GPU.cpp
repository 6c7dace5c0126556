// Morphalith_GPU.cpp — GPU devices and GPU frames: device set-up and set-down, and the dispatch of one
// frame, each handed to the branch of the device's framework (OpenCLRender, MetalRender, CudaRender).
#include <cstring>
#include <mutex>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "GPURender.h"
#include "Handlers.h"
#include "Headers/LogsController.h"
#include "Headers/MachineInfo.h"
#include "MetalRender.h"
#include "OpenCLRender.h"
#include "ScopedGlobalData.h"
#if defined(MRPH_HAVE_CUDA)
#include "render/cuda/CudaRender.h"
#endif

PF_Err GPUDeviceSetup(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra) {
    PF_Err err = PF_Err_NONE;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    ScopedGlobalData globalData(suites, in_data->global_data);
    AEFX_SuiteScoper<PF_HandleSuite1> handleSuite(in_data, kPFHandleSuite, kPFHandleSuiteVersion1, out_data);
    AEFX_SuiteScoper<PF_GPUDeviceSuite1> gpuSuite(in_data, kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, out_data);

    PF_GPUDeviceInfo device{};
    err = gpuSuite->GetDeviceInfo(in_data->effect_ref, extra->input->device_index, &device);
    if (err) return err;
    GlobalData* global = globalData.get();
    if (global && global->systemInfo)
        Machine::GetDeviceInfo(in_data->version.major, in_data->version.minor, global->systemInfo.get(),
                               extra->input->what_gpu, device.devicePV);

    switch (extra->input->what_gpu) {
        case PF_GPU_Framework_CUDA:
            // The CUDA kernel image is carried in the module and loaded per context at the first frame:
            // nothing to compile, no GPU data. The driver is looked for now, so that a machine without
            // one hears so at set-up.
            spdlog_log("Device type: CUDA");
            out_data->out_flags2 = PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
#if defined(MRPH_HAVE_CUDA)
            if (global) {
                std::lock_guard<std::mutex> guard(global->envTextureLock);
                err = SetupCudaDevice(in_data, out_data, &global->envTexture.cuda);
            }
#endif
            break;
        case PF_GPU_Framework_OPENCL:
            err = SetupOpenCLDevice(in_data, out_data, extra, device, handleSuite.get());
            break;
        case PF_GPU_Framework_METAL:
#if defined(MRPH_HAVE_METAL)
            err = SetupMetalDevice(in_data, out_data, extra, device, global, handleSuite.get());
#endif
            // A build without Metal (Windows) sets nothing up for it, as for any framework it does not know.
            break;
        default: break;
    }
    return err;
}

PF_Err GPUDeviceSetdown(PF_InData* in_data, PF_OutData*, PF_GPUDeviceSetdownExtra* extra) {
#if defined(MRPH_HAVE_METAL)
    if (extra->input->what_gpu == PF_GPU_Framework_METAL) {
        AEFX_SuiteScoper<PF_HandleSuite1> handleSuite(in_data, kPFHandleSuite, kPFHandleSuiteVersion1);
        SetdownMetalDevice(static_cast<PF_Handle>(extra->input->gpu_data), handleSuite.get());
        return PF_Err_NONE;
    }
#endif
    if (extra->input->what_gpu != PF_GPU_Framework_OPENCL || !extra->input->gpu_data) return PF_Err_NONE;
    AEFX_SuiteScoper<PF_HandleSuite1> handleSuite(in_data, kPFHandleSuite, kPFHandleSuiteVersion1);
    SetdownOpenCLDevice(static_cast<PF_Handle>(extra->input->gpu_data), handleSuite.get());
    return PF_Err_NONE;
}

// ---- Dispatch -----------------------------------------------------------------------------------------------

PF_Err SmartRenderGPU(PF_InData* in_data, PF_OutData* out_data, int pixelFormat, PF_LayerDef* env,
                      PF_LayerDef* output, PF_SmartRenderExtra* extra, PluginInputParams* block) {
    PF_Err err = PF_Err_NONE;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    AEFX_SuiteScoper<PF_GPUDeviceSuite1> gpuSuite(in_data, kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, out_data);
    AEFX_SuiteScoper<PF_WorldSuite2> worldSuite(in_data, kPFWorldSuite, kPFWorldSuiteVersion2, out_data);
    ScopedGlobalData globalData(suites, in_data->global_data);
    GlobalData* global = globalData.get();
    if (!global) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    if (pixelFormat != PF_PixelFormat_GPU_BGRA128) err = PF_Err_UNRECOGNIZED_PARAM_TYPE;
    PF_GPUDeviceInfo device{};
    void* outMem = nullptr;
    void* envMem = nullptr;
    if (!err) err = gpuSuite->GetDeviceInfo(in_data->effect_ref, extra->input->device_index, &device);
    if (!err) err = gpuSuite->GetGPUWorldData(in_data->effect_ref, output, &outMem);
    if (!err && env) err = gpuSuite->GetGPUWorldData(in_data->effect_ref, env, &envMem);

    // Environment-texture cache key. The lock is held to the end of the launch.
    std::lock_guard<std::mutex> envGuard(global->envTextureLock);
    GPUCachedTexture& cache = global->envTexture;
    [[maybe_unused]] const bool envPicked = cache.changed;  // for CUDA, whose array keeps its own key
    if (env) {
        if (cache.time != in_data->current_time || cache.width != env->width || cache.height != env->height ||
            cache.changed) {
            cache.changed = false;
            cache.time = in_data->current_time;
            cache.width = env->width;
            cache.height = env->height;
        }
    } else {
        cache.clearKey();
    }
    if (err) return err;

    const MainKernelValues values = MakeKernelValues(in_data, pixelFormat, env, output, block);
    switch (extra->input->what_gpu) {
        case PF_GPU_Framework_OPENCL: {
            auto handle = static_cast<PF_Handle>(const_cast<void*>(extra->input->gpu_data));
            void* kernel = handle ? *static_cast<void**>(*handle) : nullptr;
            err = RenderOpenCL(device, kernel, env, envMem, outMem, values, block);
            break;
        }
        case PF_GPU_Framework_METAL: {
#if defined(MRPH_HAVE_METAL)
            auto handle = static_cast<PF_Handle>(const_cast<void*>(extra->input->gpu_data));
            auto* pipeline = handle ? *static_cast<MTL::ComputePipelineState**>(*handle) : nullptr;
            err = RenderMetal(device, pipeline, env, envMem, outMem, values, block);
#else
            MRPH_LOG_ERROR("Metal is not available in this build");
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
#endif
            break;
        }
        case PF_GPU_Framework_CUDA:
#if defined(MRPH_HAVE_CUDA)
            err = RenderCUDA(in_data, out_data,
                             {(int)extra->input->device_index, static_cast<CUcontext>(device.contextPV), envPicked,
                              block->environmentLayerId, env, envMem, outMem},
                             values, block, &cache.cuda);
#else
            // A build without the CUDA path says so rather than hand back an untouched frame.
            MRPH_LOG_ERROR("CUDA rendering is not available in this build");
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
#endif
            break;
        default: break;
    }
    return err;
}
