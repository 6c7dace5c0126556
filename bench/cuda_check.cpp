// cuda_check.cpp — the CUDA render path on a machine with a CUDA GPU: a scene rendered through the
// real module on CUDA (through the stand-in host, worlds in device memory) and through the plain C++
// form of the kernel on the same pre-render block, with frame times and the largest difference.
//
//   morphalith_cuda_check [SCENE] [--size WxH] [--frames N] [--tolerance T] [--out DIR] [--module PATH]
//                         [--image FATBIN] [--framework cuda|opencl]
//
// SCENE defaults to bench/scenes/production.json at 1920x1080. Printed:
//   - whole frame through the module (pre-render, render command, read-back), N frames after one warm-up;
//     the render command holds the record upload, the environment copy when its cache is renewed, the
//     kernel and the wait for it;
//   - the kernel alone: the module's own launcher on the same block, from the launch to the end of the
//     wait for it (host clock); --image times another fat binary (the reference renderer's) instead of
//     the one this build carries;
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

#include "host/CudaDevice.h"
#include "host/Host.h"
#include "host/ImageFiles.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "Morphalith_Kernel_Strings.h"
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
    std::string image;  // a fat binary to time the kernel of, instead of the one this build carries
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

// The driver's table, with the kernel timed on the host's clock from the launch to the end of the wait
// for it (a launch's own cost, some microseconds, included).
const CudaApi* g_driver = nullptr;
std::chrono::steady_clock::time_point g_launched;
double g_kernelMs = 0;
CUresult TimedLaunch(CUfunction f, unsigned gx, unsigned gy, unsigned gz, unsigned bx, unsigned by, unsigned bz,
                     unsigned shared, CUstream stream, void** params, void** extra) {
    g_launched = std::chrono::steady_clock::now();
    return g_driver->launchKernel(f, gx, gy, gz, bx, by, bz, shared, stream, params, extra);
}
CUresult TimedSynchronize() {
    const CUresult err = g_driver->ctxSynchronize();
    g_kernelMs = msSince(g_launched);
    return err;
}

// A fat binary file's bytes (the reference renderer's image, say).
bool readImage(const std::string& path, std::vector<unsigned char>* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) bytes->insert(bytes->end(), chunk, chunk + n);
    std::fclose(file);
    return !bytes->empty();
}

// The module's launcher on the block, `runs` times, in device 0's primary context; the kernel's
// milliseconds of each run. `image`: the fat binary to run (empty: the one this build carries).
bool timeKernel(PF_InData* in_data, PluginInputParams* block, int width, int height, const host::FloatImage* env,
                const std::vector<unsigned char>& image, int runs, std::vector<double>* ms, std::string* error) {
    std::unique_ptr<CudaDriver> driver = CudaDriver::load(CudaDriver::kLibrary, error);
    if (!driver) return false;
    const CudaApi& api = driver->api();
    g_driver = &api;
    auto check = [&](CUresult err, const char* what) {
        if (err == CUDA_SUCCESS) return true;
        *error = std::string(what) + ": " + driver->errorText(err);
        return false;
    };
    CUdevice device = 0;
    CUcontext context = nullptr;
    CUmodule module = nullptr;
    CUfunction kernel = nullptr;
    CUdeviceptr output = 0;
    CUarray array = nullptr;
    bool ok = check(api.deviceGet(&device, 0), "cuDeviceGet") &&
              check(api.primaryCtxRetain(&context, device), "cuDevicePrimaryCtxRetain");
    if (!ok) return false;
    ok = check(api.ctxPushCurrent(context), "cuCtxPushCurrent");
    if (!ok) {
        api.primaryCtxRelease(device);
        return false;
    }
    ok = check(api.moduleLoadData(&module, image.empty() ? kMorphalith_Kernel_CUDAImage : image.data()),
               "cuModuleLoadData") &&
         check(api.moduleGetFunction(&kernel, module, "MainKernel"), "cuModuleGetFunction") &&
         check(api.memAlloc(&output, (size_t)width * height * 16), "cuMemAlloc");
    PF_LayerDef outDef{}, envDef{};
    outDef.width = width;
    outDef.height = height;
    outDef.rowbytes = width * 16;
    if (ok && env) {
        envDef.width = env->width;
        envDef.height = env->height;
        envDef.rowbytes = env->width * 16;
        CUDA_ARRAY_DESCRIPTOR format{};
        format.Width = (size_t)env->width;
        format.Height = (size_t)env->height;
        format.Format = CU_AD_FORMAT_FLOAT;
        format.NumChannels = 4;
        CUDA_MEMCPY2D copy{};
        copy.srcMemoryType = CU_MEMORYTYPE_HOST;
        copy.srcHost = env->bgra.data();
        copy.srcPitch = (size_t)env->width * 16;
        copy.WidthInBytes = (size_t)env->width * 16;
        copy.Height = (size_t)env->height;
        copy.dstMemoryType = CU_MEMORYTYPE_ARRAY;
        ok = check(api.arrayCreate(&array, &format), "cuArrayCreate");
        copy.dstArray = array;
        ok = ok && check(api.memcpy2D(&copy), "cuMemcpy2D");
    }
    const MainKernelValues values =
        MakeKernelValues(in_data, PF_PixelFormat_GPU_BGRA128, env ? &envDef : nullptr, &outDef, block);
    CudaApi timed = api;
    timed.launchKernel = TimedLaunch;
    timed.ctxSynchronize = TimedSynchronize;
    for (int i = 0; ok && i < runs + 1; ++i) {  // the first run warms up
        const CudaLaunch launch{output, array, &values, block};
        ok = check(LaunchMainKernelCUDA(timed, kernel, launch), "launch");
        if (ok && i > 0) ms->push_back(g_kernelMs);
    }
    if (array) api.arrayDestroy(array);
    if (output) api.memFree(output);
    if (module) api.moduleUnload(module);
    CUcontext popped = nullptr;
    api.ctxPopCurrent(&popped);
    api.primaryCtxRelease(device);
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
        } else if (a == "--image" && hasValue) {
            opt->image = argv[++i];
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
                     "[--module PATH] [--image FATBIN] [--framework cuda|opencl]\n");
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
            std::vector<unsigned char> image;
            if (!opt.image.empty() && !readImage(opt.image, &image)) return fail("cannot read " + opt.image);
            if (!timeKernel(&host.inData(), block, opt.width, opt.height, env.width ? &env : nullptr, image,
                            opt.frames, &kernelMs, &error))
                return fail("kernel timing: " + error);
            printRow(opt.image.empty() ? "kernel" : "kernel of --image", stats(kernelMs));
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
