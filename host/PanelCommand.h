// PanelCommand.h — `morphalith-host params --visible [--actions] [SCENE]`: the effect panel as a
// person sees it after the scene's actions (the built-in default scene when SCENE is left out).
#ifndef MORPHALITH_HOST_PANEL_COMMAND_H
#define MORPHALITH_HOST_PANEL_COMMAND_H

#include <cstdio>
#include <string>
#include <vector>

#include "host/Host.h"
#include "host/SceneFile.h"

namespace CLI {
class App;
}  // namespace CLI

namespace host {

struct ParamsOptions {
    bool visible = false;   // the panel as a person sees it, instead of the declared panel
    bool actions = false;   // also each action with its undo groups and log lines
    std::string scenePath;  // empty: the built-in default scene
    // Either of --visible and --actions, or a scene, asks for the visible panel.
    bool wantsVisiblePanel() const { return visible || actions || !scenePath.empty(); }
};

// Declares the params command's arguments on its command-line parser.
void addParamsOptions(CLI::App* params, ParamsOptions* options);

// The visible panel after the scene's actions, printed to out. Returns the process exit status.
int paramsCommand(Host& host, const ParamsOptions& options, FILE* out);

// Only the parameters a person sees, with their current names, values, limits and disabled state,
// indented by group.
std::string visiblePanel(Host& host);

// Each action with the undo groups it opened and the log lines it caused.
std::string actionListing(const std::vector<AppliedAction>& actions);

}  // namespace host

#endif  // MORPHALITH_HOST_PANEL_COMMAND_H
