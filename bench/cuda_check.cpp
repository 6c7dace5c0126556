// cuda_check.cpp — the CUDA render path on a machine with a CUDA GPU: a scene rendered through the
// real module on CUDA (through the stand-in host, worlds in device memory) and through the plain C++
// form of the kernel on the same pre-render block, with frame times and the largest difference.
//
//   morphalith_cuda_check [SCENE] [--size WxH] [--frames N] [--tolerance T] [--out DIR] [--module PATH]
//                         [--framework cuda|opencl]
//
// SCENE defaults to bench/scenes/production.json at 1920x1080. Printed:
//   - whole frame through the module (pre-render, render command, read-back), N frames after one warm-up;
//     the render command holds the record upload, the environment copy when its cache is renewed, the
//     kernel and the wait for it;
//   - the kernel alone: the module's own launcher on the same block, the launch timed with CUDA events;
//   - the C++ form's time on all cores;
//   - the largest channel difference between the CUDA and the C++ frame, and the pixels over T.
// With --out, DIR receives cuda.png and cpp.png. Exit status: 0 when at most 0.2 % of the pixels differ
// by more than T (default 0.01), 1 when more do, 2 when something failed. --framework opencl checks the
// checker on a machine without a CUDA device: the same report through OpenCL, without the kernel line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <cuda_runtime_api.h>

#include "host/CudaDevice.h"
#include "host/Host.h"
#include "host/ImageFiles.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "render/GPURender.h"
#include "render/cuda/CudaRender.h"
#include "tests/render/cpp_frame.h"

namespace {

struct Options {
    std::string scene = MRPH_SOURCE_DIR "/bench/scenes/production.json";
    int width = 1920, height = 1080;
    int frames = 5;
    float tolerance = 1e-2f;
    std::string outDir;
    std::string modulePath = host::Host::defaultModulePath();
    bool cuda = true;
};

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Stats {
    double median = 0, min = 0, max = 0;
};
Stats stats(std::vector<double> ms) {
    Stats s;
    if (ms.empty()) return s;
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    s.median = n % 2 ? ms[n / 2] : 0.5 * (ms[n / 2 - 1] + ms[n / 2]);
    s.min = ms.front();
    s.max = ms.back();
    return s;
}
void printRow(const char* label, const Stats& s) {
    std::printf("  %-24s median %10.3f ms   min %10.3f   max %10.3f\n", label, s.median, s.min, s.max);
}

int fail(const std::string& text) {
    std::fprintf(stderr, "morphalith_cuda_check: %s\n", text.c_str());
    return 2;
}

// The runtime's table, with the launch timed by a pair of events on the default stream.
cudaEvent_t g_start = nullptr, g_stop = nullptr;
cudaError_t TimedLaunch(const void* function, dim3 grid, dim3 block, void** args, size_t sharedMem,
                        cudaStream_t stream) {
    cudaEventRecord(g_start, stream);
    const cudaError_t err = cudaRuntimeApi().launchKernel(function, grid, block, args, sharedMem, stream);
    cudaEventRecord(g_stop, stream);
    return err;
}

// The module's launcher on the block, `runs` times; the kernel's milliseconds of each run.
bool timeKernel(PF_InData* in_data, PluginInputParams* block, int width, int height, const host::FloatImage* env,
                int runs, std::vector<double>* ms, std::string* error) {
    void* output = nullptr;
    cudaArray_t array = nullptr;
    auto check = [error](cudaError_t err, const char* what) {
        if (err == cudaSuccess) return true;
        *error = std::string(what) + ": " + cudaGetErrorString(err);
        cudaGetLastError();
        return false;
    };
    bool ok = check(cudaSetDevice(0), "cudaSetDevice") && check(cudaEventCreate(&g_start), "cudaEventCreate") &&
              check(cudaEventCreate(&g_stop), "cudaEventCreate") &&
              check(cudaMalloc(&output, (size_t)width * height * 16), "cudaMalloc");
    PF_LayerDef outDef{}, envDef{};
    outDef.width = width;
    outDef.height = height;
    outDef.rowbytes = width * 16;
    if (ok && env) {
        envDef.width = env->width;
        envDef.height = env->height;
        envDef.rowbytes = env->width * 16;
        const cudaChannelFormatDesc format = cudaCreateChannelDesc(32, 32, 32, 32, cudaChannelFormatKindFloat);
        ok = check(cudaMallocArray(&array, &format, env->width, env->height, 0), "cudaMallocArray") &&
             check(cudaMemcpy2DToArray(array, 0, 0, env->bgra.data(), (size_t)env->width * 16,
                                       (size_t)env->width * 16, env->height, cudaMemcpyHostToDevice),
                   "cudaMemcpy2DToArray");
    }
    const MainKernelValues values =
        MakeKernelValues(in_data, PF_PixelFormat_GPU_BGRA128, env ? &envDef : nullptr, &outDef, block);
    CudaApi timed = cudaRuntimeApi();
    timed.launchKernel = TimedLaunch;
    for (int i = 0; ok && i < runs + 1; ++i) {  // the first run warms up
        const CudaLaunch launch{output, array, &values, block};
        ok = check(LaunchMainKernelCUDA(timed, launch), "launch");
        float elapsed = 0;
        if (ok) ok = check(cudaEventElapsedTime(&elapsed, g_start, g_stop), "cudaEventElapsedTime");
        if (ok && i > 0) ms->push_back(elapsed);
    }
    if (array) cudaFreeArray(array);
    if (output) cudaFree(output);
    if (g_start) cudaEventDestroy(g_start);
    if (g_stop) cudaEventDestroy(g_stop);
    return ok;
}

bool parseArgs(int argc, char** argv, Options* opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--size" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &opt->width, &opt->height) != 2 || opt->width < 1 || opt->height < 1)
                return false;
        } else if (a == "--frames" && hasValue) {
            opt->frames = std::atoi(argv[++i]);
            if (opt->frames < 1) return false;
        } else if (a == "--tolerance" && hasValue) {
            opt->tolerance = std::strtof(argv[++i], nullptr);
            if (!(opt->tolerance > 0)) return false;
        } else if (a == "--out" && hasValue) {
            opt->outDir = argv[++i];
        } else if (a == "--module" && hasValue) {
            opt->modulePath = argv[++i];
        } else if (a == "--framework" && hasValue) {
            const std::string f = argv[++i];
            if (f != "cuda" && f != "opencl") return false;
            opt->cuda = f == "cuda";
        } else if (a[0] != '-') {
            opt->scene = a;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseArgs(argc, argv, &opt)) {
        std::fprintf(stderr,
                     "usage: morphalith_cuda_check [SCENE] [--size WxH] [--frames N] [--tolerance T] [--out DIR] "
                     "[--module PATH] [--framework cuda|opencl]\n");
        return 2;
    }
    if (opt.cuda) {
        host::CudaDevice* cuda = host::CudaDevice::get();
        if (!cuda) return fail("no CUDA device: " + host::CudaDevice::error());
        std::printf("CUDA device 0: %s (%d device(s))\n", cuda->name(0).c_str(), cuda->count());
    }
    const char* framework = opt.cuda ? "CUDA" : "OpenCL";

