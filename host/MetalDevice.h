// MetalDevice.h — the host's Metal device: the stand-in's device and one command queue for the
// process, and worlds whose pixels are stand-in buffers.
#ifndef MORPHALITH_HOST_METAL_DEVICE_H
#define MORPHALITH_HOST_METAL_DEVICE_H

#include <string>
#include <vector>

#include "Metal.h"
#include "host/DeviceWorld.h"

namespace host {

class MetalDevice {
public:
    // Made on first use and kept for the process, as the host keeps its OpenCL device.
    static MetalDevice* get();

    MTL::Device* device() const { return device_; }
    MTL::CommandQueue* queue() const { return queue_; }
    std::string name() const { return device_->name()->utf8String(); }
    // Commits an empty command buffer and waits for it: the queue runs its work in commit order.
    void finish() const;

private:
    MetalDevice();
    MTL::Device* device_;
    MTL::CommandQueue* queue_;
};

class MetalWorld : public DeviceWorld {
public:
    MetalWorld(int width, int height, int rowPadding, PF_PixelFormat format);
    ~MetalWorld() override;
    MetalWorld(const MetalWorld&) = delete;
    MetalWorld& operator=(const MetalWorld&) = delete;

    bool ok() const override { return buffer_ != nullptr; }
    PF_LayerDef* def() override { return &def_; }
    MTL::Buffer* buffer() const { return buffer_; }
    bool upload(const std::vector<float>& bgra) override;
    bool download(std::vector<float>* bgra) const override;

private:
    PF_LayerDef def_{};
    MTL::Buffer* buffer_ = nullptr;
};

}  // namespace host

#endif  // MORPHALITH_HOST_METAL_DEVICE_H
