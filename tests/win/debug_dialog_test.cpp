// The Debug Information dialog: its text, its layout when resized, how it ends, and that a host
// nobody can answer is never kept waiting. The dialog runs from template 101 of Morphalith.aex.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "DebugInfo.h"
#include "host/Host.h"
#include "platform/win/DebugWindowController_Win.h"
#include "platform/win/PluginModule_Win.h"
#include "tests/win/wine_support.h"

namespace {

TEST(DebugDialogText, LineEndsBecomeOneCRLF) {
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"a\n\n\nb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},          // already Windows line ends: not doubled
        {"a\r\n\r\n\nb", "a\r\nb"},    // a mixed run is one line end
        {"log:\n", "log:\r\n"},
        {"\n\nx", "\r\nx"},
        {"a\rb", "a\rb"},              // a lone carriage return is no line end
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(debugDialogText(c.text), c.shown) << c.text;
}

// Runs template 101 of the module with the dialog procedure; `drive` is called from the dialog's own
// message loop once it is shown. Returns what ended the dialog (EndDialog's code), or -1.
class DebugDialog : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(wine_test::modulePath().c_str());
        ASSERT_NE(module_, nullptr);
        pluginModule = module_;
    }
    void TearDown() override {
        debugDialogOpened = nullptr;
        pluginModule = nullptr;
        FreeLibrary(module_);
    }

    static std::function<void(HWND)>& driver() {
        static std::function<void(HWND)> drive;
        return drive;
    }
    // A timer of the dialog runs the driver inside the modal loop, once the dialog is shown (the
    // modal loop shows it when its queue first runs empty).
    static void opened(HWND dialog) {
        SetTimer(dialog, 1, 10, [](HWND d, UINT, UINT_PTR id, DWORD) {
            if (!IsWindowVisible(d)) return;
            KillTimer(d, id);
            driver()(d);
        });
    }

    INT_PTR run(const std::string& text, std::function<void(HWND)> drive) {
        driver() = std::move(drive);
        debugDialogOpened = opened;
        return DialogBoxParamA(module_, MAKEINTRESOURCEA(kDebugDialogId), nullptr, DebugDlgProc,
                               reinterpret_cast<LPARAM>(&text));
    }

    // A control's place and size in the dialog's client area, in pixels.
    static RECT controlRect(HWND dialog, int id) {
        RECT r{};
        HWND control = GetDlgItem(dialog, id);
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    HMODULE module_ = nullptr;
};

