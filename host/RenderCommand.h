// RenderCommand.h — `morphalith-host render`: a scene file (or the built-in default scene) rendered
// to PNG or EXR, one frame or a range.
#ifndef MORPHALITH_HOST_RENDER_COMMAND_H
#define MORPHALITH_HOST_RENDER_COMMAND_H

#include <string>
#include <vector>

#include "host/GpuDevice.h"
#include "host/Host.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace host {

struct RenderOptions {
    std::string scenePath;  // empty: the built-in default scene
    std::string out;
    std::string pass;  // empty: the scene's "Render Mode"
    Framework framework = Framework::OpenCL;
    // --frames: first and last frame (0-based, inclusive); range when given as A-B.
    int first = 0, last = 0;
    bool range = false;
    int width = 0, height = 0;  // --size; 0: the composition's
};

// Marks an option's value as one that may not be another option: in `-o --frames 3` the -o has no
// value, and the parser reports that (as an ArgumentMismatch) instead of writing a file "--frames".
CLI::Option* valueNotOption(CLI::Option* option);

// Declares the render command's arguments on its command-line parser; values that do not parse are
// usage errors of the parser.
void addRenderOptions(CLI::App* render, RenderOptions* options);

// Sets down what the effect has set up (sequence data, then global data), on every way out of a
// command: a scene that fails to apply after the effect's global set-up, a frame that fails, an
// exception. What was set down already is left alone.
class EffectSetdown {
public:
    explicit EffectSetdown(Host& host) : host_(host) {}
    ~EffectSetdown() {
        if (host_.inData().sequence_data) host_.command(PF_Cmd_SEQUENCE_SETDOWN);
        if (host_.inData().global_data) host_.command(PF_Cmd_GLOBAL_SETDOWN);
    }
    EffectSetdown(const EffectSetdown&) = delete;
    EffectSetdown& operator=(const EffectSetdown&) = delete;

private:
    Host& host_;
};

// Renders as the options say. Returns the process exit status: 0, 1 when the scene, the module or a
// frame fails, 2 for a usage error the parser cannot see (no output file).
int renderCommand(Host& host, const RenderOptions& options);

// The largest frame number --frames takes (a composition of the longest duration a scene file may
// give, 3 hours at 1000 frames a second, has fewer frames).
constexpr int kMaxFrameNumber = 9999999;
// The largest --size a side, as for a scene file's composition.
constexpr int kMaxFrameSide = 30000;

// --frames text: "N" or "A-B", whole numbers with 0 <= A <= B <= kMaxFrameNumber. False with a reason
// otherwise.
bool parseFrames(const std::string& text, int* first, int* last, bool* range, std::string* error);
// --size text: "WxH", whole numbers from 1 to kMaxFrameSide.
bool parseSize(const std::string& text, int* width, int* height, std::string* error);

// What a host error code means, for messages: "out of memory (error 4)".
std::string describeError(PF_Err err);

// The file of frame `frame`: when numbered, a run of "#" in OUT becomes the zero-padded number, or
// "_NNNN" goes before the extension when OUT has no "#". Otherwise OUT itself.
std::string frameFileName(const std::string& out, int frame, bool numbered);

}  // namespace host

#endif  // MORPHALITH_HOST_RENDER_COMMAND_H
