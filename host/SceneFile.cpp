#include "host/SceneFile.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "PF_Param.h"
#include "host/ImageFiles.h"
#include "host/MemoryLimits.h"
#include "host/OneLine.h"
#include "host/ParamPaths.h"
#include "host/RegularFile.h"
#include "host/SceneChecks.h"

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
                                       {"description", Kind::String}, {"layers", Kind::Array}};
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
const std::vector<Field> kLayerFields = {{"id", Kind::Integer}, {"name", Kind::String}};
const std::vector<Field> kEnvFields = {{"image", Kind::String}, {"color", Kind::Any}, {"width", Kind::Integer},
                                       {"height", Kind::Integer}};
const std::vector<Field> kEffectFields = {{"params", Kind::Object}, {"slots", Kind::Array},
                                          {"actions", Kind::Array}};
const std::vector<Field> kAddFields = {{"add", Kind::String}};
const std::vector<Field> kSetFields = {{"set", Kind::Any}, {"to", Kind::Any}};
const std::vector<Field> kAttachFields = {{"attach", Kind::Integer}, {"slot", Kind::Integer}};
const std::vector<Field> kClickFields = {{"click", Kind::String}, {"slot", Kind::Integer}};
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
    char range[64];
    std::snprintf(range, sizeof(range), "%.10g .. %.10g", lo, hi);
    *error = "\"" + path + "." + key + "\": " + shown(obj[key]) + " is outside " + range;
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

// A colour of components 0..1 (a light's, keyframed or not): one on the effect's 0..255 scale is
// refused, not taken as a light up to 255 times as bright.
bool checkUnitColour(const json& obj, const char* key, const std::string& path, std::string* error) {
    if (!obj.contains(key)) return true;
    const json& v = obj[key];
    std::vector<const json*> colours;
    if (isVec3(v)) colours.push_back(&v);
    else
        for (const json& k : v["keyframes"]) colours.push_back(&k[1]);
    for (const json* c : colours)
        for (const json& n : *c)
            if (!(n.get<double>() >= 0 && n.get<double>() <= 1)) {
                *error = "\"" + path + "." + key + "\": " + shown(*c) +
                         " is outside 0 .. 1 (a light's colour is 0..1, the effect's colours 0..255)";
                return false;
            }
    return true;
}

const std::map<std::string, A_long> kLightTypes = {{"parallel", AEGP_LightType_PARALLEL},
                                                   {"spot", AEGP_LightType_SPOT},
                                                   {"point", AEGP_LightType_POINT},
                                                   {"ambient", AEGP_LightType_AMBIENT},
                                                   {"environment", AEGP_LightType_ENVIRONMENT}};

// The "Primitive" popup's choices, in value order (1 .. 14), as the panel offers them.
const char* const kPrimitiveNames[] = {"Sphere",   "Hemisphere", "Box",        "Torus",      "Capsule",
                                       "Cylinder", "Pie Cylinder", "Cone",     "Round Cone", "Pyramid",
                                       "Octahedron", "Polyhedron", "Polygon",  "Cursor"};
constexpr int kNumPrimitiveNames = 14;
constexpr int kMaxPrimitives = 10;  // the Add button offers no more

// A choice as written by a person: case and blanks do not matter ("pie cylinder", "PieCylinder").
std::string folded(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return out;
}

// The type a scene names (a name or its number 1 .. 14; "Hex" is the kernel's name of "Polygon"),
// or 0 for none.
int primitiveTypeOf(const json& t) {
    if (t.is_number_integer()) return wholeNumberIn(t, 1, kNumPrimitiveNames) ? t.get<int>() : 0;
    if (!t.is_string()) return 0;
    const std::string name = folded(t.get<std::string>());
    if (name == "hex") return 13;
    for (int i = 0; i < kNumPrimitiveNames; ++i)
        if (name == folded(kPrimitiveNames[i])) return i + 1;
    return 0;
}

std::string primitiveNameList() {
    std::string list;
    for (const char* name : kPrimitiveNames) list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}

