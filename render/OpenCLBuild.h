// OpenCLBuild.h — the OpenCL program build of device set-up, on its own so that a build of any text
// (a broken one, in tests) goes through the same logging, saved log and debug-text window.
#ifndef MORPHALITH_RENDER_OPENCL_BUILD_H
#define MORPHALITH_RENDER_OPENCL_BUILD_H

#include <cstddef>

#include "PF_Effect.h"

// Builds prefix + text on (cl_context, cl_device_id) and makes "MainKernel" into *kernelOut
// (a cl_kernel). A failing call logs "OpenCL Error " + its status text and gives 512.
PF_Err CompileOpenCLKernel(PF_InData* in_data, PF_OutData* out_data, void* contextPV, void* devicePV,
                           const char* text, size_t length, void** kernelOut);

#endif  // MORPHALITH_RENDER_OPENCL_BUILD_H
