// OpenCLRender.cpp — the OpenCL branch of GPU device set-up, set-down and dispatch.
#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include "OpenCLRender.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "DebugInfo.h"
#include "Headers/LogsController.h"
#include "Morphalith_Kernel_Strings.h"
#include "NameTables.h"
#include "PF_GPUDevice.h"

PF_Err CL2Err(int status) { return status == CL_SUCCESS ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED; }

std::string clGetErrorString(int code) {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%X", (unsigned)(uint32_t)code);
    auto it = clErrorMap.find(code);
    return std::string("Code: 0x") + hex + " (" + (it == clErrorMap.end() ? "Unknown error" : it->second) + ")";
}

namespace {

constexpr const char* kOpenCLPrefix = "#define GF_OPENCL_SUPPORTS_16F 0\n";
constexpr const char* kOpenCLBuildOptions = "-cl-single-precision-constant -cl-fast-relaxed-math";
constexpr const char* kBuildLogFrame = "\n-----------------------------------------------------------\n";

// Logs a failing OpenCL call and keeps the first error.
void checkCL(const char* function, cl_int status, PF_Err* err) {
    if (status == CL_SUCCESS) return;
    MRPH_LOG_ERROR_IN(function, "OpenCL Error " + clGetErrorString(status));
    if (!*err) *err = CL2Err(status);
}

// Render threads share one kernel object per device; its arguments are state of that object, so
// setting them and enqueueing the launch must not interleave with another frame on the same kernel.
std::mutex& kernelLock(cl_kernel kernel) {
    static std::mutex tableLock;
    static std::map<cl_kernel, std::unique_ptr<std::mutex>> locks;
    std::lock_guard<std::mutex> guard(tableLock);
    auto& slot = locks[kernel];
    if (!slot) slot = std::make_unique<std::mutex>();
    return *slot;
}

bool deviceHasImageFromBuffer(cl_device_id device) {
    size_t size = 0;
    if (clGetDeviceInfo(device, CL_DEVICE_EXTENSIONS, 0, nullptr, &size) != CL_SUCCESS || size == 0) return false;
    std::string extensions(size, '\0');
    if (clGetDeviceInfo(device, CL_DEVICE_EXTENSIONS, size, extensions.data(), nullptr) != CL_SUCCESS) return false;
    if (extensions.find("cl_khr_image2d_from_buffer") != std::string::npos) return true;
    char version[128] = {};
    clGetDeviceInfo(device, CL_DEVICE_VERSION, sizeof(version) - 1, version, nullptr);
    // Core in 2.x only; 3.0 made it optional again, so there only the extension counts.
    return std::strncmp(version, "OpenCL 2.", 9) == 0;
}

}  // namespace

// ---- Set-up and set-down ------------------------------------------------------------------------------

PF_Err CompileOpenCLKernel(PF_InData* in_data, PF_OutData* out_data, void* contextPV, void* devicePV,
                           const char* text, size_t length, void** kernelOut) {
    PF_Err err = PF_Err_NONE;
    cl_int status = CL_SUCCESS;
    cl_context context = static_cast<cl_context>(contextPV);
    cl_device_id device = static_cast<cl_device_id>(devicePV);

    const char* sources[2] = {kOpenCLPrefix, text};
    const size_t lengths[2] = {std::strlen(kOpenCLPrefix), length};
    cl_program program = clCreateProgramWithSource(context, 2, sources, lengths, &status);
    checkCL("GPUDeviceSetup", status, &err);
    if (!err) checkCL("GPUDeviceSetup", clBuildProgram(program, 1, &device, kOpenCLBuildOptions, nullptr, nullptr), &err);

    // A log of more than its terminating zero is shown, after a good build with warnings too.
    if (program) {
        size_t logSize = 0;
        clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &logSize);
        if (logSize > 1) {
            std::vector<char> log(logSize);
            clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, logSize, log.data(), nullptr);
            std::string shown = std::string(log.data()) + kBuildLogFrame + std::string(text, length);
            saveLogs(in_data, out_data, shown);
            showDebugInfo(shown);
        }
    }

    if (!err) {
        cl_kernel kernel = clCreateKernel(program, "MainKernel", &status);
        checkCL("GPUDeviceSetup", status, &err);
        if (!err) *kernelOut = kernel;
    }
    // The kernel keeps what it needs of the program.
    if (program) clReleaseProgram(program);
    return err;
}

