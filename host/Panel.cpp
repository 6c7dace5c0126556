#include "host/Panel.h"

#include <cstdio>
#include <cstring>

namespace host {

namespace {

std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof(text), "%g", v);
    return text;
}

std::string flagWords(const PF_ParamDef& def) {
    std::string words;
    auto add = [&](bool on, const char* word) {
        if (!on) return;
        if (!words.empty()) words += ",";
        words += word;
    };
    add(def.flags & PF_ParamFlag_CANNOT_TIME_VARY, "cannot-time-vary");
    add(def.flags & PF_ParamFlag_COLLAPSE_TWIRLY, "collapsed");
    add(def.flags & PF_ParamFlag_SUPERVISE, "supervised");
    add(def.flags & PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS, "old-project-value");
    add(def.ui_flags & PF_PUI_CONTROL, "custom-control");
    add(def.ui_flags & PF_PUI_DONT_ERASE_CONTROL, "dont-erase");
    add(def.ui_flags & PF_PUI_DISABLED, "disabled");
    add(def.ui_flags & PF_PUI_INVISIBLE, "invisible");
    return words.empty() ? "-" : words;
}

std::string defaultText(const DeclaredParam& p) {
    const PF_ParamDef& d = p.def;
    switch (d.param_type) {
        case PF_Param_FLOAT_SLIDER: return number(d.u.fs_d.dephault);
        case PF_Param_CHECKBOX: return d.u.bd.dephault ? "on" : "off";
        case PF_Param_ANGLE: return number(d.u.ad.dephault / 65536.0) + "deg";
        case PF_Param_COLOR: {
            char text[64];
            std::snprintf(text, sizeof(text), "(%d,%d,%d)", d.u.cd.dephault.red, d.u.cd.dephault.green,
                          d.u.cd.dephault.blue);
            return text;
        }
        case PF_Param_POPUP: {
            // The default's own name, from the choices.
            std::string name;
            int n = 1;
            for (size_t start = 0;; ++n) {
                size_t bar = p.choices.find('|', start);
                if (n == d.u.pd.dephault) {
                    name = p.choices.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
                    break;
                }
                if (bar == std::string::npos) break;
                start = bar + 1;
            }
            return std::to_string(d.u.pd.dephault) + " (" + name + ")";
        }
        case PF_Param_LAYER: return d.u.ld.dephault == PF_LayerDefault_NONE ? "none" : "self";
        case PF_Param_BUTTON: return "[" + p.buttonText + "]";
        default: return "-";
    }
}

std::string rangeText(const DeclaredParam& p) {
    const PF_ParamDef& d = p.def;
    if (d.param_type == PF_Param_FLOAT_SLIDER)
        return number(d.u.fs_d.valid_min) + " .. " + number(d.u.fs_d.valid_max) + " (" +
               std::to_string(d.u.fs_d.precision) + " dec)";
    if (d.param_type == PF_Param_POPUP) return std::to_string(d.u.pd.num_choices) + " choices";
    if (d.param_type == PF_Param_NO_DATA || d.param_type == PF_Param_ARBITRARY_DATA)
        return std::to_string(d.ui_width) + "x" + std::to_string(d.ui_height) + " px";
    return "-";
}

}  // namespace

const char* paramTypeName(PF_ParamType type) {
    switch (type) {
        case PF_Param_LAYER: return "layer";
        case PF_Param_SLIDER: return "slider";
        case PF_Param_FIX_SLIDER: return "fixed slider";
        case PF_Param_ANGLE: return "angle";
        case PF_Param_CHECKBOX: return "checkbox";
        case PF_Param_COLOR: return "colour";
        case PF_Param_POINT: return "point";
        case PF_Param_POPUP: return "popup";
        case PF_Param_NO_DATA: return "no data";
        case PF_Param_FLOAT_SLIDER: return "float slider";
        case PF_Param_ARBITRARY_DATA: return "arbitrary";
        case PF_Param_GROUP_START: return "group";
        case PF_Param_GROUP_END: return "group end";
        case PF_Param_BUTTON: return "button";
        case PF_Param_POINT_3D: return "3D point";
        default: return "?";
    }
}

void Panel::reset() {
    params_.clear();
    groupStack_.clear();
    unbalancedEnds_ = 0;
    customUI.clear();
    optionsButtonName.clear();
    updateCalls = 0;
    uiUpdates.clear();
    DeclaredParam input;
    input.def.param_type = PF_Param_LAYER;
    std::strcpy(input.def.name, "Input");
    input.declaredName = input.def.name;
    input.def.u.ld.dephault = PF_LayerDefault_MYSELF;
    params_.push_back(input);
}

int Panel::add(const PF_ParamDef& def) {
    if (params_.empty()) reset();
    DeclaredParam p;
    p.def = def;
    p.def.name[sizeof(p.def.name) - 1] = '\0';
    p.declaredName = p.def.name;
    // The module's strings live only while add_param runs; keep copies and point at nothing.
    if (def.param_type == PF_Param_POPUP && def.u.pd.u.namesptr) p.choices = def.u.pd.u.namesptr;
    if (def.param_type == PF_Param_BUTTON && def.u.button_d.u.namesptr) p.buttonText = def.u.button_d.u.namesptr;
    if (def.param_type == PF_Param_CHECKBOX && def.u.bd.u.nameptr) p.checkboxText = def.u.bd.u.nameptr;
    if (def.param_type == PF_Param_POPUP) p.def.u.pd.u.namesptr = nullptr;
    if (def.param_type == PF_Param_BUTTON) p.def.u.button_d.u.namesptr = nullptr;
    if (def.param_type == PF_Param_CHECKBOX) p.def.u.bd.u.nameptr = nullptr;

    // A group end belongs to the group it closes.
    int index = static_cast<int>(params_.size());
    p.parentGroup = groupStack_.empty() ? -1 : groupStack_.back();
    if (def.param_type == PF_Param_GROUP_END) {
        if (groupStack_.empty()) unbalancedEnds_ += 1;
        else groupStack_.pop_back();
    }
    if (def.param_type == PF_Param_GROUP_START) groupStack_.push_back(index);
    params_.push_back(p);
    return index;
}

const DeclaredParam* Panel::find(int index) const {
    return index >= 0 && index < static_cast<int>(params_.size()) ? &params_[index] : nullptr;
}
DeclaredParam* Panel::find(int index) {
    return index >= 0 && index < static_cast<int>(params_.size()) ? &params_[index] : nullptr;
}

std::string Panel::table() const {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof(line), "%5s  %-36s %-12s %-16s %-22s %s\n", "index", "name", "type", "default",
                  "range", "flags");
    out += line;
    for (size_t i = 0; i < params_.size(); ++i) {
        const DeclaredParam& p = params_[i];
        int depth = 0;
        for (int g = p.parentGroup; g >= 0; g = params_[g].parentGroup) ++depth;
        std::string name = std::string(2 * depth, ' ');
        name += p.def.param_type == PF_Param_GROUP_END ? "(end)" : p.def.name;
        std::snprintf(line, sizeof(line), "%5zu  %-36s %-12s %-16s %-22s %s\n", i, name.c_str(),
                      paramTypeName(p.def.param_type), defaultText(p).c_str(), rangeText(p).c_str(),
                      flagWords(p.def).c_str());
        out += line;
    }
    return out;
}

}  // namespace host
