#include "host/UserActions.h"

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
