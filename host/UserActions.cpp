#include "host/UserActions.h"

#include <cctype>

namespace host {

namespace {

// Runs one command as part of an action and notes what it caused.
PF_Err send(Host& host, PF_Cmd cmd, void* extra, ActionReport* report) {
    const size_t groupsBefore = host.project().undo.groups.size();
    const PF_Err err = host.command(cmd, extra);
    report->commands.push_back(cmd);
    const std::vector<UndoGroup>& groups = host.project().undo.groups;
    for (size_t g = groupsBefore; g < groups.size(); ++g) report->undoGroups.push_back(groups[g].name);
    report->printed += host.printed();
    report->changedValues.insert(report->changedValues.end(), host.changedValues().begin(),
                                 host.changedValues().end());
    if (err && !report->err) report->err = err;
    return err;
}

// What the events of the custom UI sent from `first` on caused.
void noteEvents(Host& host, size_t first, size_t firstInfo, ActionReport* report) {
    const std::vector<SentEvent>& sent = host.ui().sent;
    for (size_t i = first; i < sent.size(); ++i) {
        const SentEvent& e = sent[i];
        report->commands.push_back(PF_Cmd_EVENT);
        report->undoGroups.insert(report->undoGroups.end(), e.undoGroups.begin(), e.undoGroups.end());
        report->printed += e.printed;
        report->changedValues.insert(report->changedValues.end(), e.changedValues.begin(), e.changedValues.end());
        if (e.err && !report->err) report->err = e.err;
    }
    const std::vector<InfoText>& info = host.ui().infoTexts;
    for (size_t i = firstInfo; i < info.size(); ++i) report->infoTexts.push_back(info[i].line1);
}

PF_Err refreshPanel(Host& host, ActionReport* report) {
    if (!(host.globalOutFlags() & PF_OutFlag_SEND_UPDATE_PARAMS_UI)) return PF_Err_NONE;
    return send(host, PF_Cmd_UPDATE_PARAMS_UI, nullptr, report);
}

// The change a parameter's own value made, reported when the module supervises it.
PF_Err reportChange(Host& host, int index, ActionReport* report) {
    const DeclaredParam* p = host.panel().find(index);
    if (p->def.flags & PF_ParamFlag_SUPERVISE) {
        PF_UserChangedParamExtra extra{index};
        if (PF_Err err = send(host, PF_Cmd_USER_CHANGED_PARAM, &extra, report)) return err;
    }
    return refreshPanel(host, report);
}

bool known(Host& host, int index) {
    return host.panel().find(index) && index < static_cast<int>(host.project().streams.size());
}

}  // namespace

PF_Err changeParam(Host& host, int index, const AEGP_StreamVal& value, ActionReport* report) {
    ActionReport local;
    if (!report) report = &local;
    if (!known(host, index)) return report->err = PF_Err_INVALID_INDEX;
    Stream& stream = host.project().streams[index];
    if (stream.type == AEGP_StreamType_NO_DATA || stream.type == AEGP_StreamType_ARB)
        return report->err = PF_Err_BAD_CALLBACK_PARAM;  // nothing a person can set
    stream.value = value;
    return reportChange(host, index, report);
}

PF_Err clickButton(Host& host, int index, ActionReport* report) {
    ActionReport local;
    if (!report) report = &local;
    if (!known(host, index) || host.panel().find(index)->def.param_type != PF_Param_BUTTON)
        return report->err = PF_Err_INVALID_INDEX;
    return reportChange(host, index, report);
}

PF_Err deleteLayer(Host& host, AEGP_LayerIDVal id, ActionReport* report) {
    ActionReport local;
    if (!report) report = &local;
    if (!host.project().deleteLayer(id)) return report->err = PF_Err_INVALID_INDEX;
    return refreshPanel(host, report);
}

const char* stripButtonName(StripButton button) {
    switch (button) {
        case StripButton::Duplicate: return "duplicate";
        case StripButton::Copy: return "copy";
        case StripButton::Paste: return "paste";
        case StripButton::MoveUp: return "move up";
        case StripButton::MoveDown: return "move down";
        case StripButton::Delete: return "delete";
    }
    return "";
}

bool stripButtonByName(const std::string& name, StripButton* button) {
    auto folded = [](const std::string& text) {
        std::string out;
        for (char c : text)
            if (c != ' ') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        return out;
    };
    for (StripButton b : {StripButton::Duplicate, StripButton::Copy, StripButton::Paste, StripButton::MoveUp,
                          StripButton::MoveDown, StripButton::Delete}) {
        if (folded(name) == folded(stripButtonName(b))) {
            *button = b;
            return true;
        }
    }
    return false;
}

PF_Err clickStripButton(Host& host, int slot, StripButton button, ActionReport* report, std::string* error) {
    ActionReport local;
    if (!report) report = &local;
    std::string why;
    const size_t first = host.ui().sent.size(), firstInfo = host.ui().infoTexts.size();
    const PF_Err err = host.ui().pointAtStripButton(slot, static_cast<int>(button), true, true, &why);
    noteEvents(host, first, firstInfo, report);
    if (error) *error = why;
    if (err) {
        if (!report->err) report->err = err;
        return report->err;
    }
    return refreshPanel(host, report);
}

bool isParamShown(Host& host, int index) {
    const Panel& panel = host.panel();
    const std::vector<Stream>& streams = host.project().streams;
    for (int i = index; i >= 0;) {
        const DeclaredParam* p = panel.find(i);
        if (!p) return false;
        if (p->def.ui_flags & PF_PUI_INVISIBLE) return false;
        if (i < static_cast<int>(streams.size()) && (streams[i].flags & AEGP_DynStreamFlag_HIDDEN)) return false;
        i = p->parentGroup;
    }
    return true;
}

bool isParamEnabled(Host& host, int index) {
    const DeclaredParam* p = host.panel().find(index);
    return p && isParamShown(host, index) && !(p->def.ui_flags & PF_PUI_DISABLED);
}

}  // namespace host
