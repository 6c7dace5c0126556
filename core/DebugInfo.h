// DebugInfo.h — shows a block of diagnostic text to the user (a kernel build log, say).
//
// One interface, a body per platform: a modal window on the main thread on macOS (platform/mac/),
// the modal "Debug Information" dialog on Windows (platform/win/), and on Linux the debug-text sink
// (platform/linux/).
#ifndef MORPHALITH_CORE_DEBUG_INFO_H
#define MORPHALITH_CORE_DEBUG_INFO_H

#include <string>

#include "PF_Effect.h"

// Takes its own copy of the text. On macOS and Linux it returns 0 at once and the caller never learns
// when the user has seen it; the Windows dialog returns when it is closed (512 when it cannot be shown).
PF_Err showDebugInfo(std::string text);

#endif  // MORPHALITH_CORE_DEBUG_INFO_H
