// Morphalith_PrimitiveControls.cpp — the primitive strip: hover, press and release of its six buttons,
// their drawing, and the slot operation a released button runs.
#include "Morphalith_PrimitiveControls.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "DrawbotHelpers.h"
#include "DrawbotSession.h"
#include "EffectUIEvents.h"
#include "GlobalData.h"
#include "HandleWrappers.h"
#include "Headers/LogsController.h"
#include "ParamVisibility.h"
#include "PrimitiveClipboard.h"
#include "ScopedHandleLock.h"
#include "SlotOperations.h"

bool button_state[kStripButtons] = {false, false, false, false, false, false};
int hovered_button_index = -1;
bool button_is_clicked = false;

namespace {

using P = PrimitiveParamType;

// The strip's geometry, in the panel's pixels from the control's top-left corner.
constexpr float kButtonPitch = 35.0f;  // from one button's left edge to the next
constexpr float kButtonWidth = 29.0f, kButtonHeight = 23.0f;
constexpr float kIconSize = 10.0f;
constexpr double kStripWidth = 210.0, kHalfGap = 2.5;
constexpr float kStripHeight = 24.0f;

// The pointing-hand cursor, asked for while a button is pressed.
constexpr A_long kPressCursor = 4;

constexpr DRAWBOT_ColorRGBA kDuplicateColor{0.38f, 0.78f, 0.61f, 1.0f};
constexpr DRAWBOT_ColorRGBA kCopyColor{0.4f, 0.58f, 0.86f, 1.0f};
constexpr DRAWBOT_ColorRGBA kPasteColor{0.96f, 0.66f, 0.43f, 1.0f};
constexpr DRAWBOT_ColorRGBA kDeleteColor{1.0f, 0.33f, 0.4f, 1.0f};
// What the strip is drawn with when the host does not say (its colour queries leave these alone).
constexpr DRAWBOT_ColorRGBA kFallbackBackground{0.16f, 0.16f, 0.16f, 1.0f};
constexpr DRAWBOT_ColorRGBA kFallbackTheme{0.8f, 0.8f, 0.8f, 1.0f};

DRAWBOT_ColorRGBA dimmed(DRAWBOT_ColorRGBA c) {
    return DRAWBOT_ColorRGBA{c.red, c.green, c.blue, c.alpha * 0.5f};
}

// The pens and brushes of one kind of button, full and dimmed.
struct ButtonColors {
    DRAWBOT_ColorRGBA color;
    DRAWBOT_ColorRGBA dimColor;
    UIColoredPen pen;
    UIColoredPen dimPen;
    UIColoredBrush brush;
    UIColoredBrush dimBrush;

    ButtonColors(DRAWBOT_ColorRGBA c, DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier)
        : color(c),
          dimColor(dimmed(c)),
          pen(suites, supplier, color, 1.0f),
          dimPen(suites, supplier, dimColor, 1.0f),
          brush(suites, supplier, color),
          dimBrush(suites, supplier, dimColor) {}
};

struct UIButton {
    ButtonType type;
    ButtonColors& colors;
};

bool isStripEvent(PF_EventType type) {
    return type == PF_Event_DO_CLICK || type == PF_Event_DRAG || type == PF_Event_DRAW ||
           type == PF_Event_ADJUST_CURSOR;
}

const char* flag(bool value) {
    return value ? "TRUE" : "FALSE";
}

}  // namespace

bool isButtonEnabled(ButtonType type, int slot, float count, bool clipboardHoldsRecords) {
    switch (type) {
        case ButtonType::Duplicate:
            return count < static_cast<float>(kMaxPrimitives);
        case ButtonType::Copy:
            return true;
        case ButtonType::Paste:
            return clipboardHoldsRecords;
        case ButtonType::MoveUp:
            return slot != 0;
        case ButtonType::MoveDown:
            return static_cast<float>(slot) < count - 1.0f;
        case ButtonType::Delete:
            return true;
    }
    return false;
}

