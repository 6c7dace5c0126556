#include "ClipboardRecords.h"

#include <cmath>
#include <cstring>

#include "ParamID.h"
#include "ParamLayout.h"

namespace {

using P = PrimitiveParamType;

bool finite(double v) {
    return std::isfinite(v);
}

// Why the record's value does not suit the parameter of that offset; empty when it does.
std::string unsuitable(int offset, const AEGP_StreamVal& v) {
    const ParamRow& row = kSlotParamRows[offset];
    switch (row.type) {
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
        case PF_Param_CHECKBOX:
            return finite(v.one_d.value) ? "" : "its value is not a finite number";
        case PF_Param_POPUP: {
            const double choice = v.one_d.value;
            const int choices = popupChoicesCount(row.choices);
            if (!finite(choice) || choice != std::floor(choice) || choice < 1 || choice > choices)
                return offset == static_cast<int>(P::Type)
                           ? "the primitive type is not one of 1 .. 14"
                           : "the choice is not one of 1 .. " + std::to_string(choices);
            return "";
        }
        case PF_Param_COLOR:
            return finite(v.color.alphaF) && finite(v.color.redF) && finite(v.color.greenF) &&
                           finite(v.color.blueF)
                       ? ""
                       : "a colour channel is not a finite number";
        default:
            return "the parameter holds no value";
    }
}

// Parameters whose record a paste passes over: a layer (a slot keeps its own), the strip's own data (its
// value is a handle of the process that copied it), and the groups (they hold nothing). A copy by a build
// whose host reports a stream type for any of these carries a record for it, and the rest of its payload
// is as good as any.
bool skipped(int offset) {
    switch (kSlotParamRows[offset].type) {
        case PF_Param_LAYER:
        case PF_Param_ARBITRARY_DATA:
        case PF_Param_GROUP_START:
        case PF_Param_GROUP_END:
            return true;
        default:
            return false;
    }
}

}  // namespace

PastePlan checkPastedRecords(const std::uint8_t* bytes, std::size_t size, int slot) {
    PastePlan plan;
    if (slot < 0 || slot >= kNumPrimitiveSlots) {
        plan.refusal = "there is no slot " + std::to_string(slot);
        return plan;
    }
    if (!bytes) size = 0;
    const std::size_t records = size / kClipboardRecordSize;  // a trailing part of a record is not read
    for (std::size_t r = 0; r < records; ++r) {
        const std::uint8_t* record = bytes + r * kClipboardRecordSize;
        int32_t offset = 0;
        std::memcpy(&offset, record, sizeof(offset));
        if (offset < 0 || offset >= kParamsPerSlot) continue;
        if (skipped(offset)) continue;

        PastedValue pasted{};
        pasted.offset = offset;
        pasted.index = getIndexForUserParam(slot, static_cast<P>(offset));
        std::memcpy(&pasted.value, record + sizeof(offset), sizeof(pasted.value));
        const std::string why = unsuitable(offset, pasted.value);
        if (!why.empty()) {
            plan.values.clear();
            plan.type = 0;
            plan.refusal = "record " + std::to_string(r) + " (offset " + std::to_string(offset) + "): " + why;
            return plan;
        }
        if (offset == static_cast<int>(P::Type)) plan.type = static_cast<int>(pasted.value.one_d.value);
        plan.values.push_back(pasted);
    }
    return plan;
}
