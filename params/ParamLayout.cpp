#include "ParamLayout.h"

namespace {

constexpr PF_ParamFlags kCollapsed = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags kSupervised = PF_ParamFlag_SUPERVISE;
constexpr PF_ParamFlags kOldProjects = PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS;
constexpr PF_ParamUIFlags kHiddenOff = PF_PUI_INVISIBLE | PF_PUI_DISABLED;

constexpr ParamRow group(const char* name, PF_ParamFlags flags = 0, PF_ParamUIFlags ui = 0) {
    return {PF_Param_GROUP_START, name, 0, 0, 0, 0, flags, ui, 0, 0, 0, PopupChoices::None};
}
constexpr ParamRow groupEnd() { return {PF_Param_GROUP_END, "", 0, 0, 0, 0, 0, 0, 0, 0, 0, PopupChoices::None}; }
constexpr ParamRow slider(const char* name, float min, float max, float dflt, A_short precision,
                          PF_ParamFlags flags = kCollapsed) {
    return {PF_Param_FLOAT_SLIDER, name, min, max, dflt, precision, flags, 0, 0, 0, 0, PopupChoices::None};
}
constexpr ParamRow checkbox(const char* name, bool on) {
    return {PF_Param_CHECKBOX, name, 0, 0, on ? 1.0f : 0.0f, 0, 0, 0, 0, 0, 0, PopupChoices::None};
}
constexpr ParamRow popup(const char* name, PopupChoices choices, int dflt, PF_ParamFlags flags) {
    return {PF_Param_POPUP, name, 0, 0, static_cast<float>(dflt), 0, flags, 0, 0, 0, 0, choices};
}
constexpr ParamRow layer(const char* name, PF_ParamFlags flags) {
    return {PF_Param_LAYER, name, 0, 0, 0, 0, flags, 0, 0, 0, 0, PopupChoices::None};
}
constexpr ParamRow colour(const char* name, A_u_char r, A_u_char g, A_u_char b) {
    return {PF_Param_COLOR, name, 0, 0, 0, 0, 0, 0, r, g, b, PopupChoices::None};
}
constexpr ParamRow angle(const char* name) {
    return {PF_Param_ANGLE, name, 0, 0, 0, 0, kCollapsed, 0, 0, 0, 0, PopupChoices::None};
}
constexpr ParamRow arbitrary(const char* name, PF_ParamFlags flags, PF_ParamUIFlags ui) {
    return {PF_Param_ARBITRARY_DATA, name, 0, 0, 0, 0, flags, ui, 0, 0, 0, PopupChoices::None};
}
constexpr ParamRow button(const char* name, PF_ParamFlags flags) {
    return {PF_Param_BUTTON, name, 0, 0, 0, 0, flags, 0, 0, 0, 0, PopupChoices::None};
}

}  // namespace

