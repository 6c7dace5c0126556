// DebugWindowController_Win.cpp — debug texts in the Windows build.
// Until the "Debug Information" dialog resource lands, the text goes to the debugger output, which is
// where a developer of the Windows build reads the plug-in's diagnostics anyway.
#include <windows.h>

#include "DebugInfo.h"

PF_Err showDebugInfo(std::string text) {
    OutputDebugStringA(text.c_str());
    OutputDebugStringA("\n");
    return PF_Err_NONE;
}