int getHoveredButtonIndex(int slot, const PF_EventExtra* extra) {
    const PF_Point point = extra->e_type == PF_Event_DO_CLICK ? extra->u.do_click.screen_point
                                                              : extra->u.adjust_cursor.screen_point;
    const PF_Rect& frame = extra->effect_win.current_frame;
    // Measured from the control's left edge and from its bottom edge.
    const float dx = static_cast<float>(static_cast<int64_t>(point.h) - frame.left);
    const float dy = static_cast<float>(static_cast<int64_t>(frame.bottom) - point.v);
    if (dy <= 1.0f || dy >= kStripHeight || dx < 0.0f || static_cast<double>(dx) + kHalfGap >= kStripWidth)
        return -1;
    // The gap between two buttons is shared out at its middle.
    return static_cast<int>(std::trunc((static_cast<double>(dx) + kHalfGap) / kButtonPitch)) +
           slot * kStripButtons;
}

PF_Err DoDrawPrimitiveUI(int slot, SequenceData* seq, PF_InData* in_data, PF_OutData* out_data,
                         PF_ParamDef* params[], PF_LayerDef*, PF_EventExtra* extra) {
    if (extra->effect_win.area != PF_EA_CONTROL) return PF_Err_NONE;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    DrawbotSession drawbot(in_data, out_data, extra, kPFEffectCustomUISuiteVersion2);
    PF_Err err = drawbot.error();
    if (drawbot.canDraw()) {
        DRAWBOT_Suites* db = drawbot.suites();
        DRAWBOT_SupplierRef supplier = drawbot.supplier();
        const PF_Rect& frame = extra->effect_win.current_frame;
        const DRAWBOT_RectF32 control{static_cast<float>(frame.left), static_cast<float>(frame.top),
                                      static_cast<float>(frame.right - frame.left),
                                      static_cast<float>(frame.bottom + 1 - frame.top)};

        DRAWBOT_ColorRGBA background = kFallbackBackground, theme = kFallbackTheme;
        err = AcquireBackgroundColor(in_data, out_data, params, extra, &background);
        if (!err) {
            PF_PixelFloat foreground{};
            err = suites.EffectCustomUIOverlayThemeSuite1()->PF_GetPreferredForegroundColor(&foreground);
            if (!err)
                theme =
                    DRAWBOT_ColorRGBA{foreground.red, foreground.green, foreground.blue, foreground.alpha};
        }
        UIColoredBrush backgroundBrush(db, supplier, background);
        if (!err) err = db->surface_suiteP->PaintRect(drawbot.surface(), &background, &control);
        UIColoredPen backgroundPen(db, supplier, background, 1.0f);

        ButtonColors themeColors(theme, db, supplier), copyColors(kCopyColor, db, supplier),
            pasteColors(kPasteColor, db, supplier), duplicateColors(kDuplicateColor, db, supplier),
            deleteColors(kDeleteColor, db, supplier);
        UIPath path(db, supplier, drawbot.surface());
        const std::array<UIButton, kStripButtons> buttons = {
            UIButton{ButtonType::Duplicate, duplicateColors}, UIButton{ButtonType::Copy, copyColors},
            UIButton{ButtonType::Paste, pasteColors},         UIButton{ButtonType::MoveUp, themeColors},
            UIButton{ButtonType::MoveDown, themeColors},      UIButton{ButtonType::Delete, deleteColors}};

        float x = static_cast<float>(frame.left);
        const float y = static_cast<float>(frame.top);
        for (int cell = 0; cell < kStripButtons; ++cell) {
            const UIButton& button = buttons[cell];
            const int t = static_cast<int>(button.type);
            const DRAWBOT_RectF32 rect{x + 0.5f, y + 0.5f, kButtonWidth, kButtonHeight};
            if (button.type == ButtonType::MoveDown || button.type == ButtonType::MoveUp ||
                button.type == ButtonType::Duplicate)
                button_state[t] = isButtonEnabled(button.type, slot, seq->numPrimitives, false);

            UIColoredPen* iconPen;
            UIColoredBrush* iconBrush;
            if (cell == hovered_button_index - slot * kStripButtons && button_state[t]) {
                // Under the mouse: filled, dimmer while held down, the icon cut out in the background.
                path.drawRect(rect, &button.colors.pen,
                              button_is_clicked ? &button.colors.dimBrush : &button.colors.brush);
                iconPen = &backgroundPen;
                iconBrush = &backgroundBrush;
            } else {
                const bool enabled = button_state[t];
                path.drawRect(rect, enabled ? &button.colors.pen : &button.colors.dimPen, nullptr);
                iconPen = enabled ? &button.colors.pen : &button.colors.dimPen;
                iconBrush = enabled ? &button.colors.brush : &button.colors.dimBrush;
            }
            const PF_Point centre{static_cast<A_long>(std::trunc(static_cast<double>(x) + 15.0)),
                                  static_cast<A_long>(std::trunc(static_cast<double>(y) + 12.0))};
            switch (button.type) {
                case ButtonType::Delete:
                    path.DrawCrossIcon(iconPen, centre, kIconSize);
                    break;
                case ButtonType::MoveDown:
                case ButtonType::MoveUp:
                    path.DrawArrowIcon(iconPen, centre, kIconSize, button.type == ButtonType::MoveUp);
                    break;
                case ButtonType::Paste:
                    path.DrawPasteIcon(iconPen, iconBrush, centre, kIconSize);
                    break;
                case ButtonType::Copy:
                    path.DrawCopyIcon(iconPen, centre, kIconSize);
                    break;
                case ButtonType::Duplicate:
                    path.DrawDuplicateIcon(iconPen, centre, kIconSize);
                    break;
            }
            x += kButtonPitch;
        }
    }
    const PF_Err released = drawbot.release();
    if (!err) err = released;
    extra->evt_out_flags = PF_EO_HANDLED_EVENT;
    return err;
}

