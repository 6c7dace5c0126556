#include "host/GpuDevice.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "host/CudaDevice.h"
#include "host/Host.h"
#include "host/SuiteRegistry.h"
#include "host/DeviceWorld.h"

namespace host {

namespace {

std::string g_deviceError;

std::mutex g_worldsLock;
std::map<const PF_LayerDef*, PF_PixelFormat> g_worlds;

struct FrameworkEntry {
    Framework framework;
    const char* name;
    const char* title;
    PF_GPU_Framework gpu;
};
constexpr FrameworkEntry kFrameworks[] = {
    {Framework::OpenCL, "opencl", "OpenCL", PF_GPU_Framework_OPENCL},
    {Framework::Metal, "metal", "Metal", PF_GPU_Framework_METAL},
    {Framework::CUDA, "cuda", "CUDA", PF_GPU_Framework_CUDA},
};

const FrameworkEntry& entry(Framework framework) {
    for (const FrameworkEntry& e : kFrameworks)
        if (e.framework == framework) return e;
    return kFrameworks[0];
}

std::atomic<PF_GPU_Framework> g_framework{PF_GPU_Framework_OPENCL};

}  // namespace

void setGpuFramework(PF_GPU_Framework framework) { g_framework = framework; }
PF_GPU_Framework gpuFramework() { return g_framework; }

const std::vector<std::string>& frameworkNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const FrameworkEntry& e : kFrameworks) n.push_back(e.name);
        return n;
    }();
    return names;
}

bool parseFramework(const std::string& name, Framework* framework) {
    for (const FrameworkEntry& e : kFrameworks) {
        if (name == e.name) {
            *framework = e.framework;
            return true;
        }
    }
    return false;
}

const char* frameworkName(Framework framework) { return entry(framework).name; }
const char* frameworkTitle(Framework framework) { return entry(framework).title; }
PF_GPU_Framework toGpuFramework(Framework framework) { return entry(framework).gpu; }

bool frameworkAvailable(Framework framework, std::string* why) {
    switch (framework) {
        case Framework::OpenCL:
            if (OpenCLDevice::get()) return true;
            *why = std::string("OpenCL has no device on this machine: ") + OpenCLDevice::error();
            return false;
        case Framework::Metal:
            if (deviceCount(PF_GPU_Framework_METAL) > 0) return true;
            break;
        case Framework::CUDA:
            // The CUDA runtime starts only here, when CUDA is asked for.
            if (CudaDevice::get()) return true;
            *why = "no CUDA device: " + CudaDevice::error();
            return false;
    }
    *why = std::string("the ") + frameworkTitle(framework) +
           " framework is not available in this build of the host";
    return false;
}

OpenCLDevice* OpenCLDevice::get() {
    static std::once_flag once;
    // Kept reachable for the whole process: releasing PoCL objects at exit races its own teardown.
    static OpenCLDevice* device = nullptr;
    std::call_once(once, [] {
        auto* d = new OpenCLDevice();
        cl_uint count = 0;
        cl_int err = clGetPlatformIDs(1, &d->platform_, &count);
        if (err != CL_SUCCESS || count == 0) {
            g_deviceError = "no OpenCL platform";
        } else if ((err = clGetDeviceIDs(d->platform_, CL_DEVICE_TYPE_ALL, 1, &d->device_, &count)) != CL_SUCCESS ||
                   count == 0) {
            g_deviceError = "no OpenCL device";
        } else {
            d->context_ = clCreateContext(nullptr, 1, &d->device_, nullptr, nullptr, &err);
            if (err == CL_SUCCESS) d->queue_ = clCreateCommandQueue(d->context_, d->device_, 0, &err);
            if (err != CL_SUCCESS) g_deviceError = "OpenCL context or queue failed: " + std::to_string(err);
        }
        if (g_deviceError.empty()) device = d;
        else delete d;
    });
    return device;
}

const std::string& OpenCLDevice::error() { return g_deviceError; }

std::string OpenCLDevice::name() const {
    char text[256] = {};
    clGetDeviceInfo(device_, CL_DEVICE_NAME, sizeof(text) - 1, text, nullptr);
    return text;
}

GpuWorld::GpuWorld(int width, int height, int rowPadding, PF_PixelFormat format) {
    def_.width = width;
    def_.height = height;
    def_.rowbytes = (width + rowPadding) * 16;
    def_.extent_hint = PF_LRect{0, 0, width, height};
    def_.pix_aspect_ratio = {1, 1};
    if (gpuFramework() == PF_GPU_Framework_CUDA) {
        if (width <= 0 || height <= 0) return;
        cudaMem_ = CudaDevice::allocate((size_t)def_.rowbytes * (size_t)height);
        if (!cudaMem_) return;
        def_.data = cudaMem_;
        std::lock_guard<std::mutex> guard(g_worldsLock);
        g_worlds[&def_] = format;
        return;
    }
    OpenCLDevice* device = OpenCLDevice::get();
    if (!device || width <= 0 || height <= 0) return;
    cl_int err = CL_SUCCESS;
    const size_t bytes = (size_t)def_.rowbytes * (size_t)height;
    mem_ = clCreateBuffer(device->context(), CL_MEM_READ_WRITE, bytes, nullptr, &err);
    if (err != CL_SUCCESS) {
        mem_ = nullptr;
        return;
    }
    // Zeroed, as a transparent layer.
    const float zero = 0.0f;
    clEnqueueFillBuffer(device->queue(), mem_, &zero, sizeof(zero), 0, bytes, 0, nullptr, nullptr);
    def_.data = mem_;
    std::lock_guard<std::mutex> guard(g_worldsLock);
    g_worlds[&def_] = format;
}

