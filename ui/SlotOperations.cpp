#include "SlotOperations.h"

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "ClipboardRecords.h"
#include "Headers/LogsController.h"
#include "ParamLayout.h"
#include "ParamVisibility.h"
#include "PrimitiveClipboard.h"
#include "ScopedUndoGroup.h"

namespace {

using P = PrimitiveParamType;

// ---- Values by stream type -------------------------------------------------------------------------------

// The stream types whose values move between slots. An arbitrary-data stream's value is a handle of
// its own parameter: it never moves.
bool carriesValue(AEGP_StreamType type) {
    switch (type) {
        case AEGP_StreamType_OneD:
        case AEGP_StreamType_TwoD:
        case AEGP_StreamType_TwoD_SPATIAL:
        case AEGP_StreamType_ThreeD:
        case AEGP_StreamType_ThreeD_SPATIAL:
        case AEGP_StreamType_COLOR:
        case AEGP_StreamType_LAYER_ID:
            return true;
        default:
            return false;
    }
}

bool sameValue(AEGP_StreamType type, const AEGP_StreamVal& a, const AEGP_StreamVal& b) {
    switch (type) {
        case AEGP_StreamType_OneD:
            return a.one_d.value == b.one_d.value;
        case AEGP_StreamType_TwoD:
        case AEGP_StreamType_TwoD_SPATIAL:
            return a.two_d.x == b.two_d.x && a.two_d.y == b.two_d.y;
        case AEGP_StreamType_ThreeD:
        case AEGP_StreamType_ThreeD_SPATIAL:
            return a.three_d.x == b.three_d.x && a.three_d.y == b.three_d.y && a.three_d.z == b.three_d.z;
        case AEGP_StreamType_COLOR:
            return a.color.alphaF == b.color.alphaF && a.color.redF == b.color.redF &&
                   a.color.greenF == b.color.greenF && a.color.blueF == b.color.blueF;
        case AEGP_StreamType_LAYER_ID:
            return a.layer_id == b.layer_id;
        default:
            return true;
    }
}

void assignValue(AEGP_StreamType type, AEGP_StreamVal* to, const AEGP_StreamVal& from) {
    switch (type) {
        case AEGP_StreamType_OneD:
            to->one_d = from.one_d;
            break;
        case AEGP_StreamType_TwoD:
        case AEGP_StreamType_TwoD_SPATIAL:
            to->two_d = from.two_d;
            break;
        case AEGP_StreamType_ThreeD:
        case AEGP_StreamType_ThreeD_SPATIAL:
            to->three_d = from.three_d;
            break;
        case AEGP_StreamType_COLOR:
            to->color = from.color;
            break;
        case AEGP_StreamType_LAYER_ID:
            to->layer_id = from.layer_id;
            break;
        default:
            break;
    }
}

A_u_char colourByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 1.0) return 255;
    return static_cast<A_u_char>(std::lround(v * 255.0));
}

// The parameter array stays in step with the streams written during the event, so that later reads in
// the same event (the panel's pass, the next copy) see the new values. No change flag: the host took
// the value through the stream already.
void mirror(PF_ParamDef* def, AEGP_StreamType type, const AEGP_StreamVal& v) {
    if (type == AEGP_StreamType_OneD) {
        const double x = v.one_d.value;
        switch (def->param_type) {
            case PF_Param_FLOAT_SLIDER:
                def->u.fs_d.value = x;
                break;
            case PF_Param_CHECKBOX:
                def->u.bd.value = x != 0.0 ? 1 : 0;
                break;
            case PF_Param_POPUP:
                def->u.pd.value = std::isfinite(x) ? static_cast<A_long>(x) : 0;
                break;
            case PF_Param_ANGLE: {
                const double fixed = std::round(x * 65536.0);
                def->u.ad.value = std::isfinite(fixed) && std::fabs(fixed) < 2147483647.0
                                      ? static_cast<PF_Fixed>(fixed)
                                      : 0;
                break;
            }
            default:
                break;
        }
    } else if (type == AEGP_StreamType_COLOR && def->param_type == PF_Param_COLOR) {
        def->u.cd.value = PF_Pixel{colourByte(v.color.alphaF), colourByte(v.color.redF),
                                   colourByte(v.color.greenF), colourByte(v.color.blueF)};
    }
}

