// render_bench.cpp — times the real module through the stand-in host: the smart pre-render of a scene
// with the ten slots the panel fills in use, and whole frames (pre-render, GPU dispatch, read-back) of a
// production-like scene at 1920x1080. A plain timing binary, run by hand; it checks nothing.
//
//   morphalith_render_bench [--frames N] [--pre-frames N] [--size WxH] [--module PATH]
//
// The scenes are the project files in bench/scenes/, so a frame can also be looked at with
// `morphalith-host render bench/scenes/production.json -o production.png`.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/GpuDevice.h"
#include "host/Host.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace {

// Warm-up rounds before the timed ones: the first frames pay for kernel build caches and allocation.
constexpr int kPreRenderWarmup = 5;
constexpr int kFrameWarmup = 1;

struct Options {
    int frames = 3;       // whole frames timed
    int preFrames = 30;   // pre-renders timed (at least 20 for a steady median)
    int width = 0, height = 0;  // 0: the scene's composition size
    std::string modulePath = host::Host::defaultModulePath();
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

// Whole frames: pre-render, render command (records, enqueue), kernel, read-back.
bool benchFrames(const Options& opt, const std::string& scenePath) {
    Session session(opt.modulePath);
    std::string error;
    if (!session.open(scenePath, &error)) {
        std::fprintf(stderr, "morphalith_render_bench: %s\n", error.c_str());
        return false;
    }
    using Times = host::RenderJob::FrameTimes;
    std::vector<Times> times;
    int width = 0, height = 0;
    for (int i = 0; i < kFrameWarmup + opt.frames; ++i) {
        const A_long frame = i % session.frameCount_;
        host::FloatImage image;
        if (PF_Err err = session.job_->renderFrame(frame, &image, opt.width, opt.height)) {
            std::fprintf(stderr, "morphalith_render_bench: %s\n", session.failure("render", frame, err).c_str());
            return false;
        }
        width = image.width;
        height = image.height;
        const Times& t = session.job_->lastFrameTimes();
        std::fprintf(stderr, "  %s frame %d of %d: %.1f ms\n", i < kFrameWarmup ? "warm-up" : "timed",
                     i < kFrameWarmup ? i + 1 : i - kFrameWarmup + 1, i < kFrameWarmup ? kFrameWarmup : opt.frames,
                     t.total());
        if (i >= kFrameWarmup) times.push_back(t);
    }
    auto column = [&](const std::function<double(const Times&)>& pick) {
        std::vector<double> v;
        for (const Times& t : times) v.push_back(pick(t));
        return stats(v);
    };
    const Stats total = column([](const Times& t) { return t.total(); });
    const double mpixels = (double)width * height / 1e6;
    std::printf("Whole frame, production scene %dx%d (%s)\n", width, height, scenePath.c_str());
    std::printf("  %d frames after %d warm-up\n", opt.frames, kFrameWarmup);
    printRow("pre-render", column([](const Times& t) { return t.preRender; }));
    printRow("dispatch", column([](const Times& t) { return t.dispatch; }));
    printRow("kernel (queue finish)", column([](const Times& t) { return t.execute; }));
    printRow("read-back", column([](const Times& t) { return t.readBack; }));
    printRow("whole frame", total);
    std::printf("  %-22s median %11.3f Mpixel/s  (%.3f Mpixel per frame)\n", "throughput",
                total.median > 0 ? mpixels / (total.median / 1000.0) : 0.0, mpixels);
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
                     "  --frames N      whole frames of the production scene timed after one warm-up (3)\n"
                     "  --pre-frames N  pre-renders of the ten-slot scene timed after %d warm-up (30)\n"
                     "  --size WxH      output size of both scenes (their composition's, 1920x1080)\n"
                     "  --module PATH   the plug-in module (the one this build made)\n",
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
    if (!benchFrames(opt, scenes + "/production.json")) return 1;
    return 0;
}
