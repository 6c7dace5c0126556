// UserActions.h — the effect panel operated as a person operates it, and what each operation made
// the host send.
//
// A change lands in the parameter's stream first, as the user typed or picked it. Only a supervised
// parameter's change is then reported to the module with PF_Cmd_USER_CHANGED_PARAM (a button has no
// value: clicking it is the change). When the module asked for it at global set-up, the host then
// refreshes the panel with PF_Cmd_UPDATE_PARAMS_UI.
#ifndef MORPHALITH_HOST_USER_ACTIONS_H
#define MORPHALITH_HOST_USER_ACTIONS_H

#include <string>
#include <vector>

#include "host/Host.h"

namespace host {

struct ActionReport {
    std::vector<PF_Cmd> commands;         // what the host sent, in order
    std::vector<std::string> undoGroups;  // the undo groups the module opened meanwhile
    std::string printed;                  // the module's log lines
    std::vector<int> changedValues;       // parameters whose values the module changed in place
    std::vector<std::string> infoTexts;   // what the module wrote in the Info panel meanwhile
    PF_Err err = PF_Err_NONE;
};

// Sets the parameter's value (a layer parameter's value is a layer id, 0 for none).
PF_Err changeParam(Host& host, int index, const AEGP_StreamVal& value, ActionReport* report = nullptr);
// Clicks a button.
PF_Err clickButton(Host& host, int index, ActionReport* report = nullptr);
// Deletes a layer of the composition: layer parameters that named it name none, and the panel is
// refreshed. An unknown id is PF_Err_INVALID_INDEX and changes nothing.
PF_Err deleteLayer(Host& host, AEGP_LayerIDVal id, ActionReport* report = nullptr);

// The buttons of a primitive slot's strip, as the panel shows them from left to right.
enum class StripButton { Duplicate, Copy, Paste, MoveUp, MoveDown, Delete };
// "duplicate", "copy", "paste", "move up", "move down", "delete".
const char* stripButtonName(StripButton button);
// The button a name gives (case and blanks aside: "Move Up", "moveup"); false for none.
bool stripButtonByName(const std::string& name, StripButton* button);

// Clicks a button of slot `slot`'s strip where the panel shows it: the mouse moves over it, presses and
// lets go; then the panel is refreshed. A slot that shows no strip is PF_Err_INVALID_INDEX, with `error`
// saying why. A greyed-out button does nothing, as in the panel.
PF_Err clickStripButton(Host& host, int slot, StripButton button, ActionReport* report = nullptr,
                        std::string* error = nullptr);

// Whether a person sees the parameter: neither it nor a group around it is declared invisible or
// hidden by its stream's dynamic flag.
bool isParamShown(Host& host, int index);
// Whether a shown parameter can be operated (not greyed out).
bool isParamEnabled(Host& host, int index);

}  // namespace host

#endif  // MORPHALITH_HOST_USER_ACTIONS_H
