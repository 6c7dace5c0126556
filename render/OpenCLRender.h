// OpenCLRender.h — the OpenCL branch of GPU device set-up, set-down and dispatch: the program built from
// the module's OpenCL text, its kernel kept in the GPU-data handle, and one frame's records, environment
// image and arguments enqueued on the host's queue.
#ifndef MORPHALITH_RENDER_OPENCL_RENDER_H
#define MORPHALITH_RENDER_OPENCL_RENDER_H

#include <cstddef>
#include <string>

#include "KernelLaunch.h"
#include "PF_GPUDevice.h"
#include "PF_Suites.h"

// 0 for CL_SUCCESS, 512 for any other status.
PF_Err CL2Err(int status);
// "Code: 0x<hex> (<name>)", the name from clErrorMap or "Unknown error".
std::string clGetErrorString(int code);

// Builds prefix + text on (cl_context, cl_device_id) and makes "MainKernel" into *kernelOut (a
// cl_kernel). A failing call logs "OpenCL Error " + its status text and gives 512. A build of any text
// (a broken one, in tests) goes through the same logging, saved log and debug-text window.
PF_Err CompileOpenCLKernel(PF_InData* in_data, PF_OutData* out_data, void* contextPV, void* devicePV,
                           const char* text, size_t length, void** kernelOut);

// The OpenCL case of GPUDeviceSetup: the GPU-data handle, holding the kernel of the module's text (or
// none when the build failed), goes to the host either way.
PF_Err SetupOpenCLDevice(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra,
                         const PF_GPUDeviceInfo& device, const PF_HandleSuite1* handleSuite);

// The OpenCL case of GPUDeviceSetdown: releases the kernel and disposes the handle.
void SetdownOpenCLDevice(PF_Handle gpuData, const PF_HandleSuite1* handleSuite);

// The OpenCL case of SmartRenderGPU, with `kernel` the cl_kernel of the device's GPU data (null when its
// build failed): the environment image, six record buffers and sixteen arguments, and the launch over
// the output, not waited for. The first failing call is logged and gives 512.
PF_Err RenderOpenCL(const PF_GPUDeviceInfo& device, void* kernel, const PF_LayerDef* env, void* envMem, void* outMem,
                    const MainKernelValues& values, const PluginInputParams* block);

#endif  // MORPHALITH_RENDER_OPENCL_RENDER_H
