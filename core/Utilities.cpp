#include "Utilities.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "AEGP_SuiteHandler.h"
#include "Utf16Text.h"

void setBitFlag(int flag, bool value, int* flags) {
    if (value) *flags |= flag;
    else *flags &= ~flag;
}

std::string getVersionString(bool withStage, bool withName) {
    std::string text;
    if (withName) text += std::string("Morphalith") + " v";
    text += std::to_string(1) + "." + std::to_string(1) + "." + std::to_string(2);
    if (withStage) text += std::string(" ") + "Release";
    return text;
}

namespace {

std::string fixed2(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.2f", value);
    return buffer;
}

template <typename Matrix>
std::string matrixText(const Matrix& m) {
    std::string text = "[";
    for (int column = 0; column < 4; ++column) {
        if (column > 0) text += "\n";
        text += " ";
        for (int row = 0; row < 4; ++row) {
            if (row > 0) text += ", ";
            text += fixed2(static_cast<double>(m[column][row]));
        }
        if (column < 3) text += ", ";
    }
    return text + "]";
}

}  // namespace

std::string to_string(const PF_LRect& r) {
    return "[ left: " + std::to_string(r.left) + ", top: " + std::to_string(r.top) +
           ", right: " + std::to_string(r.right) + ", bottom: " + std::to_string(r.bottom) + " ]  ";
}

std::string to_string(const PF_LayerDef& w) {
    return "[ x: " + std::to_string(w.origin_x) + ", y: " + std::to_string(w.origin_y) +
           ", width: " + std::to_string(w.width) + ", height: " + std::to_string(w.height) +
           ", rowbytes: " + std::to_string(w.rowbytes) + ", extend:" + to_string(w.extent_hint) + " ]";
}

std::string to_string(const glm::mat4& m) { return matrixText(m); }
std::string to_string(const glm::dmat4& m) { return matrixText(m); }

std::string to_string(const glm::vec4& v) {
    return "[" + fixed2(v.x) + ", " + fixed2(v.y) + ", " + fixed2(v.z) + ", " + fixed2(v.w) + "]";
}

std::string to_string(const glm::vec3& v) { return "[" + fixed2(v.x) + ", " + fixed2(v.y) + ", " + fixed2(v.z) + "]"; }

std::string wrap_string(const std::string& text, int width, bool doubleNewline) {
    std::string result, line, word;
    // A negative width means no limit: the line lengths compare as unsigned numbers, so such a width
    // reads as the largest one there is.
    auto fits = [&] { return width < 0 || line.size() + word.size() <= static_cast<size_t>(width); };
    for (char c : text) {
        if (c == '\n') {
            result += line + word;
            result += doubleNewline ? "\n\n" : "\n";
            line.clear();
            word.clear();
        } else if (c == ' ') {
            if (fits()) {
                line += word + " ";
            } else {
                result += line + "\n";
                line = word + " ";
            }
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) result += fits() ? line + word : line + "\n" + word;
    else result += line;
    return result;
}

namespace AEUtil {

namespace {

// Room for any path the host reports; the last unit is kept zero whatever the host writes.
constexpr size_t kPlatformPathUnits = 4096;

// Runs one definition update on a copy of params[index].
template <typename Change>
PF_Err updateCopy(AEGP_SuiteHandler& suites, PF_InData* in_data, PF_ParamDef** params, int index, Change change) {
    PF_ParamDef copy;
    std::memset(&copy, 0, sizeof(copy));
    copy = *params[index];
    change(copy);
    return suites.ParamUtilsSuite3()->PF_UpdateParamUI(in_data->effect_ref, index, &copy);
}

}  // namespace

std::string getResourcesPath(PF_InData* in_data) {
    std::vector<A_UTF16Char> path(kPlatformPathUnits, 0);
    if (in_data && in_data->utils && in_data->utils->get_platform_data)
        in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_EXE_FILE_PATH_W, path.data());
    path.back() = 0;
    std::string utf8;
    utf::utf16ToUtf8(path.data(), path.size(), &utf8);
    return utf8 + "/Contents/Resources/";
}

void copyConvertStringLiteralIntoUTF16(const wchar_t* in, A_UTF16Char* out, size_t capacity) {
    if (!out || capacity == 0) return;
    size_t n = 0;
    for (const wchar_t* c = in; c && *c; ++c) {
        uint32_t cp = static_cast<uint32_t>(*c);
        if (sizeof(wchar_t) == 2 || cp < 0x10000) {
            if (n + 1 >= capacity) break;
            out[n++] = static_cast<A_UTF16Char>(cp);
        } else {
            // A character beyond the basic plane takes a surrogate pair, and both must fit.
            if (n + 2 >= capacity) break;
            cp -= 0x10000;
            out[n++] = static_cast<A_UTF16Char>(0xD800 + (cp >> 10));
            out[n++] = static_cast<A_UTF16Char>(0xDC00 + (cp & 0x3FF));
        }
    }
    out[n] = 0;
}

PF_Err setParamEnabeled(PF_InData* in_data, PF_ParamDef** params, int index, unsigned char enabled) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    return updateCopy(suites, in_data, params, index,
                      [&](PF_ParamDef& copy) { setBitFlag(PF_PUI_DISABLED, !enabled, &copy.ui_flags); });
}

PF_Err setParamName(PF_InData* in_data, PF_ParamDef** params, int index, const std::string& name) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    return updateCopy(suites, in_data, params, index, [&](PF_ParamDef& copy) {
        std::string bounded = name.substr(0, sizeof(copy.name) - 1);
        in_data->utils->ansi.strcpy(copy.name, bounded.c_str());
    });
}

PF_Err setParamVisibility(int pluginID, PF_InData* in_data, PF_ParamDef** params, int index,
                          unsigned char visible) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    PF_Err err = updateCopy(suites, in_data, params, index,
                            [&](PF_ParamDef& copy) { setBitFlag(PF_PUI_INVISIBLE, !visible, &copy.ui_flags); });

    // Hiding is also stored with the project, through the stream's dynamic flag.
    AEGP_EffectRefH effect = nullptr;
    AEGP_StreamRefH stream = nullptr;
    if (!err) err = suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(pluginID, in_data->effect_ref, &effect);
    if (!err) err = suites.StreamSuite5()->AEGP_GetNewEffectStreamByIndex(pluginID, effect, index, &stream);
    if (!err)
        err = suites.DynamicStreamSuite4()->AEGP_SetDynamicStreamFlag(stream, AEGP_DynStreamFlag_HIDDEN, FALSE,
                                                                      !visible);
    if (effect) {
        PF_Err disposeErr = suites.EffectSuite4()->AEGP_DisposeEffect(effect);
        if (!err) err = disposeErr;
    }
    if (stream) {
        PF_Err disposeErr = suites.StreamSuite5()->AEGP_DisposeStream(stream);
        if (!err) err = disposeErr;
    }
    return err;
}

}  // namespace AEUtil
