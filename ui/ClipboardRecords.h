// ClipboardRecords.h — the primitive clipboard's payload read as a paste into one slot.
//
// A payload is a bare run of 36-byte records: a 32-bit slot offset (0 .. 98), then the parameter's 32-byte
// stream value, in the machine's byte order. The clipboard is anybody's to write, so a payload is checked
// whole before anything is applied: a paste applies every record or none.
#ifndef MORPHALITH_UI_CLIPBOARD_RECORDS_H
#define MORPHALITH_UI_CLIPBOARD_RECORDS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AEGP_Suites.h"

constexpr std::size_t kClipboardRecordSize = 36;

struct PastedValue {
    int offset;  // within the slot, 0 .. 98
    int index;   // the effect parameter it lands in
    AEGP_StreamVal value;
};

struct PastePlan {
    std::vector<PastedValue> values;  // in the payload's order
    int type = 0;         // the slot's primitive type from the payload's "Primitive" record; 0: none
    std::string refusal;  // why nothing may be applied; empty when the paste may go ahead
    bool accepted() const { return refusal.empty(); }
};

// Reads `size` bytes as a paste into `slot` (0 .. 10). Whole records only (a trailing part is ignored);
// records of an offset outside 0 .. 98, and of a parameter that takes no pasted value (the "Null Layer":
// a slot keeps its own layer; the strip's own arbitrary data: it never brings a handle back; a group's
// start or end), are skipped. Every other record must hold a value its parameter can take, or the whole
// paste is refused: the "Primitive" type in 1 .. 14, a popup's choice among its own, finite numbers.
PastePlan checkPastedRecords(const std::uint8_t* bytes, std::size_t size, int slot);

#endif  // MORPHALITH_UI_CLIPBOARD_RECORDS_H
