// PanelCommand.h — `morphalith-host params --visible [--actions] [SCENE]`: the effect panel as a
// person sees it after the scene's actions (the built-in default scene when SCENE is left out).
#ifndef MORPHALITH_HOST_PANEL_COMMAND_H
#define MORPHALITH_HOST_PANEL_COMMAND_H

#include <string>
#include <vector>

#include "host/Host.h"
#include "host/SceneFile.h"

namespace host {

extern const char* const kParamsUsage;

// args: what follows the word "params" (at least one of them). Returns the process exit status.
int paramsCommand(Host& host, const std::vector<std::string>& args);

// Only the parameters a person sees, with their current names, values, limits and disabled state,
// indented by group.
std::string visiblePanel(Host& host);

// Each action with the undo groups it opened and the log lines it caused.
std::string actionListing(const std::vector<AppliedAction>& actions);

}  // namespace host

#endif  // MORPHALITH_HOST_PANEL_COMMAND_H
