#include "host/MetalDevice.h"

#include <cstring>

#include "host/GpuDevice.h"

namespace host {

MetalDevice* MetalDevice::get() {
    // Kept reachable for the whole process, with its queue's thread.
    static MetalDevice* device = new MetalDevice();
    return device;
}

MetalDevice::MetalDevice() : device_(MTL::CreateSystemDefaultDevice()), queue_(device_->newCommandQueue()) {}

void MetalDevice::finish() const {
    NS::AutoreleasePool* pool = NS::AutoreleasePool::alloc()->init();
    MTL::CommandBuffer* marker = queue_->commandBuffer();
    marker->commit();
    marker->waitUntilCompleted();
    pool->release();
}

MetalWorld::MetalWorld(int width, int height, int rowPadding, PF_PixelFormat format) {
    def_.width = width;
    def_.height = height;
    def_.rowbytes = (width + rowPadding) * 16;
    def_.extent_hint = PF_LRect{0, 0, width, height};
    def_.pix_aspect_ratio = {1, 1};
    if (width <= 0 || height <= 0) return;
    // Zeroed, as a transparent layer.
    buffer_ = MetalDevice::get()->device()->newBuffer((NS::UInteger)def_.rowbytes * (NS::UInteger)height,
                                                      MTL::ResourceStorageModeShared);
    if (!buffer_) return;
    def_.data = buffer_;
    registerWorld(&def_, format);
}

MetalWorld::~MetalWorld() {
    forgetWorld(&def_);
    if (buffer_) {
        MetalDevice::get()->finish();  // no queued kernel may still write into it
        buffer_->release();
    }
}

bool MetalWorld::upload(const std::vector<float>& bgra) {
    if (!buffer_ || bgra.size() != (size_t)def_.width * def_.height * 4) return false;
    MetalDevice::get()->finish();
    auto* bytes = static_cast<unsigned char*>(buffer_->contents());
    for (int y = 0; y < def_.height; ++y)
        std::memcpy(bytes + (size_t)y * def_.rowbytes, &bgra[(size_t)y * def_.width * 4],
                    (size_t)def_.width * 16);
    return true;
}

bool MetalWorld::download(std::vector<float>* bgra) const {
    if (!buffer_) return false;
    MetalDevice::get()->finish();
    bgra->assign((size_t)def_.width * def_.height * 4, 0.0f);
    const auto* bytes = static_cast<const unsigned char*>(buffer_->contents());
    for (int y = 0; y < def_.height; ++y)
        std::memcpy(&(*bgra)[(size_t)y * def_.width * 4], bytes + (size_t)y * def_.rowbytes,
                    (size_t)def_.width * 16);
    return true;
}

}  // namespace host
