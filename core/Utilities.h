// Utilities.h — small helpers shared across the plug-in: bit flags, the version text, text forms of
// geometry for the debug overlay and logs, the overlay's word wrap, and the AEUtil host helpers.
#ifndef MORPHALITH_CORE_UTILITIES_H
#define MORPHALITH_CORE_UTILITIES_H

#include <cstddef>
#include <string>

#include <glm/glm.hpp>

#include "PF_Param.h"

void setBitFlag(int flag, bool value, int* flags);
// Unsigned and signed flag words of the host records share the helper.
inline void setBitFlag(int flag, bool value, uint32_t* flags) {
    if (value) *flags |= static_cast<uint32_t>(flag);
    else *flags &= ~static_cast<uint32_t>(flag);
}

// "Morphalith v1.1.2 Release" with both parts; the displayed version is 1.1.2 while the host's
// version word says 1.1.0 — both are kept as they shipped.
std::string getVersionString(bool withStage, bool withName);

std::string to_string(const PF_LRect& rect);
std::string to_string(const PF_LayerDef& world);
std::string to_string(const glm::mat4& matrix);
std::string to_string(const glm::dmat4& matrix);
std::string to_string(const glm::vec4& v);
std::string to_string(const glm::vec3& v);

// Wraps at blanks so that lines hold at most `width` bytes where the words allow; a longer word stands
// alone, unbroken. A "\n" in the text ends the line ("\n\n" when doubleNewline).
std::string wrap_string(const std::string& text, int width, bool doubleNewline);

namespace AEUtil {

// The plug-in bundle's resources folder, ending in "/Contents/Resources/".
std::string getResourcesPath(PF_InData* in_data);

// Copies a wide literal into UTF-16 with a terminating zero, never writing more than `capacity` units
// (terminator included): what does not fit is cut at a whole character.
void copyConvertStringLiteralIntoUTF16(const wchar_t* in, A_UTF16Char* out, size_t capacity);
template <size_t N>
void copyConvertStringLiteralIntoUTF16(const wchar_t* in, A_UTF16Char (&out)[N]) {
    copyConvertStringLiteralIntoUTF16(in, out, N);
}

// Each changes a copy of params[index]'s definition and hands it to the host; the parameter array
// itself is not written.
PF_Err setParamEnabeled(PF_InData* in_data, PF_ParamDef** params, int index, unsigned char enabled);
PF_Err setParamVisibility(int pluginID, PF_InData* in_data, PF_ParamDef** params, int index,
                          unsigned char visible);
// A name longer than the host's 31 characters is cut to fit.
PF_Err setParamName(PF_InData* in_data, PF_ParamDef** params, int index, const std::string& name);

}  // namespace AEUtil

#endif  // MORPHALITH_CORE_UTILITIES_H
