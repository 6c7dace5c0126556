// Morphalith_Sequence.cpp — per-instance sequence data: made at set-up, copied at re-setup and
// flatten, released at set-down.
#include <cmath>
#include <cstring>
#include <string>

#include "AEGP_SuiteHandler.h"
#include "DebugInfo.h"
#include "GlobalData.h"
#include "Handlers.h"
#include "Headers/LogsController.h"
#include "SequenceData.h"

SequenceRepair repairSequenceData(SequenceData* data) {
    SequenceRepair repair;
    float count = data->numPrimitives;
    float whole = std::isnan(count) ? 0.0f : std::floor(count);
    whole = std::fmin(std::fmax(whole, 0.0f), static_cast<float>(kNumPrimitiveSlots)) + 0.0f;  // no -0
    // Compare bit for bit, so that -0.0 and NaN count as changed too.
    if (std::memcmp(&whole, &count, sizeof(float)) != 0) {
        repair.badCount = true;
        data->numPrimitives = whole;
    }
    const int used = static_cast<int>(whole);
    for (int slot = 0; slot < kNumPrimitiveSlots; ++slot) {
        PrimitiveSlot& entry = data->primitives[slot];
        bool knownType = entry.type >= static_cast<int32_t>(PrimitiveType::None) &&
                         entry.type < static_cast<int32_t>(PrimitiveType::NumPrimitiveType);
        if (!knownType) {
            repair.badTypes += 1;
            entry = PrimitiveSlot{0, 0};
        } else if (slot >= used && (entry.type != 0 || entry.layerId != 0)) {
            repair.clearedSlots += 1;
            entry = PrimitiveSlot{0, 0};
        }
    }
    return repair;
}

SequenceData readStoredSequenceData(const void* bytes, size_t size, SequenceRepair* repair) {
    SequenceData data;
    std::memset(&data, 0, sizeof(data));
    SequenceRepair local;
    if (bytes) {
        std::memcpy(&data, bytes, size < sizeof(data) ? size : sizeof(data));
        local = repairSequenceData(&data);
        local.sizeMismatch = size != sizeof(data);
    }
    if (repair) *repair = local;
    return data;
}

namespace {

std::string describe(const SequenceRepair& r, size_t storedSize) {
    std::string text = "Sequence data repaired:";
    if (r.sizeMismatch) text += " stored size " + std::to_string(storedSize) + " bytes;";
    if (r.badCount) text += " slot count out of range;";
    if (r.badTypes) text += " " + std::to_string(r.badTypes) + " unknown primitive type(s);";
    if (r.clearedSlots) text += " " + std::to_string(r.clearedSlots) + " slot(s) past the count;";
    return text;
}

// Re-setup and flatten: a new handle holding a sound copy of the incoming record. The incoming
// handle stays the host's. Nothing is handed back unless the copy is complete.
PF_Err copySequenceData(PF_InData* in_data, PF_OutData* out_data) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    PF_HandleSuite1* handles = suites.HandleSuite1();

    SequenceData record;
    std::memset(&record, 0, sizeof(record));
    if (PF_Handle incoming = in_data->sequence_data) {
        size_t storedSize = static_cast<size_t>(handles->host_get_handle_size(incoming));
        const void* stored = handles->host_lock_handle(incoming);
        if (!stored) return PF_Err_OUT_OF_MEMORY;
        SequenceRepair repair;
        record = readStoredSequenceData(stored, storedSize, &repair);
        handles->host_unlock_handle(incoming);
        if (repair.any()) spdlog_log(describe(repair, storedSize));
    }

    PF_Handle copy = handles->host_new_handle(kSequenceDataSize);
    if (!copy) return PF_Err_OUT_OF_MEMORY;
    void* block = handles->host_lock_handle(copy);
    if (!block) {
        handles->host_dispose_handle(copy);
        return PF_Err_OUT_OF_MEMORY;
    }
    std::memcpy(block, &record, kSequenceDataSize);
    handles->host_unlock_handle(copy);
    out_data->sequence_data = copy;
    return PF_Err_NONE;
}

}  // namespace

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    PF_HandleSuite1* handles = suites.HandleSuite1();

    // A kernel-compile error is put in front of the user when an instance is made.
    if (PF_Handle globalH = in_data->global_data) {
        if (auto* global = static_cast<GlobalData*>(handles->host_lock_handle(globalH))) {
            if (global->sceneInfo && !global->sceneInfo->details.empty())
                showDebugInfo(std::string(global->sceneInfo->details));
            handles->host_unlock_handle(globalH);
        }
    }

    PF_Err err = SequenceSetdown(in_data, out_data, params);
    if (err) return err;
    // The incoming handle is gone; never hand it back.
    out_data->sequence_data = nullptr;

    PF_Handle sequenceH = handles->host_new_handle(kSequenceDataSize);
    if (!sequenceH) return PF_Err_OUT_OF_MEMORY;
    void* block = handles->host_lock_handle(sequenceH);
    if (!block) {
        handles->host_dispose_handle(sequenceH);
        return PF_Err_OUT_OF_MEMORY;
    }
    std::memset(block, 0, kSequenceDataSize);
    out_data->sequence_data = sequenceH;
    handles->host_unlock_handle(sequenceH);
    return PF_Err_NONE;
}

PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData*, PF_ParamDef*[]) {
    if (in_data->sequence_data) {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        suites.HandleSuite1()->host_dispose_handle(in_data->sequence_data);
    }
    return PF_Err_NONE;
}

PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[]) {
    return copySequenceData(in_data, out_data);
}

PF_Err SequenceFlatten(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
    return copySequenceData(in_data, out_data);
}
