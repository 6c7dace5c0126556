// DebugInfo_Linux.cpp — the debug-text window of the Linux build: a sink the host reads.
//
// There is no window system to put a modal window on, so the text goes to the file named by
// $MORPHALITH_DEBUG_TEXT_SINK (the host sets it and shows or checks what arrives), one record per
// call: the text's length in bytes in decimal, a line end, the text, a line end. Without a sink the
// text is printed to standard error in a frame. It never goes to the plug-in's log.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "DebugInfo.h"

namespace {
std::mutex g_sinkMutex;  // calls may come from any thread; records must not interleave
}

PF_Err showDebugInfo(std::string text) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    const char* sink = std::getenv("MORPHALITH_DEBUG_TEXT_SINK");
    if (sink && *sink) {
        if (FILE* file = std::fopen(sink, "ab")) {
            std::fprintf(file, "%zu\n", text.size());
            std::fwrite(text.data(), 1, text.size(), file);
            std::fputc('\n', file);
            std::fclose(file);
            return PF_Err_NONE;
        }
    }
    std::fprintf(stderr, "---- Debug Information ----\n%s\n---------------------------\n", text.c_str());
    return PF_Err_NONE;
}
