// render_bench.cpp — times the real module through the stand-in host: the smart pre-render of a scene
// with the ten slots the panel fills in use, and whole frames (pre-render, GPU dispatch, kernel, read-back) of a
// production-like scene at 1920x1080 and 640x360, drawn by both renderers in one run: the module
// (bounded renderer) and the reference module (the reference renderer, same plug-in code), taking
// turns frame by frame. For each it prints kernel and frame times, the pixel rate and the scene-
// distance queries per pixel (counted in the C++ form of the kernel on the frame's own records), then
// the ratios between the two and the largest difference between their pixels. A plain timing binary,
// run by hand; it checks nothing.
//
//   morphalith_render_bench [--frames N] [--pre-frames N] [--size WxH] [--module PATH]
//                           [--reference-module PATH] [--sample N]
//
// The scenes are the project files in bench/scenes/, so a frame can also be looked at with
// `morphalith-host render bench/scenes/production.json -o production.png`.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Morphalith_Kernel.h"
#include "PluginInputParams.h"
#include "host/GpuDevice.h"
#include "host/Host.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace {

// Warm-up rounds before the timed ones: the first frames pay for kernel build caches and allocation.
constexpr int kPreRenderWarmup = 5;

struct Options {
    int frames = 2;       // whole frames timed per renderer and size
    int preFrames = 30;   // pre-renders timed (at least 20 for a steady median)
    int width = 0, height = 0;  // 0: 1920x1080 and 640x360 (the pre-render: the scene's own size)
    int sample = 4;       // queries are counted on every sample-th pixel of every sample-th row
    std::string modulePath = host::Host::defaultModulePath();
    std::string referencePath = MRPH_REFERENCE_MODULE;
};

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

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void printRow(const char* label, const Stats& s) {
    std::printf("  %-22s median %11.3f ms   min %11.3f   max %11.3f\n", label, s.median, s.min, s.max);
}

// One scene loaded into its own host, with the OpenCL device set up; torn down as a host closes a
// project. Sessions run one after another (the host is the process's current one while it lives).
class Session {
public:
    explicit Session(const std::string& modulePath) : host_(modulePath) {}
    ~Session() {
        job_.reset();
        if (host_.module().effectMain()) {
            host_.command(PF_Cmd_SEQUENCE_SETDOWN);
            host_.command(PF_Cmd_GLOBAL_SETDOWN);
        }
    }

    bool open(const std::string& scenePath, std::string* error) {
        if (!host_.load()) {
            *error = host_.error();
            return false;
        }
        host::Scene scene;
        if (!host::loadSceneFile(scenePath, &scene, error) || !host::applyScene(host_, scene, error)) return false;
        frameCount_ = host::sceneFrameCount(scene);
        job_ = std::make_unique<host::RenderJob>(host_);
        if (PF_Err err = job_->setupDevice()) {
            *error = "GPU device set-up failed with " + std::to_string(err) + " " + host_.returnMessage();
            return false;
        }
        return true;
    }
    std::string failure(const char* what, A_long frame, PF_Err err) const {
        return std::string(what) + " of frame " + std::to_string(frame) + " failed with " + std::to_string(err) +
               " " + host_.returnMessage();
    }

    host::Host host_;
    std::unique_ptr<host::RenderJob> job_;
    int frameCount_ = 1;
};

// Pre-render alone, the block disposed after each as the host does once the frame is rendered.
bool benchPreRender(const Options& opt, const std::string& scenePath) {
    Session session(opt.modulePath);
    std::string error;
    if (!session.open(scenePath, &error)) {
        std::fprintf(stderr, "morphalith_render_bench: %s\n", error.c_str());
        return false;
    }
    std::vector<double> pre, dispose, both;
    for (int i = 0; i < kPreRenderWarmup + opt.preFrames; ++i) {
        const A_long frame = i % session.frameCount_;  // keyframed nulls move: no two neighbours alike
        const auto start = std::chrono::steady_clock::now();
        if (PF_Err err = session.job_->preRender(frame, opt.width, opt.height)) {
            std::fprintf(stderr, "morphalith_render_bench: %s\n", session.failure("pre-render", frame, err).c_str());
            return false;
        }
        const double preMs = msSince(start);
        const auto disposeStart = std::chrono::steady_clock::now();
        session.job_->disposePreRender();
        const double disposeMs = msSince(disposeStart);
        if (i < kPreRenderWarmup) continue;
        pre.push_back(preMs);
        dispose.push_back(disposeMs);
        both.push_back(preMs + disposeMs);
    }
    std::printf("PreRender, ten slots (%s)\n", scenePath.c_str());
    std::printf("  %d frames after %d warm-up, PF_Cmd_SMART_PRE_RENDER through the host\n", opt.preFrames,
                kPreRenderWarmup);
    printRow("pre-render", stats(pre));
    printRow("dispose", stats(dispose));
    printRow("pre-render + dispose", stats(both));
    return true;
}

// ---- Whole frames, both renderers ------------------------------------------------------------------

