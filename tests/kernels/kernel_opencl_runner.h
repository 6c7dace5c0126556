// kernel_opencl_runner.h — the embedded OpenCL kernel on the machine's own OpenCL (PoCL here).
//
// Builds kMorphalith_Kernel_OpenCLString exactly as device set-up does (the 16F prefix first, the
// two build options) and binds the 16 arguments in the order dispatch uses. Its own context and
// queue, with profiling on, so the benchmark can read kernel times from events.
#ifndef MORPHALITH_TESTS_KERNEL_OPENCL_RUNNER_H
#define MORPHALITH_TESTS_KERNEL_OPENCL_RUNNER_H

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include <string>
#include <vector>

#include "Morphalith_Kernel_Strings.h"
#include "kernels/kernel_scene.h"

namespace mrph_test {

inline const char* kOpenCLPrefix16F = "#define GF_OPENCL_SUPPORTS_16F 0\n";
inline const char* kOpenCLBuildOptions = "-cl-single-precision-constant -cl-fast-relaxed-math";

class OpenCLRunner {
public:
    OpenCLRunner() {
        cl_uint count = 0;
        cl_int err = CL_SUCCESS;
        if (clGetPlatformIDs(1, &platform_, &count) != CL_SUCCESS || count == 0) {
            Fail("no OpenCL platform");
        } else if (clGetDeviceIDs(platform_, CL_DEVICE_TYPE_ALL, 1, &device_, &count) != CL_SUCCESS || count == 0) {
            Fail("no OpenCL device");
        } else if (context_ = clCreateContext(nullptr, 1, &device_, nullptr, nullptr, &err); err != CL_SUCCESS) {
            Fail("clCreateContext", err);
        } else if (queue_ = clCreateCommandQueue(context_, device_, CL_QUEUE_PROFILING_ENABLE, &err);
                   err != CL_SUCCESS) {
            Fail("clCreateCommandQueue", err);
        }
    }
    ~OpenCLRunner() {
        if (kernel_) clReleaseKernel(kernel_);
        if (program_) clReleaseProgram(program_);
        if (queue_) clReleaseCommandQueue(queue_);
        if (context_) clReleaseContext(context_);
    }
    OpenCLRunner(const OpenCLRunner&) = delete;
    OpenCLRunner& operator=(const OpenCLRunner&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& buildLog() const { return buildLog_; }
    cl_kernel kernel() const { return kernel_; }
    cl_device_id device() const { return device_; }

    // Builds the embedded text behind `prefix` with `options`; true on success.
    bool Build(const char* prefix = kOpenCLPrefix16F, const char* options = kOpenCLBuildOptions) {
        if (!ok()) return false;
        const char* sources[2] = {prefix, kMorphalith_Kernel_OpenCLString};
        cl_int err = CL_SUCCESS;
        program_ = clCreateProgramWithSource(context_, 2, sources, nullptr, &err);
        if (err != CL_SUCCESS) return Fail("clCreateProgramWithSource", err), false;
        const cl_int buildErr = clBuildProgram(program_, 1, &device_, options, nullptr, nullptr);
        size_t logSize = 0;
        clGetProgramBuildInfo(program_, device_, CL_PROGRAM_BUILD_LOG, 0, nullptr, &logSize);
        if (logSize > 1) {
            buildLog_.resize(logSize);
            clGetProgramBuildInfo(program_, device_, CL_PROGRAM_BUILD_LOG, logSize, buildLog_.data(), nullptr);
            buildLog_.resize(logSize - 1);
        }
        if (buildErr != CL_SUCCESS) return Fail("clBuildProgram", buildErr), false;
        kernel_ = clCreateKernel(program_, "MainKernel", &err);
        if (err != CL_SUCCESS) return Fail("clCreateKernel", err), false;
        return true;
    }

    // Renders the scene into a width x height output (rows of width pixels) with the launch grid
    // rounded up to 16 x 16 work groups. kernelMs receives the kernel's time from its profiling event.
    bool Render(const KernelScene& scene, unsigned width, unsigned height, Image* out, double* kernelMs = nullptr) {
        if (!kernel_) return Fail("no kernel"), false;
        out->width = width;
        out->height = height;
        out->pitch = (int)width;
        out->pixels.assign((size_t)width * height, Fill(-7.0f));

        cl_int err = CL_SUCCESS;
        const cl_image_format format = {CL_RGBA, CL_FLOAT};
        static const float kZeroPixel[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        const bool hasEnv = !scene.environment.empty();
        cl_image_desc desc{};
        desc.image_type = CL_MEM_OBJECT_IMAGE2D;
        desc.image_width = hasEnv ? (size_t)scene.environmentWidth : 1;
        desc.image_height = hasEnv ? (size_t)scene.environmentHeight : 1;
        // PoCL lacks images over buffers, so the texels come from host memory (copied).
        cl_mem env = clCreateImage(context_, CL_MEM_READ_ONLY | CL_MEM_COPY_HOST_PTR, &format, &desc,
                                   hasEnv ? (void*)scene.environment.data() : (void*)kZeroPixel, &err);
        if (err != CL_SUCCESS) return Fail("clCreateImage", err), false;

        std::vector<cl_mem> buffers;
        auto buffer = [&](const void* data, size_t bytes, cl_mem_flags flags) {
            cl_mem b = clCreateBuffer(context_, flags, bytes, const_cast<void*>(data), &err);
            buffers.push_back(b);
            return b;
        };
        // Empty arrays still get one all-zero record, as dispatch does.
        const std::vector<PrimitiveData> zeroPrim(1);
        const std::vector<MaterialData> zeroMat(1);
        const std::vector<ModifiersData> zeroMod(1);
        const std::vector<LightData> zeroLight(1);
        const auto& prims = scene.primitives.empty() ? zeroPrim : scene.primitives;
        const auto& mats = scene.primitives.empty() ? zeroMat : scene.materials;
        const auto& mods = scene.primitives.empty() ? zeroMod : scene.modifiers;
        const auto& lights = scene.lights.empty() ? zeroLight : scene.lights;
        const cl_mem_flags ro = CL_MEM_READ_ONLY | CL_MEM_COPY_HOST_PTR;
        cl_mem dst = buffer(out->pixels.data(), out->pixels.size() * sizeof(float4),
                            CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR);
        cl_mem bPrims = buffer(prims.data(), prims.size() * sizeof(PrimitiveData), ro);
        cl_mem bMats = buffer(mats.data(), mats.size() * sizeof(MaterialData), ro);
        cl_mem bMods = buffer(mods.data(), mods.size() * sizeof(ModifiersData), ro);
        cl_mem bLights = buffer(lights.data(), lights.size() * sizeof(LightData), ro);
        cl_mem bRender = buffer(&scene.render, sizeof(RenderData), ro);
        cl_mem bCamera = buffer(&scene.camera, sizeof(CamData), ro);

        const cl_int pitch = (cl_int)width;
        const cl_int in16f = 0;
        const cl_uint w = width;
        const cl_uint h = height;
        const cl_char useEnv = hasEnv ? 1 : 0;
        const cl_int numPrims = (cl_int)scene.primitives.size();
        const cl_int numLights = (cl_int)scene.lights.size();
        const cl_float time = 0.0f;
        const cl_mem mems[8] = {env, dst, bPrims, bMats, bMods, bLights, bCamera, bRender};
        for (cl_uint i = 0; i < 8 && err == CL_SUCCESS; ++i) err = clSetKernelArg(kernel_, i, sizeof(cl_mem), &mems[i]);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 8, sizeof(pitch), &pitch);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 9, sizeof(in16f), &in16f);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 10, sizeof(w), &w);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 11, sizeof(h), &h);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 12, sizeof(useEnv), &useEnv);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 13, sizeof(numPrims), &numPrims);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 14, sizeof(numLights), &numLights);
        if (err == CL_SUCCESS) err = clSetKernelArg(kernel_, 15, sizeof(time), &time);

        cl_event done = nullptr;
        if (err == CL_SUCCESS) {
            const size_t global[2] = {(width + 15) / 16 * 16, (height + 15) / 16 * 16};
            const size_t local[2] = {16, 16};
            err = clEnqueueNDRangeKernel(queue_, kernel_, 2, nullptr, global, local, 0, nullptr, &done);
        }
        if (err == CL_SUCCESS) {
            err = clEnqueueReadBuffer(queue_, dst, CL_TRUE, 0, out->pixels.size() * sizeof(float4),
                                      out->pixels.data(), 0, nullptr, nullptr);
        }
        if (err == CL_SUCCESS && kernelMs != nullptr) {
            cl_ulong start = 0, end = 0;
            clGetEventProfilingInfo(done, CL_PROFILING_COMMAND_START, sizeof(start), &start, nullptr);
            clGetEventProfilingInfo(done, CL_PROFILING_COMMAND_END, sizeof(end), &end, nullptr);
            *kernelMs = (double)(end - start) * 1e-6;
        }
        if (done) clReleaseEvent(done);
        for (cl_mem b : buffers)
            if (b) clReleaseMemObject(b);
        clReleaseMemObject(env);
        if (err != CL_SUCCESS) return Fail("render", err), false;
        return true;
    }

private:
    void Fail(const char* what, cl_int err = CL_SUCCESS) {
        if (!error_.empty()) return;
        error_ = what;
        if (err != CL_SUCCESS) error_ += " failed: " + std::to_string(err);
    }

    cl_platform_id platform_ = nullptr;
    cl_device_id device_ = nullptr;
    cl_context context_ = nullptr;
    cl_command_queue queue_ = nullptr;
    cl_program program_ = nullptr;
    cl_kernel kernel_ = nullptr;
    std::string error_;
    std::string buildLog_;
};

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_KERNEL_OPENCL_RUNNER_H
