#include "host/RenderCommand.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string_view>

#include "host/CudaDevice.h"
#include "host/ImageFiles.h"
#include "host/OneLine.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace host {

namespace {

int fail(const std::string& text) {
    std::fprintf(stderr, "morphalith-host render: %s\n", text.c_str());
    return 1;
}

// "Render Mode" choices by their command-line names.
const std::map<std::string, int> kPasses = {{"beauty", 1}, {"normal", 2}, {"depth", 3}, {"ao", 4}};

// A whole number from the whole of text (digits only). False when it is no such number; true with
// `tooLarge` set when it is one above `most`.
bool wholeNumber(std::string_view text, long long most, int* value, bool* tooLarge) {
    *tooLarge = false;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range || (ec == std::errc() && v > most)) {
        *tooLarge = true;
        return true;
    }
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    *value = (int)v;
    return true;
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof(text), s < 10 ? "%.2f s" : "%.1f s", s);
    return text;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

bool parseFrames(const std::string& text, int* first, int* last, bool* range, std::string* error) {
    const size_t dash = text.find('-');
    const std::string_view all(text);
    bool ok, tooLarge = false, tooLargeToo = false;
    if (dash == std::string::npos) {
        ok = wholeNumber(all, kMaxFrameNumber, first, &tooLarge);
        *last = *first;
        *range = false;
    } else {
        ok = wholeNumber(all.substr(0, dash), kMaxFrameNumber, first, &tooLarge) &&
             wholeNumber(all.substr(dash + 1), kMaxFrameNumber, last, &tooLargeToo);
        tooLarge = tooLarge || tooLargeToo;
        ok = ok && (tooLarge || *first <= *last);
        *range = true;
    }
    if (ok && tooLarge) {
        *error = "frame numbers go from 0 to " + std::to_string(kMaxFrameNumber) + ", got \"" + text + "\"";
        return false;
    }
    if (!ok) *error = "wants a frame N or a range A-B (0-based, 0 <= A <= B), got \"" + text + "\"";
    return ok;
}

bool parseSize(const std::string& text, int* width, int* height, std::string* error) {
    const size_t x = text.find('x');
    const std::string_view all(text);
    bool wide = false, high = false;
    const bool ok = x != std::string::npos && wholeNumber(all.substr(0, x), kMaxFrameSide, width, &wide) &&
                    wholeNumber(all.substr(x + 1), kMaxFrameSide, height, &high);
    if (ok && !wide && !high && *width >= 1 && *height >= 1) return true;
    *error = ok ? "wants WxH in pixels, each from 1 to " + std::to_string(kMaxFrameSide) + ", got \"" + text + "\""
                : "wants WxH in pixels (e.g. 1280x720), got \"" + text + "\"";
    return false;
}

std::string describeError(PF_Err err) {
    static const std::map<PF_Err, const char*> kNames = {
        {PF_Err_NONE, "no error"},
        {A_Err_GENERIC, "failed"},
        {PF_Err_OUT_OF_MEMORY, "out of memory"},
        {A_Err_MISSING_SUITE, "a host suite is missing"},
        {PF_Err_INTERNAL_STRUCT_DAMAGED, "internal failure"},
        {PF_Err_INVALID_INDEX, "invalid index"},
        {PF_Err_UNRECOGNIZED_PARAM_TYPE, "unrecognized parameter type or pixel format"},
        {PF_Err_INVALID_CALLBACK, "invalid callback"},
        {PF_Err_BAD_CALLBACK_PARAM, "bad callback parameter or missing suite"},
        {PF_Interrupt_CANCEL, "cancelled"},
        {PF_Err_CANNOT_PARSE_KEYFRAME_TEXT, "cannot parse keyframe text"},
    };
    const auto it = kNames.find(err);
    return std::string(it == kNames.end() ? "unknown error" : it->second) + " (error " + std::to_string(err) + ")";
}

CLI::Option* valueNotOption(CLI::Option* option) {
    const std::string name = option->get_name();
    return option->each([name](const std::string& value) {
        if (value.size() > 1 && value[0] == '-' && !(value[1] >= '0' && value[1] <= '9'))
            throw CLI::ArgumentMismatch(name + ": 1 required value missing (\"" + value + "\" is an option)");
    });
}

namespace {

// An option whose text `read` turns into the options (throwing CLI::ValidationError when it cannot).
void addReadOption(CLI::App* app, const std::string& name, const std::string& typeName, const std::string& help,
                   std::function<void(const std::string&)> read) {
    valueNotOption(app->add_option_function<std::string>(name, std::move(read), help)->type_name(typeName));
}

}  // namespace

