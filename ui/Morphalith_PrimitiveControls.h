// Morphalith_PrimitiveControls.h — the strip of six buttons each used primitive slot shows in the effect
// panel (its "Primitive Controls" parameter): its events, its drawing, its hit test, and the dispatch of
// a released button to the slot operations.
#ifndef MORPHALITH_UI_PRIMITIVE_CONTROLS_H
#define MORPHALITH_UI_PRIMITIVE_CONTROLS_H

#include "AEGP_SuiteHandler.h"
#include "PF_Events.h"
#include "PF_Param.h"
#include "SequenceData.h"

enum class ButtonType : int { Delete = 0, MoveDown = 1, MoveUp = 2, Paste = 3, Copy = 4, Duplicate = 5 };
constexpr int kStripButtons = 6;

// The strip shows the buttons in the order Duplicate, Copy, Paste, MoveUp, MoveDown, Delete: cell c,
// counted from the left, holds ButtonType 5 - c.
constexpr ButtonType buttonInCell(int cell) {
    return static_cast<ButtonType>(kStripButtons - 1 - cell);
}

// Process-wide, one for every instance of the effect: the host delivers UI events on one thread.
extern bool button_state[kStripButtons];  // the enabled look, by ButtonType
extern int hovered_button_index;          // slot * 6 + cell under the mouse; -1 for none
extern bool button_is_clicked;            // a button is held down

// Whether a button of slot `slot` can be used, with `count` primitives and the clipboard as it is.
bool isButtonEnabled(ButtonType type, int slot, float count, bool clipboardHoldsRecords);

// Slot * 6 + the cell under the mouse of the event (the click's point for a click, else the cursor's),
// or -1 when it is over no button.
int getHoveredButtonIndex(int slot, const PF_EventExtra* extra);

PF_Err DoDrawPrimitiveUI(int slot, SequenceData* seq, PF_InData* in_data, PF_OutData* out_data,
                         PF_ParamDef* params[], PF_LayerDef* output, PF_EventExtra* extra);

// Runs the button's slot operation and brings the panel in line. Nothing happens without sequence data.
PF_Err HandleButtonClick(ButtonType type, int slot, AEGP_SuiteHandler* suites, SequenceData* seq,
                         PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);

#endif  // MORPHALITH_UI_PRIMITIVE_CONTROLS_H
