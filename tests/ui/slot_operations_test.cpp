// The strip's slot operations, clicked in the panel of the real module: what each makes of the slots
// (values, types and layers in the streams, the sequence data, the panel and the frame's scene), the
// undo steps and Info texts they leave, keyframes of the slots written to, the clipboard's records, and
// a vacated slot starting afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "PrimitiveClipboard.h"
#include "host/RenderJob.h"
#include "render/PluginInputParams.h"
#include "tests/ui/StripHost.h"

namespace {

using host::StripButton;
using P = PrimitiveParamType;

constexpr int kType = 2, kNull = 3, kXSize = 5, kDiameter = 11, kDiffuseColor = 16, kControls = 97;

class SlotOperations : public StripHost {
protected:
    void setColor(int index, double r, double g, double b) {
        AEGP_StreamVal v{};
        v.color = {1.0, r / 255.0, g / 255.0, b / 255.0};
        ASSERT_EQ(host::changeParam(h, index, v), PF_Err_NONE);
    }
    std::string groupName(int slot) { return name(at(slot, 0)); }
    // Everything the host keeps of one slot's parameters: values and keyframes.
    std::vector<std::string> slotStreams(int slot) {
        std::vector<std::string> all;
        for (int p = 0; p < kParamsPerSlot; ++p) {
            const host::Stream& s = h.project().streams[at(slot, p)];
            std::string bytes(reinterpret_cast<const char*>(&s.value), sizeof(s.value));
            for (const auto& [t, v] : s.keys) bytes += std::to_string(t) + ":" + std::to_string(v) + ";";
            all.push_back(bytes);
        }
        return all;
    }
};

// The fault this guards against: the swap went through the parameter array's values from before the
// event, so the type moved in the sequence data but not in the panel's popup (or the other way).
TEST_F(SlotOperations, MoveSwapsTypeLayerAndValuesEverywhere) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box, PrimitiveType::Sphere});
    ASSERT_EQ(setValue(at(1, kDiameter), 4), PF_Err_NONE);   // the box's fillet
    ASSERT_EQ(setValue(at(2, kDiameter), 70), PF_Err_NONE);  // the sphere's size
    host::ActionReport report;
    ASSERT_EQ(click(2, StripButton::MoveUp, &report), PF_Err_NONE);

    // Sequence data.
    EXPECT_EQ(seq().primitives[1].type, static_cast<int>(PrimitiveType::Sphere));
    EXPECT_EQ(seq().primitives[1].layerId, 4);
    EXPECT_EQ(seq().primitives[2].type, static_cast<int>(PrimitiveType::Box));
    EXPECT_EQ(seq().primitives[2].layerId, 3);
    EXPECT_EQ(seq().numPrimitives, 3.0f);
    // The panel: popups, null layers, values, and the names the types give.
    EXPECT_EQ(value(at(1, kType)), 1.0);
    EXPECT_EQ(value(at(2, kType)), 3.0);
    EXPECT_EQ(stream(at(1, kNull)).layer_id, 4);
    EXPECT_EQ(stream(at(2, kNull)).layer_id, 3);
    EXPECT_EQ(value(at(1, kDiameter)), 70.0);
    EXPECT_EQ(value(at(2, kDiameter)), 4.0);
    EXPECT_EQ(groupName(1), "Sphere");
    EXPECT_EQ(groupName(2), "Box");
    EXPECT_EQ(name(at(2, kDiameter)), "Fillet");
    EXPECT_FALSE(hidden(at(2, kXSize)));
    EXPECT_TRUE(hidden(at(1, kXSize)));

    // The frame's scene.
    host::RenderJob job(h);
    ASSERT_EQ(job.preRender(0), PF_Err_NONE) << h.returnMessage();
    const auto* block = static_cast<const PluginInputParams*>(job.preRenderData());
    ASSERT_EQ(block->numPrimitives, 3);
    EXPECT_EQ(static_cast<int>(block->primitives[1].type), static_cast<int>(PrimitiveType::Sphere));
    EXPECT_EQ(block->primitives[1].radius, 70.0f);
    EXPECT_EQ(static_cast<int>(block->primitives[2].type), static_cast<int>(PrimitiveType::Box));
    EXPECT_EQ(block->primitives[2].radius, 4.0f);
}

