// CudaDevice.h — the host's CUDA devices: offered through the GPU Device suite while the framework
// is CUDA, and the device memory of the worlds made then.
//
// The host talks to the CUDA driver library as the module does, loaded at run time by the system's
// search (libcuda.so.1, nvcuda.dll): a test picks the driver stand-in by where it puts it. Nothing
// here runs before CUDA is asked for: the driver is loaded at the first call of get(), so a host that
// renders through OpenCL never loads it.
#ifndef MORPHALITH_HOST_CUDA_DEVICE_H
#define MORPHALITH_HOST_CUDA_DEVICE_H

#include <cstddef>
#include <string>

namespace host {

class CudaDevice {
public:
    // The machine's CUDA devices; null when there is no driver, no device, or this build has no CUDA,
    // and error() says why.
    static CudaDevice* get();
    static const std::string& error();
    // Whether get() has run in this process (and so the driver was looked for).
    static bool started();

    // Number of devices; the GPU Device suite's device index is the CUDA device ordinal.
    int count() const { return count_; }
    std::string name(int index) const;
    // The context the host works in on device 0 (its primary context), handed to the effect in the
    // device record as real hosts do; a CUcontext.
    void* context() const { return context_; }

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
    void* context_ = nullptr;
};

}  // namespace host

#endif  // MORPHALITH_HOST_CUDA_DEVICE_H
