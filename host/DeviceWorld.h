// DeviceWorld.h — the host's GPU frameworks behind one switch: the devices it offers through the GPU
// Device suite, worlds whose pixels live on a framework's device, and the wait for a device's queued
// work. Each framework's device and worlds live in their own files (GpuDevice.*, MetalDevice.*).
#ifndef MORPHALITH_HOST_DEVICE_WORLD_H
#define MORPHALITH_HOST_DEVICE_WORLD_H

#include <memory>
#include <vector>

#include "PF_GPUDevice.h"

namespace host {

// A world on a device: the PF_LayerDef's data is the framework's buffer object (a cl_mem, an
// MTL::Buffer*), its rows rowbytes apart, four floats per pixel in the order blue, green, red, alpha.
class DeviceWorld {
public:
    virtual ~DeviceWorld() = default;
    virtual bool ok() const = 0;
    virtual PF_LayerDef* def() = 0;
    // Pixels as B, G, R, A floats, width * height * 4, rows packed.
    virtual bool upload(const std::vector<float>& bgra) = 0;
    // After all work queued on the device before it.
    virtual bool download(std::vector<float>* bgra) const = 0;
};

// A world of width x height on the device of the framework, rowPadding extra pixels per row.
std::unique_ptr<DeviceWorld> makeDeviceWorld(PF_GPU_Framework framework, int width, int height,
                                             int rowPadding,
                                             PF_PixelFormat format = PF_PixelFormat_GPU_BGRA128);

// Waits until the framework's queue has run everything queued on it.
void finishDeviceWork(PF_GPU_Framework framework);

// The devices the GPU Device suite offers are those of one framework, the one the project renders
// with (gpuFramework()), as a host offers them: OpenCL (when the machine has an OpenCL device), Metal
// (the stand-in) or CUDA (the machine's CUDA devices, numbered as CUDA numbers them).
A_u_long deviceCount(PF_GPU_Framework framework);
// The index of the framework's first device, or -1 when it has none.
long deviceIndexOf(PF_GPU_Framework framework);
// Fills info for device index of the project's framework; false when there is none.
bool describeDevice(A_u_long index, PF_GPUDeviceInfo* info);

}  // namespace host

#endif  // MORPHALITH_HOST_DEVICE_WORLD_H