PF_Err SetupOpenCLDevice(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra,
                         const PF_GPUDeviceInfo& device, const PF_HandleSuite1* handleSuite) {
    spdlog_log("Device type: OpenCL");
    PF_Handle handle = handleSuite->host_new_handle(sizeof(void*));
    if (!handle) return PF_Err_OUT_OF_MEMORY;
    void** block = static_cast<void**>(*handle);
    *block = nullptr;
#if defined(_WIN32)
    // The Windows text (with #line markers) is measured where it is used.
    const size_t textLength = std::strlen(kMorphalith_Kernel_OpenCLString);
#else
    const size_t textLength = kMorphalith_Kernel_OpenCLStringLength;
#endif
    const PF_Err err = CompileOpenCLKernel(in_data, out_data, device.contextPV, device.devicePV,
                                           kMorphalith_Kernel_OpenCLString, textLength, block);
    // The host gets the handle whatever the build gave, and frees it at set-down.
    extra->output->gpu_data = handle;
    out_data->out_flags2 = PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    return err;
}

void SetdownOpenCLDevice(PF_Handle gpuData, const PF_HandleSuite1* handleSuite) {
    if (!gpuData) return;
    cl_kernel kernel = *static_cast<cl_kernel*>(*gpuData);
    if (kernel) clReleaseKernel(kernel);
    handleSuite->host_dispose_handle(gpuData);
}

// ---- Dispatch -----------------------------------------------------------------------------------------------

