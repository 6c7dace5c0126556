// DebugInfo_Linux.cpp — the debug-text window of the Linux build: a sink the host reads.
//
// There is no window system to put a modal window on, so the text goes to the host's debug-text sink
// (core/DebugTextSink.h), which shows or checks what arrives. Without a sink the text is printed to
// standard error in a frame. It never goes to the plug-in's log.
#include <cstdio>

#include "DebugInfo.h"
#include "DebugTextSink.h"

PF_Err showDebugInfo(std::string text) {
    if (appendToDebugTextSink(text)) return PF_Err_NONE;
    std::fprintf(stderr, "---- Debug Information ----\n%s\n---------------------------\n", text.c_str());
    return PF_Err_NONE;
}
