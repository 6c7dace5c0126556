#include "host/CustomUI.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "PF_Param.h"
#include "host/Composition3D.h"
#include "host/Host.h"
#include "host/SuiteRegistry.h"
#include "host/UserActions.h"

namespace host {

namespace {

// The panel as this host draws it: a title column, then the controls.
constexpr int kPanelWidth = 560;
constexpr int kControlLeft = 150;
constexpr int kMargin = 8;
constexpr int kRowGap = 3;
constexpr int kTitleRowHeight = 20;

// Where the primitive slots lie among the declared parameters (as the scene files address them).
constexpr int kFirstSlotParam = 3, kSlotParams = 99, kSlots = 11;

int slotOfIndex(int index) {
    return index >= kFirstSlotParam && index < kFirstSlotParam + kSlots * kSlotParams
               ? (index - kFirstSlotParam) / kSlotParams
               : -1;
}

PF_Fixed toFixed(double v) {
    const double fixed = std::round(v * 65536.0);
    if (!(fixed > std::numeric_limits<PF_Fixed>::min())) return std::numeric_limits<PF_Fixed>::min();
    if (fixed >= std::numeric_limits<PF_Fixed>::max()) return std::numeric_limits<PF_Fixed>::max();
    return static_cast<PF_Fixed>(fixed);
}

// ---- Event callbacks ------------------------------------------------------------------------------------

Canvas* compCanvasOf(void* refcon, PF_ContextH context) {
    auto* ui = static_cast<CustomUI*>(refcon);
    if (!ui) return nullptr;
    Canvas* canvas = ui->drawbot().byContext(context);
    return canvas && canvas->type() != PF_Window_EFFECT ? canvas : nullptr;
}

// Layer pixels to composition pixels through the effect layer's transform at the effect's time (only the
// composition window has a composition to map to).
PF_Err LayerToComp(void* refcon, PF_ContextH context, A_long time, A_long scale, PF_FixedPoint* pt) {
    Host* host = Host::current();
    if (A_Err err = host->hostCall("layer_to_comp")) return err;
    const Layer* layer = host->project().findLayer(host->project().effectLayerId);
    const Canvas* canvas = compCanvasOf(refcon, context);
    if (!canvas || canvas->type() != PF_Window_COMP || !pt || scale <= 0 || !layer) return PF_Err_BAD_CALLBACK_PARAM;
    const double seconds = static_cast<double>(time) / scale + layer->startTime;
    const A_Matrix4 m = layerToWorld(*layer, seconds);
    const double x = pt->x / 65536.0, y = pt->y / 65536.0;
    pt->x = toFixed(x * m.mat[0][0] + y * m.mat[1][0] + m.mat[3][0]);
    pt->y = toFixed(x * m.mat[0][1] + y * m.mat[1][1] + m.mat[3][1]);
    return PF_Err_NONE;
}

// The window's source to window pixels: the view's zoom, then its offset.
PF_Err SourceToFrame(void* refcon, PF_ContextH context, PF_FixedPoint* pt) {
    if (A_Err err = Host::current()->hostCall("source_to_frame")) return err;
    if (!compCanvasOf(refcon, context) || !pt) return PF_Err_BAD_CALLBACK_PARAM;
    const CompView& view = static_cast<CustomUI*>(refcon)->compView();
    pt->x = toFixed(pt->x / 65536.0 * view.zoom + view.offsetX);
    pt->y = toFixed(pt->y / 65536.0 * view.zoom + view.offsetY);
    return PF_Err_NONE;
}

// ---- Suites
// ------------------------------------------------------------------------------------------------

CustomUI& ui() {
    return Host::current()->ui();
}
A_Err call(const char* name) {
    return Host::current()->hostCall(name);
}

PF_Err GetDrawingReference(const PF_ContextH context, DRAWBOT_DrawRef* out) {
    if (out) *out = nullptr;
    if (A_Err err = call("PF_GetDrawingReference")) return err;
    Canvas* canvas = ui().drawbot().byContext(context);
    if (!canvas || !out) return PF_Err_BAD_CALLBACK_PARAM;
    *out = canvas->drawRef();
    return PF_Err_NONE;
}

PF_Err AppGetBgColor(PF_App_Color* out) {
    if (A_Err err = call("PF_AppGetBgColor")) return err;
    if (!out) return PF_Err_BAD_CALLBACK_PARAM;
    *out = ui().background;
    return PF_Err_NONE;
}
PF_Err AppGetColor(PF_App_ColorType, PF_App_Color* out) {
    if (A_Err err = call("PF_AppGetColor")) return err;
    if (!out) return PF_Err_BAD_CALLBACK_PARAM;
    *out = ui().background;
    return PF_Err_NONE;
}
PF_Err AppGetLanguage(A_char* tag) {
    if (A_Err err = call("PF_AppGetLanguage")) return err;
    if (!tag) return PF_Err_BAD_CALLBACK_PARAM;
    std::strcpy(tag, "en_US");
    return PF_Err_NONE;
}
PF_Err InvalidateRect(const PF_ContextH context, const PF_Rect* rect) {
    if (A_Err err = call("PF_InvalidateRect")) return err;
    if (!ui().drawbot().byContext(context)) return PF_Err_BAD_CALLBACK_PARAM;
    ui().invalidated.push_back(rect ? *rect : PF_Rect{0, 0, 0, 0});
    return PF_Err_NONE;
}

PF_Err SetProjectDirty() {
    return call("PF_SetProjectDirty");
}
PF_Err SaveProject() {
    return call("PF_SaveProject");
}
PF_Err InfoDrawText(const A_char* line1, const A_char* line2) {
    if (A_Err err = call("PF_InfoDrawText")) return err;
    ui().infoTexts.push_back(InfoText{line1 ? line1 : "", line2 ? line2 : "", ""});
    return PF_Err_NONE;
}
PF_Err InfoDrawText3(const A_char* line1, const A_char* line2, const A_char* line3) {
    if (A_Err err = call("PF_InfoDrawText3")) return err;
    ui().infoTexts.push_back(InfoText{line1 ? line1 : "", line2 ? line2 : "", line3 ? line3 : ""});
    return PF_Err_NONE;
}

PF_Err GetPreferredForegroundColor(PF_PixelFloat* out) {
    if (A_Err err = call("PF_GetPreferredForegroundColor")) return err;
    if (!out) return PF_Err_BAD_CALLBACK_PARAM;
    *out = ui().foreground;
    return PF_Err_NONE;
}
PF_Err GetPreferredShadowColor(PF_PixelFloat* out) {
    if (A_Err err = call("PF_GetPreferredShadowColor")) return err;
    if (!out) return PF_Err_BAD_CALLBACK_PARAM;
    *out = PF_PixelFloat{0.5f, 0.0f, 0.0f, 0.0f};
    return PF_Err_NONE;
}

const PF_EffectCustomUISuite1 kCustomUI1 = {GetDrawingReference};
const PF_EffectCustomUISuite2 kCustomUI2 = {GetDrawingReference};
const PF_AppSuite1 kApp1 = {AppGetBgColor, AppGetColor, AppGetLanguage};
const PF_AppSuite4 kApp6 = {AppGetBgColor, AppGetColor, AppGetLanguage, InvalidateRect};
const PF_AdvAppSuite2 kAdvApp = {SetProjectDirty, SaveProject, InfoDrawText, InfoDrawText3};
const PF_EffectCustomUIOverlayThemeSuite1 kOverlayTheme = {GetPreferredForegroundColor,
                                                           GetPreferredShadowColor};

}  // namespace

void serveCustomUISuites(SuiteRegistry& registry) {
    registry.add(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, &kCustomUI1);
    registry.add(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion2, &kCustomUI2);
    registry.add(kPFAppSuite, kPFAppSuiteVersion1, &kApp1);
    registry.add(kPFAppSuite, kPFAppSuiteVersion4, &kApp6);
    registry.add(kPFAdvAppSuite, kPFAdvAppSuiteVersion2, &kAdvApp);
    registry.add(kPFEffectCustomUIOverlayThemeSuite, kPFEffectCustomUIOverlayThemeSuiteVersion1,
                 &kOverlayTheme);
}

// ---- Layout
// ------------------------------------------------------------------------------------------------

const PanelRow* PanelLayout::strip(int slot) const {
    for (const PanelRow& row : rows)
        if (row.kind == PanelRow::Strip && row.slot == slot) return &row;
    return nullptr;
}

PanelLayout layoutPanel(Host& host) {
    PanelLayout layout;
    layout.width = kPanelWidth;
    int y = kMargin;
    const Panel& panel = host.panel();
    // Every shown control the module draws itself; one inside a group follows the group's title.
    for (int i = 1; i < static_cast<int>(panel.size()); ++i) {
        const DeclaredParam& p = *panel.find(i);
        if (!(p.def.ui_flags & PF_PUI_CONTROL) || !isParamShown(host, i)) continue;
        const int slot = slotOfIndex(i);
        if (p.parentGroup >= 0) {
            PanelRow title;
            title.kind = PanelRow::SlotTitle;
            title.index = p.parentGroup;
            title.slot = slot;
            title.title = panel.find(p.parentGroup)->def.name;
            title.top = y;
            title.height = kTitleRowHeight;
            layout.rows.push_back(title);
            y += kTitleRowHeight;
        }
        PanelRow row;
        row.kind = p.parentGroup >= 0 ? PanelRow::Strip : PanelRow::Header;
        row.index = i;
        row.slot = row.kind == PanelRow::Strip ? slot : -1;
        row.title = p.def.name;
        row.top = y;
        row.height = std::max<int>(p.def.ui_height, kTitleRowHeight);
        row.frame = PF_Rect{kControlLeft, y, kPanelWidth - kMargin, y + row.height};
        layout.rows.push_back(row);
        y += row.height + kRowGap;
    }
    layout.height = y + kMargin;
    return layout;
}

// ---- Windows and events ----------------------------------------------------------------------------------

CustomUI::CustomUI(Host& host)
    : host_(host),
      effect_(std::make_unique<Canvas>(PF_Window_EFFECT, kPanelWidth, 400)),
      comp_(std::make_unique<Canvas>(PF_Window_COMP, 640, 360)) {
    drawbot_.attach(effect_.get());
    drawbot_.attach(comp_.get());
}

CustomUI::~CustomUI() {
    drawbot_.detach(effect_.get());
    drawbot_.detach(comp_.get());
}

Canvas& CustomUI::effectWindow() {
    return *effect_;
}
Canvas& CustomUI::compWindow() {
    return *comp_;
}

void CustomUI::setCompWindow(int width, int height, CompView view, PF_WindowType type) {
    drawbot_.detach(comp_.get());
    comp_ = std::make_unique<Canvas>(type, width, height);
    drawbot_.attach(comp_.get());
    view_ = view;
}

PF_Err CustomUI::send(Canvas&, PF_EventExtra& extra) {
    const size_t groupsBefore = host_.project().undo.groups.size();
    extra.evt_out_flags = PF_EO_NONE;
    const PF_Err err = host_.command(PF_Cmd_EVENT, &extra);
    drawbot_.endEvent();
    SentEvent event;
    event.type = extra.e_type;
    event.err = err;
    event.outFlags = extra.evt_out_flags;
    event.outDataFlags = host_.outData().out_flags;
    event.printed = host_.printed();
    const std::vector<UndoGroup>& groups = host_.project().undo.groups;
    for (size_t g = groupsBefore; g < groups.size(); ++g) event.undoGroups.push_back(groups[g].name);
    event.changedValues = host_.changedValues();
    sent.push_back(event);
    lastEvent = extra;
    return err;
}

PF_EventExtra CustomUI::effectEvent(PF_EventType type, int index, const PF_Rect& frame) {
    PF_EventExtra extra{};
    extra.contextH = effect_->context();
    extra.e_type = type;
    extra.effect_win.index = index;
    extra.effect_win.area = PF_EA_CONTROL;
    extra.effect_win.current_frame = frame;
    extra.effect_win.param_title_frame = PF_Rect{kMargin, frame.top, kControlLeft - kMargin, frame.bottom};
    return extra;
}

PF_Err CustomUI::openEffectWindow() {
    if (opened_) return PF_Err_NONE;
    opened_ = true;
    PF_EventExtra extra = effectEvent(PF_Event_NEW_CONTEXT, 0, PF_Rect{});
    extra.effect_win.area = PF_EA_NONE;
    return send(*effect_, extra);
}

PF_Err CustomUI::drawControl(int index, const PF_Rect& frame) {
    DrawnControl control{index, frame, effect_->ops.size(), 0};
    PF_EventExtra extra = effectEvent(PF_Event_DRAW, index, frame);
    extra.u.draw.update_rect = frame;
    const PF_Err err = send(*effect_, extra);
    control.endOp = effect_->ops.size();
    drawn_.push_back(control);
    return err;
}

PF_Err CustomUI::drawPanel(const PanelLayout& layout) {
    PF_Err err = openEffectWindow();
    drawbot_.detach(effect_.get());
    effect_ = std::make_unique<Canvas>(PF_Window_EFFECT, layout.width, layout.height);
    drawbot_.attach(effect_.get());
    drawn_.clear();
    for (const PanelRow& row : layout.rows) {
        if (row.kind == PanelRow::SlotTitle) continue;
        const PF_Err drawn = drawControl(row.index, row.frame);
        if (!err) err = drawn;
    }
    return err;
}

PF_Err CustomUI::moveMouse(int index, const PF_Rect& frame, PF_Point at) {
    PF_EventExtra extra = effectEvent(PF_Event_ADJUST_CURSOR, index, frame);
    extra.u.adjust_cursor.screen_point = at;
    return send(*effect_, extra);
}

PF_Err CustomUI::press(int index, const PF_Rect& frame, PF_Point at, bool release) {
    PF_EventExtra extra = effectEvent(PF_Event_DO_CLICK, index, frame);
    extra.u.do_click.screen_point = at;
    extra.u.do_click.num_clicks = 1;
    if (PF_Err err = send(*effect_, extra)) return err;
    // Drags only for a module that asked for them.
    if (!lastEvent.u.do_click.send_drag) return PF_Err_NONE;
    PF_EventExtra drag = effectEvent(PF_Event_DRAG, index, frame);
    drag.u.do_click.screen_point = at;
    drag.u.do_click.num_clicks = 1;
    drag.u.do_click.send_drag = TRUE;
    if (PF_Err err = send(*effect_, drag)) return err;
    if (!release) return PF_Err_NONE;
    drag.u.do_click.send_drag = TRUE;
    drag.u.do_click.last_time = TRUE;
    return send(*effect_, drag);
}

std::vector<DRAWBOT_RectF32> CustomUI::stripButtons(int slot, std::string* error) {
    std::vector<DRAWBOT_RectF32> buttons;
    const PanelLayout layout = layoutPanel(host_);
    const PanelRow* row = layout.strip(slot);
    if (!row) {
        *error = "slot " + std::to_string(slot) + " shows no strip: it is not in use";
        return buttons;
    }
    if (PF_Err err = openEffectWindow()) {
        *error = "the panel did not open: the effect answered " + std::to_string(err);
        return buttons;
    }
    const size_t first = effect_->ops.size();
    if (PF_Err err = drawControl(row->index, row->frame)) {
        *error = "the strip of slot " + std::to_string(slot) + " did not draw: the effect answered " +
                 std::to_string(err);
        return buttons;
    }
    // A button is an outlined rectangle of the strip's height; icons are smaller.
    for (size_t i = first; i < effect_->ops.size(); ++i) {
        const DrawOp& op = effect_->ops[i];
        if (op.kind != DrawOp::StrokePath || op.path.size() != 1 || op.path[0].kind != PathPart::Rect)
            continue;
        const PathPart& r = op.path[0];
        if (r.w < 20 || r.h < 16) continue;
        const bool known = std::any_of(buttons.begin(), buttons.end(), [&](const DRAWBOT_RectF32& b) {
            return std::fabs(b.left - r.x) < 0.5f;
        });
        if (!known) buttons.push_back(DRAWBOT_RectF32{r.x, r.y, r.w, r.h});
    }
    std::sort(buttons.begin(), buttons.end(),
              [](const DRAWBOT_RectF32& a, const DRAWBOT_RectF32& b) { return a.left < b.left; });
    if (buttons.empty()) *error = "the strip of slot " + std::to_string(slot) + " shows no buttons";
    return buttons;
}

PF_Err CustomUI::pointAtStripButton(int slot, int cell, bool pressed, bool released, std::string* error) {
    const std::vector<DRAWBOT_RectF32> buttons = stripButtons(slot, error);
    if (buttons.empty()) return PF_Err_INVALID_INDEX;
    if (cell < 0 || cell >= static_cast<int>(buttons.size())) {
        *error = "the strip of slot " + std::to_string(slot) + " shows " + std::to_string(buttons.size()) +
                 " buttons, not " + std::to_string(cell + 1);
        return PF_Err_INVALID_INDEX;
    }
    const PanelLayout layout = layoutPanel(host_);
    const PanelRow* row = layout.strip(slot);
    const DRAWBOT_RectF32& b = buttons[cell];
    const PF_Point at{static_cast<A_long>(b.left + b.width / 2), static_cast<A_long>(b.top + b.height / 2)};
    if (PF_Err err = moveMouse(row->index, row->frame, at)) return err;
    return pressed ? press(row->index, row->frame, at, released) : PF_Err_NONE;
}

PF_Err CustomUI::drawCompWindow() {
    PF_EventExtra extra{};
    extra.contextH = comp_->context();
    extra.e_type = PF_Event_DRAW;
    extra.u.draw.update_rect = PF_Rect{0, 0, comp_->width(), comp_->height()};
    extra.cbs.refcon = this;
    extra.cbs.layer_to_comp = LayerToComp;
    extra.cbs.source_to_frame = SourceToFrame;
    return send(*comp_, extra);
}

}  // namespace host
