// SceneFile.h — project files in JSON: the composition (size, frame rate, duration), an optional
// camera, lights, 3D null layers with keyframed transforms, plain 2D layers, an optional environment
// image, and the effect: parameter values by name or index, primitive slots in a short form, and
// actions replayed on the panel as a person clicks. The format is described in the README.
#ifndef MORPHALITH_HOST_SCENE_FILE_H
#define MORPHALITH_HOST_SCENE_FILE_H

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/Host.h"
#include "host/UserActions.h"

namespace host {

struct Scene {
    nlohmann::json doc;
    std::string baseDir;  // image paths are relative to the scene file
};

// Parses and checks the document; on bad input the error names the offending key and value.
bool parseScene(const std::string& text, const std::string& baseDir, Scene* scene, std::string* error);
bool loadSceneFile(const std::string& path, Scene* scene, std::string* error);
// The scene rendered when no file is given.
const char* defaultSceneText();

// One action of a scene as the host replayed it.
struct AppliedAction {
    std::string where;  // the scene key it came from ("effect.actions[2]", "effect.slots[0].type")
    std::string what;   // "add primitive", "set slot 2/Primitive to \"Torus\"", ...
    ActionReport report;
};

// Sets the composition and layers, runs global, params and sequence set-up of the module, then
// operates the panel as a person would: the effect's parameter values, the environment layer, each
// slot of the short form (add, set its type, attach its layer, set its parameters) and the scene's
// own actions, in that order. `applied` (optional) receives every action with what it caused.
bool applyScene(Host& host, const Scene& scene, std::string* error, std::vector<AppliedAction>* applied = nullptr);

// Frames of the composition (duration x frame rate, at least 1).
int sceneFrameCount(const Scene& scene);

}  // namespace host

#endif  // MORPHALITH_HOST_SCENE_FILE_H