// The records the module's pre-render made for one frame, as the kernel receives them.
struct FrameRecords {
    std::vector<PrimitiveData> primitives;
    std::vector<MaterialData> materials;
    std::vector<ModifiersData> modifiers;
    std::vector<LightData> lights;
    CamData camera{};
    RenderData render{};
};

// Copies the pre-render block (the module's own layout, PluginInputParams) and fills in what dispatch
// adds: the input-to-output size factors.
FrameRecords copyRecords(const void* block, int compWidth, int compHeight, int width, int height) {
    const PluginInputParams* in = static_cast<const PluginInputParams*>(block);
    FrameRecords r;
    r.primitives.assign(in->primitives, in->primitives + in->numPrimitives);
    r.materials.assign(in->materials, in->materials + in->numPrimitives);
    r.modifiers.assign(in->modifiers, in->modifiers + in->numPrimitives);
    r.lights.assign(in->lights, in->lights + in->numLights);
    r.camera = in->camera;
    r.render = in->global;
    r.render.widthFactor = (float)compWidth / (float)width;
    r.render.heightFactor = (float)compHeight / (float)height;
    return r;
}

// Scene-distance queries per pixel of the C++ form's entry on every sample-th pixel of every
// sample-th row (the environment left out: it changes no query), on up to four threads.
using CppEntry = void (*)(const mrph_kernel::KernelImage*, mrph_kernel::float4*, const PrimitiveData*,
                          const MaterialData*, const ModifiersData*, const LightData*, const CamData*,
                          const RenderData*, int, int, unsigned, unsigned, char, int, int, float, unsigned, unsigned);

double queriesPerPixel(CppEntry entry, const FrameRecords& r, int width, int height, int sample) {
    const int columns = (width + sample - 1) / sample, rows = (height + sample - 1) / sample;
    std::atomic<unsigned long long> total{0};
    const unsigned threads = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            mrph_kernel::sceneDistanceQueries = 0;
            std::vector<mrph_kernel::float4> row((size_t)width);  // pitch 0: every row lands here
            for (int j = (int)t; j < rows; j += (int)threads)
                for (int i = 0; i < columns; ++i)
                    entry(nullptr, row.data(), r.primitives.data(), r.materials.data(), r.modifiers.data(),
                          r.lights.data(), &r.camera, &r.render, 0, 0, (unsigned)width, (unsigned)height, 0,
                          (int)r.primitives.size(), (int)r.lights.size(), 0.0f, (unsigned)(i * sample),
                          (unsigned)(j * sample));
            total += mrph_kernel::sceneDistanceQueries;
        });
    }
    for (std::thread& t : pool) t.join();
    return (double)total / ((double)columns * rows);
}

// One timed frame of one module, in a session of its own: opened, a small warm-up frame (the device
// compiles the kernel on its first launch), the timed frame, closed. Optionally the frame's records.
bool timeFrame(const std::string& modulePath, const std::string& scenePath, int index, int width, int height,
               double* kernelMs, double* frameMs, host::FloatImage* image, FrameRecords* records) {
    Session session(modulePath);
    std::string error;
    if (!session.open(scenePath, &error)) {
        std::fprintf(stderr, "morphalith_render_bench: %s: %s\n", modulePath.c_str(), error.c_str());
        return false;
    }
    if (PF_Err err = session.job_->renderFrame(0, image, 32, 32)) {
        std::fprintf(stderr, "morphalith_render_bench: %s\n", session.failure("warm-up render", 0, err).c_str());
        return false;
    }
    const A_long frame = index % session.frameCount_;
    if (PF_Err err = session.job_->renderFrame(frame, image, width, height)) {
        std::fprintf(stderr, "morphalith_render_bench: %s\n", session.failure("render", frame, err).c_str());
        return false;
    }
    const host::RenderJob::FrameTimes& t = session.job_->lastFrameTimes();
    *kernelMs = t.execute;
    *frameMs = t.total();
    if (records) {
        if (PF_Err err = session.job_->preRender(frame, width, height)) {
            std::fprintf(stderr, "morphalith_render_bench: %s\n", session.failure("pre-render", frame, err).c_str());
            return false;
        }
        const host::Project& project = session.host_.project();
        *records = copyRecords(session.job_->preRenderData(), project.comp.width, project.comp.height, width, height);
        session.job_->disposePreRender();
    }
    return true;
}

// Largest difference of any channel of any pixel.
double largestDifference(const host::FloatImage& a, const host::FloatImage& b) {
    if (a.bgra.size() != b.bgra.size()) return INFINITY;
    double d = 0.0;
    for (size_t i = 0; i < a.bgra.size(); ++i) d = std::max(d, (double)std::fabs(a.bgra[i] - b.bgra[i]));
    return d;
}

