// ParamChanges.cpp — what the effect does when the user changes one of its supervised parameters:
// "Add" appends a primitive, a type change re-shapes the slot, a "Null Layer" change attaches the
// slot to a 3D layer, an "Environment Map" change marks the environment texture as changed. Every
// other supervised change (Smoothness, Render Mode, the primitive strip) only asks for a re-render.
#include <mutex>
#include <string>

#include "Handlers.h"
#include "HandleWrappers.h"
#include "Headers/LogsController.h"
#include "ParamVisibility.h"
#include "PrimitiveInfo.h"
#include "ScopedHandleLock.h"
#include "ScopedUndoGroup.h"
#include "Utilities.h"

namespace {

using P = PrimitiveParamType;

// The slot whose parameter `offset` is `index`, or -1.
int slotOfParam(int index, P offset) {
    const int first = getIndexForUserParam(0, P::PrimitiveGroup);
    const int last = getIndexForUserParam(kNumPrimitiveSlots - 1, P::PrimitiveGroupEnd);
    if (index < first || index > last) return -1;
    const int slot = (index - first) / kParamsPerSlot;
    return getIndexForUserParam(slot, offset) == index ? slot : -1;
}

// The numbers a type gives one offset, written into the parameter array as a changed value.
bool applyNumbers(PF_ParamDef* def, PrimitiveType type, P offset) {
    if (def->param_type != PF_Param_FLOAT_SLIDER) return false;
    applyPrimitiveNumbers(primitiveNumbers(type, offset), &def->u.fs_d);
    def->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
    return true;
}

// One change, with what every step shares.
class ParamChange {
public:
    ParamChange(PF_InData* in_data, PF_ParamDef** params, AEGP_SuiteHandler& suites, SequenceData* seq,
                GlobalData* global)
        : in_(in_data), params_(params), suites_(suites), seq_(seq), global_(global),
          effect_(global->pluginId, in_data, &suites) {}

    PF_Err err = PF_Err_NONE;
    bool visibility = false;  // the panel must be shaped again

    void addPrimitive();
    void changeType(int slot, int index);
    void attach(int slot, int index);
    void environmentMap();
    void shapePanel() {
        const PF_Err passErr = UpdateParamVisibility(in_, params_, &suites_, seq_, global_);
        if (!err) err = passErr;
    }

private:
    // Stream values are read and written at the start of the composition, before expressions.
    A_Time start_{0, 1};
    PF_InData* in_;
    PF_ParamDef** params_;
    AEGP_SuiteHandler& suites_;
    SequenceData* seq_;
    GlobalData* global_;
    EffectHandleWrapper effect_;