// ---- One slot's values
// --------------------------------------------------------------------------------------

struct SlotValue {
    bool present = false;
    AEGP_StreamType type = AEGP_StreamType_NO_DATA;
    AEGP_StreamVal value{};
};
using SlotValues = std::array<SlotValue, kParamsPerSlot>;

// What a slot holds before anyone changes it: the values its parameters are declared with.
SlotValues declaredDefaults() {
    SlotValues values;
    for (int p = 0; p < kParamsPerSlot; ++p) {
        const ParamRow& row = kSlotParamRows[p];
        SlotValue& v = values[p];
        v.present = true;
        switch (row.type) {
            case PF_Param_FLOAT_SLIDER:
            case PF_Param_CHECKBOX:
            case PF_Param_POPUP:
                v.type = AEGP_StreamType_OneD;
                v.value.one_d.value =
                    row.type == PF_Param_CHECKBOX ? (row.dephault != 0 ? 1.0 : 0.0) : row.dephault;
                break;
            case PF_Param_ANGLE:
                v.type = AEGP_StreamType_OneD;
                break;  // 0 degrees
            case PF_Param_COLOR:
                v.type = AEGP_StreamType_COLOR;
                v.value.color = {1.0, row.red / 255.0, row.green / 255.0, row.blue / 255.0};
                break;
            case PF_Param_LAYER:
                v.type = AEGP_StreamType_LAYER_ID;
                break;  // no layer
            default:
                v.present = false;
                break;
        }
    }
    return values;
}

// The streams of the effect's slots, read and written at one composition time, before expressions.
class SlotStreams {
public:
    SlotStreams(AEGP_PluginID pluginId, AEGP_SuiteHandler* suites, EffectHandleWrapper* effect, A_Time& time,
                PF_ParamDef** params)
        : pluginId_(pluginId), suites_(suites), effect_(effect), time_(time), params_(params) {}

    PF_Err read(int slot, SlotValues* out) {
        for (int p = 0; p < kParamsPerSlot; ++p) {
            SlotValue& v = (*out)[p];
            v = SlotValue{};
            const int index = getIndexForUserParam(slot, static_cast<P>(p));
            if (params_[index]->param_type == PF_Param_GROUP_START) continue;
            AEGP_StreamType type = AEGP_StreamType_NO_DATA;
            {
                StreamHandleWrapper stream(pluginId_, suites_, effect_->get(), index);
                if (PF_Err err = suites_->StreamSuite2()->AEGP_GetStreamType(stream.streamHandle(), &type))
                    return err;
            }
            if (!carriesValue(type)) continue;
            StreamValueWrapper value(pluginId_, suites_, effect_->get(), index, time_, TRUE);
            v = SlotValue{true, type, value->val};
        }
        return PF_Err_NONE;
    }

    PF_Err write(int slot, const SlotValues& values) {
        for (int p = 0; p < kParamsPerSlot; ++p) {
            const int index = getIndexForUserParam(slot, static_cast<P>(p));
            if (params_[index]->param_type == PF_Param_GROUP_START) continue;
            if (PF_Err err = writeParam(index, values[p], true)) return err;
        }
        return PF_Err_NONE;
    }

    // One parameter takes one value. Its keyframes go first (it keeps one static value), also when
    // the value turns out to be the one it already has. With `sameType`, a value of another stream
    // type is not taken.
    PF_Err writeParam(int index, const SlotValue& source, bool sameType) {
        AEGP_StreamType type = AEGP_StreamType_NO_DATA;
        {
            StreamHandleWrapper stream(pluginId_, suites_, effect_->get(), index);
            AEGP_StreamRefH handle = stream.streamHandle();
            A_Boolean varying = FALSE;
            A_long keys = 0;
            PF_Err err = suites_->StreamSuite2()->AEGP_GetStreamType(handle, &type);
            if (!err) err = suites_->StreamSuite2()->AEGP_IsStreamTimevarying(handle, &varying);
            if (!err) err = suites_->KeyframeSuite3()->AEGP_GetStreamNumKFs(handle, &keys);
            if (err) return err;
            if (!carriesValue(type)) return PF_Err_NONE;
            if (varying && keys > 0)
                for (A_long k = keys - 1; k >= 0; --k)
                    suites_->KeyframeSuite4()->AEGP_DeleteKeyframe(handle, k);
        }
        if (!source.present || (sameType && source.type != type)) return PF_Err_NONE;

        StreamValueWrapper value(pluginId_, suites_, effect_->get(), index, time_, TRUE);
        if (sameValue(type, value->val, source.value)) return PF_Err_NONE;
        assignValue(type, &value->val, source.value);
        if (PF_Err err = value.updateValue()) return err;
        mirror(params_[index], type, value->val);
        return PF_Err_NONE;
    }

private:
    AEGP_PluginID pluginId_;
    AEGP_SuiteHandler* suites_;
    EffectHandleWrapper* effect_;
    A_Time& time_;
    PF_ParamDef** params_;
};