// Values go by their stream's type: colours that differ only in blue are different colours.
TEST_F(SlotOperations, ColoursComparedWhole) {
    slots({PrimitiveType::Sphere, PrimitiveType::Sphere});
    setColor(at(0, kDiffuseColor), 255, 0, 0);
    setColor(at(1, kDiffuseColor), 255, 0, 10);
    ASSERT_EQ(click(1, StripButton::MoveUp), PF_Err_NONE);
    EXPECT_EQ(stream(at(0, kDiffuseColor)).color.blueF, 10 / 255.0);
    EXPECT_EQ(stream(at(1, kDiffuseColor)).color.blueF, 0.0);
    // The strip's own data never moves: it stays arbitrary data of its own slot.
    EXPECT_EQ(h.project().streams[at(0, kControls)].type, AEGP_StreamType_ARB);
    EXPECT_EQ(def(at(0, kControls)).u.arb_d.id, at(0, kControls));
}

struct OperationCase {
    const char* label;
    StripButton button;
    int slot;
    bool fillClipboard;                   // records of slot 0 on the clipboard first
    std::vector<std::string> undoGroups;  // opened by the click
    std::vector<std::string> info;        // Info panel lines
    float count;                          // primitives afterwards
};
void PrintTo(const OperationCase& c, std::ostream* os) {
    *os << c.label;
}

class SlotOperation : public SlotOperations, public ::testing::WithParamInterface<OperationCase> {};

TEST_P(SlotOperation, UndoStepInfoTextAndCount) {
    const OperationCase& c = GetParam();
    slots({PrimitiveType::Sphere, PrimitiveType::Box, PrimitiveType::Torus});
    if (c.fillClipboard) {
        ASSERT_EQ(click(0, StripButton::Copy), PF_Err_NONE);
    } else {
        CopyBytesToClipboard(nullptr, 0);
    }
    ui().infoTexts.clear();
    host::ActionReport report;
    ASSERT_EQ(click(c.slot, c.button, &report), PF_Err_NONE);
    EXPECT_EQ(report.undoGroups, c.undoGroups);
    EXPECT_EQ(infoLines(), c.info);
    for (const host::InfoText& t : ui().infoTexts) EXPECT_EQ(t.line2 + t.line3, "");
    EXPECT_EQ(seq().numPrimitives, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Strip, SlotOperation,
    ::testing::Values(
        OperationCase{
            "Delete", StripButton::Delete, 1, false, {"Primitive Deleted"}, {"Primitive #1 deleted"}, 2},
        OperationCase{"Duplicate",
                      StripButton::Duplicate,
                      1,
                      false,
                      {"Primitive Duplicated"},
                      {"Primitive #1 duplicated"},
                      4},
        OperationCase{"MoveUp",
                      StripButton::MoveUp,
                      2,
                      false,
                      {"Primitive #2 is shifted up to the place of #1 primitive"},
                      {"Primitive #2 is shifted up to the place of #1 primitive"},
                      3},
        OperationCase{"MoveDown",
                      StripButton::MoveDown,
                      0,
                      false,
                      {"Primitive #0 is shifted down to the place of #1 primitive"},
                      {"Primitive #0 is shifted down to the place of #1 primitive"},
                      3},
        OperationCase{"Copy", StripButton::Copy, 1, false, {}, {}, 3},
        OperationCase{"Paste", StripButton::Paste, 2, true, {"Primitive Pasted"}, {}, 3},
        // Greyed-out buttons do nothing.
        OperationCase{"MoveUpOfTheFirst", StripButton::MoveUp, 0, false, {}, {}, 3},
        OperationCase{"MoveDownOfTheLast", StripButton::MoveDown, 2, false, {}, {}, 3},
        OperationCase{"PasteOfNothing", StripButton::Paste, 1, false, {}, {}, 3}),
    [](const ::testing::TestParamInfo<OperationCase>& info) { return std::string(info.param.label); });

// Later slots move up one place; the slot the count no longer covers takes the values the panel
// declares, not the ones it held.
TEST_F(SlotOperations, DeleteMovesLaterSlotsUpAndVacatedSlotStartsAfresh) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box, PrimitiveType::Torus});
    ASSERT_EQ(setValue(at(1, kXSize), 111), PF_Err_NONE);
    ASSERT_EQ(setValue(at(2, kDiameter), 77), PF_Err_NONE);
    setColor(at(2, kDiffuseColor), 0, 0, 255);
    ASSERT_EQ(click(1, StripButton::Delete), PF_Err_NONE);

    EXPECT_EQ(seq().numPrimitives, 2.0f);
    EXPECT_EQ(seq().primitives[1].type, static_cast<int>(PrimitiveType::Torus));
    EXPECT_EQ(seq().primitives[1].layerId, 4);
    EXPECT_EQ(value(at(1, kType)), 4.0);
    EXPECT_EQ(value(at(1, kDiameter)), 77.0);
    EXPECT_EQ(stream(at(1, kDiffuseColor)).color.blueF, 1.0);
    EXPECT_EQ(stream(at(1, kNull)).layer_id, 4);
    // Slot 2: empty, hidden, and as declared (a Sphere popup, no layer, sizes 100, diameter 50, white).
    EXPECT_EQ(seq().primitives[2].type, 0);
    EXPECT_EQ(seq().primitives[2].layerId, 0);
    EXPECT_TRUE(hidden(at(2, 0)));
    EXPECT_EQ(value(at(2, kType)), 1.0);
    EXPECT_EQ(stream(at(2, kNull)).layer_id, 0);
    EXPECT_EQ(value(at(2, kXSize)), 100.0);
    EXPECT_EQ(value(at(2, kDiameter)), 50.0);
    EXPECT_EQ(stream(at(2, kDiffuseColor)).color.redF, 1.0);
    EXPECT_EQ(stream(at(2, kDiffuseColor)).color.blueF, 1.0);
}