GpuWorld::~GpuWorld() {
    {
        std::lock_guard<std::mutex> guard(g_worldsLock);
        g_worlds.erase(&def_);
    }
    if (mem_) {
        clFinish(OpenCLDevice::get()->queue());
        clReleaseMemObject(mem_);
    }
    CudaDevice::release(cudaMem_);
}

bool GpuWorld::upload(const std::vector<float>& bgra) {
    if (!ok() || bgra.size() != (size_t)def_.width * def_.height * 4) return false;
    if (cudaMem_)
        return CudaDevice::upload(cudaMem_, (size_t)def_.rowbytes, bgra.data(), (size_t)def_.width * 16,
                                  (size_t)def_.width * 16, (size_t)def_.height);
    const size_t region[3] = {(size_t)def_.width * 16, (size_t)def_.height, 1};
    const size_t origin[3] = {0, 0, 0};
    return clEnqueueWriteBufferRect(OpenCLDevice::get()->queue(), mem_, CL_TRUE, origin, origin, region,
                                    (size_t)def_.rowbytes, 0, (size_t)def_.width * 16, 0, bgra.data(), 0, nullptr,
                                    nullptr) == CL_SUCCESS;
}

bool GpuWorld::download(std::vector<float>* bgra) const {
    if (!ok()) return false;
    bgra->assign((size_t)def_.width * def_.height * 4, 0.0f);
    if (cudaMem_)
        return CudaDevice::download(bgra->data(), (size_t)def_.width * 16, cudaMem_, (size_t)def_.rowbytes,
                                    (size_t)def_.width * 16, (size_t)def_.height);
    const size_t region[3] = {(size_t)def_.width * 16, (size_t)def_.height, 1};
    const size_t origin[3] = {0, 0, 0};
    // Blocking, after everything queued before it: the kernel's writes included.
    return clEnqueueReadBufferRect(OpenCLDevice::get()->queue(), mem_, CL_TRUE, origin, origin, region,
                                   (size_t)def_.rowbytes, 0, (size_t)def_.width * 16, 0, bgra->data(), 0, nullptr,
                                   nullptr) == CL_SUCCESS;
}

PF_PixelFormat worldPixelFormat(const PF_LayerDef* world) {
    std::lock_guard<std::mutex> guard(g_worldsLock);
    auto it = g_worlds.find(world);
    return it == g_worlds.end() ? PF_PixelFormat_INVALID : it->second;
}

void registerWorld(const PF_LayerDef* world, PF_PixelFormat format) {
    std::lock_guard<std::mutex> guard(g_worldsLock);
    g_worlds[world] = format;
}

void forgetWorld(const PF_LayerDef* world) {
    std::lock_guard<std::mutex> guard(g_worldsLock);
    g_worlds.erase(world);
}

namespace {

A_Err call(const char* name) { return Host::current() ? Host::current()->hostCall(name) : A_Err(0); }

PF_Err GetDeviceCount(PF_ProgPtr, A_u_long* count) {
    *count = 0;
    if (A_Err err = call("GetDeviceCount")) return err;
    *count = deviceCount(gpuFramework());
    return PF_Err_NONE;
}

PF_Err GetDeviceInfo(PF_ProgPtr, A_u_long index, PF_GPUDeviceInfo* info) {
    std::memset(info, 0, sizeof(*info));
    if (A_Err err = call("GetDeviceInfo")) return err;
    return describeDevice(index, info) ? PF_Err_NONE : PF_Err_INVALID_INDEX;
}

PF_Err GetGPUWorldData(PF_ProgPtr, PF_EffectWorld* world, void** pix) {
    *pix = nullptr;
    if (A_Err err = call("GetGPUWorldData")) return err;
    if (!world || worldPixelFormat(world) == PF_PixelFormat_INVALID) return PF_Err_BAD_CALLBACK_PARAM;
    *pix = world->data;
    return PF_Err_NONE;
}

PF_Err GetPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) {
    *format = PF_PixelFormat_INVALID;
    if (A_Err err = call("PF_GetPixelFormat")) return err;
    if (!world) return PF_Err_BAD_CALLBACK_PARAM;
    *format = worldPixelFormat(world);
    return *format == PF_PixelFormat_INVALID ? PF_Err_BAD_CALLBACK_PARAM : PF_Err_NONE;
}

PF_Err GetConstSequenceData(PF_ProgPtr effect_ref, const PF_Handle* sequence_data) {
    if (A_Err err = call("PF_GetConstSequenceData")) return err;
    // The table's out-parameter is declared const; the host writes the handle through it.
    *const_cast<PF_Handle*>(sequence_data) = nullptr;
    Host* host = Host::current();
    if (!host || !effect_ref || !host->isInstance(effect_ref)) return PF_Err_BAD_CALLBACK_PARAM;
    *const_cast<PF_Handle*>(sequence_data) = host->sequenceDataOf(effect_ref);
    return PF_Err_NONE;
}

const PF_GPUDeviceSuite1 kGPUDevice = {GetDeviceCount, GetDeviceInfo, GetGPUWorldData};
const PF_WorldSuite2 kWorld = {GetPixelFormat};
const PF_EffectSequenceDataSuite1 kSequenceData = {GetConstSequenceData};

}  // namespace

void serveRenderSuites(SuiteRegistry& registry) {
    registry.add(kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, &kGPUDevice);
    registry.add(kPFWorldSuite, kPFWorldSuiteVersion2, &kWorld);
    registry.add(kPFEffectSequenceDataSuite, kPFEffectSequenceDataSuiteVersion1, &kSequenceData);
}

}  // namespace host