int usedSlots(const SequenceData* seq) {
    return static_cast<int>(seq->numPrimitives);
}

bool isUsedSlot(const SequenceData* seq, int slot) {
    return slot >= 0 && slot < usedSlots(seq);
}

// The slot's strip is drawn again.
void markStripChanged(PF_ParamDef* params[], int slot) {
    params[getIndexForUserParam(slot, P::PrimitiveControls)]->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

PF_Err showInfo(AEGP_SuiteHandler* suites, const std::string& text) {
    return suites->AdvAppSuite2()->PF_InfoDrawText3(text.c_str(), "", "");
}

}  // namespace

PF_Err CopyParameters(int dst, int src, PF_InData*, SequenceData* seq, AEGP_PluginID pluginId,
                      AEGP_SuiteHandler* suites, EffectHandleWrapper* effect, A_Time& compTime,
                      PF_ParamDef* params[]) {
    if (dst < 0 || dst >= kNumPrimitiveSlots || src < 0 || src >= kNumPrimitiveSlots)
        return PF_Err_INVALID_INDEX;
    // The entry goes first: a slot left part-way by a failing host call is counted as the slot whose
    // values it was taking, so that no primitive drops out of the used slots.
    seq->primitives[dst] = seq->primitives[src];
    SlotStreams streams(pluginId, suites, effect, compTime, params);
    SlotValues values;
    PF_Err err = streams.read(src, &values);
    if (!err) err = streams.write(dst, values);
    return err;
}

// Each operation stops at the first host error and returns it: nothing after the failing call is done,
// in the streams or in the sequence data, but the undo group it opened is closed, so that one undo takes
// back what was written. A group the host would not open stops the operation before any change.

PF_Err DoDeletePrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                         EffectHandleWrapper* effect, A_Time& compTime, PF_InData* in_data,
                         PF_ParamDef* params[]) {
    if (!isUsedSlot(seq, slot)) return PF_Err_INVALID_INDEX;
    const int n = usedSlots(seq);
    ScopedUndoGroup undo(*suites, "Primitive Deleted");
    if (PF_Err err = undo.error()) return err;
    // Later slots move up one place; the slot the count no longer covers starts afresh.
    PF_Err err = PF_Err_NONE;
    for (int i = slot; i < n - 1 && !err; ++i)
        err = CopyParameters(i, i + 1, in_data, seq, pluginId, suites, effect, compTime, params);
    if (!err) err = SlotStreams(pluginId, suites, effect, compTime, params).write(n - 1, declaredDefaults());
    markStripChanged(params, slot);
    // The count comes down last: until every slot has moved up, the last one still holds a primitive.
    if (!err) {
        seq->primitives[n - 1] = PrimitiveSlot{0, 0};
        seq->numPrimitives -= 1.0f;
    }
    return err;
}

PF_Err DoDuplicatePrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                            EffectHandleWrapper* effect, A_Time& compTime, PF_InData* in_data,
                            PF_ParamDef* params[]) {
    // The copy needs a slot below the count and must leave slot 10 spare.
    if (!isUsedSlot(seq, slot) || usedSlots(seq) >= kMaxPrimitives) return PF_Err_INVALID_INDEX;
    ScopedUndoGroup undo(*suites, "Primitive Duplicated");
    if (PF_Err err = undo.error()) return err;
    // The count goes up first and the copies run from the end: whichever copy fails, every primitive is
    // still in a used slot.
    seq->numPrimitives += 1.0f;
    const int m = usedSlots(seq);
    PF_Err err = PF_Err_NONE;
    for (int i = m - 1; i > slot && !err; --i) {
        err = CopyParameters(i, i - 1, in_data, seq, pluginId, suites, effect, compTime, params);
        if (!err) spdlog_log("# " + std::to_string(i) + " Primitive assigned from #" + std::to_string(i - 1));
    }
    return err;
}

