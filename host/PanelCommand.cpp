#include "host/PanelCommand.h"

#include <cstdio>
#include <sstream>

#include <CLI/CLI.hpp>

#include "host/ParamPaths.h"
#include "host/RenderCommand.h"
#include "host/UserActions.h"

namespace host {

namespace {

int fail(const std::string& text) {
    std::fprintf(stderr, "morphalith-host params: %s\n", text.c_str());
    return 1;
}

std::string choice(const DeclaredParam& p, int value) {
    std::stringstream all(p.choices);
    std::string name;
    for (int n = 1; std::getline(all, name, '|'); ++n)
        if (n == value) return name;
    return std::to_string(value) + " (no such choice)";
}

std::string valueText(Host& host, int index) {
    const DeclaredParam& p = *host.panel().find(index);
    const AEGP_StreamVal& v = host.project().streams[index].value;
    char text[96];
    switch (p.def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            std::snprintf(text, sizeof(text), "%.*f", p.def.u.fs_d.precision, v.one_d.value);
            return text;
        case PF_Param_ANGLE:
            std::snprintf(text, sizeof(text), "%g deg", v.one_d.value);
            return text;
        case PF_Param_CHECKBOX: return v.one_d.value != 0 ? "on" : "off";
        case PF_Param_POPUP: return choice(p, static_cast<int>(v.one_d.value));
        case PF_Param_COLOR:
            std::snprintf(text, sizeof(text), "(%.0f, %.0f, %.0f)", v.color.redF * 255, v.color.greenF * 255,
                          v.color.blueF * 255);
            return text;
        case PF_Param_LAYER: {
            if (v.layer_id == 0) return "none";
            const Layer* layer = host.project().findLayer(v.layer_id);
            return (layer ? layer->name : std::string("(gone)")) + " (layer " + std::to_string(v.layer_id) + ")";
        }
        case PF_Param_BUTTON: return "[" + p.buttonText + "]";
        case PF_Param_NO_DATA:
        case PF_Param_ARBITRARY_DATA: return "(custom control)";
        default: return "";
    }
}

std::string rangeText(const PF_ParamDef& d) {
    if (d.param_type != PF_Param_FLOAT_SLIDER) return "-";
    char text[96];
    std::snprintf(text, sizeof(text), "%g .. %g", d.u.fs_d.valid_min, d.u.fs_d.valid_max);
    return text;
}

}  // namespace

std::string visiblePanel(Host& host) {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof(line), "%5s  %-40s %-28s %-16s %s\n", "index", "name", "value", "range", "state");
    out += line;
    const Panel& panel = host.panel();
    for (int i = 1; i < static_cast<int>(panel.size()); ++i) {
        const DeclaredParam& p = *panel.find(i);
        if (p.def.param_type == PF_Param_GROUP_END || !isParamShown(host, i)) continue;
        int depth = 0;
        for (int g = p.parentGroup; g >= 0; g = panel.find(g)->parentGroup) ++depth;
        const std::string name = std::string(2 * depth, ' ') + p.def.name;
        const bool group = p.def.param_type == PF_Param_GROUP_START;
        std::snprintf(line, sizeof(line), "%5d  %-40s %-28s %-16s %s\n", i, name.c_str(),
                      group ? "" : valueText(host, i).c_str(), group ? "" : rangeText(p.def).c_str(),
                      isParamEnabled(host, i) ? "" : "disabled");
        out += line;
    }
    return out;
}

std::string actionListing(const std::vector<AppliedAction>& actions) {
    std::string out;
    for (size_t n = 0; n < actions.size(); ++n) {
        const AppliedAction& a = actions[n];
        out += "action " + std::to_string(n) + " (" + a.where + "): " + a.what + "\n";
        std::string groups;
        for (const std::string& g : a.report.undoGroups) groups += (groups.empty() ? "\"" : ", \"") + g + "\"";
        out += "  undo group: " + (groups.empty() ? std::string("none") : groups) + "\n";
        for (const std::string& info : a.report.infoTexts) out += "  info: " + info + "\n";
        std::stringstream printed(a.report.printed);
        for (std::string text; std::getline(printed, text);)
            if (!text.empty()) out += "  log: " + text + "\n";
    }
    return out;
}

void addParamsOptions(CLI::App* params, ParamsOptions* options) {
    params->add_option("SCENE", options->scenePath,
                       "a scene file whose actions run before the panel is shown (the built-in default scene "
                       "when left out)")
        ->type_name("");
    params->add_flag("--visible", options->visible,
                     "the panel as a person sees it after the scene's actions: only visible parameters, with "
                     "their current names, values, limits and disabled state");
    params->add_flag("--actions", options->actions,
                     "with the visible panel, each action of the scene, its undo group and the log lines it caused");
}

int paramsCommand(Host& host, const ParamsOptions& options, FILE* out) {
    Scene scene;
    std::string error;
    const bool ok = options.scenePath.empty() ? parseScene(defaultSceneText(), ".", &scene, &error)
                                              : loadSceneFile(options.scenePath, &scene, &error);
    if (!ok) return fail(error);
    std::vector<AppliedAction> applied;
    EffectSetdown setdown(host);  // on every way out, an exception's too
    if (!applyScene(host, scene, &error, &applied))
        return fail(options.scenePath.empty() ? error : options.scenePath + ": " + error);
    if (options.actions) std::fputs((actionListing(applied) + "\n").c_str(), out);
    std::fputs(visiblePanel(host).c_str(), out);
    return 0;
}

}  // namespace host