PF_Err HandleButtonClick(ButtonType type, int slot, AEGP_SuiteHandler* suites, SequenceData* seq,
                         PF_InData* in_data, PF_OutData*, PF_ParamDef* params[]) {
    if (!seq) return PF_Err_NONE;
    if (!params) return PF_Err_BAD_CALLBACK_PARAM;
    ScopedHandleLock<GlobalData> globalLock(suites->HandleSuite1(), in_data->global_data);
    GlobalData* global = globalLock.get();
    if (!global) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    EffectHandleWrapper effect(global->pluginId, in_data, suites);
    A_Time compTime{0, 1};
    PF_Err err = effect.getCompTime(&compTime);
    const AEGP_PluginID id = global->pluginId;
    if (!err) {
        switch (type) {
            case ButtonType::Delete:
                err = DoDeletePrimitive(slot, seq, id, suites, &effect, compTime, in_data, params);
                if (!err)
                    err = suites->AdvAppSuite2()->PF_InfoDrawText3(
                        ("Primitive #" + std::to_string(slot) + " deleted").c_str(), "", "");
                break;
            case ButtonType::Duplicate:
                err = DoDuplicatePrimitive(slot, seq, id, suites, &effect, compTime, in_data, params);
                if (!err)
                    err = suites->AdvAppSuite2()->PF_InfoDrawText3(
                        ("Primitive #" + std::to_string(slot) + " duplicated").c_str(), "", "");
                break;
            case ButtonType::Paste:
                err = DoPastePrimitive(slot, seq, id, suites, &effect, compTime, in_data, params);
                break;
            case ButtonType::Copy:
                err = DoCopyPrimitive(slot, seq, id, suites, &effect, compTime, in_data, params);
                break;
            case ButtonType::MoveUp:
            case ButtonType::MoveDown:
                err = DoMovePrimitive(type == ButtonType::MoveUp, slot, seq, id, suites, &effect, compTime,
                                      in_data, params);
                break;
        }
    }
    button_state[static_cast<int>(ButtonType::Paste)] = IsBytesInClipboard();
    if (!err) err = UpdateParamVisibility(in_data, params, suites, seq, global);
    hovered_button_index = -1;
    return err;
}

