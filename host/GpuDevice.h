// GpuDevice.h — the host's GPU device and GPU worlds: one OpenCL device (PoCL here) with its context
// and queue, offered through the GPU Device suite, and worlds whose pixels are cl_mem buffers of
// 128-bit float BGRA. Also serves the World and Effect Sequence Data suites the render path asks for.
#ifndef MORPHALITH_HOST_GPU_DEVICE_H
#define MORPHALITH_HOST_GPU_DEVICE_H

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include <memory>
#include <string>
#include <vector>

#include "PF_GPUDevice.h"
#include "PF_Suites.h"
#include "host/DeviceWorld.h"

namespace host {

class SuiteRegistry;

// ---- GPU frameworks the host can render through ----------------------------------------------------
// The render command's choice, carried into the render job. A framework's device code plugs in at
// the switches in GpuDevice.cpp (availability) and RenderJob.cpp (waiting for the device).
enum class Framework { OpenCL, Metal, CUDA };

// Lower-case names as the command line takes them, in order.
const std::vector<std::string>& frameworkNames();
// "opencl", "metal" or "cuda"; false for any other text (case matters).
bool parseFramework(const std::string& name, Framework* framework);
const char* frameworkName(Framework framework);
// The name users read: "OpenCL", "Metal", "CUDA".
const char* frameworkTitle(Framework framework);
PF_GPU_Framework toGpuFramework(Framework framework);
// Whether this build of the host can give the effect a device of the framework; when not, why
// (one line, for the user).
bool frameworkAvailable(Framework framework, std::string* why);

// The process's OpenCL device; made on first use and kept for the process (PoCL is slow to start).
class OpenCLDevice {
public:
    // Null when the machine has no OpenCL device; error() says why.
    static OpenCLDevice* get();
    static const std::string& error();

    cl_platform_id platform() const { return platform_; }
    cl_device_id device() const { return device_; }
    cl_context context() const { return context_; }
    cl_command_queue queue() const { return queue_; }
    std::string name() const;

private:
    OpenCLDevice() = default;
    cl_platform_id platform_ = nullptr;
    cl_device_id device_ = nullptr;
    cl_context context_ = nullptr;
    cl_command_queue queue_ = nullptr;
};

// The framework whose devices the GPU Device suite offers (a host offers the devices of the one
// framework a project renders with), and in whose memory new OpenCL/CUDA worlds are made: OpenCL
// unless a render job set up another.
void setGpuFramework(PF_GPU_Framework framework);
PF_GPU_Framework gpuFramework();

// A world on an OpenCL or CUDA device. The PF_LayerDef's data is the cl_mem (the CUDA device pointer
// while the framework is CUDA); rows are rowbytes apart.
class GpuWorld : public DeviceWorld {
public:
    // rowPadding extra pixels at the end of each row (real hosts pad rows; the plug-in must cope).
    GpuWorld(int width, int height, int rowPadding = 0, PF_PixelFormat format = PF_PixelFormat_GPU_BGRA128);
    ~GpuWorld() override;
    GpuWorld(const GpuWorld&) = delete;
    GpuWorld& operator=(const GpuWorld&) = delete;

    bool ok() const override { return mem_ != nullptr || cudaMem_ != nullptr; }
    PF_LayerDef* def() override { return &def_; }
    cl_mem mem() const { return mem_; }
    // Pixels as B, G, R, A floats, width * height * 4, rows packed.
    bool upload(const std::vector<float>& bgra) override;
    bool download(std::vector<float>* bgra) const override;

private:
    PF_LayerDef def_{};
    cl_mem mem_ = nullptr;
    void* cudaMem_ = nullptr;  // device memory of a world made while the framework is CUDA
};

// The pixel format the World suite reports for a world (GPU worlds register themselves).
PF_PixelFormat worldPixelFormat(const PF_LayerDef* world);
void registerWorld(const PF_LayerDef* world, PF_PixelFormat format);
void forgetWorld(const PF_LayerDef* world);

// Registers the GPU Device, World and Effect Sequence Data suites.
void serveRenderSuites(SuiteRegistry& registry);

}  // namespace host

#endif  // MORPHALITH_HOST_GPU_DEVICE_H