const ParamRow kSlotParamRows[kParamsPerSlot] = {
    group("Primitive %d"),                                                   // 0
    checkbox("Enabled", true),                                               // 1
    popup("Primitive", PopupChoices::Primitives, 1, kSupervised),            // 2
    layer("Null Layer", kSupervised),                                        // 3
    group("Size"),                                                           // 4
    slider("X Size", 0, 2000, 100, 2),                                       // 5
    slider("Y Size", 0, 2000, 100, 2),                                       // 6
    slider("Z Size", 0, 2000, 100, 2),                                       // 7
    groupEnd(),                                                              // 8
    slider("Percent", 0, 100, 0, 2),                                         // 9
    slider("Height", 0, 2000, 100, 2),                                       // 10
    slider("Diameter", 0, 2000, 50, 2),                                      // 11
    slider("Second Diameter", 0, 2000, 10, 2),                               // 12
    group("Material Options", kCollapsed),                                   // 13
    group("Diffuse Options"),                                                // 14
    slider("Diffuse Intensity", 0, 200, 100, 2),                             // 15
    colour("Diffuse Color", 255, 255, 255),                                  // 16
    groupEnd(),                                                              // 17
    group("Specular"),                                                       // 18
    slider("Specular Intensity", 0, 200, 100, 2),                            // 19
    colour("Specular Color", 255, 255, 255),                                 // 20
    slider("Shininess", 0, 1000, 100, 2),                                    // 21
    groupEnd(),                                                              // 22
    group("Glossiness Options"),                                             // 23
    slider("Glossiness Intensity", 0, 200, 0, 2),                            // 24
    slider("Fresnel Edge Bias", 0, 500, 150, 2),                             // 25
    slider("Fresnel Central Bias", 0, 100, 0, 2),                            // 26
    groupEnd(),                                                              // 27
    group("Rim Light Options"),                                              // 28
    slider("Rim Intensity", 0, 200, 0, 2),                                   // 29
    colour("Rim Color", 0, 0, 0),                                            // 30
    slider("Colorized Normal Mix", 0, 100, 100, 2),                          // 31
    slider("Fresnel Edge Bias", 0, 500, 150, 2),                             // 32
    slider("Fresnel Central Bias", 0, 100, 0, 2),                            // 33
    groupEnd(),                                                              // 34
    group("Opacity Options", 0, kHiddenOff),                                 // 35
    slider("Opacity", 0, 100, 100, 2),                                       // 36
    slider("Fresnel Edge Bias", 0, 500, 0, 2),                               // 37
    slider("Fresnel Central Bias", 0, 100, 0, 2),                            // 38
    groupEnd(),                                                              // 39
    groupEnd(),                                                              // 40
    group("Modifiers"),                                                      // 41
    group("Bend"),                                                           // 42
    checkbox("Enabled", false),                                              // 43
    slider("Strength", -2048, 2048, 0, 2),                                   // 44
    group("Rotation"),                                                       // 45
    angle("Rotation X"),                                                     // 46
    angle("Rotation Y"),                                                     // 47
    angle("Rotation Z"),                                                     // 48
    groupEnd(),                                                              // 49
    groupEnd(),                                                              // 50
    group("Twist"),                                                          // 51
    checkbox("Enabled", false),                                              // 52
    slider("Strength", -2000, 2000, 0, 2),                                   // 53
    group("Rotation"),                                                       // 54
    angle("Rotation X"),                                                     // 55
    angle("Rotation Y"),                                                     // 56
    angle("Rotation Z"),                                                     // 57
    groupEnd(),                                                              // 58
    groupEnd(),                                                              // 59
    group("Waves"),                                                          // 60
    checkbox("Enabled", false),                                              // 61
    group("Cosine"),                                                         // 62
    slider("Amplitude", 0, 1000, 0, 2),                                      // 63
    slider("Frequency", 0, 50, 2, 2),                                        // 64
    angle("Offset"),                                                         // 65
    group("Rotation"),                                                       // 66
    angle("Rotation X"),                                                     // 67
    angle("Rotation Y"),                                                     // 68
    angle("Rotation Z"),                                                     // 69
    groupEnd(),                                                              // 70
    groupEnd(),                                                              // 71
    group("Sine"),                                                           // 72
    slider("Amplitude", 0, 1000, 0, 2),                                      // 73
    slider("Frequency", 0, 50, 2, 2),                                        // 74
    angle("Offset"),                                                         // 75
    group("Rotation"),                                                       // 76
    angle("Rotation X"),                                                     // 77
    angle("Rotation Y"),                                                     // 78
    angle("Rotation Z"),                                                     // 79
    groupEnd(),                                                              // 80
    groupEnd(),                                                              // 81
    groupEnd(),                                                              // 82
    group("Ripples"),                                                        // 83
    checkbox("Enabled", false),                                              // 84
    slider("Amplitude", 0, 1000, 0, 2),                                      // 85
    slider("Frequency", 0, 50, 2, 2),                                        // 86
    angle("Offset"),                                                         // 87
    group("Rotation"),                                                       // 88
    angle("Rotation X"),                                                     // 89
    angle("Rotation Y"),                                                     // 90
    angle("Rotation Z"),                                                     // 91
    groupEnd(),                                                              // 92
    groupEnd(),                                                              // 93
    groupEnd(),                                                              // 94
    popup("Operation with previous", PopupChoices::Operations, 1, 0),        // 95
    slider("Smoothness", 0, 1000, 0, 2, kSupervised),                        // 96
    arbitrary("Primitive Controls", PF_ParamFlag_CANNOT_TIME_VARY | kSupervised,
              PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL),                   // 97
    groupEnd(),                                                              // 98
};

