// The debug-text window of the plug-in code linked into this binary. The window's controller class
// lives in the module alone (cmake/MacBodies.cmake): the tests meet the window through the module,
// and a text shown by the linked code only lands here.
#include "DebugInfo.h"
#include "linked_debug_texts.h"

namespace mac_test {

std::vector<std::string>& linkedDebugTexts() {
    static std::vector<std::string> texts;
    return texts;
}

}  // namespace mac_test

PF_Err showDebugInfo(std::string text) {
    mac_test::linkedDebugTexts().push_back(std::move(text));
    return PF_Err_NONE;
}
