// DebugWindowController_Win.h — the "Debug Information" dialog of the Windows build: a block of
// diagnostic text (a kernel build log) in a modal dialog, template 101 of the plug-in's resources.
#ifndef MORPHALITH_PLATFORM_WIN_DEBUG_WINDOW_CONTROLLER_H
#define MORPHALITH_PLATFORM_WIN_DEBUG_WINDOW_CONTROLLER_H

#include <windows.h>

#include <string>

#include "PF_Effect.h"

// Control ids of dialog template 101.
constexpr int kDebugDialogId = 101;
constexpr int kDebugDialogCancel = 3;
constexpr int kDebugDialogSave = 4;
constexpr int kDebugDialogText = 1001;

namespace DebugWindow {

// Shows the text modally on the calling thread (no owner window) and returns when the dialog is
// closed: 0, whatever closed it; 512 when the dialog cannot be made. Never blocks a host that nobody
// can answer (see showDebugInfo).
PF_Err Show(const std::string& text);

}  // namespace DebugWindow

INT_PTR CALLBACK DebugDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The text as the edit control shows it: every run of line ends ("\n" or "\r\n") becomes one "\r\n".
std::string debugDialogText(const std::string& text);

// Test hook: called with the dialog once its text is set, before it is shown.
extern void (*debugDialogOpened)(HWND dialog);

#endif  // MORPHALITH_PLATFORM_WIN_DEBUG_WINDOW_CONTROLLER_H
