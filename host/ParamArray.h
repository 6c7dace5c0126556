// ParamArray.h — the params[] array a host hands to the module with every user-interface command:
// one definition per declared parameter, as the panel shows it now, with the current value of its
// stream and its change flags clear.
//
// When the command returns the host takes back what the module may change in place: the value of
// each definition flagged PF_ChangeFlag_CHANGED_VALUE (written into its stream, a slider's default
// with it) and the limits of every float slider. Names and enabled state only travel through
// PF_UpdateParamUI.
#ifndef MORPHALITH_HOST_PARAM_ARRAY_H
#define MORPHALITH_HOST_PARAM_ARRAY_H

#include <vector>

#include "PF_Param.h"
#include "host/Panel.h"
#include "host/Project.h"

namespace host {

class ParamArray {
public:
    ParamArray(const Panel& panel, const std::vector<Stream>& streams);
    ParamArray(const ParamArray&) = delete;
    ParamArray& operator=(const ParamArray&) = delete;

    PF_ParamDef** get() { return pointers_.data(); }
    size_t size() const { return defs_.size(); }

    // Applies what the module changed; the indices whose values were taken, in order.
    std::vector<int> applyTo(Panel& panel, std::vector<Stream>& streams) const;

private:
    std::vector<PF_ParamDef> defs_;
    std::vector<PF_ParamDef*> pointers_;
};

// Commands that come with the parameter array: the ones a host sends from its user interface.
bool commandHasParamArray(PF_Cmd cmd);

}  // namespace host

#endif  // MORPHALITH_HOST_PARAM_ARRAY_H