    void setHintFlag(bool on) {
        if (global_->sceneInfo) setBitFlag(1, on, &global_->sceneInfo->flags);
    }
};

void ParamChange::addPrimitive() {
    const int slot = static_cast<int>(seq_->numPrimitives);
    // Slot 10 is the spare the slot operations rely on: it is never in use.
    if (slot >= kMaxPrimitives) return;
    seq_->numPrimitives += 1.0f;
    seq_->primitives[slot].type = static_cast<int32_t>(PrimitiveType::Sphere);

    for (int p = 0; p < kParamsPerSlot; ++p) {
        const P offset = static_cast<P>(p);
        PF_ParamDef* def = params_[getIndexForUserParam(slot, offset)];
        if (offset == P::Type) {
            def->u.pd.value = static_cast<A_long>(PrimitiveType::Sphere);
            def->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
        }
        const PrimitiveInfo* info = findPrimitiveInfo(PrimitiveType::Sphere, offset);
        if (info && !info->values.empty()) applyNumbers(def, PrimitiveType::Sphere, offset);
    }

    // The new slot starts detached.
    StreamValueWrapper nullLayer(global_->pluginId, &suites_, effect_.get(),
                                 getIndexForUserParam(slot, P::NullLayer), start_, TRUE);
    nullLayer->val.layer_id = 0;
    if (!err) err = nullLayer.updateValue();
    seq_->primitives[slot].layerId = 0;

    visibility = true;
    spdlog_log("PRIMITIVE ADDED");
}

void ParamChange::changeType(int slot, int index) {
    const A_long chosen = params_[index]->u.pd.value;
    if (chosen < static_cast<A_long>(PrimitiveType::Sphere) || chosen > static_cast<A_long>(PrimitiveType::Cursor)) {
        if (!err) err = PF_Err_BAD_CALLBACK_PARAM;  // the popup offers nothing else
        return;
    }
    const PrimitiveType type = static_cast<PrimitiveType>(chosen);
    seq_->primitives[slot].type = static_cast<int32_t>(type);
    spdlog_log("TYPE CHANGED");

    const PrimitiveType resolved = resolvePrimitiveType(type);
    for (int p = 0; p < kParamsPerSlot; ++p) {
        const P offset = static_cast<P>(p);
        const PrimitiveInfo* own = findPrimitiveInfo(resolved, offset);
        if (!own) continue;  // offsets the type says nothing about keep name, value and limits
        const int i = getIndexForUserParam(slot, offset);
        applyNumbers(params_[i], resolved, offset);
        // The copy is taken after the numbers, so it carries no limits from before the change.
        PF_ParamDef copy = *params_[i];
        const std::string name = own->name.substr(0, sizeof(copy.name) - 1);
        in_->utils->ansi.strcpy(copy.name, name.c_str());
        if (!err) err = suites_.ParamUtilsSuite3()->PF_UpdateParamUI(in_->effect_ref, i, &copy);
    }
    visibility = true;
}

// Any 3D layer is accepted, a null layer or not; a 2D layer leaves the slot detached and asks the
// composition window for its hint.
void ParamChange::attach(int slot, int index) {
    StreamValueWrapper value(global_->pluginId, &suites_, effect_.get(), index, start_, TRUE);
    const AEGP_LayerIDVal id = value->val.layer_id;
    PrimitiveSlot& entry = seq_->primitives[slot];
    if (id == 0) {
        setHintFlag(false);
        entry.layerId = 0;
        visibility = true;
        return;
    }
    LayerHandleWrapper layer(&suites_, effect_.getEffectCompHandle(), id);
    if (!layer.get()) {
        visibility = true;
        return;
    }
    int flags = 0;
    if (!err) err = layer.getLayerFlags(&flags);
    if (flags & AEGP_LayerFlag_LAYER_IS_3D) {
        entry.layerId = id;
        setHintFlag(false);
    } else {
        setHintFlag(true);
        entry.layerId = 0;
        visibility = true;
    }
}

void ParamChange::environmentMap() {
    StreamValueWrapper value(global_->pluginId, &suites_, effect_.get(), ParamID::EnvironmentMap, start_, TRUE);
    // Render threads read, clear and rebuild the cache under this lock while the panel changes it here.
    std::lock_guard<std::mutex> guard(global_->envTextureLock);
    GPUCachedTexture& cache = global_->envTexture;
    if (value->val.layer_id != cache.layerId) {
        cache.layerId = value->val.layer_id;
        cache.changed = true;
    }
}

}  // namespace

PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        const PF_UserChangedParamExtra* extra) {
    if (!extra) return PF_Err_BAD_CALLBACK_PARAM;
    const int index = extra->param_index;
    spdlog_log("CHANGED: " + std::to_string(index));
    if (!params || index < 0 || index >= ParamID::NumParams) return PF_Err_BAD_CALLBACK_PARAM;

    AEGP_SuiteHandler suites(in_data->pica_basicP);
    ScopedHandleLock<SequenceData> seqLock(suites.HandleSuite1(), in_data->sequence_data);
    SequenceData* seq = seqLock.get();
    if (!seq) return PF_Err_NONE;  // no instance state to change
    ScopedHandleLock<GlobalData> globalLock(suites.HandleSuite1(), in_data->global_data);
    GlobalData* global = globalLock.get();
    if (!global) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    keepSequenceDataSound(seq);

    ParamChange change(in_data, params, suites, seq, global);
    int slot = -1;
    if (index == ParamID::AddPrimitive) {
        change.addPrimitive();
    } else if ((slot = slotOfParam(index, P::Type)) >= 0) {
        change.changeType(slot, index);
    } else if ((slot = slotOfParam(index, P::NullLayer)) >= 0) {
        {
            ScopedUndoGroup undo(suites, "Null Changed");
            change.attach(slot, index);
        }
        spdlog_log("NULL CHANGED");
    } else if (index == ParamID::EnvironmentMap) {
        change.environmentMap();
    }
    if (change.visibility) change.shapePanel();

    if (!change.err) out_data->out_flags |= PF_OutFlag_REFRESH_UI | PF_OutFlag_FORCE_RERENDER;
    return change.err;
}
