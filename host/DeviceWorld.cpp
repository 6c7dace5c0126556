#include "host/DeviceWorld.h"

#include "host/GpuDevice.h"
#include "host/MetalDevice.h"

namespace host {

std::unique_ptr<DeviceWorld> makeDeviceWorld(PF_GPU_Framework framework, int width, int height,
                                             int rowPadding, PF_PixelFormat format) {
    if (framework == PF_GPU_Framework_METAL)
        return std::make_unique<MetalWorld>(width, height, rowPadding, format);
    return std::make_unique<GpuWorld>(width, height, rowPadding, format);
}

void finishDeviceWork(PF_GPU_Framework framework) {
    if (framework == PF_GPU_Framework_METAL) {
        MetalDevice::get()->finish();
    } else if (OpenCLDevice* device = OpenCLDevice::get()) {
        clFinish(device->queue());
    }
}

std::vector<PF_GPU_Framework> offeredFrameworks() {
    std::vector<PF_GPU_Framework> frameworks;
    if (OpenCLDevice::get()) frameworks.push_back(PF_GPU_Framework_OPENCL);
    frameworks.push_back(PF_GPU_Framework_METAL);
    return frameworks;
}

long deviceIndexOf(PF_GPU_Framework framework) {
    const std::vector<PF_GPU_Framework> frameworks = offeredFrameworks();
    for (size_t i = 0; i < frameworks.size(); ++i)
        if (frameworks[i] == framework) return (long)i;
    return -1;
}

bool describeDevice(A_u_long index, PF_GPUDeviceInfo* info) {
    const std::vector<PF_GPU_Framework> frameworks = offeredFrameworks();
    if (index >= frameworks.size()) return false;
    info->device_framework = frameworks[index];
    info->compatibleB = TRUE;
    if (frameworks[index] == PF_GPU_Framework_METAL) {
        const MetalDevice* metal = MetalDevice::get();
        info->devicePV = metal->device();
        info->command_queuePV = metal->queue();
        return true;
    }
    const OpenCLDevice* device = OpenCLDevice::get();
    info->platformPV = device->platform();
    info->devicePV = device->device();
    info->contextPV = device->context();
    info->command_queuePV = device->queue();
    return true;
}

}  // namespace host
