// DebugWindowController_Win.cpp — debug texts in the Windows build: the "Debug Information" dialog.
//
// The dialog is modal on the calling thread, a host command thread, so the host waits until someone
// presses OK. Where nobody can (a service's invisible window station, or a headless host that names
// a debug-text sink, as the stand-in host does), the text is logged instead and goes to the sink.
#include "platform/win/DebugWindowController_Win.h"

#include "DebugInfo.h"
#include "DebugTextSink.h"
#include "Headers/LogsController.h"
#include "platform/win/PluginModule_Win.h"

void (*debugDialogOpened)(HWND dialog) = nullptr;

namespace {

// False for a window station that is not shown on any screen (services run in one).
bool windowStationVisible() {
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof(flags), nullptr))
        return true;  // cannot tell: behave as a desktop application
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void logText(const std::string& text) { spdlog_log("Debug Information:\n" + text); }

}  // namespace

std::string debugDialogText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    bool inLineEnds = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool lineEnd = text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
        if (!lineEnd) {
            out.push_back(text[i]);
            inLineEnds = false;
            continue;
        }
        if (text[i] == '\r') ++i;  // "\r\n" is one line end, not two
        if (!inLineEnds) out += "\r\n";
        inLineEnds = true;
    }
    return out;
}

INT_PTR CALLBACK DebugDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const std::string shown = debugDialogText(*reinterpret_cast<const std::string*>(lParam));
            if (!SetDlgItemTextA(dialog, kDebugDialogText, shown.c_str()))
                MRPH_LOG_ERROR_IN("DebugDlgProc", "SetDlgItemText failed with error " + std::to_string(GetLastError()));
            if (debugDialogOpened) debugDialogOpened(dialog);
            return TRUE;
        }
        case WM_SIZE: {
            // The new client size in pixels: the text grows with the dialog, the buttons keep their
            // size and stay in the lower right corner.
            const int w = LOWORD(lParam), h = HIWORD(lParam);
            SetWindowPos(GetDlgItem(dialog, kDebugDialogText), nullptr, 0, 0, w - 20, h - 40, SWP_NOMOVE | SWP_NOZORDER);
            SetWindowPos(GetDlgItem(dialog, IDOK), nullptr, w - 80, h - 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            SetWindowPos(GetDlgItem(dialog, kDebugDialogCancel), nullptr, w - 160, h - 30, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER);
            SetWindowPos(GetDlgItem(dialog, kDebugDialogSave), nullptr, w - 240, h - 30, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER);
            return FALSE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDOK || id == IDCANCEL) {  // IDCANCEL also comes from Esc and the close box
                EndDialog(dialog, id);
                return TRUE;
            }
            return FALSE;
        }
        default: return FALSE;
    }
}

namespace DebugWindow {

PF_Err Show(const std::string& text) {
    HMODULE module = pluginModule ? pluginModule : GetPluginModuleHandle();
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(kDebugDialogId), nullptr, DebugDlgProc,
                                           reinterpret_cast<LPARAM>(&text));
    if (result == -1) {
        MRPH_LOG_ERROR_IN("DebugWindow::Show", "DialogBoxParam failed with error " + std::to_string(GetLastError()));
        logText(text);  // the text is not lost with the dialog
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    return PF_Err_NONE;
}

}  // namespace DebugWindow

PF_Err showDebugInfo(std::string text) {
    if (debugTextSinkNamed() || !windowStationVisible()) {
        appendToDebugTextSink(text);
        logText(text);
        return PF_Err_NONE;
    }
    return DebugWindow::Show(text);
}
