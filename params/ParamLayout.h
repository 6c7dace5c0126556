// ParamLayout.h — the effect's 1131 parameters as data: one row per slot offset (the same in each of
// the eleven slots) and one per global parameter. ParamsSetup declares the panel from these rows; a
// parameter's index is its disk id in saved projects, so rows are never reordered or removed.
#ifndef MORPHALITH_PARAMS_PARAM_LAYOUT_H
#define MORPHALITH_PARAMS_PARAM_LAYOUT_H

#include <string>
#include <utility>
#include <vector>

#include "NameTables.h"
#include "PF_Param.h"
#include "ParamID.h"

// Which name table a popup's choices come from.
enum class PopupChoices { None, Primitives, Operations, RenderPasses };

struct ParamRow {
    PF_ParamType type;
    const char* name;  // a printf format for the slot group and the add button
    float minimum, maximum, dephault;  // sliders; checkboxes and popups use dephault only
    A_short precision;
    PF_ParamFlags flags;
    PF_ParamUIFlags uiFlags;
    A_u_char red, green, blue;  // colours
    PopupChoices choices;
};

constexpr int kNumGlobalParams = ParamID::NumParams - ParamID::AddPrimitive;

extern const ParamRow kSlotParamRows[kParamsPerSlot];
extern const ParamRow kGlobalParamRows[kNumGlobalParams];

constexpr const char* kAddPrimitiveButtonText = "Add";
// Marks the slot control's arbitrary data as ours.
inline void* const kPrimitiveControlsRefcon = reinterpret_cast<void*>(static_cast<uintptr_t>(0xDEADBEEFDEADBEEFull));

// A popup's choices: the table's names joined by "|", the first row left out when skipFirst.
template <typename T>
std::string getPopupString(const std::vector<std::pair<T, std::string>>& table, bool skipFirst) {
    std::string choices;
    for (size_t i = skipFirst ? 1 : 0; i < table.size(); ++i) {
        if (!choices.empty()) choices += "|";
        choices += table[i].second;
    }
    return choices;
}

// The choices string and count of a popup row.
std::string popupChoicesString(PopupChoices choices);
A_short popupChoicesCount(PopupChoices choices);

#endif  // MORPHALITH_PARAMS_PARAM_LAYOUT_H
