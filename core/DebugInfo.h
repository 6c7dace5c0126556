// DebugInfo.h — shows a block of diagnostic text to the user (a kernel build log, say).
//
// One interface, a body per platform: a modal window on the main thread on macOS (platform/mac/),
// the debug dialog on Windows, and on Linux the debug-text sink (platform/linux/).
#ifndef MORPHALITH_CORE_DEBUG_INFO_H
#define MORPHALITH_CORE_DEBUG_INFO_H

#include <string>

#include "PF_Effect.h"

// Takes its own copy of the text and returns 0 at once; the caller never learns when the user has
// seen it.
PF_Err showDebugInfo(std::string text);

#endif  // MORPHALITH_CORE_DEBUG_INFO_H
