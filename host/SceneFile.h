// SceneFile.h — project files in JSON: the composition (size, frame rate, duration), an optional
// camera, lights, 3D null layers with keyframed transforms, an optional environment image, and the
// effect's state as a saved project keeps it (parameter values by name or index, the flat sequence
// data of slot types and null-layer ids). The format is described in the README.
#ifndef MORPHALITH_HOST_SCENE_FILE_H
#define MORPHALITH_HOST_SCENE_FILE_H

#include <string>

#include <nlohmann/json.hpp>

#include "host/Host.h"

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

// Sets the composition and layers, runs global, params and sequence set-up of the module, then
// writes the parameter values and hands the sequence data back as a reopened project does.
bool applyScene(Host& host, const Scene& scene, std::string* error);

// Frames of the composition (duration x frame rate, at least 1).
int sceneFrameCount(const Scene& scene);

}  // namespace host

#endif  // MORPHALITH_HOST_SCENE_FILE_H
