// ParamVisibility.cpp — the effect controls shaped by the sequence data: which slots and size
// parameters are shown, under which names and limits, which are greyed out, and the re-attachment of
// a slot whose null layer is gone.
#include "ParamVisibility.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Handlers.h"
#include "HandleWrappers.h"
#include "Headers/LogsController.h"
#include "NameTables.h"
#include "PrimitiveInfo.h"
#include "ScopedHandleLock.h"
#include "Utilities.h"

namespace {

using P = PrimitiveParamType;

constexpr int kFirstSizeOffset = static_cast<int>(P::SizeGroup);          // 4
constexpr int kLastSizeOffset = static_cast<int>(P::SecondDiameter);      // 12
constexpr int kLastShapedOffset = static_cast<int>(P::Smoothness);        // 96

// Each modifier's settings are greyed out while its "Enabled" switch is off.
struct ModifierSpan {
    P enabled;
    int first, last;
};
constexpr ModifierSpan kModifierSpans[] = {
    {P::BendEnabled, static_cast<int>(P::BendStrength), static_cast<int>(P::BendGroupEnd)},
    {P::TwistEnabled, static_cast<int>(P::TwistStrength), static_cast<int>(P::TwistGroupEnd)},
    {P::WavesEnabled, static_cast<int>(P::CosineGroup), static_cast<int>(P::WavesGroupEnd)},
    {P::RipplesEnabled, static_cast<int>(P::RipplesAmplitude), static_cast<int>(P::RipplesGroupEnd)},
};

bool isDisabled(PF_ParamDef** params, const PrimitiveSlot& slot, int s, int p) {
    if (slot.layerId == 0) return true;  // a detached slot has nothing to place it
    for (const ModifierSpan& span : kModifierSpans)
        if (p >= span.first && p <= span.last) return params[getIndexForUserParam(s, span.enabled)]->u.bd.value == 0;
    return false;
}

void copyName(PF_InData* in_data, PF_ParamDef* def, const std::string& name) {
    const std::string bounded = name.substr(0, sizeof(def->name) - 1);
    in_data->utils->ansi.strcpy(def->name, bounded.c_str());
}

}  // namespace

bool isSlotVisible(const SequenceData& seq, int slot) {
    return slotType(seq, slot) != PrimitiveType::None && static_cast<float>(slot) < seq.numPrimitives;
}

void keepSequenceDataSound(SequenceData* seq) {
    const SequenceRepair repair = repairSequenceData(seq);
    if (repair.any()) spdlog_log("Sequence data repaired before the panel read it");
}

PrimitiveType slotType(const SequenceData& seq, int slot) {
    const int32_t type = seq.primitives[slot].type;
    const bool known = type > 0 && type < static_cast<int32_t>(PrimitiveType_String.size());
    return known ? static_cast<PrimitiveType>(type) : PrimitiveType::None;
}