TEST_F(SlotOperations, DeletingTheOnlyPrimitiveLeavesNone) {
    slots({PrimitiveType::Box});
    ASSERT_EQ(setValue(at(0, kXSize), 300), PF_Err_NONE);
    ASSERT_EQ(click(0, StripButton::Delete), PF_Err_NONE);
    EXPECT_EQ(seq().numPrimitives, 0.0f);
    EXPECT_EQ(seq().primitives[0].type, 0);
    EXPECT_EQ(value(at(0, kXSize)), 100.0);
    EXPECT_EQ(value(at(0, kType)), 1.0);
    EXPECT_EQ(name(ParamID::AddPrimitive), "Add new primitive (0/10)");
}

TEST_F(SlotOperations, DuplicateCopiesDownwardsFromTheEnd) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box});
    ASSERT_EQ(setValue(at(0, kDiameter), 10), PF_Err_NONE);
    ASSERT_EQ(setValue(at(1, kXSize), 111), PF_Err_NONE);
    host::ActionReport report;
    ASSERT_EQ(click(0, StripButton::Duplicate, &report), PF_Err_NONE);
    EXPECT_EQ(seq().numPrimitives, 3.0f);
    EXPECT_EQ(seq().primitives[1].type, static_cast<int>(PrimitiveType::Sphere));
    EXPECT_EQ(seq().primitives[1].layerId, 2);
    EXPECT_EQ(value(at(1, kDiameter)), 10.0);
    EXPECT_EQ(seq().primitives[2].type, static_cast<int>(PrimitiveType::Box));
    EXPECT_EQ(seq().primitives[2].layerId, 3);
    EXPECT_EQ(value(at(2, kXSize)), 111.0);
    const size_t two = report.printed.find("# 2 Primitive assigned from #1");
    const size_t one = report.printed.find("# 1 Primitive assigned from #0");
    EXPECT_NE(two, std::string::npos) << report.printed;
    EXPECT_NE(one, std::string::npos) << report.printed;
    EXPECT_LT(two, one);
    EXPECT_FALSE(hidden(at(2, 0)));
}

// A slot written to keeps one static value: its keyframes go, also where the value was already the one
// it takes. Keyframes of the slot read from are not copied.
TEST_F(SlotOperations, KeyframesOfTheSlotWrittenToGo) {
    slots({PrimitiveType::Sphere, PrimitiveType::Sphere});
    ASSERT_EQ(setValue(at(0, kDiameter), 50), PF_Err_NONE);
    h.project().streams[at(1, kDiameter)].keys = {{0.0, 50.0}, {1.0, 80.0}};  // 50 at the effect's time
    h.project().streams[at(1, kXSize)].keys = {{0.0, 30.0}, {1.0, 60.0}};
    ASSERT_EQ(click(1, StripButton::MoveUp), PF_Err_NONE);
    EXPECT_TRUE(h.project().streams[at(1, kDiameter)].keys.empty());
    EXPECT_EQ(value(at(1, kDiameter)), 50.0);
    EXPECT_TRUE(h.project().streams[at(1, kXSize)].keys.empty());
    EXPECT_EQ(value(at(1, kXSize)), 100.0);
    EXPECT_TRUE(h.project().streams[at(0, kXSize)].keys.empty());
    EXPECT_EQ(value(at(0, kXSize)), 30.0);  // slot 1's value at the effect's time, held
}

