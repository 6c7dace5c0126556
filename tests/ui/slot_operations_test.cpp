// The strip's slot operations, clicked in the panel of the real module: what each makes of the slots
// (values, types and layers in the streams, the sequence data, the panel and the frame's scene), the
// undo steps and Info texts they leave, keyframes of the slots written to, the clipboard's records, and
// a vacated slot starting afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
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
