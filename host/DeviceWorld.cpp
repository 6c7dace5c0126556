#include "host/DeviceWorld.h"

#include "host/CudaDevice.h"
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
    // OpenCL or CUDA memory, as the framework set up last says.
    return std::make_unique<GpuWorld>(width, height, rowPadding, format);
}

void finishDeviceWork(PF_GPU_Framework framework) {
    switch (framework) {
        case PF_GPU_Framework_CUDA: CudaDevice::synchronize(); break;
#if defined(MRPH_HAVE_METAL)
        case PF_GPU_Framework_METAL: MetalDevice::get()->finish(); break;
#endif
        default:
            if (OpenCLDevice* device = OpenCLDevice::get()) clFinish(device->queue());
            break;
    }
}

A_u_long deviceCount(PF_GPU_Framework framework) {
    switch (framework) {
        case PF_GPU_Framework_OPENCL: return OpenCLDevice::get() ? 1 : 0;
#if defined(MRPH_HAVE_METAL)
        case PF_GPU_Framework_METAL: return 1;
#endif
        // Only asked once CUDA is the framework: the driver is never loaded for an OpenCL project.
        case PF_GPU_Framework_CUDA: return CudaDevice::get() ? (A_u_long)CudaDevice::get()->count() : 0;
        default: return 0;
    }
}

long deviceIndexOf(PF_GPU_Framework framework) { return deviceCount(framework) > 0 ? 0 : -1; }

bool describeDevice(A_u_long index, PF_GPUDeviceInfo* info) {
    const PF_GPU_Framework framework = gpuFramework();
    if (index >= deviceCount(framework)) return false;
    info->device_framework = framework;
    info->compatibleB = TRUE;
    switch (framework) {
#if defined(MRPH_HAVE_METAL)
        case PF_GPU_Framework_METAL: {
            const MetalDevice* metal = MetalDevice::get();
            info->devicePV = metal->device();
            info->command_queuePV = metal->queue();
            return true;
        }
#endif
        case PF_GPU_Framework_CUDA:
            // The device index is the CUDA device ordinal. Device 0, where the host's worlds live, comes
            // with the host's own context, as a host hands it over; others with none.
            info->contextPV = index == 0 ? CudaDevice::get()->context() : nullptr;
            return true;
        default: {
            const OpenCLDevice* device = OpenCLDevice::get();
            info->platformPV = device->platform();
            info->devicePV = device->device();
            info->contextPV = device->context();
            info->command_queuePV = device->queue();
            return true;
        }
    }
}

}  // namespace host