// The two renderers take turns, frame by frame (bounded, reference, bounded, ...), so that a change of
// the machine's load between them falls on both; the ratios are the medians of the per-pair ratios.
bool benchFrames(const Options& opt, const std::string& scenePath, int width, int height) {
    std::printf("Whole frames, production scene %dx%d (%s), %d timed frames per renderer, in turns\n", width, height,
                scenePath.c_str(), opt.frames);
    std::fflush(stdout);
    std::vector<double> kernel[2], frame[2], kernelRatio, frameRatio;
    host::FloatImage image[2];
    FrameRecords records;
    double largest = 0.0;
    for (int i = 0; i < opt.frames; ++i) {
        for (int path = 0; path < 2; ++path) {
            double k = 0, f = 0;
            if (!timeFrame(path == 0 ? opt.modulePath : opt.referencePath, scenePath, i, width, height, &k, &f,
                           &image[path], i == 0 && path == 0 ? &records : nullptr))
                return false;
            std::fprintf(stderr, "  %s frame %d of %d: %.1f ms\n", path == 0 ? "bounded" : "reference", i + 1,
                         opt.frames, f);
            kernel[path].push_back(k);
            frame[path].push_back(f);
        }
        kernelRatio.push_back(kernel[1].back() / kernel[0].back());
        frameRatio.push_back(frame[1].back() / frame[0].back());
        largest = std::max(largest, largestDifference(image[0], image[1]));
    }
    const double queries[2] = {queriesPerPixel(mrph_kernel::MainKernel, records, width, height, opt.sample),
                               queriesPerPixel(mrph_kernel::ReferenceMainKernel, records, width, height, opt.sample)};
    const double mpixels = (double)width * height / 1e6;

    std::printf("  %-10s %14s %14s %12s %16s\n", "renderer", "kernel ms", "frame ms", "Mpixel/s", "queries/pixel");
    for (int path = 0; path < 2; ++path) {
        const double frameMs = stats(frame[path]).median;
        std::printf("  %-10s %14.1f %14.1f %12.4f %16.1f\n", path == 0 ? "bounded" : "reference",
                    stats(kernel[path]).median, frameMs, mpixels / (frameMs / 1000.0), queries[path]);
    }
    const Stats fr = stats(frameRatio);
    std::printf("  %-10s %13.2fx %13.2fx %11.2fx %15.2fx\n", "ratio", stats(kernelRatio).median, fr.median, fr.median,
                queries[1] / queries[0]);
    std::printf("  frame-time ratio of the pairs: min %.2fx, max %.2fx\n", fr.min, fr.max);
    std::printf("  medians; frame = pre-render + dispatch + kernel + read-back; ratios = reference / bounded, per\n"
                "  pair; queries counted in the C++ form on every %dth pixel of every %dth row\n",
                opt.sample, opt.sample);
    std::printf("  largest pixel difference  %.6f  (%.3f / 255)\n", largest, largest * 255.0);
    return true;
}

bool parseArgs(int argc, char** argv, Options* opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--frames" && hasValue) {
            opt->frames = std::atoi(argv[++i]);
            if (opt->frames < 1) return false;
        } else if (a == "--pre-frames" && hasValue) {
            opt->preFrames = std::atoi(argv[++i]);
            if (opt->preFrames < 1) return false;
        } else if (a == "--size" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &opt->width, &opt->height) != 2 || opt->width < 1 || opt->height < 1)
                return false;
        } else if (a == "--module" && hasValue) {
            opt->modulePath = argv[++i];
        } else if (a == "--reference-module" && hasValue) {
            opt->referencePath = argv[++i];
        } else if (a == "--sample" && hasValue) {
            opt->sample = std::atoi(argv[++i]);
            if (opt->sample < 1) return false;
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
                     "usage: %s [--frames N] [--pre-frames N] [--size WxH] [--module PATH]\n"
                     "          [--reference-module PATH] [--sample N]\n"
                     "  --frames N      whole frames of the production scene timed per renderer and size (2)\n"
                     "  --pre-frames N  pre-renders of the ten-slot scene timed after %d warm-up (30)\n"
                     "  --size WxH      one output size for both scenes (1920x1080 and 640x360 for the\n"
                     "                  production scene, the composition's own for the pre-render)\n"
                     "  --module PATH   the plug-in module (the one this build made)\n"
                     "  --reference-module PATH  the module with the reference renderer (this build's)\n"
                     "  --sample N      count queries on every Nth pixel of every Nth row (4)\n",
                     argv[0], kPreRenderWarmup);
        return 2;
    }
    const std::string scenes = MRPH_BENCH_SCENE_DIR;
    const host::OpenCLDevice* device = host::OpenCLDevice::get();
    std::printf("Morphalith render benchmark\n  module  %s\n  device  %s\n\n", opt.modulePath.c_str(),
                device ? device->name().c_str() : host::OpenCLDevice::error().c_str());
    std::fflush(stdout);
    if (!benchPreRender(opt, scenes + "/ten_slots.json")) return 1;
    std::printf("\n");
    std::fflush(stdout);
    const std::string production = scenes + "/production.json";
    if (opt.width > 0) return benchFrames(opt, production, opt.width, opt.height) ? 0 : 1;
    if (!benchFrames(opt, production, 1920, 1080)) return 1;
    std::printf("\n");
    std::fflush(stdout);
    return benchFrames(opt, production, 640, 360) ? 0 : 1;
}