// With ten primitives nothing is written past slot 9: slot 10 stays as it was through a move, and
// Duplicate is not offered.
TEST_F(SlotOperations, NothingPastTheTenthSlot) {
    for (int i = 0; i < 10; ++i) ASSERT_EQ(add(), PF_Err_NONE);
    ASSERT_EQ(setValue(at(9, kDiameter), 9), PF_Err_NONE);
    const std::vector<std::string> spare = slotStreams(10);
    const PrimitiveSlot spareEntry = seq().primitives[10];
    host::ActionReport report;
    ASSERT_EQ(click(9, StripButton::MoveUp, &report), PF_Err_NONE);
    EXPECT_EQ(value(at(8, kDiameter)), 9.0);
    ASSERT_EQ(click(4, StripButton::Duplicate, &report), PF_Err_NONE);
    EXPECT_EQ(seq().numPrimitives, 10.0f);
    EXPECT_EQ(std::count(report.undoGroups.begin(), report.undoGroups.end(), "Primitive Duplicated"), 0);
    EXPECT_EQ(slotStreams(10), spare);
    EXPECT_EQ(seq().primitives[10].type, spareEntry.type);
    EXPECT_EQ(seq().primitives[10].layerId, spareEntry.layerId);
}

// One 36-byte record for each parameter that holds a value, in slot order: none for the 20 group starts,
// the 20 group ends and the strip's own arbitrary data, so 99 - 41 = 58 records.
TEST_F(SlotOperations, CopyWritesARecordPerValue) {
    slots({PrimitiveType::Box});
    ASSERT_EQ(setValue(at(0, kXSize), 111), PF_Err_NONE);
    ASSERT_EQ(click(0, StripButton::Copy), PF_Err_NONE);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(PasteBytesFromClipboard(bytes));
    ASSERT_EQ(bytes.size(), 58u * 36u);

    const std::vector<int> none = {0,  4,  8,  13, 14, 17, 18, 22, 23, 27, 28, 34, 35, 39,
                                   40, 41, 42, 45, 49, 50, 51, 54, 58, 59, 60, 62, 66, 70,
                                   71, 72, 76, 80, 81, 82, 83, 88, 92, 93, 94, 97, 98};
    std::vector<int> expected;
    for (int p = 0; p < kParamsPerSlot; ++p)
        if (std::find(none.begin(), none.end(), p) == none.end()) expected.push_back(p);
    std::vector<int> offsets;
    for (size_t r = 0; r < bytes.size() / 36; ++r) {
        int32_t offset = 0;
        std::memcpy(&offset, &bytes[r * 36], 4);
        offsets.push_back(offset);
        AEGP_StreamVal value;
        std::memcpy(&value, &bytes[r * 36 + 4], 32);
        if (offset == kType) {
            EXPECT_EQ(value.one_d.value, 3.0);
        }
        if (offset == kNull) {
            EXPECT_EQ(value.layer_id, 2);
        }
        if (offset == kXSize) {
            EXPECT_EQ(value.one_d.value, 111.0);
        }
    }
    EXPECT_EQ(offsets, expected);
}