PF_Err DoMovePrimitive(bool up, int slot, SequenceData* seq, AEGP_PluginID pluginId,
                       AEGP_SuiteHandler* suites, EffectHandleWrapper* effect, A_Time& compTime,
                       PF_InData* in_data, PF_ParamDef* params[]) {
    const int target = up ? slot - 1 : slot + 1;
    if (!isUsedSlot(seq, slot) || !isUsedSlot(seq, target)) return PF_Err_INVALID_INDEX;
    const std::string text = "Primitive #" + std::to_string(slot) + " is shifted " + (up ? "up" : "down") +
                             " to the place of #" + std::to_string(target) + " primitive";
    if (PF_Err err = showInfo(suites, text)) return err;
    ScopedUndoGroup undo(*suites, text.c_str());
    if (PF_Err err = undo.error()) return err;
    // The target is kept here while the slot takes its place, not in the spare slot after the used ones:
    // with ten primitives that is slot 10, which stays untouched.
    SlotStreams streams(pluginId, suites, effect, compTime, params);
    SlotValues kept;
    const PrimitiveSlot keptEntry = seq->primitives[target];
    PF_Err err = streams.read(target, &kept);
    if (!err) err = CopyParameters(target, slot, in_data, seq, pluginId, suites, effect, compTime, params);
    if (!err) {
        seq->primitives[slot] = keptEntry;
        err = streams.write(slot, kept);
    }
    markStripChanged(params, slot);
    markStripChanged(params, target);
    return err;
}

PF_Err DoCopyPrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                       EffectHandleWrapper* effect, A_Time& compTime, PF_InData*, PF_ParamDef* params[]) {
    if (!isUsedSlot(seq, slot)) return PF_Err_INVALID_INDEX;
    std::vector<char> bytes;
    for (int p = 0; p < kParamsPerSlot; ++p) {
        const int index = getIndexForUserParam(slot, static_cast<P>(p));
        if (params[index]->param_type == PF_Param_GROUP_START) continue;
        StreamHandleWrapper stream(pluginId, suites, effect->get(), index);
        // A copy that fails part of the way publishes nothing.
        if (PF_Err err = stream.copyToBuffer(p, &bytes, compTime)) return err;
    }
    CopyBytesToClipboard(bytes.data(), bytes.size());
    return PF_Err_NONE;
}

PF_Err DoPastePrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                        EffectHandleWrapper* effect, A_Time& compTime, PF_InData*, PF_ParamDef* params[]) {
    if (!isUsedSlot(seq, slot)) return PF_Err_INVALID_INDEX;
    std::vector<std::uint8_t> bytes;
    if (!PasteBytesFromClipboard(bytes)) return PF_Err_NONE;  // nothing to paste
    const PastePlan plan = checkPastedRecords(bytes.data(), bytes.size(), slot);
    if (!plan.accepted()) {
        spdlog_log("Clipboard data refused, nothing pasted: " + plan.refusal);
        return PF_Err_NONE;
    }

    ScopedUndoGroup undo(*suites, "Primitive Pasted");
    if (PF_Err err = undo.error()) return err;
    SlotStreams streams(pluginId, suites, effect, compTime, params);
    PF_Err err = PF_Err_NONE;
    for (const PastedValue& pasted : plan.values) {
        // The slot's type is taken with its record, as the records come.
        if (pasted.offset == static_cast<int>(P::Type))
            seq->primitives[slot].type = static_cast<int>(pasted.value.one_d.value);
        err = streams.writeParam(pasted.index, SlotValue{true, AEGP_StreamType_NO_DATA, pasted.value}, false);
        if (err) break;
        spdlog_log(std::string("Primitive parameters `") + params[pasted.index]->name + "` has been pasted.");
    }
    markStripChanged(params, slot);
    return err;
}