const ParamRow kGlobalParamRows[kNumGlobalParams] = {
    button("Add new primitive (%d/%d)", kSupervised),                        // 1092
    group("Environment"),                                                    // 1093
    colour("Ambient Light Color Top", 255, 255, 255),                        // 1094
    colour("Ambient Light Color Bottom", 0, 0, 0),                           // 1095
    slider("Ambient Center Bias", 0, 100, 50, 2),                            // 1096
    layer("Environment Map", kSupervised),                                   // 1097
    checkbox("Show Environment", true),                                      // 1098
    groupEnd(),                                                              // 1099
    group("Global Settings"),                                                // 1100
    group("Ray Marching"),                                                   // 1101
    slider("Steps", 0, 1024, 255, 0),                                        // 1102
    slider("Precision Multiplier", 1, 100, 60, 1),                           // 1103
    slider("Ray Proximity Threshold", 0.01f, 100, 10, 2, kCollapsed | kOldProjects),  // 1104
    slider("Max Clip Distance", 1, 100000, 10000, 0, kCollapsed | kOldProjects),      // 1105
    groupEnd(),                                                              // 1106
    group("Shadows & Reflections"),                                          // 1107
    slider("Max Reflections", 0, 10, 1, 0, kCollapsed | kOldProjects),       // 1108
    checkbox("Shadows Enabled", false),                                      // 1109
    slider("Shadows Quality", 0.001f, 500, 10, 2, 0),                        // 1110
    slider("Shadows Proximity Threshold", 0.001f, 1000, 50, 2, 0),           // 1111
    slider("Shadows Steps", 0, 1024, 255, 0),                                // 1112
    groupEnd(),                                                              // 1113
    group("Ambient Occlusion"),                                              // 1114
    checkbox("Enabled", false),                                              // 1115
    slider("AO Threshold", 0.01f, 300, 100, 1, 0),                           // 1116
    slider("AO Intensity", 0, 100, 100, 1, 0),                               // 1117
    groupEnd(),                                                              // 1118
    // Anti-aliasing and depth of field are not built yet: declared (their ids are taken), never shown.
    // The "Samples" defaults lie above their maximum as they always have; nothing reads them.
    group("Anti-Aliasing", 0, kHiddenOff),                                   // 1119
    checkbox("Enabled", false),                                              // 1120
    slider("Samples", 0, 8, 10, 0, 0),                                       // 1121
    slider("Strength", 0, 100, 100, 1, 0),                                   // 1122
    groupEnd(),                                                              // 1123
    group("Depth of field", 0, kHiddenOff),                                  // 1124
    checkbox("Enabled", false),                                              // 1125
    slider("Samples", 0, 8, 10, 0, 0),                                       // 1126
    slider("Strength", 0, 100, 100, 1, 0),                                   // 1127
    groupEnd(),                                                              // 1128
    popup("Render Mode", PopupChoices::RenderPasses, 1, kSupervised),        // 1129
    groupEnd(),                                                              // 1130
};

std::string popupChoicesString(PopupChoices choices) {
    switch (choices) {
        case PopupChoices::Primitives: return getPopupString(PrimitiveType_String, true);  // "None" is no choice
        case PopupChoices::Operations: return getPopupString(OperationType_String, false);
        case PopupChoices::RenderPasses: return getPopupString(RenderPass_String, false);
        case PopupChoices::None: break;
    }
    return "";
}

A_short popupChoicesCount(PopupChoices choices) {
    switch (choices) {
        case PopupChoices::Primitives: return static_cast<A_short>(PrimitiveType_String.size() - 1);
        case PopupChoices::Operations: return static_cast<A_short>(OperationType_String.size());
        case PopupChoices::RenderPasses: return static_cast<A_short>(RenderPass_String.size());
        case PopupChoices::None: break;
    }
    return 0;
}
