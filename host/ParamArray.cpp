#include "host/ParamArray.h"

#include <algorithm>

#include "host/ParamCheckout.h"

namespace host {

bool commandHasParamArray(PF_Cmd cmd) {
    return cmd == PF_Cmd_USER_CHANGED_PARAM || cmd == PF_Cmd_UPDATE_PARAMS_UI || cmd == PF_Cmd_EVENT ||
           cmd == PF_Cmd_DO_DIALOG;
}

ParamArray::ParamArray(const Panel& panel, const std::vector<Stream>& streams) {
    const size_t n = std::min(panel.size(), streams.size());
    defs_.resize(n);
    pointers_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const DeclaredParam& p = panel.params()[i];
        PF_ParamDef& def = defs_[i];
        def = p.def;
        definitionFromStream(streams[i], &def);
        // The word that held the disk id at declaration holds the change flags from now on.
        def.uu.change_flags = PF_ChangeFlag_NONE;
        // The strings live in the panel for the whole command.
        if (def.param_type == PF_Param_POPUP) def.u.pd.u.namesptr = p.choices.c_str();
        if (def.param_type == PF_Param_BUTTON) def.u.button_d.u.namesptr = p.buttonText.c_str();
        if (def.param_type == PF_Param_CHECKBOX) def.u.bd.u.nameptr = p.checkboxText.c_str();
        pointers_[i] = &def;
    }
}

std::vector<int> ParamArray::applyTo(Panel& panel, std::vector<Stream>& streams) const {
    std::vector<int> taken;
    for (size_t i = 0; i < defs_.size(); ++i) {
        const PF_ParamDef& def = defs_[i];
        DeclaredParam* declared = panel.find(static_cast<int>(i));
        if (!declared || declared->def.param_type != def.param_type) continue;
        const bool slider = def.param_type == PF_Param_FLOAT_SLIDER;
        if (slider) {
            PF_FloatSliderDef& mine = declared->def.u.fs_d;
            mine.valid_min = def.u.fs_d.valid_min;
            mine.valid_max = def.u.fs_d.valid_max;
            mine.slider_min = def.u.fs_d.slider_min;
            mine.slider_max = def.u.fs_d.slider_max;
            mine.precision = def.u.fs_d.precision;
        }
        if (!(def.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE)) continue;
        const Stream changed = streamFromDefinition(def);
        // Layer definitions carry no layer id; arbitrary data flagged changed only asks for a redraw.
        if (changed.type == AEGP_StreamType_NO_DATA || changed.type == AEGP_StreamType_LAYER_ID) continue;
        if (changed.type == AEGP_StreamType_ARB) {
            taken.push_back(static_cast<int>(i));
            continue;
        }
        streams[i].value = changed.value;
        if (slider) declared->def.u.fs_d.dephault = def.u.fs_d.dephault;
        taken.push_back(static_cast<int>(i));
    }
    return taken;
}

}  // namespace host
