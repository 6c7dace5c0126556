// DesktopFolder_Win.h — the user's desktop folder on Windows, for the log files.
#ifndef MORPHALITH_PLATFORM_WIN_DESKTOP_FOLDER_H
#define MORPHALITH_PLATFORM_WIN_DESKTOP_FOLDER_H

#include <string>

// The desktop folder (created when missing), or "" when the shell cannot give one.
std::string windowsDesktopFolder();

#endif  // MORPHALITH_PLATFORM_WIN_DESKTOP_FOLDER_H