PF_Err UpdateParamVisibility(PF_InData* in_data, PF_ParamDef** params, AEGP_SuiteHandler* suites, SequenceData* seq,
                             GlobalData* global) {
    PF_Err err = PF_Err_NONE;
    PF_ParamUtilsSuite3* paramUtils = suites->ParamUtilsSuite3();
    const int count = static_cast<int>(seq->numPrimitives);

    // The Add button: how many primitives exist, and no more than ten.
    {
        PF_ParamDef copy = *params[ParamID::AddPrimitive];
        setBitFlag(PF_PUI_DISABLED, count >= kMaxPrimitives, &copy.ui_flags);
        in_data->utils->ansi.sprintf(copy.name, "Add new primitive (%d/%d)", count, kMaxPrimitives);
        err = paramUtils->PF_UpdateParamUI(in_data->effect_ref, ParamID::AddPrimitive, &copy);
        if (err) return err;
    }

    EffectHandleWrapper effect(global->pluginId, in_data, suites);
    AEGP_CompH comp = nullptr;
    bool compKnown = false;
    auto effectComp = [&]() {
        if (!compKnown) comp = effect.getEffectCompHandle();
        compKnown = true;
        return comp;
    };

    for (int s = 0; s < kNumPrimitiveSlots; ++s) {
        PrimitiveSlot& slot = seq->primitives[s];

        // Re-attachment: the slot's layer is gone; the "Null Layer" parameter says what it is now.
        // No 3D rule here: the parameter already went through the attach step when it was chosen.
        if (slot.layerId != 0 && !err) {
            AEGP_LayerH layer = nullptr;
            err = suites->LayerSuite7()->AEGP_GetLayerFromLayerID(effectComp(), slot.layerId, &layer);
            if (!err && !layer) {
                A_Time start{0, 1};
                StreamValueWrapper value(global->pluginId, suites, effect.get(),
                                         getIndexForUserParam(s, P::NullLayer), start, TRUE);
                const AEGP_LayerIDVal now = value->val.layer_id;
                spdlog_log("LAYER_ID CHANGED from " + std::to_string(slot.layerId) + " to " + std::to_string(now));
                slot.layerId = now;
                if (now != 0) {
                    AEGP_LayerH found = nullptr;
                    err = suites->LayerSuite7()->AEGP_GetLayerFromLayerID(effectComp(), now, &found);
                    if (!err && found) {
                        A_long index = 0;
                        err = suites->LayerSuite7()->AEGP_GetLayerIndex(found, &index);
                        if (!err) spdlog_log("Layer index: " + std::to_string(index));
                    }
                }
            }
        }

        // What the slot's type shows.
        const PrimitiveType type = slotType(*seq, s);
        const bool visible = isSlotVisible(*seq, s);
        static const std::vector<PrimitiveParamType> kNothing;
        auto listed = global->primitiveParams.find(type);
        const std::vector<PrimitiveParamType>& shown = listed == global->primitiveParams.end() ? kNothing : listed->second;
        const std::string& typeName = PrimitiveType_String[static_cast<size_t>(type)].second;
        // Limits come from the type's own entries, or Sphere's for a type without any (Octahedron).
        const PrimitiveType limitsType = resolvePrimitiveType(type);

        // Each parameter of the slot.
        for (int p = 0; p < kParamsPerSlot; ++p) {
            const P offset = static_cast<P>(p);
            const int i = getIndexForUserParam(s, offset);
            PF_ParamDef copy = *params[i];
            const bool sizeOffset = p >= kFirstSizeOffset && p <= kLastSizeOffset;

            // Names apply in hidden slots too, so a slot shows the right names the moment it appears.
            if (const PrimitiveInfo* info = findPrimitiveInfo(type, offset)) {
                if (!err) {
                    copyName(in_data, &copy, info->name);
                    err = paramUtils->PF_UpdateParamUI(in_data->effect_ref, i, &copy);
                }
            } else if (offset == P::PrimitiveGroup && !err) {
                StreamHandleWrapper stream(global->pluginId, suites, effect.get(), i);
                err = stream.setDynamicFlag(AEGP_DynStreamFlag_HIDDEN, visible ? FALSE : TRUE);
                if (!err) {
                    copyName(in_data, &copy, typeName);
                    err = paramUtils->PF_UpdateParamUI(in_data->effect_ref, i, &copy);
                }
            }
            if (sizeOffset && visible && !err) {
                const bool inList = std::find(shown.begin(), shown.end(), offset) != shown.end();
                StreamHandleWrapper stream(global->pluginId, suites, effect.get(), i);
                err = stream.setDynamicFlag(AEGP_DynStreamFlag_HIDDEN, inList ? FALSE : TRUE);
            }
            if (err) return err;

            if (!visible || params[i]->param_type == PF_Param_GROUP_START || p < kFirstSizeOffset ||
                p > kLastShapedOffset)
                continue;

            // Limits go straight into the host's definition; value and default stay as they are.
            if (findPrimitiveInfo(limitsType, offset) && params[i]->param_type == PF_Param_FLOAT_SLIDER) {
                PrimitiveNumbers numbers = primitiveNumbers(limitsType, offset);
                numbers.dephault.reset();
                applyPrimitiveNumbers(numbers, &params[i]->u.fs_d);
                // The copy sent below carries the limits just written, never those from before.
                copy.u.fs_d = params[i]->u.fs_d;
            }

            const bool disabled = isDisabled(params, slot, s, p);
            if (disabled != ((params[i]->ui_flags & PF_PUI_DISABLED) != 0)) {
                setBitFlag(PF_PUI_DISABLED, disabled, &copy.ui_flags);
                err = paramUtils->PF_UpdateParamUI(in_data->effect_ref, i, &copy);
                if (err) return err;
            }
        }
    }
    return err;
}

PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef*) {
    if (!params) return PF_Err_BAD_CALLBACK_PARAM;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    ScopedHandleLock<SequenceData> seqLock(suites.HandleSuite1(), in_data->sequence_data);
    SequenceData* seq = seqLock.get();
    if (!seq) return PF_Err_NONE;  // an instance without sequence data has no slots to show yet
    ScopedHandleLock<GlobalData> globalLock(suites.HandleSuite1(), in_data->global_data);
    GlobalData* global = globalLock.get();
    if (!global) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    keepSequenceDataSound(seq);

    const PF_Err err = UpdateParamVisibility(in_data, params, &suites, seq, global);
    if (!err) out_data->out_flags |= PF_OutFlag_REFRESH_UI | PF_OutFlag_FORCE_RERENDER;
    return err;
}
