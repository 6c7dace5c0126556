// SceneChecks.h — what a scene file's text and numbers must be before the host builds anything from
// them. A scene file is untrusted: its nesting is bounded before anything recurses over it, every
// number must fit a double, whole numbers are compared as they are written (4294967297 is not 1), and
// a value meant for a parameter stays within the limits the panel gives that parameter.
#ifndef MORPHALITH_HOST_SCENE_CHECKS_H
#define MORPHALITH_HOST_SCENE_CHECKS_H

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "PF_Param.h"

namespace host {

// The deepest values nest in a scene file. The format itself needs 6 levels (a keyframed null
// position: nulls, the null, position, keyframes, a key, its vector).
constexpr int kMaxSceneNesting = 64;
// The largest scene file read (a scene of a thousand keyframed layers is well under a megabyte).
constexpr uint64_t kMaxSceneFileBytes = 64ULL << 20;
// The angles a parameter holds: degrees in 16.16 fixed point.
constexpr double kMinAngleDegrees = -32768.0, kMaxAngleDegrees = 32767.0;

// Reads the text as JSON without building anything from it. False with one line naming the key when
// a value nests more than kMaxSceneNesting levels or a number is too large for a double
// ("\"lights[0].intensity\": 1e400 is too large for a number"), or "not JSON: ..." for broken text.
bool scanSceneText(const std::string& text, std::string* error);

// The text with its control characters written as escapes ("\n"): an error line quotes keys and names
// from the file, and stays one line whatever they hold.
std::string onOneLine(const std::string& text);

// Whether v is a whole number in lo .. hi, compared as written.
bool wholeNumberIn(const nlohmann::json& v, int64_t lo, int64_t hi);

// Whether a slider takes `value`, as the panel limits it: within the slider's valid range, in the
// single precision its limits are kept in.
bool sliderTakes(const PF_FloatSliderDef& slider, double value);

// "0 .. 1024", "0.01 .. 100": a slider's valid range as the panel lists it.
std::string sliderRange(const PF_FloatSliderDef& slider);

}  // namespace host

#endif  // MORPHALITH_HOST_SCENE_CHECKS_H