namespace {

// The environment as a 2-D image of four floats per texel. Where the device can view a buffer as an
// image, the world's own buffer is used; elsewhere (PoCL, many drivers) its rows are copied into a
// new image. Without an environment the kernel samples one zero texel, copied into the image so
// that nothing on this stack must outlive the queued kernel.
cl_mem makeEnvironmentImage(cl_context context, cl_command_queue queue, cl_device_id device, const PF_LayerDef* env,
                            void* envMem, PF_Err* err) {
    static const float kZeroPixel[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const cl_image_format format = {CL_RGBA, CL_FLOAT};
    cl_image_desc desc{};
    desc.image_type = CL_MEM_OBJECT_IMAGE2D;
    cl_int status = CL_SUCCESS;
    cl_mem image = nullptr;
    if (!env) {
        desc.image_width = 1;
        desc.image_height = 1;
        image = clCreateImage(context, CL_MEM_READ_ONLY | CL_MEM_COPY_HOST_PTR, &format, &desc,
                              const_cast<float*>(kZeroPixel), &status);
        checkCL("SmartRenderGPU", status, err);
        return image;
    }
    desc.image_width = (size_t)env->width;
    desc.image_height = (size_t)env->height;
    cl_mem source = static_cast<cl_mem>(envMem);
    if (deviceHasImageFromBuffer(device)) {
        desc.image_row_pitch = (size_t)env->rowbytes;
        desc.buffer = source;
        image = clCreateImage(context, CL_MEM_READ_ONLY, &format, &desc, nullptr, &status);
        checkCL("SmartRenderGPU", status, err);
        return image;
    }
    image = clCreateImage(context, CL_MEM_READ_ONLY, &format, &desc, nullptr, &status);
    checkCL("SmartRenderGPU", status, err);
    if (*err) return image;
    const size_t rowBytes = (size_t)env->rowbytes, packed = (size_t)env->width * 16;
    if (rowBytes == packed) {
        const size_t origin[3] = {0, 0, 0}, region[3] = {desc.image_width, desc.image_height, 1};
        checkCL("SmartRenderGPU", clEnqueueCopyBufferToImage(queue, source, image, 0, origin, region, 0, nullptr, nullptr),
                err);
    } else {
        for (size_t y = 0; y < desc.image_height && !*err; ++y) {
            const size_t origin[3] = {0, y, 0}, region[3] = {desc.image_width, 1, 1};
            checkCL("SmartRenderGPU",
                    clEnqueueCopyBufferToImage(queue, source, image, y * rowBytes, origin, region, 0, nullptr, nullptr),
                    err);
        }
    }
    return image;
}

// Copies count records from the block, or one zeroed record when there are none.
template <typename T>
cl_mem makeRecordBuffer(cl_context context, const T* records, int count, PF_Err* err) {
    static const T kZero{};
    const bool none = count <= 0 || !records;
    cl_int status = CL_SUCCESS;
    cl_mem buffer = clCreateBuffer(context, CL_MEM_READ_ONLY | CL_MEM_COPY_HOST_PTR,
                                   (none ? 1 : (size_t)count) * sizeof(T),
                                   const_cast<T*>(none ? &kZero : records), &status);
    checkCL("SmartRenderGPU", status, err);
    return buffer;
}

}  // namespace

PF_Err RenderOpenCL(const PF_GPUDeviceInfo& device, void* kernelPV, const PF_LayerDef* env, void* envMem, void* outMem,
                    const MainKernelValues& v, const PluginInputParams* block) {
    cl_kernel kernel = static_cast<cl_kernel>(kernelPV);
    PF_Err err = PF_Err_NONE;
    cl_context context = static_cast<cl_context>(device.contextPV);
    cl_command_queue queue = static_cast<cl_command_queue>(device.command_queuePV);
    cl_device_id deviceId = static_cast<cl_device_id>(device.devicePV);

    cl_mem image = makeEnvironmentImage(context, queue, deviceId, env, envMem, &err);
    // All six are made even after a failure, and all released below.
    cl_mem primitives = makeRecordBuffer(context, block->primitives, block->numPrimitives, &err);
    cl_mem materials = makeRecordBuffer(context, block->materials, block->numPrimitives, &err);
    cl_mem modifiers = makeRecordBuffer(context, block->modifiers, block->numPrimitives, &err);
    cl_mem lights = makeRecordBuffer(context, block->lights, block->numLights, &err);
    cl_mem render = makeRecordBuffer(context, &block->global, 1, &err);
    cl_mem camera = makeRecordBuffer(context, &block->camera, 1, &err);
    cl_mem output = static_cast<cl_mem>(outMem);

    // The device's build failed: its first argument cannot be set, and the frame says so as a failing
    // call does (the null kernel itself is never handed to the runtime).
    if (!err && !kernel) checkCL("SmartRenderGPU", CL_INVALID_KERNEL, &err);
    if (!err) {
        std::lock_guard<std::mutex> guard(kernelLock(kernel));
        const cl_mem mems[8] = {image, output, primitives, materials, modifiers, lights, camera, render};
        for (cl_uint i = 0; i < 8 && !err; ++i)
            checkCL("SmartRenderGPU", clSetKernelArg(kernel, i, sizeof(cl_mem), &mems[i]), &err);
        struct Arg {
            size_t size;
            const void* value;
        };
        const Arg scalars[8] = {{4, &v.inDstPitch},      {4, &v.in16f},         {4, &v.inWidth},
                                {4, &v.inHeight},        {1, &v.mUseEnvironment}, {4, &v.numPrimitives},
                                {4, &v.numLights},       {4, &v.inTime}};
        for (cl_uint i = 0; i < 8 && !err; ++i)
            checkCL("SmartRenderGPU", clSetKernelArg(kernel, 8 + i, scalars[i].size, scalars[i].value), &err);
        if (!err) {
            const size_t global[2] = {RoundUp(v.inWidth, 16), RoundUp(v.inHeight, 16)};
            const size_t local[2] = {16, 16};
            // Not waited for; the runtime keeps the released objects until the kernel is done.
            checkCL("SmartRenderGPU",
                    clEnqueueNDRangeKernel(queue, kernel, 2, nullptr, global, local, 0, nullptr, nullptr), &err);
        }
    }

    for (cl_mem m : {primitives, materials, modifiers, lights, render, camera})
        if (m) clReleaseMemObject(m);
    if (image) checkCL("SmartRenderGPU", clReleaseMemObject(image), &err);
    return err;
}
