#include "platform/win/DesktopFolder_Win.h"

#include <windows.h>
#include <shlobj.h>

std::string windowsDesktopFolder() {
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(NULL, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, NULL, 0, path) != S_OK) return "";
    return path;
}