TEST_F(DebugDialog, ShowsTheTextWithOneCRLFPerLineEnd) {
    std::string shown, caption;
    const INT_PTR result = run("a\n\n\nb", [&](HWND dialog) {
        char text[64] = {};
        GetDlgItemTextA(dialog, kDebugDialogText, text, sizeof(text));
        shown = text;
        GetWindowTextA(dialog, text, sizeof(text));
        caption = text;
        EndDialog(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(shown, "a\r\nb");
    EXPECT_EQ(caption, "Debug Information");
}

// After any resize the text fills the client area but for 20 px across and 40 px down, and the buttons
// keep their size with their corners at (w - 80, h - 30), (w - 160, h - 30), (w - 240, h - 30).
TEST_F(DebugDialog, ResizingLaysTheControlsOutAndKeepsItOpen) {
    const int buttons[3][2] = {{IDOK, 80}, {kDebugDialogCancel, 160}, {kDebugDialogSave, 240}};
    std::vector<std::string> failures;
    auto checkLayout = [&](HWND dialog, const char* step) {
        RECT client{};
        GetClientRect(dialog, &client);
        const int w = client.right, h = client.bottom;
        const RECT text = controlRect(dialog, kDebugDialogText);
        if (text.right - text.left != w - 20 || text.bottom - text.top != h - 40)
            failures.push_back(std::string(step) + ": text " + std::to_string(text.right - text.left) + "x" +
                               std::to_string(text.bottom - text.top) + " in " + std::to_string(w) + "x" +
                               std::to_string(h));
        for (const auto& b : buttons) {
            const RECT r = controlRect(dialog, b[0]);
            if (r.left != w - b[1] || r.top != h - 30)
                failures.push_back(std::string(step) + ": button " + std::to_string(b[0]) + " at " +
                                   std::to_string(r.left) + "," + std::to_string(r.top));
        }
        if (!IsWindow(dialog)) failures.push_back(std::string(step) + ": the dialog closed");
    };
    RECT buttonSize{};
    bool sizesKept = true;
    const INT_PTR result = run("text", [&](HWND dialog) {
        buttonSize = controlRect(dialog, IDOK);
        SetWindowPos(dialog, nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
        checkLayout(dialog, "resized");
        ShowWindow(dialog, SW_MAXIMIZE);
        checkLayout(dialog, "maximised");
        ShowWindow(dialog, SW_MINIMIZE);
        if (!IsWindow(dialog)) failures.push_back("minimised: the dialog closed");
        ShowWindow(dialog, SW_RESTORE);
        checkLayout(dialog, "restored");
        const RECT now = controlRect(dialog, IDOK);
        sizesKept = now.right - now.left == buttonSize.right - buttonSize.left &&
                    now.bottom - now.top == buttonSize.bottom - buttonSize.top;
        EndDialog(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
    EXPECT_TRUE(sizesKept);
}

// OK and Enter end the dialog with 1; Esc and the close box with 2. Cancel and Save do nothing.
TEST_F(DebugDialog, EndsByOKEnterEscOrTheCloseBox) {
    const struct {
        const char* how;
        std::function<void(HWND)> act;
        INT_PTR result;
    } cases[] = {
        {"OK button", [](HWND d) { SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0); }, IDOK},
        {"Enter", [](HWND d) { PostMessageA(GetDlgItem(d, kDebugDialogText), WM_KEYDOWN, VK_RETURN, 0); }, IDOK},
        {"Esc", [](HWND d) { PostMessageA(GetDlgItem(d, kDebugDialogText), WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        bool openAfterCancelAndSave = false;
        const INT_PTR result = run("text", [&](HWND dialog) {
            SendDlgItemMessageA(dialog, kDebugDialogCancel, BM_CLICK, 0, 0);
            SendDlgItemMessageA(dialog, kDebugDialogSave, BM_CLICK, 0, 0);
            openAfterCancelAndSave = IsWindow(dialog) && IsWindowVisible(dialog);
            SetFocus(GetDlgItem(dialog, kDebugDialogText));
            c.act(dialog);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_TRUE(openAfterCancelAndSave);
    }
}

// showDebugInfo waits for the dialog and answers 0 however it was closed.
TEST_F(DebugDialog, ShowDebugInfoReturnsOnceTheDialogIsClosed) {
    bool shown = false;
    driver() = [&](HWND dialog) {
        shown = true;
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    debugDialogOpened = opened;
    EXPECT_EQ(showDebugInfo("build log\n"), PF_Err_NONE);
    EXPECT_TRUE(shown);
}

// Where nobody can answer a dialog, no dialog is made: the text goes to the log, and to the sink of a
// host that names one (as the stand-in host does, saying it is not interactive).
TEST(DebugDialogHeadless, TheTextGoesToTheLogAndTheHostsSink) {
    debugDialogOpened = [](HWND dialog) {
        EndDialog(dialog, IDOK);
        ADD_FAILURE() << "a dialog was made";
    };
    {
        SCOPED_TRACE("a host that names a debug-text sink");
        host::Host h(wine_test::modulePath());
        wine_test::DebugOutputCapture console;
        EXPECT_EQ(showDebugInfo("line one\n\nline two"), PF_Err_NONE);
        EXPECT_EQ(h.debugTexts(), std::vector<std::string>{"line one\n\nline two"});
        EXPECT_TRUE(console.contains("] : Debug Information:\nline one\n\nline two\n")) << console.text();
    }
    {
        SCOPED_TRACE("a window station shown on no screen, as a service has");
        HWINSTA shown = GetProcessWindowStation();
        HWINSTA hidden = CreateWindowStationA("MorphalithTestStation", 0, WINSTA_ALL_ACCESS, nullptr);
        ASSERT_NE(hidden, nullptr);
        ASSERT_TRUE(SetProcessWindowStation(hidden));
        wine_test::DebugOutputCapture console;
        const PF_Err err = showDebugInfo("build log");
        SetProcessWindowStation(shown);
        CloseWindowStation(hidden);
        EXPECT_EQ(err, PF_Err_NONE);
        EXPECT_TRUE(console.contains("] : Debug Information:\nbuild log\n")) << console.text();
    }
    debugDialogOpened = nullptr;
}

}  // namespace
