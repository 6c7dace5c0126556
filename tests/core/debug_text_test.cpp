// The debug-text window of the Linux build: texts reach the host's sink whole, in order, and never
// the plug-in's log.
#include <gtest/gtest.h>

#include "DebugInfo.h"
#include "host/Host.h"
#include "host/OutputCapture.h"

namespace {

TEST(DebugText, TextsReachTheHostWholeAndInOrder) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    const std::string log = "line one\nline two with 12 digits 123456789012\n\n";
    const std::string binaryish = std::string("nul\0inside", 10);
    host::OutputCapture console;
    EXPECT_EQ(showDebugInfo(log), PF_Err_NONE);
    EXPECT_EQ(showDebugInfo(""), PF_Err_NONE);
    EXPECT_EQ(showDebugInfo(binaryish), PF_Err_NONE);
    EXPECT_EQ(console.finish(), "");  // nothing on the console, so nothing in the log
    EXPECT_EQ(h.debugTexts(), (std::vector<std::string>{log, "", binaryish}));
    h.clearDebugTexts();
    EXPECT_TRUE(h.debugTexts().empty());
}

TEST(DebugText, EachHostHasItsOwnSink) {
    {
        host::Host h(MRPH_TEST_MODULE_PATH);
        showDebugInfo("for the first host");
        ASSERT_EQ(h.debugTexts().size(), 1u);
    }
    host::Host h(MRPH_TEST_MODULE_PATH);
    EXPECT_TRUE(h.debugTexts().empty());
}

}  // namespace
