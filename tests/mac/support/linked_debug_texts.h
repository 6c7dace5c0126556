// linked_debug_texts.h — what the plug-in code linked into the test binary asked to show (see
// linked_debug_texts.cpp).
#ifndef MORPHALITH_TESTS_MAC_LINKED_DEBUG_TEXTS_H
#define MORPHALITH_TESTS_MAC_LINKED_DEBUG_TEXTS_H

#include <string>
#include <vector>

namespace mac_test {

std::vector<std::string>& linkedDebugTexts();

}  // namespace mac_test

#endif  // MORPHALITH_TESTS_MAC_LINKED_DEBUG_TEXTS_H
