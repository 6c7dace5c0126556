#include "host/DeviceWorld.h"

#include "host/GpuDevice.h"
#if defined(MRPH_HAVE_METAL)
#include "host/MetalDevice.h"
#endif

namespace host {

std::unique_ptr<DeviceWorld> makeDeviceWorld([[maybe_unused]] PF_GPU_Framework framework, int width, int height,
                                             int rowPadding, PF_PixelFormat format) {
#if defined(MRPH_HAVE_METAL)
    if (framework == PF_GPU_Framework_METAL)
        return std::make_unique<MetalWorld>(width, height, rowPadding, format);
#endif
    return std::make_unique<GpuWorld>(width, height, rowPadding, format);
}

void finishDeviceWork([[maybe_unused]] PF_GPU_Framework framework) {
#if defined(MRPH_HAVE_METAL)
    if (framework == PF_GPU_Framework_METAL) {
        MetalDevice::get()->finish();
        return;
    }
#endif
    if (OpenCLDevice* device = OpenCLDevice::get()) {
        clFinish(device->queue());
    }
}

std::vector<PF_GPU_Framework> offeredFrameworks() {
    std::vector<PF_GPU_Framework> frameworks;
    if (OpenCLDevice::get()) frameworks.push_back(PF_GPU_Framework_OPENCL);
#if defined(MRPH_HAVE_METAL)
    frameworks.push_back(PF_GPU_Framework_METAL);
#endif
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
#if defined(MRPH_HAVE_METAL)
    if (frameworks[index] == PF_GPU_Framework_METAL) {
        const MetalDevice* metal = MetalDevice::get();
        info->devicePV = metal->device();
        info->command_queuePV = metal->queue();
        return true;
    }
#endif
    const OpenCLDevice* device = OpenCLDevice::get();
    info->platformPV = device->platform();
    info->devicePV = device->device();
    info->contextPV = device->context();
    info->command_queuePV = device->queue();
    return true;
}

}  // namespace host
