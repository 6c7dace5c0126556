// DebugTextSink.h — where debug texts go when no one is at the screen to read a window: a file that a
// headless host names in $MORPHALITH_DEBUG_TEXT_SINK and reads back. Each text is one record: its
// length in bytes in decimal, a line end, the text, a line end.
#ifndef MORPHALITH_CORE_DEBUG_TEXT_SINK_H
#define MORPHALITH_CORE_DEBUG_TEXT_SINK_H

#include <string>

// Whether the host has named a sink (it is then not one that a person answers).
bool debugTextSinkNamed();

// Appends one record to the sink; false when none is named or it cannot be written. Calls may come
// from any thread; records never interleave.
bool appendToDebugTextSink(const std::string& text);

#endif  // MORPHALITH_CORE_DEBUG_TEXT_SINK_H