// A copy that fails part of the way publishes nothing: the clipboard keeps what it held.
TEST_F(SlotOperations, AFailedCopyPublishesNothing) {
    slots({PrimitiveType::Box});
    const std::vector<std::uint8_t> earlier(72, 7);
    CopyBytesToClipboard(earlier.data(), earlier.size());
    h.failNext("AEGP_GetNewStreamValue", PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(click(0, StripButton::Copy), PF_Err_OUT_OF_MEMORY);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(PasteBytesFromClipboard(bytes));
    EXPECT_EQ(bytes, earlier);
}

// ---- A host call that fails ----------------------------------------------------------------------------

// What a slot's streams hold, by their type: its groups and the strip's own data hold no value.
std::string valueOf(const host::Stream& s) {
    switch (s.type) {
        case AEGP_StreamType_OneD:
            return std::to_string(s.value.one_d.value);
        case AEGP_StreamType_COLOR:
            return std::to_string(s.value.color.alphaF) + " " + std::to_string(s.value.color.redF) + " " +
                   std::to_string(s.value.color.greenF) + " " + std::to_string(s.value.color.blueF);
        case AEGP_StreamType_LAYER_ID:
            return "layer " + std::to_string(s.value.layer_id);
        default:
            return "";
    }
}

// One clipboard record: the slot offset, then the 32-byte stream value.
std::vector<std::uint8_t> oneRecord(int32_t offset, const AEGP_StreamVal& value) {
    std::vector<std::uint8_t> bytes(36);
    std::memcpy(bytes.data(), &offset, 4);
    std::memcpy(bytes.data() + 4, &value, 32);
    return bytes;
}
std::vector<std::uint8_t> oneRecord(int32_t offset, double value) {
    AEGP_StreamVal v{};
    v.one_d.value = value;
    return oneRecord(offset, v);
}
std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

using SB = StripButton;

struct FailureCase {
    const char* label;
    StripButton button;
    int slot;
    const char* call;  // the host function made to fail
    int skip;          // calls of it that go through first
    bool grouped;      // the operation's undo group was opened (and closed)
    bool shown;        // Move's text is in the Info panel
    float count;
    const char* types;         // of slots 0 .. 3 afterwards: S(phere), B(ox), T(orus), - for none
    const char* from;          // the slot whose values each of slots 0 .. 3 held before
    bool xSizePasted = false;  // the pasted slot's X Size holds the payload's 111
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.label;
}

class FailingHostCall : public SlotOperations, public ::testing::WithParamInterface<FailureCase> {
protected:
    std::vector<std::string> values(int slot) {
        std::vector<std::string> all;
        for (int p = 0; p < kParamsPerSlot; ++p) all.push_back(valueOf(h.project().streams[at(slot, p)]));
        return all;
    }
};

const std::string kShifted = "Primitive #2 is shifted up to the place of #1 primitive";

// Slots Sphere, Box, Torus on nulls 2, 3, 4, and slot 3 as declared (a Sphere popup, no layer); one host
// call of an operation fails. The operation returns that error, closes the undo group it opened, and
// stops there: the count and the types are those its steps reach, in their order, before the failing
// call (a copy takes the source's entry before its values, Duplicate counts the new slot before copying
// from the end, Move shows its text before it opens its group, Paste takes the type with its record), and
// nothing after the call is done, the sequence data included (Delete takes the count down last). Move
// keeps the target's values itself while the slots change places, so slot 3 stays as it was. With their
// sizes set back to the declared ones, a copy between two of these slots writes two values, the type and
// the layer: a skip of 2 fails the first value of the operation's second copy.
TEST_P(FailingHostCall, StopsThereReturnsTheErrorAndClosesItsGroup) {
    const FailureCase& c = GetParam();
    slots({PrimitiveType::Sphere, PrimitiveType::Box, PrimitiveType::Torus});
    // The sizes each type gives its slot, back to the declared ones that slot 3 holds.
    for (int s = 0; s < 3; ++s) {
        for (int p = kNull + 1; p < kParamsPerSlot; ++p) {
            const bool oneD = h.project().streams[at(s, p)].type == AEGP_StreamType_OneD;
            if (oneD && value(at(s, p)) != value(at(3, p))) {
                ASSERT_EQ(setValue(at(s, p), value(at(3, p))), PF_Err_NONE);
            }
        }
    }
    std::array<std::vector<std::string>, 4> before;
    for (int s = 0; s < 4; ++s) before[s] = values(s);
    for (int s = 0; s < 3; ++s) {
        std::vector<int> differ;
        for (int p = 0; p < kParamsPerSlot; ++p)
            if (before[s][p] != before[s + 1][p]) differ.push_back(p);
        ASSERT_EQ(differ, (std::vector<int>{kType, kNull})) << "slots " << s << " and " << s + 1;
    }
    // The payload pasted: X Size, the type (a Box) and the diffuse colour, in that order.
    AEGP_StreamVal colour{};
    colour.color = {1.0, 0.5, 0.25, 0.125};
    const std::vector<std::uint8_t> payload =
        join({oneRecord(kXSize, 111), oneRecord(kType, 3), oneRecord(kDiffuseColor, colour)});
    CopyBytesToClipboard(payload.data(), payload.size());
    ui().infoTexts.clear();

    h.failNext(c.call, PF_Err_OUT_OF_MEMORY, c.skip);
    host::ActionReport report;
    EXPECT_EQ(click(c.slot, c.button, &report), PF_Err_OUT_OF_MEMORY);
    const std::string group = c.button == SB::Delete      ? "Primitive Deleted"
                              : c.button == SB::Duplicate ? "Primitive Duplicated"
                              : c.button == SB::Paste     ? "Primitive Pasted"
                                                          : kShifted;
    EXPECT_EQ(report.undoGroups, c.grouped ? std::vector<std::string>{group} : std::vector<std::string>{});
    EXPECT_TRUE(h.project().undo.balanced());
    EXPECT_EQ(infoLines(), c.shown ? std::vector<std::string>{kShifted} : std::vector<std::string>{});
    EXPECT_EQ(seq().numPrimitives, c.count);
    for (int s = 0; s < 4; ++s) {
        const int type = c.types[s] == 'S' ? 1 : c.types[s] == 'B' ? 3 : c.types[s] == 'T' ? 4 : 0;
        EXPECT_EQ(seq().primitives[s].type, type) << "slot " << s;
        std::vector<std::string> expected = before[c.from[s] - '0'];
        if (s == c.slot && c.xSizePasted) expected[kXSize] = std::to_string(111.0);
        EXPECT_EQ(values(s), expected) << "slot " << s;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Strip, FailingHostCall,
    ::testing::Values(
        // Delete slot 0: slot 0 takes slot 1, slot 1 takes slot 2, the count goes to 2.
        FailureCase{"DeleteUndoGroup", SB::Delete, 0, "AEGP_StartUndoGroup", 0, false, false, 3, "SBT-",
                    "0123"},
        FailureCase{"DeleteStream", SB::Delete, 0, "AEGP_GetNewEffectStreamByIndex", 0, true, false, 3,
                    "BBT-", "0123"},
        FailureCase{"DeleteStreamType", SB::Delete, 0, "AEGP_GetStreamType", 0, true, false, 3, "BBT-",
                    "0123"},
        FailureCase{"DeleteValue", SB::Delete, 0, "AEGP_GetNewStreamValue", 0, true, false, 3, "BBT-",
                    "0123"},
        FailureCase{"DeleteTimeVarying", SB::Delete, 0, "AEGP_IsStreamTimevarying", 0, true, false, 3, "BBT-",
                    "0123"},
        FailureCase{"DeleteKeyframes", SB::Delete, 0, "AEGP_GetStreamNumKFs", 0, true, false, 3, "BBT-",
                    "0123"},
        FailureCase{"DeleteWrite", SB::Delete, 0, "AEGP_SetStreamValue", 0, true, false, 3, "BBT-", "0123"},
        FailureCase{"DeleteSecondCopy", SB::Delete, 0, "AEGP_SetStreamValue", 2, true, false, 3, "BTT-",
                    "1123"},
        // Duplicate slot 0: the count goes to 4, then slot 3 takes slot 2, slot 2 slot 1, slot 1 slot 0.
        FailureCase{"DuplicateUndoGroup", SB::Duplicate, 0, "AEGP_StartUndoGroup", 0, false, false, 3, "SBT-",
                    "0123"},
        FailureCase{"DuplicateStream", SB::Duplicate, 0, "AEGP_GetNewEffectStreamByIndex", 0, true, false, 4,
                    "SBTT", "0123"},
        FailureCase{"DuplicateWrite", SB::Duplicate, 0, "AEGP_SetStreamValue", 0, true, false, 4, "SBTT",
                    "0123"},
        FailureCase{"DuplicateSecondCopy", SB::Duplicate, 0, "AEGP_SetStreamValue", 2, true, false, 4, "SBBT",
                    "0122"},
        // Move slot 2 up: the text is shown, the group opened, slot 1 takes slot 2, slot 2 the kept slot 1.
        FailureCase{"MoveInfoText", SB::MoveUp, 2, "PF_InfoDrawText3", 0, false, false, 3, "SBT-", "0123"},
        FailureCase{"MoveUndoGroup", SB::MoveUp, 2, "AEGP_StartUndoGroup", 0, false, true, 3, "SBT-", "0123"},
        FailureCase{"MoveValue", SB::MoveUp, 2, "AEGP_GetNewStreamValue", 0, true, true, 3, "SBT-", "0123"},
        FailureCase{"MoveWrite", SB::MoveUp, 2, "AEGP_SetStreamValue", 0, true, true, 3, "STT-", "0123"},
        FailureCase{"MoveSecondCopy", SB::MoveUp, 2, "AEGP_SetStreamValue", 2, true, true, 3, "STB-", "0223"},
        // Paste into slot 2, record by record: X Size, then the type (the slot's entry, then its popup),
        // then the colour.
        FailureCase{"PasteUndoGroup", SB::Paste, 2, "AEGP_StartUndoGroup", 0, false, false, 3, "SBT-",
                    "0123"},
        FailureCase{"PasteStream", SB::Paste, 2, "AEGP_GetNewEffectStreamByIndex", 0, true, false, 3, "SBT-",
                    "0123"},
        FailureCase{"PasteWrite", SB::Paste, 2, "AEGP_SetStreamValue", 0, true, false, 3, "SBT-", "0123"},
        FailureCase{"PasteSecondWrite", SB::Paste, 2, "AEGP_SetStreamValue", 1, true, false, 3, "SBB-",
                    "0123", true}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

// Paste writes static values, as Delete, Duplicate and Move do: a parameter that a record is for loses
// its keyframes, also where it already held the pasted value, and takes the record's value; a parameter
// with no record keeps its animation. The paste's one undo step brings the keyframes back.
TEST_F(SlotOperations, PasteLeavesStaticValuesWhereItWrites) {
    slots({PrimitiveType::Box});
    constexpr int kHeight = 10;
    h.project().streams[at(0, kXSize)].keys = {{0.0, 30.0}, {1.0, 60.0}};
    h.project().streams[at(0, kDiameter)].keys = {{0.0, 50.0}, {1.0, 80.0}};  // 50 at the effect's time
    const std::vector<std::pair<double, double>> heightKeys = {{0.0, 5.0}, {1.0, 9.0}};
    h.project().streams[at(0, kHeight)].keys = heightKeys;
    const std::vector<std::uint8_t> payload = join({oneRecord(kXSize, 111), oneRecord(kDiameter, 50)});
    CopyBytesToClipboard(payload.data(), payload.size());
    host::ActionReport report;
    ASSERT_EQ(click(0, StripButton::Paste, &report), PF_Err_NONE);
    EXPECT_TRUE(h.project().streams[at(0, kXSize)].keys.empty());
    EXPECT_EQ(value(at(0, kXSize)), 111.0);
    EXPECT_TRUE(h.project().streams[at(0, kDiameter)].keys.empty());
    EXPECT_EQ(value(at(0, kDiameter)), 50.0);
    EXPECT_EQ(h.project().streams[at(0, kHeight)].keys, heightKeys);
    EXPECT_EQ(report.undoGroups, std::vector<std::string>{"Primitive Pasted"});
}

// A copied Box pasted over a Torus: the slot becomes a Box with the copied values, on its own layer.
TEST_F(SlotOperations, PasteTakesTypeAndValuesAndKeepsTheLayer) {
    slots({PrimitiveType::Box, PrimitiveType::Sphere, PrimitiveType::Torus});
    ASSERT_EQ(setValue(at(0, kXSize), 111), PF_Err_NONE);
    setColor(at(0, kDiffuseColor), 10, 20, 30);
    ASSERT_EQ(click(0, StripButton::Copy), PF_Err_NONE);
    host::ActionReport report;
    ASSERT_EQ(click(2, StripButton::Paste, &report), PF_Err_NONE);
    EXPECT_EQ(seq().primitives[2].type, static_cast<int>(PrimitiveType::Box));
    EXPECT_EQ(seq().primitives[2].layerId, 4);
    EXPECT_EQ(stream(at(2, kNull)).layer_id, 4);
    EXPECT_EQ(value(at(2, kType)), 3.0);
    EXPECT_EQ(value(at(2, kXSize)), 111.0);
    EXPECT_EQ(stream(at(2, kDiffuseColor)).color.greenF, 20 / 255.0);
    EXPECT_EQ(groupName(2), "Box");
    EXPECT_NE(report.printed.find("Primitive parameters `X Size` has been pasted."), std::string::npos);
    EXPECT_EQ(report.printed.find("`Null Layer` has been pasted"), std::string::npos);
}

}  // namespace
