// SequenceData.h — the per-instance record: which primitive type each of the eleven slots holds,
// which 3D null layer carries it, and how many slots are in use.
//
// The record is flat (no pointers): the bytes in memory are the bytes saved in the project, 92 of
// them, little-endian, the same in every build. A stored project is untrusted data, so whatever comes
// back from one goes through repairSequenceData before the plug-in reads it.
#ifndef MORPHALITH_CORE_SEQUENCE_DATA_H
#define MORPHALITH_CORE_SEQUENCE_DATA_H

#include <cstddef>
#include <cstdint>

#include "ParamID.h"

struct PrimitiveSlot {
    int32_t type;     // PrimitiveType: 0 none, 1 .. 14 Sphere .. Cursor
    int32_t layerId;  // AEGP layer id of the 3D null layer; 0 = no layer
};

struct SequenceData {
    PrimitiveSlot primitives[kNumPrimitiveSlots];
    float numPrimitives;  // slots in use, counted from slot 0; a whole number held as a float
};

static_assert(sizeof(PrimitiveSlot) == 8);
static_assert(sizeof(SequenceData) == 92, "the saved form is 92 bytes");
static_assert(offsetof(SequenceData, numPrimitives) == 88);

constexpr size_t kSequenceDataSize = sizeof(SequenceData);

// What a repair changed, for the log.
struct SequenceRepair {
    int badTypes = 0;       // slots whose type was outside 0 .. 14, now empty
    int clearedSlots = 0;   // non-empty slots past the count, now empty
    bool badCount = false;  // numPrimitives was not a whole number in 0 .. 11
    bool sizeMismatch = false;
    bool any() const { return badTypes || clearedSlots || badCount || sizeMismatch; }
};

// Makes a record safe to read: a count that is not a whole number in 0 .. 11 becomes the nearest one
// below it within that range (NaN becomes 0); a slot of an unknown type, or a slot past the count, is
// emptied (type 0, no layer).
SequenceRepair repairSequenceData(SequenceData* data);

// Reads a stored record of `size` bytes: the first 92 of a longer one, a shorter one zero-filled to
// 92, then repaired. A null source gives an empty record.
SequenceData readStoredSequenceData(const void* bytes, size_t size, SequenceRepair* repair);

#endif  // MORPHALITH_CORE_SEQUENCE_DATA_H