PF_Err DoPrimitiveUIEvents(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                           PF_LayerDef* output, PF_EventExtra* extra) {
    if (!extra || !extra->contextH || !*extra->contextH || (*extra->contextH)->w_type != PF_Window_EFFECT)
        return PF_Err_NONE;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    ScopedHandleLock<SequenceData> seqLock(suites.HandleSuite1(), in_data->sequence_data);
    SequenceData* seq = seqLock.get();
    if (!seq) return PF_Err_NONE;  // an instance without its data has no strips
    keepSequenceDataSound(seq);

    PF_Err err = PF_Err_NONE;
    const PF_EventType type = extra->e_type;
    if (type != PF_Event_DO_CLICK && type != PF_Event_DRAG && type != PF_Event_DRAW) {
        hovered_button_index = -1;
        extra->evt_out_flags |= PF_EO_UPDATE_NOW;
        out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    }
    if (type == PF_Event_NEW_CONTEXT) {
        for (bool& state : button_state) state = true;
        const bool clipboard = IsBytesInClipboard();
        button_state[static_cast<int>(ButtonType::Paste)] = clipboard;
        spdlog_log(std::string("New Context. Data in clipboard: ") + flag(clipboard));
    }
    if (!isStripEvent(type) || extra->effect_win.area != PF_EA_CONTROL) return err;

    for (int s = 0; s < kNumPrimitiveSlots && static_cast<float>(s) < seq->numPrimitives; ++s) {
        if (getIndexForUserParam(s, P::PrimitiveControls) != extra->effect_win.index) continue;
        switch (type) {
            case PF_Event_DO_CLICK:
                spdlog_log("CLICK AT: " + std::to_string(hovered_button_index));
                if (hovered_button_index >= 0) {
                    extra->u.do_click.send_drag = TRUE;  // drags follow until the release
                    extra->u.adjust_cursor.set_cursor = kPressCursor;
                    extra->evt_out_flags = PF_EO_HANDLED_EVENT;
                }
                break;
            case PF_Event_DRAG: {
                bool dragging = extra->u.do_click.send_drag != 0;
                if (extra->u.do_click.last_time) {
                    dragging = false;
                    extra->u.do_click.send_drag = FALSE;
                    extra->u.adjust_cursor.set_cursor = kPressCursor;
                    const int cell = hovered_button_index - s * kStripButtons;
                    if (cell >= 0 && cell < kStripButtons) {
                        const ButtonType button = buttonInCell(cell);
                        const bool clipboard = button == ButtonType::Paste && IsBytesInClipboard();
                        if (isButtonEnabled(button, s, seq->numPrimitives, clipboard) && !err)
                            err = HandleButtonClick(button, s, &suites, seq, in_data, out_data, params);
                    }
                    extra->u.adjust_cursor.set_cursor = kPressCursor;
                }
                button_is_clicked = dragging;
                if (!err)
                    err = suites.AppSuite4()->PF_InvalidateRect(extra->contextH,
                                                                &extra->effect_win.current_frame);
                extra->evt_out_flags |= PF_EO_HANDLED_EVENT | PF_EO_UPDATE_NOW;
                break;
            }
            case PF_Event_DRAW:
                if (!err) err = DoDrawPrimitiveUI(s, seq, in_data, out_data, params, output, extra);
                break;
            case PF_Event_ADJUST_CURSOR:
                hovered_button_index = getHoveredButtonIndex(s, extra);
                break;
            default:
                break;
        }
        break;
    }
    return err;
}
