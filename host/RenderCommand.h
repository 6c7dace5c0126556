// RenderCommand.h — `morphalith-host render`: a scene file (or the built-in default scene) rendered
// to PNG or EXR, one frame or a range.
#ifndef MORPHALITH_HOST_RENDER_COMMAND_H
#define MORPHALITH_HOST_RENDER_COMMAND_H

#include <string>
#include <vector>

#include "host/Host.h"

namespace host {

extern const char* const kRenderUsage;

// args: what follows the word "render". Returns the process exit status.
int renderCommand(Host& host, const std::vector<std::string>& args);

// The file of frame `frame` in a range: "#" runs in OUT become the zero-padded number, else
// "_NNNN" goes before the extension. A single frame writes OUT itself.
std::string frameFileName(const std::string& out, int frame, bool range);

}  // namespace host

#endif  // MORPHALITH_HOST_RENDER_COMMAND_H