    host::Host host(opt.modulePath);
    if (!host.load()) return fail(host.error());
    host.setCaptureOutput(true);  // the module's log lines stay off the report
    host::Scene scene;
    std::string error;
    if (!host::loadSceneFile(opt.scene, &scene, &error) || !host::applyScene(host, scene, &error)) return fail(error);

    int status = 0;
    {
        host::RenderJob job(host);
        if (PF_Err err = job.setupDevice(opt.cuda ? PF_GPU_Framework_CUDA : PF_GPU_Framework_OPENCL))
            return fail(std::string(framework) + " device set-up failed with " + std::to_string(err) + " " +
                        host.returnMessage());

        // Whole frames through the module.
        using Times = host::RenderJob::FrameTimes;
        std::vector<Times> times;
        host::FloatImage image, env;
        for (int i = 0; i < 1 + opt.frames; ++i) {
            if (PF_Err err = job.renderFrame(0, &image, opt.width, opt.height))
                return fail("frame failed with " + std::to_string(err) + " " + host.returnMessage());
            if (i > 0) times.push_back(job.lastFrameTimes());
        }
        if (host::DeviceWorld* envWorld = job.environmentWorld()) {
            env.width = envWorld->def()->width;
            env.height = envWorld->def()->height;
            if (!envWorld->download(&env.bgra)) return fail("the environment world could not be read back");
        }
        auto column = [&](double Times::*field) {
            std::vector<double> v;
            for (const Times& t : times) v.push_back(t.*field);
            return stats(v);
        };
        std::vector<double> totals;
        for (const Times& t : times) totals.push_back(t.total());
        std::printf("Scene %s at %dx%d%s\n", opt.scene.c_str(), opt.width, opt.height,
                    env.width ? ", with an environment map" : "");
        std::printf(" %s through the module, %d frames after one warm-up:\n", framework, opt.frames);
        printRow("pre-render", column(&Times::preRender));
        printRow("render command", column(&Times::dispatch));
        printRow("wait for the device", column(&Times::execute));
        printRow("read-back", column(&Times::readBack));
        printRow("whole frame", stats(totals));

        // The kernel alone, and the C++ form, on the block of the same frame.
        if (PF_Err err = job.preRender(0, opt.width, opt.height))
            return fail("pre-render failed with " + std::to_string(err));
        auto* block = static_cast<PluginInputParams*>(const_cast<void*>(job.preRenderData()));
        if (opt.cuda) {
            std::vector<double> kernelMs;
            if (!timeKernel(&host.inData(), block, opt.width, opt.height, env.width ? &env : nullptr, opt.frames,
                            &kernelMs, &error))
                return fail("kernel timing: " + error);
            printRow("kernel (CUDA events)", stats(kernelMs));
        }

        const auto start = std::chrono::steady_clock::now();
        const host::FloatImage cpp =
            mrph_test::RenderBlockCpp(&host.inData(), block, opt.width, opt.height, env.width ? &env : nullptr);
        std::printf(" C++ form of the kernel on this machine's cores: %.1f ms\n", msSince(start));

        const mrph_test::ImageDifference d = mrph_test::CompareImages(image, cpp, opt.tolerance);
        if (!d.sameSize) return fail("the two frames differ in size");
        const size_t allowed = d.pixels / 500;
        std::printf(" %s against the C++ form: largest channel difference %.6g; %zu of %zu pixels (%.4f %%) "
                    "differ by more than %g (allowed: %zu)\n",
                    framework, d.largest, d.pixelsOver, d.pixels, 100.0 * d.pixelsOver / d.pixels, opt.tolerance, allowed);
        status = d.pixelsOver <= allowed ? 0 : 1;
        std::printf(" %s\n", status == 0 ? "MATCH" : "MISMATCH");

        if (!opt.outDir.empty()) {
            if (!host::writeImage(opt.outDir + "/" + (opt.cuda ? "cuda.png" : "opencl.png"), image, &error) ||
                !host::writeImage(opt.outDir + "/cpp.png", cpp, &error))
                return fail(error);
        }
    }
    host.command(PF_Cmd_SEQUENCE_SETDOWN);
    host.command(PF_Cmd_GLOBAL_SETDOWN);
    return status;
}
