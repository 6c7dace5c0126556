#include "DebugTextSink.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_sinkMutex;

const char* sinkPath() {
    const char* sink = std::getenv("MORPHALITH_DEBUG_TEXT_SINK");
    return sink && *sink ? sink : nullptr;
}

}  // namespace

bool debugTextSinkNamed() { return sinkPath() != nullptr; }

bool appendToDebugTextSink(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    const char* sink = sinkPath();
    if (!sink) return false;
    FILE* file = std::fopen(sink, "ab");
    if (!file) return false;
    std::fprintf(file, "%zu\n", text.size());
    std::fwrite(text.data(), 1, text.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
    return true;
}
