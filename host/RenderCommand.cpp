#include "host/RenderCommand.h"

#include <chrono>
#include <cstdio>
#include <map>

#include "host/CudaDevice.h"
#include "host/ImageFiles.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace host {

const char* const kRenderUsage =
    "  render [SCENE] -o OUT [--frames A-B] [--pass beauty|normal|depth|ao] [--size WxH]\n"
    "         [--framework opencl|cuda]\n"
    "           render SCENE (a JSON project file; the built-in default scene when left out)\n"
    "           through OpenCL (or CUDA) to OUT: .png writes 8-bit RGBA, .exr 32-bit float RGBA.\n"
    "           --frames A-B renders frames A to B (0-based, inclusive) to OUT with the frame\n"
    "           number put in place of a run of '#' or before the extension; --pass picks the\n"
    "           render mode; --size renders at another output size (the composition's by default)\n";

namespace {

int fail(const std::string& text) {
    std::fprintf(stderr, "morphalith-host render: %s\n", text.c_str());
    return 1;
}

}  // namespace

std::string frameFileName(const std::string& out, int frame, bool range) {
    if (!range) return out;
    const size_t hash = out.find('#');
    if (hash != std::string::npos) {
        size_t end = out.find_first_not_of('#', hash);
        if (end == std::string::npos) end = out.size();
        std::string number = std::to_string(frame);
        while (number.size() < end - hash) number = "0" + number;
        return out.substr(0, hash) + number + out.substr(end);
    }
    char number[16];
    std::snprintf(number, sizeof(number), "_%04d", frame);
    const size_t dot = out.find_last_of('.');
    const size_t slash = out.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return out + number;
    return out.substr(0, dot) + number + out.substr(dot);
}

int renderCommand(Host& host, const std::vector<std::string>& args) {
    std::string scenePath, out, pass, framework = "opencl";
    int first = 0, last = 0, width = 0, height = 0;
    bool range = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue) {
            out = args[++i];
        } else if (a == "--frames" && hasValue) {
            if (std::sscanf(args[++i].c_str(), "%d-%d", &first, &last) != 2 || first < 0 || last < first)
                return fail("--frames wants A-B with 0 <= A <= B, got \"" + args[i] + "\"");
            range = true;
        } else if (a == "--framework" && hasValue) {
            framework = args[++i];
        } else if (a == "--pass" && hasValue) {
            pass = args[++i];
        } else if (a == "--size" && hasValue) {
            if (std::sscanf(args[++i].c_str(), "%dx%d", &width, &height) != 2 || width < 1 || height < 1)
                return fail("--size wants WxH, got \"" + args[i] + "\"");
        } else if (a[0] != '-' && scenePath.empty()) {
            scenePath = a;
        } else {
            return fail("unknown argument \"" + a + "\"\nusage:\n" + kRenderUsage);
        }
    }
    if (out.empty()) return fail("no output file (-o OUT)\nusage:\n" + std::string(kRenderUsage));
    static const std::map<std::string, int> kPasses = {{"beauty", 1}, {"normal", 2}, {"depth", 3}, {"ao", 4}};
    if (!pass.empty() && !kPasses.count(pass)) return fail("--pass is one of beauty, normal, depth, ao");
    if (framework != "opencl" && framework != "cuda") return fail("--framework is one of opencl, cuda");
    // The CUDA runtime starts only here, when CUDA is asked for.
    if (framework == "cuda" && !CudaDevice::get()) return fail("no CUDA device: " + CudaDevice::error());

    Scene scene;
    std::string error;
    const bool ok = scenePath.empty() ? parseScene(defaultSceneText(), ".", &scene, &error)
                                      : loadSceneFile(scenePath, &scene, &error);
    if (!ok) return fail(error);
    if (!applyScene(host, scene, &error)) return fail(error);
    if (!pass.empty()) host.project().streams[1129].value.one_d.value = kPasses.at(pass);  // "Render Mode"

    int status = 0;
    {
        RenderJob job(host);
        if (PF_Err err = job.setupDevice(framework == "cuda" ? PF_GPU_Framework_CUDA : PF_GPU_Framework_OPENCL)) {
            status = fail("GPU device set-up failed with " + std::to_string(err) + " " + host.returnMessage());
        }
        const int total = last - first + 1;
        for (int frame = first; frame <= last && status == 0; ++frame) {
            const auto start = std::chrono::steady_clock::now();
            FloatImage image;
            if (PF_Err err = job.renderFrame(frame, &image, width, height)) {
                status = fail("frame " + std::to_string(frame) + " failed with " + std::to_string(err) + " " +
                              host.returnMessage());
                break;
            }
            const std::string file = frameFileName(out, frame, range);
            if (!writeImage(file, image, &error)) {
                status = fail(error);
                break;
            }
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (range)
                std::fprintf(stderr, "frame %d (%d of %d) %.1f s -> %s\n", frame, frame - first + 1, total, seconds,
                             file.c_str());
            else
                std::fprintf(stderr, "wrote %s (%dx%d, %.1f s)\n", file.c_str(), image.width, image.height, seconds);
        }
    }
    host.command(PF_Cmd_SEQUENCE_SETDOWN);
    host.command(PF_Cmd_GLOBAL_SETDOWN);
    return status;
}

}  // namespace host