bool checkAction(const json& a, const std::string& path, std::string* error) {
    const char* expected = "expected {\"add\": \"primitive\"}, {\"set\": PARAMETER, \"to\": VALUE}, "
                           "{\"attach\": LAYER, \"slot\": N} or {\"click\": BUTTON, \"slot\": N}";
    if (a.is_object() && a.contains("add")) {
        if (!checkObject(a, path, {&kAddFields}, error)) return false;
        if (a["add"] == "primitive") return true;
        *error = "\"" + path + ".add\": " + shown(a["add"]) + " is not \"primitive\"";
        return false;
    }
    if (a.is_object() && a.contains("set")) {
        if (!checkObject(a, path, {&kSetFields}, error)) return false;
        if (!a.contains("to")) {
            *error = "\"" + path + "\": needs \"to\" (the value to set)";
            return false;
        }
        if (a["set"].is_string() || a["set"].is_number_integer()) return true;
        *error = "\"" + path + ".set\": expected a parameter name or index, got " + shown(a["set"]);
        return false;
    }
    if (a.is_object() && a.contains("attach")) {
        if (!checkObject(a, path, {&kAttachFields}, error)) return false;
        if (!a.contains("slot")) {
            *error = "\"" + path + "\": needs \"slot\" (the slot whose null layer it sets)";
            return false;
        }
        return checkRange(a, "slot", path, 0, kMaxPrimitives, error) &&
               checkRange(a, "attach", path, 0, 1e9, error);
    }
    if (a.is_object() && a.contains("click")) {
        if (!checkObject(a, path, {&kClickFields}, error)) return false;
        if (!a.contains("slot")) {
            *error = "\"" + path + "\": needs \"slot\" (the slot whose strip shows the button)";
            return false;
        }
        StripButton button;
        if (!stripButtonByName(a["click"].get<std::string>(), &button)) {
            *error = "\"" + path + ".click\": " + shown(a["click"]) +
                     " is not one of duplicate, copy, paste, move up, move down, delete";
            return false;
        }
        return checkRange(a, "slot", path, 0, kMaxPrimitives, error);
    }
    *error = "\"" + path + "\": " + expected + ", got " + shown(a);
    return false;
}

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
            if (!checkUnitColour(doc["lights"][i], "color", path, error)) return false;
        }
    std::set<A_long> ids;
    for (const char* kind : {"nulls", "layers"}) {
        if (!doc.contains(kind)) continue;
        const bool nulls = std::string(kind) == "nulls";
        for (size_t i = 0; i < doc[kind].size(); ++i) {
            const std::string path = std::string(kind) + "[" + std::to_string(i) + "]";
            const json& n = doc[kind][i];
            if (!(nulls ? checkObject(n, path, {&kTransformFields, &kNullFields}, error)
                        : checkObject(n, path, {&kLayerFields}, error)))
                return false;
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
    }
    if (doc.contains("environment")) {
        const json& e = doc["environment"];
        if (!checkObject(e, "environment", {&kEnvFields}, error)) return false;
        if (e.contains("color")) {
            const json& col = e["color"];
            bool numbers = col.is_array() && col.size() == 4, unit = true;
            for (size_t i = 0; numbers && i < 4; ++i) {
                numbers = col[i].is_number();
                unit = unit && numbers && col[i].get<double>() >= 0 && col[i].get<double>() <= 1;
            }
            if (!numbers || !unit) {
                *error = "\"environment.color\": " +
                         (numbers ? shown(col) + " is outside 0 .. 1 (r, g, b, a of the environment are 0..1)"
                                  : "expected four numbers r, g, b, a (0..1), got " + shown(col));
                return false;
            }
        }
        // The colour becomes an image of width x height: held to the limits of an image file.
        if (!checkRange(e, "width", "environment", 1, kMaxImageSide, error) ||
            !checkRange(e, "height", "environment", 1, kMaxImageSide, error))
            return false;
        if (!e.contains("image") && e.value("width", 64) * (int64_t)e.value("height", 32) > kMaxImagePixels) {
            *error = "\"environment\": a " + std::to_string(e.value("width", 64)) + "x" +
                     std::to_string(e.value("height", 32)) + " colour is more than the " +
                     std::to_string(kMaxImageSide) + "x" + std::to_string(kMaxImagePixels / kMaxImageSide) +
                     " pixels an image may have";
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
            if (fx["slots"].size() > static_cast<size_t>(kMaxPrimitives)) {
                *error = "\"effect.slots\": " + std::to_string(fx["slots"].size()) +
                         " slots, but the panel adds at most " + std::to_string(kMaxPrimitives) + " primitives";
                return false;
            }
            for (size_t i = 0; i < fx["slots"].size(); ++i) {
                const std::string path = "effect.slots[" + std::to_string(i) + "]";
                const json& s = fx["slots"][i];
                if (!checkObject(s, path, {&kSlotFields}, error)) return false;
                if (s.contains("type") && !primitiveTypeOf(s["type"])) {
                    *error = "\"" + path + ".type\": " + shown(s["type"]) + " is not a primitive type (one of " +
                             primitiveNameList() + ", in any case, or its number 1 .. 14)";
                    return false;
                }
                if (s.contains("layer") && !wholeNumberIn(s["layer"], 0, 0) &&
                    !(wholeNumberIn(s["layer"], 2, 999) && ids.count(s["layer"].get<A_long>()))) {
                    *error = "\"" + path + ".layer\": " + shown(s["layer"]) + " is not the id of a null or a layer";
                    return false;
                }
            }
        }
        if (fx.contains("actions"))
            for (size_t i = 0; i < fx["actions"].size(); ++i)
                if (!checkAction(fx["actions"][i], "effect.actions[" + std::to_string(i) + "]", error)) return false;
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

// ---- Parameters and actions ----------------------------------------------------------------------------

constexpr int kSlotParams = 99, kFirstSlotParam = 3, kGlobalParams = 1092, kNumParams = 1131;
constexpr int kTypeOffset = 2, kNullLayerOffset = 3;
constexpr A_long kEffectLayerId = 1, kEnvironmentParam = 1097, kAddButton = 1092;
// The host's own layers take ids past the 2..999 of a scene's: the camera, the environment image, then
// the lights, as many as there are, so that no light ever takes the environment's id.
constexpr A_long kCameraLayerId = 1000, kEnvironmentLayerId = 1001, kFirstLightLayerId = 1002;

int slotOfIndex(int index) {
    return index >= kFirstSlotParam && index < kGlobalParams ? (index - kFirstSlotParam) / kSlotParams : -1;
}

ParamScope slotScope(int slot, const std::string& prefix) {
    ParamScope scope;
    scope.first = kFirstSlotParam + slot * kSlotParams;
    scope.last = scope.first + kSlotParams;
    scope.root = scope.first;  // the slot's own group
    scope.indexBase = scope.first;
    scope.prefix = prefix;
    return scope;
}

ParamScope globalScope() {
    ParamScope scope;
    scope.first = kGlobalParams;
    scope.last = kNumParams;
    return scope;
}

// The stream value a person's input gives parameter `index`; false with the error naming `where`.
bool inputValue(Host& host, int index, const json& v, const std::string& where, AEGP_StreamVal* out,
                std::string* error) {
    const DeclaredParam* p = host.panel().find(index);
    *out = host.project().streams[index].value;
    auto bad = [&](const std::string& expected) {
        *error = "\"" + where + "\": " + p->def.name + " takes " + expected + ", got " + shown(v);
        return false;
    };
    switch (p->def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            // As the panel limits the slider, at the limits its type gives it now.
            if (!v.is_number() || !sliderTakes(p->def.u.fs_d, v.get<double>()))
                return bad("a number in " + sliderRange(p->def.u.fs_d));
            out->one_d.value = v.get<double>();
            return true;
        case PF_Param_ANGLE:
            // What the angle's 16.16 fixed-point value holds.
            if (!v.is_number() || !(v.get<double>() >= kMinAngleDegrees && v.get<double>() <= kMaxAngleDegrees))
                return bad("degrees in -32768 .. 32767");
            out->one_d.value = v.get<double>();
            return true;
        case PF_Param_CHECKBOX:
            if (!v.is_boolean()) return bad("true or false");
            out->one_d.value = v.get<bool>() ? 1 : 0;
            return true;
        case PF_Param_POPUP: {
            if (wholeNumberIn(v, 1, p->def.u.pd.num_choices)) {
                out->one_d.value = v.get<int>();
                return true;
            }
            std::vector<std::string> choices;
            std::stringstream all(p->choices);
            for (std::string choice; std::getline(all, choice, '|');) choices.push_back(choice);
            if (v.is_string()) {
                // Choices are matched as a person types them: case and blanks aside.
                std::string wanted = folded(v.get<std::string>());
                if (p->declaredName == "Primitive" && wanted == "hex") wanted = folded("Polygon");
                for (size_t n = 0; n < choices.size(); ++n)
                    if (folded(choices[n]) == wanted) {
                        out->one_d.value = static_cast<double>(n + 1);
                        return true;
                    }
            }
            std::string list;
            for (const std::string& choice : choices) list += (list.empty() ? "" : ", ") + choice;
            return bad("one of " + list + " (in any case) or its 1-based number");
        }
        case PF_Param_COLOR:
            // The panel's colours hold 8 bits a channel: a colour on the 0..1 scale ([1, 0.5, 0.2])
            // is refused rather than taken as nearly black.
            if (!(v.is_array() && v.size() == 3)) return bad("[red, green, blue], whole numbers in 0 .. 255");
            for (const json& c : v)
                if (!c.is_number() || !(c.get<double>() >= 0 && c.get<double>() <= 255) ||
                    c.get<double>() != std::floor(c.get<double>()))
                    return bad("[red, green, blue], whole numbers in 0 .. 255");
            out->color = {1.0, v[0].get<double>() / 255.0, v[1].get<double>() / 255.0, v[2].get<double>() / 255.0};
            return true;
        case PF_Param_LAYER:
            if (!wholeNumberIn(v, 0, INT32_MAX)) return bad("a layer id (0 for none)");
            if (v.get<A_long>() != 0 && !host.project().findLayer(v.get<A_long>())) {
                *error = "\"" + where + "\": " + shown(v) + " is not the id of a layer of the composition";
                return false;
            }
            out->layer_id = v.get<A_long>();
            return true;
        default: return bad("no value (it cannot be set from a scene)");
    }
}

// One thing a person does on the panel.
struct Action {
    enum Kind { Add, Set, Click } kind = Set;
    std::string where;     // the scene key, for errors
    std::string what;      // for the action listing
    int index = -1;        // the parameter, when known in advance
    json target;           // otherwise what names it ("slot 2/Primitive", "Steps", 1104)
    int slot = -1;         // a short-form slot param: the slot its name is looked up in; a click's slot
    json value;
    StripButton button = StripButton::Copy;  // a click's button
};

std::string targetText(const json& target) {
    return target.is_string() ? target.get<std::string>() : target.dump();
}

// The parameter an action names; -1 with the error.
int resolveTarget(Host& host, const Action& a, std::string* error) {
    if (a.index >= 0) return a.index;
    std::string why;
    int index = -1;
    const std::string key = targetText(a.target);
    const bool number = a.target.is_number_integer() ||
                        (!key.empty() && key.size() < 6 && key.find_first_not_of("0123456789") == std::string::npos);
    if (a.slot >= 0) {
        index = resolveParamPath(host.panel(), key, slotScope(a.slot, ""), &why);
    } else if (number) {
        // Read without wrapping: an index past int's range names no parameter.
        if (a.target.is_number_integer()) index = wholeNumberIn(a.target, 0, kNumParams) ? a.target.get<int>() : -1;
        else index = std::stoi(key);  // fewer than 6 digits
        const DeclaredParam* p = host.panel().find(index);
        if (index < 1 || !p || !holdsValue(p->def.param_type)) {
            why = "no parameter with a value has that index";
            index = -1;
        }
    } else if (key.rfind("slot ", 0) == 0) {
        const size_t slash = key.find('/');
        const std::string number = key.substr(5, slash == std::string::npos ? std::string::npos : slash - 5);
        const bool digits = !number.empty() && number.size() < 3 &&
                            number.find_first_not_of("0123456789") == std::string::npos;
        const int slot = digits ? std::stoi(number) : -1;
        if (slot < 0 || slot >= kNumParams / kSlotParams || slash == std::string::npos)
            why = "a slot parameter is written \"slot N/NAME\" with N in 0 .. 10";
        else
            index = resolveParamPath(host.panel(), key.substr(slash + 1), slotScope(slot, "slot " + number + "/"), &why);
    } else {
        index = resolveParamPath(host.panel(), key, globalScope(), &why);
    }
    if (index < 0) *error = "unknown parameter \"" + a.where + "\" (" + shown(a.target) + "): " + why;
    return index;
}

bool runAction(Host& host, const Action& a, std::vector<AppliedAction>* applied, std::string* error) {
    AppliedAction done{a.where, a.what, {}};
    if (a.kind == Action::Add) {
        // A person cannot press a greyed-out button.
        if (!isParamEnabled(host, kAddButton)) {
            *error = "\"" + a.where + "\": \"" + host.panel().find(kAddButton)->def.name +
                     "\" is disabled: the panel adds at most " + std::to_string(kMaxPrimitives) + " primitives";
            return false;
        }
        clickButton(host, kAddButton, &done.report);
    } else if (a.kind == Action::Click) {
        std::string why;
        clickStripButton(host, a.slot, a.button, &done.report, &why);
        if (!why.empty()) {
            *error = "\"" + a.where + "\": " + why;
            return false;
        }
    } else {
        const int index = resolveTarget(host, a, error);
        if (index < 0) return false;
        const int slot = slotOfIndex(index);
        if (slot >= 0 && !isParamShown(host, kFirstSlotParam + slot * kSlotParams)) {
            *error = "\"" + a.where + "\": slot " + std::to_string(slot) + " is not in use: add a primitive first";
            return false;
        }
        AEGP_StreamVal value{};
        if (!inputValue(host, index, a.value, a.where, &value, error)) return false;
        changeParam(host, index, value, &done.report);
    }
    if (done.report.err) {
        *error = "\"" + a.where + "\" (" + a.what + "): the effect answered " + std::to_string(done.report.err) + " " +
                 oneLine(host.returnMessage());
        return false;
    }
    if (applied) applied->push_back(std::move(done));
    return true;
}

Action setAction(const std::string& where, const std::string& what, int index, const json& value) {
    Action a;
    a.where = where;
    a.what = what;
    a.index = index;
    a.value = value;
    return a;
}

// The scene's effect as the actions a person would take, in order.
std::vector<Action> sceneActions(const json& doc) {
    std::vector<Action> actions;
    const json& fx = doc.value("effect", json::object());
    const json params = fx.value("params", json::object());
    for (auto it = params.begin(); it != params.end(); ++it) {
        Action a = setAction("effect.params." + it.key(), "set " + it.key() + " to " + it.value().dump(), -1, it.value());
        a.target = it.key();
        actions.push_back(a);
    }
    if (doc.contains("environment"))
        actions.push_back(setAction("environment", "set Environment Map to " + std::to_string(kEnvironmentLayerId),
                                    kEnvironmentParam, kEnvironmentLayerId));

    const json& slots = fx.value("slots", json::array());
    for (size_t i = 0; i < slots.size(); ++i) {
        const json& s = slots[i];
        const std::string path = "effect.slots[" + std::to_string(i) + "]";
        const std::string slot = "slot " + std::to_string(i);
        const int first = kFirstSlotParam + static_cast<int>(i) * kSlotParams;
        Action add;
        add.kind = Action::Add;
        add.where = path;
        add.what = "add primitive";
        actions.push_back(add);
        const int type = s.contains("type") ? primitiveTypeOf(s["type"]) : 1;
        if (type != 1)  // Add makes a Sphere
            actions.push_back(setAction(path + ".type",
                                        "set " + slot + "/Primitive to \"" + kPrimitiveNames[type - 1] + "\"",
                                        first + kTypeOffset, type));
        const A_long layer = s.value("layer", 0);
        if (layer != 0)
            actions.push_back(setAction(path + ".layer", "attach " + slot + " to layer " + std::to_string(layer),
                                        first + kNullLayerOffset, layer));
        const json slotParams = s.value("params", json::object());
        for (auto it = slotParams.begin(); it != slotParams.end(); ++it) {
            Action a = setAction(path + ".params." + it.key(), "set " + slot + "/" + it.key() + " to " + it.value().dump(),
                                 -1, it.value());
            a.target = it.key();
            a.slot = static_cast<int>(i);
            actions.push_back(a);
        }
    }

    const json& list = fx.value("actions", json::array());
    for (size_t i = 0; i < list.size(); ++i) {
        const json& j = list[i];
        Action a;
        a.where = "effect.actions[" + std::to_string(i) + "]";
        if (j.contains("add")) {
            a.kind = Action::Add;
            a.what = "add primitive";
        } else if (j.contains("click")) {
            a.kind = Action::Click;
            a.slot = j["slot"].get<int>();
            stripButtonByName(j["click"].get<std::string>(), &a.button);
            a.what = std::string("click ") + stripButtonName(a.button) + " in slot " + std::to_string(a.slot);
        } else if (j.contains("attach")) {
            const int slot = j["slot"].get<int>();
            a.index = kFirstSlotParam + slot * kSlotParams + kNullLayerOffset;
            a.value = j["attach"];
            a.what = a.value.get<A_long>() ? "attach slot " + std::to_string(slot) + " to layer " + a.value.dump()
                                           : "detach slot " + std::to_string(slot);
        } else {
            a.target = j["set"];
            a.value = j["to"];
            a.what = "set " + targetText(a.target) + " to " + a.value.dump();
        }
        actions.push_back(a);
    }
    return actions;
}

}  // namespace

bool parseScene(const std::string& text, const std::string& baseDir, Scene* scene, std::string* error) {
    // Depth and numbers first, before anything is built or walked.
    if (!scanSceneText(text, error)) {
        *error = onOneLine(*error);
        return false;
    }
    try {
        scene->doc = json::parse(text);
    } catch (const json::exception& e) {
        *error = std::string("not JSON: ") + e.what();
        return false;
    }
    scene->baseDir = baseDir;
    if (checkScene(scene->doc, error)) return true;
    *error = onOneLine(*error);
    return false;
}

namespace {

// The whole text of the regular file at the path, at most kMaxSceneFileBytes of it; empty, or why not.
std::string readSceneText(const std::string& path, std::string* text) {
    const FileRead r = readRegularFile(path, kMaxSceneFileBytes, text);
    switch (r.fault) {
    case FileRead::Fault::None: return "";
    case FileRead::Fault::CannotOpen: return "it cannot be opened";
    case FileRead::Fault::NotRegular: return "it is not a regular file";
    case FileRead::Fault::TooLarge: return "it is larger than 64 MB";
    case FileRead::Fault::CannotRead: return std::string("it cannot be read: ") + std::strerror(r.error);
    }
    return "it cannot be read";
}

}  // namespace

bool loadSceneFile(const std::string& path, Scene* scene, std::string* error) {
    // A regular file of a bounded size: a device or a pipe could be read for ever, and a pipe with no
    // writer holds its reader's open for ever. What stands at the path is asked first, and nothing but a
    // regular file is opened.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    std::string why, text;
    if (ec || !std::filesystem::exists(status))
        why = "no such file";
    else if (!std::filesystem::is_regular_file(status))
        why = "it is not a regular file";
    else
        why = readSceneText(path, &text);
    if (!why.empty()) {
        *error = "cannot read " + path + ": " + why;
        return false;
    }
    const size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!parseScene(text, dir, scene, error)) {
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

static bool applySceneSteps(Host& host, const Scene& scene, std::string* error, std::vector<AppliedAction>* applied) {
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

    // Layers: the effect's own, then camera, lights, nulls, plain 2D layers and the environment image.
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
    for (const json& j : doc.value("layers", json::array())) {
        const A_long id = j["id"].get<A_long>();
        project.addLayer(id, j.value("name", "Layer " + std::to_string(id)), AEGP_ObjectType_AV,
                         AEGP_LayerFlag_VIDEO_ACTIVE);
    }
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
            const std::string size = std::to_string(p.imageWidth) + "x" + std::to_string(p.imageHeight);
            if (!fitsInMemory((uint64_t)p.imageWidth * p.imageHeight * 16, "the " + size + " environment", error)) {
                *error = "\"environment\": " + *error;
                return false;
            }
            const json& col = e["color"];
            p.imageRGBA.resize((size_t)p.imageWidth * p.imageHeight * 4);
            for (size_t i = 0; i < p.imageRGBA.size(); ++i) p.imageRGBA[i] = col[i % 4].get<float>();
        }
    }

    // The effect instance.
    PF_Err err = host.command(PF_Cmd_GLOBAL_SETUP);
    if (!err) err = host.command(PF_Cmd_PARAMS_SETUP);
    if (!err) err = host.command(PF_Cmd_SEQUENCE_SETUP);
    if (err) {
        *error = "the effect's set-up failed with " + std::to_string(err) + ": " + oneLine(host.returnMessage());
        return false;
    }
    if ((int)project.streams.size() < kNumParams) project.streams.resize(kNumParams);

    for (const Action& action : sceneActions(doc))
        if (!runAction(host, action, applied, error)) return false;
    return true;
}

bool applyScene(Host& host, const Scene& scene, std::string* error, std::vector<AppliedAction>* applied) {
    const bool ok = applySceneSteps(host, scene, error, applied);
    if (!ok) *error = onOneLine(*error);
    return ok;
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
