// Scene files: any bytes, as a damaged or hostile scene file holds them. Parsing gives a scene or
// refuses the bytes with one line; applying a scene (layers, the effect's set-up, every action on
// the panel) succeeds or stops with one line; either way, once the effect is set down, everything the
// module took from the host has been given back: handles and their locks, suites, effect, stream and
// value references, parameter check-outs and undo groups (each command's own are checked as it
// returns, FuzzHost.h).
#include <cstdint>
#include <string>

#include "host/ParamCheckout.h"
#include "host/RenderCommand.h"
#include "host/SceneFile.h"
#include "tests/fuzz/FuzzHost.h"

namespace {

host::Host* g_host = nullptr;
size_t g_handles = 0;

// An error is a reason, on one line.
void requireOneLine(const std::string& error, const char* what) {
    fuzz::require(!error.empty(), std::string(what) + " without a reason");
    fuzz::require(error.find_first_of("\r\n") == std::string::npos,
                  std::string(what) + " on several lines: " + error);
}

// An environment colour within the file limits may still be an image of 2 GB: too much for the
// fuzzer's memory limit on every input, so such scenes are only parsed (the limits themselves are
// checked in the parse, and the allocation by the damaged-scene test).
bool environmentFitsTheFuzzer(const host::Scene& scene) {
    const nlohmann::json& e = scene.doc.value("environment", nlohmann::json::object());
    if (e.contains("image")) return true;
    return (int64_t)e.value("width", 64) * e.value("height", 32) <= 1 << 20;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    g_host = fuzz::loadedHost();
    g_handles = g_host->handles().live();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    host::Scene scene;
    std::string error;
    // Image paths resolve beside the examples, whose seeds name sky.png.
    if (!host::parseScene(std::string(reinterpret_cast<const char*>(data), size), MRPH_FUZZ_EXAMPLES_DIR,
                          &scene, &error)) {
        requireOneLine(error, "a scene refused");
        return 0;
    }
    if (!environmentFitsTheFuzzer(scene)) return 0;
    host::Project& project = g_host->project();
    project.undo = host::UndoHistory{};
    {
        host::EffectSetdown setdown(*g_host);  // on success and failure alike, as the commands do
        if (!host::applyScene(*g_host, scene, &error)) requireOneLine(error, "a scene that does not apply");
    }
    fuzz::require(g_host->inData().global_data == nullptr && g_host->inData().sequence_data == nullptr,
                  "the effect was not set down");
    fuzz::require(g_host->handles().live() == g_handles,
                  "handles leaked: " + std::to_string(g_host->handles().live() - g_handles));
    fuzz::require(g_host->handles().openLocks() == 0, "a handle was left locked");
    fuzz::require(g_host->suites().balanced(), "suites unbalanced: " + g_host->suites().imbalance());
    fuzz::require(project.effects.live() == 0 && project.streamRefs.live() == 0 && project.values.live() == 0,
                  "references left: " + std::to_string(project.effects.live()) + " effect, " +
                      std::to_string(project.streamRefs.live()) + " stream, " +
                      std::to_string(project.values.live()) + " value");
    fuzz::require(project.effects.badDisposals == 0 && project.streamRefs.badDisposals == 0 &&
                      project.values.badDisposals == 0,
                  "a reference was disposed twice");
    fuzz::require(host::openParamCheckouts() == 0, "a parameter was left checked out");
    fuzz::require(project.undo.balanced(), "undo groups unbalanced");
    return 0;
}
