// PF_GPUDevice.h — GPU devices as the host offers them: frameworks, the device description, and
// the set-up and set-down records of each device.
//
// Our own declarations of the host API, written from what the plug-in uses. No behaviour.
#ifndef MORPHALITH_SDK_PF_GPU_DEVICE_H
#define MORPHALITH_SDK_PF_GPU_DEVICE_H

#include "PF_SmartRender.h"

enum {
    PF_GPU_Framework_NONE = 0,
    PF_GPU_Framework_OPENCL = 1,
    PF_GPU_Framework_METAL = 2,
    PF_GPU_Framework_CUDA = 3
};

// For OpenCL: platformPV a cl_platform_id, devicePV a cl_device_id, contextPV a cl_context and
// command_queuePV a cl_command_queue; for Metal the device and its queue. The host owns all of them.
// For CUDA they are unused: the device index is the CUDA device number.
struct PF_GPUDeviceInfo {
    PF_GPU_Framework device_framework;
    A_Boolean compatibleB;
    void* platformPV;
    void* devicePV;
    void* contextPV;
    void* command_queuePV;
    void* offscreen_opengl_contextPV;
    void* offscreen_opengl_devicePV;
};

struct PF_GPUDeviceSetupInput {
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
};

struct PF_GPUDeviceSetupOutput {
    void* gpu_data;  // the effect's per-device data; handed back at render and set-down
};

struct PF_GPUDeviceSetupExtra {
    PF_GPUDeviceSetupInput* input;
    PF_GPUDeviceSetupOutput* output;
};

struct PF_GPUDeviceSetdownInput {
    void* gpu_data;
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
};

struct PF_GPUDeviceSetdownExtra {
    PF_GPUDeviceSetdownInput* input;
};

#endif  // MORPHALITH_SDK_PF_GPU_DEVICE_H
