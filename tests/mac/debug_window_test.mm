// The debug-text window of the macOS bodies, met as a user meets it: a Metal kernel that does not
// compile at GPU device set-up puts its parsed errors in a modal window on the main thread.
#import <AppKit/AppKit.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "MacStandIn.h"
#include "support/HostProcess.h"
#include "support/LiveObjects.h"
#include "support/LogLines.h"
#include "support/MacModuleHost.h"
#include "support/ModalWindowUser.h"

namespace {

using mac_test::Answer;
using mac_test::HasLine;
using mac_test::kParsedErrors;
using mac_test::LogLines;
using mac_test::ModalWindowUser;

class DebugWindow : public mac_test::MacModuleHost {
protected:
    void SetUp() override {
        MacModuleHost::SetUp();
        BreakMetalCompiler();
    }
    void TearDown() override {
        [[NSUserDefaults standardUserDefaults] removeObjectForKey:@"AppleInterfaceStyle"];
        MacModuleHost::TearDown();
    }
};

// The window comes up modal with the errors, and goes away, its modal run over, whichever way the
// user dismisses it.
TEST_F(DebugWindow, OkAndClosingEndTheModalRunAndHideTheWindow) {
    const struct {
        const char* label;
        Answer answer;
    } cases[] = {{"OK pressed", Answer::PressOK}, {"window closed", Answer::CloseWindow}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ModalWindowUser user(c.answer);
        EXPECT_EQ(SetUpMetal(), PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_TRUE(user.seen().shown);
        EXPECT_EQ(user.seen().title, "Debug Information");
        EXPECT_EQ(user.seen().text, kParsedErrors);
        EXPECT_TRUE(user.answerEndedTheRun());
        EXPECT_FALSE(user.windowStillVisible());
        EXPECT_FALSE(ModalWindowUser::modalRunGoing());
        EXPECT_EQ(MacStandIn::mainQueueLength(), 0);
    }
}

// Dark aqua only when the user default says exactly "Dark".
TEST_F(DebugWindow, AppearanceFollowsTheInterfaceStyleDefault) {
    const struct {
        const char* style;  // null: the default is not set
        NSString* appearance;
    } cases[] = {{"Dark", NSAppearanceNameDarkAqua}, {nullptr, NSAppearanceNameAqua}, {"Light", NSAppearanceNameAqua},
                 {"dark", NSAppearanceNameAqua}};
    NSUserDefaults* defaults = [NSUserDefaults standardUserDefaults];
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style ? c.style : "no AppleInterfaceStyle");
        if (c.style)
            [defaults setObject:[NSString stringWithUTF8String:c.style] forKey:@"AppleInterfaceStyle"];
        else
            [defaults removeObjectForKey:@"AppleInterfaceStyle"];
        ModalWindowUser user(Answer::PressOK);
        SetUpMetal();
        EXPECT_TRUE(user.seen().shown);
        EXPECT_EQ(user.seen().appearance, [c.appearance UTF8String]);
    }
}

// Set-up on a render thread returns with the window still to come; the main thread shows it when the
// host next runs the main queue, with the text the module had then.
TEST_F(DebugWindow, TheCallerGoesOnBeforeTheWindowIsShown) {
    ModalWindowUser user(Answer::PressOK);
    PF_Err err = PF_Err_NONE;
    std::thread renderThread([&] { err = SetUpMetal(); });
    renderThread.join();
    EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_FALSE(user.seen().shown);
    EXPECT_EQ(MacStandIn::mainQueueLength(), 1);

    EXPECT_EQ(host_.runMainQueue(), 1);
    EXPECT_TRUE(user.seen().shown);
    EXPECT_EQ(user.seen().text, kParsedErrors);
    EXPECT_EQ(MacStandIn::mainQueueLength(), 0);
}

// A compiler that writes its messages in Latin-1: the window shows them, each byte as its character.
TEST_F(DebugWindow, TextThatIsNotUtf8IsShownAsLatin1) {
    BreakMetalCompiler("program_source:3:1: error: unknown type name 'caf\xe9'\ncaf\xe9 x;\n");
    ModalWindowUser user(Answer::PressOK);
    SetUpMetal();
    EXPECT_TRUE(user.seen().shown);
    EXPECT_EQ(user.seen().text, "error [3:1] unknown type name 'caf\u00e9': caf\u00e9 x;\n");
}

