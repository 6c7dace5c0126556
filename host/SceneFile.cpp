#include "host/SceneFile.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "PF_Param.h"
#include "host/ImageFiles.h"

namespace host {

using nlohmann::json;

namespace {

// ---- Schema check ------------------------------------------------------------------------------------
// Each object kind lists its keys and what each holds; anything else is named in the error.

enum class Kind { Number, Integer, Bool, String, Vec3, Vec3Animated, NumberAnimated, Object, Array, Any };

struct Field {
    const char* key;
    Kind kind;
};

const std::vector<Field> kTopFields = {{"composition", Kind::Object}, {"camera", Kind::Object},
                                       {"lights", Kind::Array},       {"nulls", Kind::Array},
                                       {"environment", Kind::Object}, {"effect", Kind::Object},
                                       {"description", Kind::String}};
const std::vector<Field> kCompFields = {{"width", Kind::Integer}, {"height", Kind::Integer},
                                        {"frameRate", Kind::Integer}, {"duration", Kind::Number}};
const std::vector<Field> kTransformFields = {{"name", Kind::String},          {"anchor", Kind::Vec3Animated},
                                             {"position", Kind::Vec3Animated}, {"rotation", Kind::Vec3Animated},
                                             {"scale", Kind::Vec3Animated},    {"enabled", Kind::Bool}};
const std::vector<Field> kCameraFields = {{"type", Kind::String}, {"zoom", Kind::NumberAnimated},
                                          {"aperture", Kind::NumberAnimated},
                                          {"focusDistance", Kind::NumberAnimated}};
const std::vector<Field> kLightFields = {{"type", Kind::String}, {"intensity", Kind::NumberAnimated},
                                         {"color", Kind::Vec3Animated}, {"falloffStart", Kind::NumberAnimated}};
const std::vector<Field> kNullFields = {{"id", Kind::Integer}};
const std::vector<Field> kEnvFields = {{"image", Kind::String}, {"color", Kind::Any}, {"width", Kind::Integer},
                                       {"height", Kind::Integer}};
const std::vector<Field> kEffectFields = {{"params", Kind::Object}, {"slots", Kind::Array}};
const std::vector<Field> kSlotFields = {{"type", Kind::Any}, {"layer", Kind::Integer}, {"params", Kind::Object}};

const char* kindName(Kind k) {
    switch (k) {
        case Kind::Number: return "a number";
        case Kind::Integer: return "a whole number";
        case Kind::Bool: return "true or false";
        case Kind::String: return "a string";
        case Kind::Vec3: return "an array of three numbers";
        case Kind::Vec3Animated: return "three numbers or {\"keyframes\": [[seconds, [x, y, z]], ...]}";
        case Kind::NumberAnimated: return "a number or {\"keyframes\": [[seconds, value], ...]}";
        case Kind::Object: return "an object";
        case Kind::Array: return "an array";
        default: return "a value";
    }
}

std::string shown(const json& v) {
    std::string s = v.dump();
    return s.size() > 60 ? s.substr(0, 57) + "..." : s;
}

bool isVec3(const json& v) {
    return v.is_array() && v.size() == 3 && v[0].is_number() && v[1].is_number() && v[2].is_number();
}

bool isKeyframes(const json& v, bool vec) {
    if (!v.is_object() || v.size() != 1 || !v.contains("keyframes") || !v["keyframes"].is_array() ||
        v["keyframes"].empty())
        return false;
    for (const json& k : v["keyframes"])
        if (!k.is_array() || k.size() != 2 || !k[0].is_number() || !(vec ? isVec3(k[1]) : k[1].is_number()))
            return false;
    return true;
}

bool matches(const json& v, Kind k) {
    switch (k) {
        case Kind::Number: return v.is_number();
        case Kind::Integer: return v.is_number_integer();
        case Kind::Bool: return v.is_boolean();
        case Kind::String: return v.is_string();
        case Kind::Vec3: return isVec3(v);
        case Kind::Vec3Animated: return isVec3(v) || isKeyframes(v, true);
        case Kind::NumberAnimated: return v.is_number() || isKeyframes(v, false);
        case Kind::Object: return v.is_object();
        case Kind::Array: return v.is_array();
        default: return true;
    }
}

bool checkObject(const json& obj, const std::string& path, std::vector<const std::vector<Field>*> allowed,
                 std::string* error) {
    if (!obj.is_object()) {
        *error = "\"" + path + "\": expected an object, got " + shown(obj);
        return false;
    }
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        const Field* field = nullptr;
        for (const auto* list : allowed)
            for (const Field& f : *list)
                if (it.key() == f.key) field = &f;
        const std::string where = path.empty() ? it.key() : path + "." + it.key();
        if (!field) {
            *error = "unknown key \"" + where + "\" (value " + shown(it.value()) + ")";
            return false;
        }
        if (!matches(it.value(), field->kind)) {
            *error = "\"" + where + "\": expected " + kindName(field->kind) + ", got " + shown(it.value());
            return false;
        }
    }
    return true;
}

bool checkRange(const json& obj, const char* key, const std::string& path, double lo, double hi, std::string* error) {
    if (!obj.contains(key)) return true;
    const double v = obj[key].get<double>();
    if (v >= lo && v <= hi) return true;
    *error = "\"" + path + "." + key + "\": " + shown(obj[key]) + " is outside " + shown(lo) + " .. " + shown(hi);
    return false;
}

bool checkOneOf(const json& obj, const char* key, const std::string& path, const std::set<std::string>& names,
                std::string* error) {
    if (!obj.contains(key)) return true;
    if (names.count(obj[key].get<std::string>())) return true;
    std::string list;
    for (const auto& n : names) list += (list.empty() ? "" : ", ") + n;
    *error = "\"" + path + "." + key + "\": " + shown(obj[key]) + " is not one of " + list;
    return false;
}

const std::map<std::string, A_long> kLightTypes = {{"parallel", AEGP_LightType_PARALLEL},
                                                   {"spot", AEGP_LightType_SPOT},
                                                   {"point", AEGP_LightType_POINT},
                                                   {"ambient", AEGP_LightType_AMBIENT},
                                                   {"environment", AEGP_LightType_ENVIRONMENT}};

const std::map<std::string, int> kPrimitiveTypes = {
    {"None", 0},      {"Sphere", 1},     {"Hemisphere", 2}, {"Box", 3},           {"Torus", 4},
    {"Capsule", 5},   {"Cylinder", 6},   {"PieCylinder", 7}, {"Cone", 8},         {"RoundCone", 9},
    {"Pyramid", 10},  {"Octahedron", 11}, {"Polyhedron", 12}, {"Polygon", 13},    {"Hex", 13},
    {"Cursor", 14}};

bool checkScene(const json& doc, std::string* error) {
    if (!checkObject(doc, "", {&kTopFields}, error)) return false;
    if (doc.contains("composition")) {
        const json& c = doc["composition"];
        if (!checkObject(c, "composition", {&kCompFields}, error)) return false;
        if (!checkRange(c, "width", "composition", 1, 30000, error) ||
            !checkRange(c, "height", "composition", 1, 30000, error) ||
            !checkRange(c, "frameRate", "composition", 1, 1000, error) ||
            !checkRange(c, "duration", "composition", 0, 10800, error))
            return false;
    }
    if (doc.contains("camera")) {
        if (!checkObject(doc["camera"], "camera", {&kTransformFields, &kCameraFields}, error)) return false;
        if (!checkOneOf(doc["camera"], "type", "camera", {"perspective", "orthographic"}, error)) return false;
    }
    if (doc.contains("lights"))
        for (size_t i = 0; i < doc["lights"].size(); ++i) {
            const std::string path = "lights[" + std::to_string(i) + "]";
            if (!checkObject(doc["lights"][i], path, {&kTransformFields, &kLightFields}, error)) return false;
            std::set<std::string> names;
            for (const auto& [n, v] : kLightTypes) names.insert(n);
            if (!checkOneOf(doc["lights"][i], "type", path, names, error)) return false;
        }
    std::set<A_long> ids;
    if (doc.contains("nulls"))
        for (size_t i = 0; i < doc["nulls"].size(); ++i) {
            const std::string path = "nulls[" + std::to_string(i) + "]";
            const json& n = doc["nulls"][i];
            if (!checkObject(n, path, {&kTransformFields, &kNullFields}, error)) return false;
            if (!n.contains("id")) {
                *error = "\"" + path + "\": needs an \"id\" (the layer id slots refer to)";
                return false;
            }
            if (!checkRange(n, "id", path, 2, 999, error)) return false;
            if (!ids.insert(n["id"].get<A_long>()).second) {
                *error = "\"" + path + ".id\": " + shown(n["id"]) + " is used twice";
                return false;
            }
        }
    if (doc.contains("environment")) {
        const json& e = doc["environment"];
        if (!checkObject(e, "environment", {&kEnvFields}, error)) return false;
        if (e.contains("color") && !(e["color"].is_array() && e["color"].size() == 4)) {
            *error = "\"environment.color\": expected four numbers r, g, b, a (0..1), got " + shown(e["color"]);
            return false;
        }
        if (!e.contains("image") && !e.contains("color")) {
            *error = "\"environment\": needs \"image\" (a file) or \"color\"";
            return false;
        }
    }
    if (doc.contains("effect")) {
        const json& fx = doc["effect"];
        if (!checkObject(fx, "effect", {&kEffectFields}, error)) return false;
        if (fx.contains("slots")) {
            if (fx["slots"].size() > 11) {
                *error = "\"effect.slots\": " + std::to_string(fx["slots"].size()) + " slots, at most 11";
                return false;
            }
            for (size_t i = 0; i < fx["slots"].size(); ++i) {
                const std::string path = "effect.slots[" + std::to_string(i) + "]";
                const json& s = fx["slots"][i];
                if (!checkObject(s, path, {&kSlotFields}, error)) return false;
                if (s.contains("type")) {
                    const json& t = s["type"];
                    bool ok = (t.is_string() && kPrimitiveTypes.count(t.get<std::string>())) ||
                              (t.is_number_integer() && t.get<int>() >= 0 && t.get<int>() <= 14);
                    if (!ok) {
                        *error = "\"" + path + ".type\": " + shown(t) + " is not a primitive type";
                        return false;
                    }
                }
                if (s.contains("layer") && s["layer"].get<A_long>() != 0 && !ids.count(s["layer"].get<A_long>())) {
                    *error = "\"" + path + ".layer\": " + shown(s["layer"]) + " is not the id of a null";
                    return false;
                }
            }
        }
    }
    return true;
}

// ---- Layers --------------------------------------------------------------------------------------------

Animated<Vec3> readVec3(const json& v) {
    Animated<Vec3> a;
    if (isVec3(v)) {
        a.value = {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
        return a;
    }
    for (const json& k : v["keyframes"])
        a.keys.push_back({k[0].get<double>(), Vec3{k[1][0].get<double>(), k[1][1].get<double>(), k[1][2].get<double>()}});
    std::sort(a.keys.begin(), a.keys.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    return a;
}

Animated<double> readNumber(const json& v) {
    Animated<double> a;
    if (v.is_number()) {
        a.value = v.get<double>();
        return a;
    }
    for (const json& k : v["keyframes"]) a.keys.push_back({k[0].get<double>(), k[1].get<double>()});
    std::sort(a.keys.begin(), a.keys.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    return a;
}

void readTransform(const json& j, Layer* layer) {
    if (j.contains("name")) layer->name = j["name"].get<std::string>();
    if (j.contains("anchor")) layer->props.anchor = readVec3(j["anchor"]);
    if (j.contains("position")) layer->props.position = readVec3(j["position"]);
    if (j.contains("rotation")) layer->props.rotation = readVec3(j["rotation"]);
    if (j.contains("scale")) layer->props.scale = readVec3(j["scale"]);
    if (j.contains("enabled") && !j["enabled"].get<bool>()) layer->flags &= ~AEGP_LayerFlag_VIDEO_ACTIVE;
}

// ---- Parameters ------------------------------------------------------------------------------------------

std::string groupName(const Panel& panel, const DeclaredParam& p) {
    const DeclaredParam* g = p.parentGroup >= 0 ? panel.find(p.parentGroup) : nullptr;
    return g ? g->def.name : "";
}

// Finds a parameter by index, by name, or by "Group/Name", among indices [first, last).
int resolveParam(const Panel& panel, const std::string& key, int first, int last, int indexBase, std::string* why) {
    if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos) {
        const int index = indexBase + std::stoi(key);
        if (index >= first && index < last && panel.find(index)) return index;
        *why = "no parameter has that index";
        return -1;
    }
    std::vector<int> found;
    const size_t slash = key.rfind('/');
    for (int i = first; i < last; ++i) {
        const DeclaredParam* p = panel.find(i);
        if (!p) continue;
        if (slash == std::string::npos ? key == p->def.name
                                       : key.substr(slash + 1) == p->def.name &&
                                             key.substr(0, slash) == groupName(panel, *p))
            found.push_back(i);
    }
    if (found.size() == 1) return found[0];
    if (found.empty()) {
        *why = "no parameter has that name";
        return -1;
    }
    *why = "the name is ambiguous; write \"Group/Name\" (";
    for (size_t k = 0; k < found.size(); ++k)
        *why += (k ? ", \"" : "\"") + groupName(panel, *panel.find(found[k])) + "/" + key + "\"";
    *why += ")";
    return -1;
}

bool setParamValue(Host& host, int index, const json& v, const std::string& path, std::string* error) {
    const DeclaredParam* p = host.panel().find(index);
    Stream& stream = host.project().streams[index];
    auto bad = [&](const char* expected) {
        *error = "\"" + path + "\": " + p->def.name + " takes " + expected + ", got " + shown(v);
        return false;
    };
    switch (p->def.param_type) {
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
            if (!v.is_number()) return bad(p->def.param_type == PF_Param_ANGLE ? "degrees" : "a number");
            stream.value.one_d.value = v.get<double>();
            return true;
        case PF_Param_CHECKBOX:
            if (!v.is_boolean()) return bad("true or false");
            stream.value.one_d.value = v.get<bool>() ? 1 : 0;
            return true;
        case PF_Param_POPUP: {
            if (v.is_number_integer() && v.get<int>() >= 1 && v.get<int>() <= p->def.u.pd.num_choices) {
                stream.value.one_d.value = v.get<int>();
                return true;
            }
            if (v.is_string()) {
                std::stringstream choices(p->choices);
                std::string choice;
                for (int n = 1; std::getline(choices, choice, '|'); ++n)
                    if (choice == v.get<std::string>()) {
                        stream.value.one_d.value = n;
                        return true;
                    }
            }
            return bad(("one of \"" + p->choices + "\" (or its 1-based number)").c_str());
        }
        case PF_Param_COLOR:
            if (!(v.is_array() && v.size() == 3 && v[0].is_number() && v[1].is_number() && v[2].is_number()))
                return bad("[red, green, blue] in 0..255");
            for (const json& c : v)
                if (c.get<double>() < 0 || c.get<double>() > 255) return bad("[red, green, blue] in 0..255");
            stream.value.color = {1.0, v[0].get<double>() / 255.0, v[1].get<double>() / 255.0,
                                  v[2].get<double>() / 255.0};
            return true;
        default: return bad("no value (it cannot be set from a scene)");
    }
}

bool setParams(Host& host, const json& params, int first, int last, int indexBase, const std::string& path,
               std::string* error) {
    for (auto it = params.begin(); it != params.end(); ++it) {
        std::string why;
        const int index = resolveParam(host.panel(), it.key(), first, last, indexBase, &why);
        const std::string where = path + "." + it.key();
        if (index < 0) {
            *error = "unknown parameter \"" + where + "\" (value " + shown(it.value()) + "): " + why;
            return false;
        }
        if (!setParamValue(host, index, it.value(), where, error)) return false;
    }
    return true;
}

constexpr int kSlotParams = 99, kFirstSlotParam = 3, kGlobalParams = 1092, kNumParams = 1131;
constexpr A_long kEffectLayerId = 1, kEnvironmentParam = 1097;
constexpr A_long kCameraLayerId = 1000, kFirstLightLayerId = 1001, kEnvironmentLayerId = 2000;

}  // namespace

bool parseScene(const std::string& text, const std::string& baseDir, Scene* scene, std::string* error) {
    try {
        scene->doc = json::parse(text);
    } catch (const json::parse_error& e) {
        *error = std::string("not JSON: ") + e.what();
        return false;
    }
    scene->baseDir = baseDir;
    return checkScene(scene->doc, error);
}

bool loadSceneFile(const std::string& path, Scene* scene, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    const size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!parseScene(text.str(), dir, scene, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

int sceneFrameCount(const Scene& scene) {
    const json& c = scene.doc.value("composition", json::object());
    const double fps = c.value("frameRate", 30);
    const double duration = c.value("duration", 1.0 / fps);
    return std::max(1, (int)std::lround(duration * fps));
}

bool applyScene(Host& host, const Scene& scene, std::string* error) {
    const json& doc = scene.doc;
    Project& project = host.project();
    const json& c = doc.value("composition", json::object());
    project.comp.width = c.value("width", 640);
    project.comp.height = c.value("height", 360);
    PF_InData& in = host.inData();
    in.time_scale = (A_u_long)c.value("frameRate", 30);
    in.time_step = 1;
    in.local_time_step = 1;
    in.total_time = sceneFrameCount(scene);
    in.width = project.comp.width;
    in.height = project.comp.height;

    // Layers: the effect's own, then camera, lights, nulls and the environment image.
    project.comp.layers.clear();
    project.effectLayerId = kEffectLayerId;
    project.addLayer(kEffectLayerId, "Morphalith", AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE);
    if (doc.contains("camera")) {
        const json& j = doc["camera"];
        Layer& cam = project.addLayer(kCameraLayerId, "Camera", AEGP_ObjectType_CAMERA,
                                      AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_LAYER_IS_3D);
        // Without a position the camera stands where the default camera does.
        const double zoom = j.contains("zoom") && j["zoom"].is_number() ? j["zoom"].get<double>()
                                                                         : project.comp.width * 50.0 / 36.0;
        cam.props.zoom = zoom;
        cam.props.position = Vec3{project.comp.width / 2.0, project.comp.height / 2.0, -zoom};
        readTransform(j, &cam);
        if (j.contains("zoom")) cam.props.zoom = readNumber(j["zoom"]);
        if (j.contains("aperture")) cam.props.aperture = readNumber(j["aperture"]);
        if (j.contains("focusDistance")) cam.props.focusDistance = readNumber(j["focusDistance"]);
        cam.props.cameraType = j.value("type", "perspective") == "orthographic" ? AEGP_CameraType_ORTHOGRAPHIC
                                                                                 : AEGP_CameraType_PERSPECTIVE;
    }
    A_long lightId = kFirstLightLayerId;
    for (const json& j : doc.value("lights", json::array())) {
        Layer& light = project.addLayer(lightId, "Light " + std::to_string(lightId - kFirstLightLayerId + 1),
                                        AEGP_ObjectType_LIGHT, AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_LAYER_IS_3D);
        ++lightId;
        readTransform(j, &light);
        light.props.lightType = kLightTypes.at(j.value("type", "point"));
        if (j.contains("intensity")) light.props.intensity = readNumber(j["intensity"]);
        if (j.contains("color")) light.props.color = readVec3(j["color"]);
        if (j.contains("falloffStart")) light.props.falloffStart = readNumber(j["falloffStart"]);
    }
    for (const json& j : doc.value("nulls", json::array())) {
        const A_long id = j["id"].get<A_long>();
        Layer& null = project.addLayer(id, "Null " + std::to_string(id), AEGP_ObjectType_AV,
                                       AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_LAYER_IS_3D |
                                           AEGP_LayerFlag_NULL_LAYER);
        readTransform(j, &null);
    }
    A_long envLayer = 0;
    if (doc.contains("environment")) {
        const json& e = doc["environment"];
        Layer& env = project.addLayer(kEnvironmentLayerId, "Environment", AEGP_ObjectType_AV,
                                      AEGP_LayerFlag_VIDEO_ACTIVE);
        LayerProperties& p = env.props;
        if (e.contains("image")) {
            std::string path = e["image"].get<std::string>();
            if (!path.empty() && path[0] != '/') path = scene.baseDir + "/" + path;
            if (!readImageRGBA(path, &p.imageWidth, &p.imageHeight, &p.imageRGBA, error)) {
                *error = "\"environment.image\": " + *error;
                return false;
            }
        } else {
            p.imageWidth = e.value("width", 64);
            p.imageHeight = e.value("height", 32);
            const json& col = e["color"];
            p.imageRGBA.resize((size_t)p.imageWidth * p.imageHeight * 4);
            for (size_t i = 0; i < p.imageRGBA.size(); ++i) p.imageRGBA[i] = col[i % 4].get<float>();
        }
        envLayer = kEnvironmentLayerId;
    }

    // The effect instance.
    PF_Err err = host.command(PF_Cmd_GLOBAL_SETUP);
    if (!err) err = host.command(PF_Cmd_PARAMS_SETUP);
    if (!err) err = host.command(PF_Cmd_SEQUENCE_SETUP);
    if (err) {
        *error = "the effect's set-up failed with " + std::to_string(err) + ": " + host.returnMessage();
        return false;
    }
    if ((int)project.streams.size() < kNumParams) project.streams.resize(kNumParams);
    project.streams[kEnvironmentParam].type = AEGP_StreamType_LAYER_ID;
    project.streams[kEnvironmentParam].value.layer_id = envLayer;

    const json& fx = doc.value("effect", json::object());
    if (fx.contains("params") &&
        !setParams(host, fx["params"], kGlobalParams, kNumParams, 0, "effect.params", error))
        return false;

    // The flat sequence data: eleven (type, layer id) pairs and the slot count, as a project stores it.
    std::vector<unsigned char> flat(92, 0);
    const json& slots = fx.value("slots", json::array());
    for (size_t i = 0; i < slots.size(); ++i) {
        const json& s = slots[i];
        int32_t type = 1;
        if (s.contains("type")) type = s["type"].is_string() ? kPrimitiveTypes.at(s["type"].get<std::string>())
                                                             : s["type"].get<int32_t>();
        const int32_t layer = s.value("layer", 0);
        std::memcpy(&flat[i * 8], &type, 4);
        std::memcpy(&flat[i * 8 + 4], &layer, 4);
        const int first = kFirstSlotParam + (int)i * kSlotParams;
        const std::string path = "effect.slots[" + std::to_string(i) + "].params";
        // The slot's popup and layer follow the sequence data, as the effect keeps them in step.
        project.streams[first + 2].value.one_d.value = type;
        project.streams[first + 3].type = AEGP_StreamType_LAYER_ID;
        project.streams[first + 3].value.layer_id = layer;
        if (s.contains("params") && !setParams(host, s["params"], first, first + kSlotParams, first, path, error))
            return false;
    }
    const float count = (float)slots.size();
    std::memcpy(&flat[88], &count, 4);

    SavedProject saved;
    saved.streams = project.streams;
    saved.hasSequenceData = true;
    saved.sequenceData = flat;
    err = host.reopenProject(saved);
    if (err) {
        *error = "handing the sequence data back failed with " + std::to_string(err);
        return false;
    }
    return true;
}

const char* defaultSceneText() {
    return R"({
  "description": "A warm sphere smoothly joined to a blue box, lit from the upper left; the sphere drifts up and to the right over the second",
  "composition": {"width": 640, "height": 360, "frameRate": 30, "duration": 1},
  "lights": [
    {"type": "point", "intensity": 100, "color": [1, 0.95, 0.85], "falloffStart": 800, "position": [100, -200, -600]},
    {"type": "ambient", "intensity": 15, "color": [0.6, 0.7, 1]}
  ],
  "nulls": [
    {"id": 2, "position": {"keyframes": [[0, [260, 190, 0]], [1, [280, 170, 0]]]}},
    {"id": 3, "position": [390, 180, 0], "rotation": [20, 30, 0]}
  ],
  "effect": {
    "params": {"Shadows Enabled": true},
    "slots": [
      {"type": "Sphere", "layer": 2, "params": {"Diameter": 90, "Diffuse Color": [255, 140, 60]}},
      {"type": "Box", "layer": 3,
       "params": {"X Size": 110, "Y Size": 110, "Z Size": 110, "Diameter": 4, "Diffuse Color": [70, 130, 255],
                  "Operation with previous": "Union", "Smoothness": 30}}
    ]
  }
})";
}

}  // namespace host