void addRenderOptions(CLI::App* render, RenderOptions* options) {
    render->add_option("SCENE", options->scenePath,
                       "a scene file (JSON, see the README); the built-in default scene when left out")
        ->type_name("");
    CLI::Option* out = render->add_option("-o", options->out,
                                          "the image to write: .png writes 8-bit RGBA, .exr 32-bit float RGBA; a "
                                          "run of '#' takes the frame number");
    out->type_name("OUT")->required();
    // "-o=out.png" as "--opt=value" is written: a file named "=out.png" is never what was meant.
    out->transform([](const std::string& value) -> std::string {
        return !value.empty() && value[0] == '=' ? value.substr(1) : value;
    });
    valueNotOption(out);
    out->each([](const std::string& value) {
        if (!isImageFileName(value))
            throw CLI::ValidationError("\"" + value + "\" is neither a .png nor an .exr file (.png writes 8-bit "
                                             "RGBA, .exr 32-bit float RGBA)");
    });

    addReadOption(render, "--frames", "N|A-B",
                  "render frame N, or frames A to B into numbered files (OUT with the number in place of a run of "
                  "'#', or _NNNN before the extension); frame 0 when left out",
                  [options](const std::string& text) {
                      std::string error;
                      if (!parseFrames(text, &options->first, &options->last, &options->range, &error))
                          throw CLI::ValidationError("--frames", error);
                  });
    addReadOption(render, "--pass", "beauty|normal|depth|ao",
                  "the render mode; the scene's \"Render Mode\" when left out", [options](const std::string& text) {
                      if (!kPasses.count(text))
                          throw CLI::ValidationError("--pass", "\"" + text + "\" is not one of beauty, normal, depth, ao");
                      options->pass = text;
                  });
    addReadOption(render, "--size", "WxH", "render at another output size; the composition keeps its own",
                  [options](const std::string& text) {
                      std::string error;
                      if (!parseSize(text, &options->width, &options->height, &error))
                          throw CLI::ValidationError("--size", error);
                  });
    addReadOption(render, "--framework", "opencl|metal|cuda",
                  "the GPU framework the effect renders through (default opencl)", [options](const std::string& text) {
                      if (!parseFramework(text, &options->framework))
                          throw CLI::ValidationError("--framework", "\"" + text + "\" is not one of opencl, metal, cuda");
                  });
}

std::string frameFileName(const std::string& out, int frame, bool numbered) {
    if (!numbered) return out;
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

int renderCommand(Host& host, const RenderOptions& options) {
    std::string error;
    if (!frameworkAvailable(options.framework, &error)) return fail(error);

    Scene scene;
    const bool ok = options.scenePath.empty() ? parseScene(defaultSceneText(), ".", &scene, &error)
                                              : loadSceneFile(options.scenePath, &scene, &error);
    if (!ok) return fail(error);

    // Past its end a composition still renders (layers hold their last keyframes), but a frame
    // there is seldom what was meant.
    const int frames = sceneFrameCount(scene);
    if (options.last >= frames) {
        const int from = std::max(options.first, frames);
        const std::string which = from == options.last
                                      ? "frame " + std::to_string(from) + " is"
                                      : "frames " + std::to_string(from) + "-" + std::to_string(options.last) + " are";
        std::fprintf(stderr, "morphalith-host render: warning: %s past the composition's end (its frames are 0-%d)\n",
                     which.c_str(), frames - 1);
    }

    EffectSetdown setdown(host);  // declared before the job: the device is set down first
    // Like a file that does not parse, a scene that does not apply is named.
    if (!applyScene(host, scene, &error))
        return fail(options.scenePath.empty() ? error : options.scenePath + ": " + error);
    if (!options.pass.empty()) host.project().streams[1129].value.one_d.value = kPasses.at(options.pass);  // "Render Mode"

    const bool numbered = options.range || options.out.find('#') != std::string::npos;
    const int width = options.width > 0 ? options.width : host.project().comp.width;
    const int height = options.height > 0 ? options.height : host.project().comp.height;
    int status = 0;
    RenderJob job(host, options.framework);
    // An oversized frame is refused before anything is made for it.
    if (!job.frameFits(width, height, &error)) return fail(error);
    if (PF_Err err = job.setupDevice()) {
        return fail(std::string(frameworkTitle(options.framework)) + " device set-up failed: " + describeError(err) +
                    (host.returnMessage().empty() ? "" : ": " + oneLine(host.returnMessage())));
    }
    const long long total = (long long)options.last - options.first + 1;
    const auto start = std::chrono::steady_clock::now();
    long long done = 0;
    // A wide counter: the last frame may be the largest int.
    for (long long frame = options.first; frame <= options.last && status == 0; ++frame) {
        const auto frameStart = std::chrono::steady_clock::now();
        FloatImage image;
        if (PF_Err err = job.renderFrame((A_long)frame, &image, options.width, options.height)) {
            status = fail("frame " + std::to_string(frame) + " failed: " + describeError(err) +
                          (host.returnMessage().empty() ? "" : ": " + oneLine(host.returnMessage())));
            break;
        }
        const std::string file = frameFileName(options.out, (int)frame, numbered);
        if (!writeImage(file, image, &error)) {
            status = fail(error);
            break;
        }
        done += 1;
        const double elapsed = secondsSince(start);
        if (options.range) {
            const double left = elapsed / done * (total - done);
            std::fprintf(stderr, "frame %lld (%lld of %lld) %s, %s elapsed, about %s left -> %s\n", frame, done, total,
                         seconds(secondsSince(frameStart)).c_str(), seconds(elapsed).c_str(), seconds(left).c_str(),
                         file.c_str());
        } else {
            std::fprintf(stderr, "wrote %s (%dx%d, %s)\n", file.c_str(), image.width, image.height,
                         seconds(elapsed).c_str());
        }
    }
    if (options.range && done > 0) {
        const double elapsed = secondsSince(start);
        const std::string count = done == total ? "rendered " + std::to_string(done) + " frames"
                                                : "stopped after " + std::to_string(done) + " of " +
                                                      std::to_string(total) + " frames";
        std::fprintf(stderr, "%s in %s (%s a frame): %s .. %s\n", count.c_str(), seconds(elapsed).c_str(),
                     seconds(elapsed / done).c_str(), frameFileName(options.out, options.first, true).c_str(),
                     frameFileName(options.out, (int)(options.first + done - 1), true).c_str());
    }
    return status;
}

}  // namespace host
