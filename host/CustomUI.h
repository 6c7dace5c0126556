// CustomUI.h — the host's windows that the effect draws into: the effect panel (its About and Debug
// headers and the primitive strips) and the composition window (the hint over the effect's layer).
//
// The host lays the panel out, sends the custom-UI events (new context, draw, cursor, click and drag)
// with real event records, and serves the suites the drawing asks for: the custom-UI suite (versions 1
// and 2), the application suite (version 1 for the background colour, version 6 for redraw requests),
// the advanced application suite (the Info panel's text) and the overlay theme. Everything the module
// draws lands in a Canvas of host/HostDrawbot.h.
#ifndef MORPHALITH_HOST_CUSTOM_UI_H
#define MORPHALITH_HOST_CUSTOM_UI_H

#include <memory>
#include <string>
#include <vector>

#include "PF_Events.h"
#include "PF_Suites.h"
#include "host/HostDrawbot.h"

namespace host {

class Host;
class SuiteRegistry;

// One row of the effect panel as this host lays it out: a header, a slot's title, or a slot's strip.
struct PanelRow {
    enum Kind { Header, SlotTitle, Strip } kind = Header;
    int index = 0;  // the parameter the row shows
    int slot = -1;  // the slot of a title or strip row
    std::string title;
    int top = 0, height = 0;
    PF_Rect frame{};  // the control's area, where the module draws (headers and strips)
};

struct PanelLayout {
    int width = 0, height = 0;
    std::vector<PanelRow> rows;
    const PanelRow* strip(int slot) const;
};

// The effect panel: the About header, the Debug header while it is shown, and for each shown slot its
// title and its strip, one under the other.
PanelLayout layoutPanel(Host& host);

// One control drawn into the panel, and the calls of that draw in the panel's recording.
struct DrawnControl {
    int index = 0;
    PF_Rect frame{};
    size_t firstOp = 0, endOp = 0;
};

// One event the host sent, with what it caused.
struct SentEvent {
    PF_EventType type = 0;
    PF_Err err = PF_Err_NONE;
    PF_EventOutFlags outFlags = 0;
    A_long outDataFlags = 0;
    std::string printed;
    std::vector<std::string> undoGroups;
    std::vector<int> changedValues;
};

// The composition window's view of the composition: window pixel = composition pixel x zoom + offset.
struct CompView {
    double zoom = 1.0;
    double offsetX = 0.0, offsetY = 0.0;
};

// One PF_InfoDrawText3: the Info panel's three lines.
struct InfoText {
    std::string line1, line2, line3;
};

class CustomUI {
public:
    explicit CustomUI(Host& host);
    ~CustomUI();
    CustomUI(const CustomUI&) = delete;
    CustomUI& operator=(const CustomUI&) = delete;

    Drawbot& drawbot() { return drawbot_; }

    // ---- The effect panel ----
    Canvas& effectWindow();
    // PF_Event_NEW_CONTEXT, once: the panel opens.
    PF_Err openEffectWindow();
    // Draws every control of the layout anew (the panel's recording starts empty).
    PF_Err drawPanel(const PanelLayout& layout);
    PF_Err drawControl(int index, const PF_Rect& frame);
    const std::vector<DrawnControl>& drawnControls() const { return drawn_; }

    // The mouse moves over a control (PF_Event_ADJUST_CURSOR); a press there (PF_Event_DO_CLICK) and, when
    // the module asks for them, drags: one while held, and with `release` the last one.
    PF_Err moveMouse(int index, const PF_Rect& frame, PF_Point at);
    PF_Err press(int index, const PF_Rect& frame, PF_Point at, bool release);

    // The buttons a person sees in a slot's strip, left to right: the button outlines the module drew
    // there. Empty, with the error, when the slot shows no strip.
    std::vector<DRAWBOT_RectF32> stripButtons(int slot, std::string* error);
    // Puts the mouse over the strip's button `cell` (0 = leftmost); with `pressed` the button is held
    // down, with `released` also let go (a click).
    PF_Err pointAtStripButton(int slot, int cell, bool pressed, bool released, std::string* error);

    // ---- The composition window (or, with PF_Window_LAYER, the layer window) ----
    Canvas& compWindow();
    void setCompWindow(int width, int height, CompView view, PF_WindowType type = PF_Window_COMP);
    const CompView& compView() const { return view_; }
    // One PF_Event_DRAW of the composition window.
    PF_Err drawCompWindow();

    // ---- What the module asked of the host's interface ----
    std::vector<SentEvent> sent;
    std::vector<InfoText> infoTexts;
    std::vector<PF_Rect> invalidated;  // PF_InvalidateRect requests (a null rectangle: the whole window)
    PF_EventExtra lastEvent{};         // the record of the last event, as the module left it

    // The colours of the host's interface.
    PF_App_Color background{0x2B2B, 0x2B2B, 0x2B2B};
    PF_PixelFloat foreground{1.0f, 0.85f, 0.85f, 0.85f};

private:
    PF_Err send(Canvas& canvas, PF_EventExtra& extra);
    PF_EventExtra effectEvent(PF_EventType type, int index, const PF_Rect& frame);

    Host& host_;
    Drawbot drawbot_;
    std::unique_ptr<Canvas> effect_, comp_;
    CompView view_;
    bool opened_ = false;
    std::vector<DrawnControl> drawn_;
};

// Offers the custom-UI, application, advanced application and overlay theme suites.
void serveCustomUISuites(SuiteRegistry& registry);

}  // namespace host

#endif  // MORPHALITH_HOST_CUSTOM_UI_H
