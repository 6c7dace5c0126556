// Panel.h — the effect panel as the module declared it: every parameter definition add_param was
// given (the strings its pointers named copied out), the custom-UI registrations, the options-button
// name, and the definition updates made since.
#ifndef MORPHALITH_HOST_PANEL_H
#define MORPHALITH_HOST_PANEL_H

#include <string>
#include <vector>

#include "PF_Param.h"

namespace host {

struct DeclaredParam {
    PF_ParamDef def{};         // as declared, then with every run-time change the host applied
    std::string declaredName;  // the name add_param was given
    std::string choices;       // a popup's choices, joined by "|"
    std::string buttonText;    // a button's text
    std::string checkboxText;  // the text beside a checkbox
    int parentGroup = -1;      // the group start it is declared in (a group end: the one it closes), or -1
};

// One PF_UpdateParamUI the host applied: the run-time attributes it takes from the copy.
struct ParamUIUpdate {
    int index = 0;
    std::string name;
    PF_ParamFlags flags = 0;
    PF_ParamUIFlags uiFlags = 0;
};

class Panel {
public:
    // Starts a declaration: only the host's own input layer (index 0) stands in the panel.
    void reset();
    // Appends a definition (the strings it points at are copied); the index it got.
    int add(const PF_ParamDef& def);

    const std::vector<DeclaredParam>& params() const { return params_; }
    const DeclaredParam* find(int index) const;
    DeclaredParam* find(int index);
    size_t size() const { return params_.size(); }
    int openGroups() const { return static_cast<int>(groupStack_.size()); }
    int unbalancedGroupEnds() const { return unbalancedEnds_; }

    std::vector<PF_CustomUIInfo> customUI;
    std::string optionsButtonName;
    int updateCalls = 0;  // PF_UpdateParamUI calls
    std::vector<ParamUIUpdate> uiUpdates;  // every PF_UpdateParamUI applied since the declaration

    // A table a person can read: index, name (indented by group), type, default, range, flags.
    std::string table() const;

private:
    std::vector<DeclaredParam> params_;
    std::vector<int> groupStack_;
    int unbalancedEnds_ = 0;
};

const char* paramTypeName(PF_ParamType type);

}  // namespace host

#endif  // MORPHALITH_HOST_PANEL_H