TEST_F(DebugWindow, CopyPutsTheTextOnThePasteboard) {
    [[NSPasteboard generalPasteboard] declareTypes:@[ NSPasteboardTypeString ] owner:nil];
    [[NSPasteboard generalPasteboard] setString:@"before" forType:NSPasteboardTypeString];
    ModalWindowUser user(Answer::PressCopyThenOK);
    SetUpMetal();
    ASSERT_TRUE(user.seen().shown);
    EXPECT_TRUE(user.answerEndedTheRun());
    EXPECT_FALSE(user.windowStillVisible());
    NSString* copied = [[NSPasteboard generalPasteboard] stringForType:NSPasteboardTypeString];
    EXPECT_STREQ([copied UTF8String], kParsedErrors);
}

// A Cocoa exception while the window is made is logged with its name and reason, either of them
// missing as nothing; no window comes up and set-up goes on.
TEST_F(DebugWindow, ExceptionIsLoggedWithNameAndReason) {
    const struct {
        const char* name;  // null: the exception has none
        const char* reason;
        const char* logged;
    } cases[] = {
        {"NSInternalInconsistencyException", "the archive cannot be read",
         "Exception caught: NSInternalInconsistencyException, the archive cannot be read"},
        {"NSInternalInconsistencyException", nullptr, "Exception caught: NSInternalInconsistencyException, "},
        {nullptr, nullptr, "Exception caught: , "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        MacStandIn::raiseInNextNibLoad(c.name, c.reason);
        ModalWindowUser user(Answer::PressOK);
        EXPECT_EQ(SetUpMetal(), PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_FALSE(user.seen().shown);
        EXPECT_TRUE(HasLine(LogLines(setUpPrinted_),
                            std::string("ERROR [DebugInfo_Mac.mm:*:showDebugInfo_block_invoke] :: ") + c.logged))
            << setUpPrinted_;
    }
}

// Each window's controller is let go of once its window is done with: after the user's answer, after
// an interface file that is not there, and after an exception while the file loads.
TEST_F(DebugWindow, NoControllerOutlivesItsWindow) {
    Class controller = NSClassFromString(@"DebugWindowController");
    ASSERT_NE(controller, nil);
    const int before = GSDebugAllocationCount(controller);
    const struct {
        const char* label;
        void (*prepare)();
    } cases[] = {
        {"answered", [] {}},
        {"no interface file", [] { MacStandIn::failNextNibLoad(); }},
        {"exception while loading", [] { MacStandIn::raiseInNextNibLoad("NSInternalInconsistencyException", nullptr); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        c.prepare();
        ModalWindowUser user(Answer::PressOK);
        SetUpMetal();
        EXPECT_EQ(GSDebugAllocationCount(controller), before);
    }
    EXPECT_TRUE(HasLine(LogLines(setUpPrinted_), "ERROR [DebugInfo_Mac.mm:*:showDebugInfo_block_invoke] :: "
                                                 "Exception caught: NSInternalInconsistencyException, "));
}

// A bundle without its interface file: the window cannot be made, which the log says, and the host
// goes on (the render stops at the failed set-up, with nothing left waiting for a user).
class DebugWindowWithoutInterfaceFile : public host_process::CommandLine {};

TEST_F(DebugWindowWithoutInterfaceFile, LogsThatTheNibCannotBeLoaded) {
    namespace fs = std::filesystem;
    const fs::path bundle = root_ / "Morphalith.plugin";
    fs::copy(MRPH_TEST_BUNDLE_DIR, bundle, fs::copy_options::recursive);
    ASSERT_TRUE(fs::remove(bundle / "Contents/Resources/DebugDialog.xib"));
    const fs::path compiler = root_ / "failing-metal-compiler";
    std::ofstream(compiler) << "#!/bin/sh\n"
                               "if [ \"$1\" = --version ]; then echo 'failing compiler 1.0'; exit 0; fi\n"
                               "cat >&2 <<'EOF'\n"
                            << mac_test::kCompilerDiagnostics << "EOF\nexit 1\n";
    fs::permissions(compiler, fs::perms::owner_all);
    setenv("MRPH_METAL_CXX", compiler.c_str(), 1);

    const host_process::Result run = host({"--module", (bundle / "Contents/MacOS/Morphalith").string(), "render",
                                           "-o", "{dir}/frame.png", "--framework", "metal"});
    unsetenv("MRPH_METAL_CXX");
    EXPECT_EQ(run.status, 1) << run.err;
    const std::vector<std::string> lines = LogLines(run.err);
    EXPECT_TRUE(HasLine(lines, "ERROR [DebugInfo_Mac.mm:*:-[DebugWindowController init:]] :: Unable to load nib file."))
        << run.err;
    EXPECT_FALSE(host_process::has(run.err, "Exception caught")) << run.err;
}

}  // namespace
