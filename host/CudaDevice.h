// CudaDevice.h — the host's CUDA devices: offered through the GPU Device suite while the framework
// is CUDA, and the device memory of the worlds made then. Plain C++ (no CUDA headers).
//
// Nothing here runs before CUDA is asked for: the CUDA runtime starts at the first call of get(), so a
// host that renders through OpenCL never loads the driver.
#ifndef MORPHALITH_HOST_CUDA_DEVICE_H
#define MORPHALITH_HOST_CUDA_DEVICE_H

#include <cstddef>
#include <string>

namespace host {

class CudaDevice {
public:
    // The machine's CUDA devices, found with cudaGetDeviceCount; null when there are none, or when
    // this build has no CUDA, and error() says why.
    static CudaDevice* get();
    static const std::string& error();
    // Whether get() has run in this process (and so the runtime started).
    static bool started();

    // Number of devices; the GPU Device suite's device index is the CUDA device number.
    int count() const { return count_; }
    std::string name(int index) const;

    // World memory on device 0, zeroed; null when the device refuses.
    static void* allocate(size_t bytes);
    static void release(void* memory);
    // rows of widthBytes between host memory and device memory, each side with its own pitch.
    static bool upload(void* device, size_t devicePitch, const void* hostData, size_t hostPitch, size_t widthBytes,
                       size_t rows);
    static bool download(void* hostData, size_t hostPitch, const void* device, size_t devicePitch,
                         size_t widthBytes, size_t rows);
    // Waits for all work on device 0.
    static bool synchronize();

private:
    CudaDevice() = default;
    int count_ = 0;
};

}  // namespace host

#endif  // MORPHALITH_HOST_CUDA_DEVICE_H
