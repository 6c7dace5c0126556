// Morphalith_Parameters.cpp — the declaration of the parameter panel. Its run-time shape is
// ParamVisibility.cpp; the reaction to the user's changes is ParamChanges.cpp.
#include <algorithm>
#include <cstring>
#include <string>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "GlobalData.h"
#include "Handlers.h"
#include "PF_Param.h"
#include "ParamLayout.h"

namespace {

// The About header is as wide as the About image and 20 pixels taller.
struct AboutImageSize {
    int32_t width = 0, height = 0;
};

AboutImageSize readAboutImageSize(PF_InData* in_data, PF_HandleSuite1* handles) {
    AboutImageSize size;
    if (!in_data->global_data) return size;
    if (auto* global = static_cast<GlobalData*>(handles->host_lock_handle(in_data->global_data))) {
        if (global->aboutImage) {
            size.width = global->aboutImage->width;
            size.height = global->aboutImage->height;
        }
        handles->host_unlock_handle(in_data->global_data);
    }
    return size;
}

class PanelDeclaration {
public:
    explicit PanelDeclaration(PF_InData* in_data) : in_(in_data) {}

    PF_Err add(PF_ParamDef& def) { return in_->inter.add_param(in_->effect_ref, -1, &def); }

    // A definition of one row, cleared to zero first so that every field not named stays zero.
    PF_Err declare(const ParamRow& row, int index, int slot) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof(def));
        def.uu.id = index;
        def.param_type = row.type;
        if (row.type == PF_Param_GROUP_END) return add(def);  // only its type and id

        def.flags = row.flags;
        def.ui_flags = row.uiFlags;
        if (index == getIndexForUserParam(slot, PrimitiveParamType::PrimitiveGroup)) {
            format(def.name, sizeof(def.name), row.name, slot);
        } else if (index == ParamID::AddPrimitive) {
            format(def.name, sizeof(def.name), row.name, 0, kNumPrimitiveSlots - 1);
        } else {
            copyName(def.name, row.name);
        }

        switch (row.type) {
            case PF_Param_FLOAT_SLIDER: {
                PF_FloatSliderDef& fs = def.u.fs_d;
                fs.valid_min = fs.slider_min = row.minimum;
                fs.valid_max = fs.slider_max = row.maximum;
                fs.dephault = row.dephault;
                fs.value = fs.dephault;
                fs.precision = row.precision;
                fs.display_flags = PF_ValueDisplayFlag_NONE;
                fs.fs_flags = PF_FSliderFlag_NONE;
                fs.curve_tolerance = 0.05f;
                break;
            }
            case PF_Param_CHECKBOX:
                def.u.bd.value = def.u.bd.dephault = row.dephault != 0 ? 1 : 0;
                def.u.bd.u.nameptr = "";
                break;
            case PF_Param_COLOR:
                def.u.cd.value = def.u.cd.dephault = PF_Pixel{255, row.red, row.green, row.blue};
                break;
            case PF_Param_POPUP:
                def.u.pd.value = static_cast<A_long>(row.dephault);
                def.u.pd.dephault = static_cast<A_short>(row.dephault);
                def.u.pd.num_choices = popupChoicesCount(row.choices);
                format(choices_, sizeof(choices_), "%s", popupChoicesString(row.choices).c_str());
                def.u.pd.u.namesptr = choices_;
                break;
            case PF_Param_LAYER: def.u.ld.dephault = PF_LayerDefault_NONE; break;
            case PF_Param_ANGLE: break;  // 0 degrees, no range
            case PF_Param_ARBITRARY_DATA:
                def.ui_width = 1;
                def.ui_height = 24;
                def.u.arb_d.id = static_cast<A_short>(index);
                def.u.arb_d.refconPV = kPrimitiveControlsRefcon;
                break;
            case PF_Param_BUTTON: def.u.button_d.u.namesptr = kAddPrimitiveButtonText; break;
            default: break;
        }
        return add(def);
    }

    PF_Err declareHeader(int index, const char* name, PF_ParamUIFlags ui, A_short width, A_short height,
                         PF_ParamFlags flags) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof(def));
        def.uu.id = index;
        def.param_type = PF_Param_NO_DATA;
        def.ui_flags = ui;
        def.ui_width = width;
        def.ui_height = height;
        def.flags = flags;
        copyName(def.name, name);
        return add(def);
    }

private:
    // Names go through the host's string callbacks, cut to the 31 characters a name holds.
    void copyName(A_char* field, const char* name) {
        char bounded[PF_MAX_PARAM_NAME_LEN + 1];
        size_t length = std::min(std::strlen(name), sizeof(bounded) - 1);
        std::memcpy(bounded, name, length);
        bounded[length] = '\0';
        in_->utils->ansi.strcpy(field, bounded);
    }

    template <typename... Args>
    void format(A_char* field, size_t size, const char* fmt, Args... args) {
        char wide[sizeof(choices_)];
        in_->utils->ansi.sprintf(wide, fmt, args...);  // every format here stays far below the buffer
        wide[sizeof(wide) - 1] = '\0';
        size_t length = std::min(std::strlen(wide), size - 1);
        std::memcpy(field, wide, length);
        field[length] = '\0';
    }

    PF_InData* in_;
    char choices_[256];  // the longest choices string (the primitive names) is 118 characters
};

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
    if (!in_data->inter.add_param || !in_data->inter.register_ui || !in_data->utils) return PF_Err_INVALID_CALLBACK;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    const AboutImageSize image = readAboutImageSize(in_data, suites.HandleSuite1());
    const A_short headerWidth = static_cast<A_short>(image.width);
    const A_short aboutHeight = static_cast<A_short>(static_cast<float>(image.height) + 20.0f);

    PanelDeclaration panel(in_data);
    PF_Err err = panel.declareHeader(ParamID::About, "About", PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL, headerWidth,
                                     aboutHeight, 0);
    if (err) return err;

    // A failed registration does not stop the declaration; it is reported at the end.
    PF_CustomUIInfo ui;
    std::memset(&ui, 0, sizeof(ui));
    ui.events = PF_CustomEFlag_COMP | PF_CustomEFlag_LAYER | PF_CustomEFlag_EFFECT;
    PF_Err remembered = in_data->inter.register_ui(in_data->effect_ref, &ui);

    err = panel.declareHeader(ParamID::Debug, "Debug", PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL | PF_PUI_INVISIBLE,
                              headerWidth, 200, PF_ParamFlag_COLLAPSE_TWIRLY);
    if (err) return err;

    for (int slot = 0; slot < kNumPrimitiveSlots; ++slot) {
        for (int offset = 0; offset < kParamsPerSlot; ++offset) {
            int index = getIndexForUserParam(slot, static_cast<PrimitiveParamType>(offset));
            if ((err = panel.declare(kSlotParamRows[offset], index, slot))) return err;
        }
    }
    for (int i = 0; i < kNumGlobalParams; ++i) {
        if ((err = panel.declare(kGlobalParamRows[i], ParamID::AddPrimitive + i, -1))) return err;
    }

    out_data->num_params = ParamID::NumParams;

    if (!remembered) {
        AEFX_SuiteScoper<PF_EffectUISuite1> effectUI(in_data, kPFEffectUISuite, kPFEffectUISuiteVersion1, out_data);
        remembered = effectUI->PF_SetOptionsButtonName(in_data->effect_ref, "Info");
    }
    return remembered;
}
