// PanelImage.h — `morphalith-host panel` and `morphalith-host comp-hint`: the effect's custom drawing as
// a person sees it, written to PNG. `panel` draws the effect panel (the About header, the Debug header
// when it is shown, and each used slot's name with its strip of six buttons), with a strip button under
// the mouse or held down if asked; `comp-hint` draws the composition window: the frame the effect
// renders, and over it the hint the effect draws on its layer.
#ifndef MORPHALITH_HOST_PANEL_IMAGE_H
#define MORPHALITH_HOST_PANEL_IMAGE_H

#include <string>

#include "host/Host.h"

namespace CLI {
class App;
}  // namespace CLI

namespace host {

// A strip button named on the command line as SLOT:BUTTON.
struct StripPoint {
    bool given = false;
    int slot = 0;
    int cell = 0;  // 0 = the leftmost button (Duplicate) .. 5 (Delete)
};

struct PanelImageOptions {
    std::string scenePath;  // empty: the built-in default scene
    std::string out;
    StripPoint hover, press;
};

struct HintImageOptions {
    std::string scenePath;
    std::string out;
};

// "SLOT:BUTTON": a slot 0 .. 10 and a button by name ("copy", "move up") or by place (0 .. 5 from the
// left). False with the reason otherwise.
bool parseStripPoint(const std::string& text, StripPoint* point, std::string* error);

void addPanelImageOptions(CLI::App* panel, PanelImageOptions* options);
void addHintImageOptions(CLI::App* hint, HintImageOptions* options);

// Each returns the process exit status: 0, or 1 when the scene, the module or the drawing fails.
int panelImageCommand(Host& host, const PanelImageOptions& options);
int hintImageCommand(Host& host, const HintImageOptions& options);

}  // namespace host

#endif  // MORPHALITH_HOST_PANEL_IMAGE_H
