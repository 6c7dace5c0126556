// The primitive strip: where a point hits a button, which buttons a slot offers, how the strip draws
// (geometry, colours, the dimmed, hovered and pressed looks), the flags and log lines of its events, and
// an instance without sequence data. The drawn strips come from the real module through the host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Morphalith_PrimitiveControls.h"
#include "PrimitiveClipboard.h"
#include "tests/ui/StripHost.h"

namespace {

using host::DrawOp;
using host::PathPart;
using host::StripButton;

// ---- The hit test ------------------------------------------------------------------------------------

struct HitCase {
    const char* label;
    int slot;
    int dx, fromBottom;  // the point: dx right of the frame's left edge, fromBottom above its bottom edge
    PF_EventType event;
    int expected;
};

// Cell c covers 35 c - 2.5 <= dx < 35 c + 32.5, and dy strictly between 1 and 24 from the bottom.
const HitCase kHits[] = {
    {"LeftEdge", 0, 0, 12, PF_Event_ADJUST_CURSOR, 0},
    {"InsideFirst", 0, 30, 12, PF_Event_ADJUST_CURSOR, 0},
    {"GapFirstHalf", 0, 32, 12, PF_Event_ADJUST_CURSOR, 0},    // (32 + 2.5) / 35 < 1
    {"GapSecondHalf", 0, 33, 12, PF_Event_ADJUST_CURSOR, 1},   // (33 + 2.5) / 35 >= 1
    {"LastCell", 0, 207, 12, PF_Event_ADJUST_CURSOR, 5},       // 209.5 < 210
    {"PastTheStrip", 0, 208, 12, PF_Event_ADJUST_CURSOR, -1},  // 210.5 >= 210
    {"LeftOfTheStrip", 0, -1, 12, PF_Event_ADJUST_CURSOR, -1},
    {"OneAboveTheBottom", 0, 40, 1, PF_Event_ADJUST_CURSOR, -1},
    {"TwoAboveTheBottom", 0, 40, 2, PF_Event_ADJUST_CURSOR, 1},
    {"TwentyThreeUp", 0, 40, 23, PF_Event_ADJUST_CURSOR, 1},
    {"TwentyFourUp", 0, 40, 24, PF_Event_ADJUST_CURSOR, -1},
    {"SlotThreeCopy", 3, 40, 12, PF_Event_ADJUST_CURSOR, 19},       // 3 x 6 + 1
    {"ClickUsesTheClickPoint", 2, 110, 12, PF_Event_DO_CLICK, 15},  // 2 x 6 + 3
};

TEST(PrimitiveStrip, HitTest) {
    const PF_Rect frame{150, 100, 552, 124};
    for (const HitCase& c : kHits) {
        PF_EventExtra extra;
        std::memset(&extra, 0, sizeof(extra));
        extra.e_type = c.event;
        extra.effect_win.current_frame = frame;
        const PF_Point point{frame.left + c.dx, frame.bottom - c.fromBottom};
        if (c.event == PF_Event_DO_CLICK) {
            extra.u.do_click.screen_point = point;
        } else {
            extra.u.adjust_cursor.screen_point = point;
        }
        EXPECT_EQ(getHoveredButtonIndex(c.slot, &extra), c.expected) << c.label;
    }
}

struct EnabledCase {
    ButtonType type;
    int slot;
    float count;
    bool clipboard;
    bool enabled;
};

TEST(PrimitiveStrip, WhichButtonsASlotOffers) {
    const EnabledCase cases[] = {
        {ButtonType::Duplicate, 0, 9, false, true}, {ButtonType::Duplicate, 3, 10, true, false},
        {ButtonType::Copy, 9, 10, false, true},     {ButtonType::Paste, 1, 3, false, false},
        {ButtonType::Paste, 1, 3, true, true},      {ButtonType::MoveUp, 0, 3, true, false},
        {ButtonType::MoveUp, 1, 3, false, true},    {ButtonType::MoveDown, 2, 3, false, false},
        {ButtonType::MoveDown, 1, 3, false, true},  {ButtonType::MoveDown, 0, 1, false, false},
        {ButtonType::Delete, 0, 1, false, true},
    };
    for (const EnabledCase& c : cases)
        EXPECT_EQ(isButtonEnabled(c.type, c.slot, c.count, c.clipboard), c.enabled)
            << static_cast<int>(c.type) << " in slot " << c.slot << " of " << c.count;
}

// ---- The drawn strip ---------------------------------------------------------------------------------

// The six button outlines of a drawing, left to right, with the pen and any fill they were painted with.
struct Button {
    PathPart rect;
    host::DrawColor pen;
    bool filled = false;
    host::DrawColor fill;
};

std::vector<Button> buttonsOf(const std::vector<DrawOp>& ops) {
    std::vector<Button> buttons;
    for (size_t i = 0; i < ops.size(); ++i) {
        const DrawOp& op = ops[i];
        if (op.kind != DrawOp::StrokePath || op.path.size() != 1 || op.path[0].kind != PathPart::Rect ||
            op.path[0].w < 20)
            continue;
        Button b{op.path[0], op.color, false, {}};
        if (i + 1 < ops.size() && ops[i + 1].kind == DrawOp::FillPath && ops[i + 1].path.size() == 1 &&
            ops[i + 1].path[0].w == op.path[0].w) {
            b.filled = true;
            b.fill = ops[i + 1].color;
        }
        buttons.push_back(b);
    }
    return buttons;
}

struct Rgb {
    float r, g, b;
};
// Left to right: Duplicate, Copy, Paste, Move up, Move down (the host's overlay colour), Delete.
const Rgb kButtonColours[6] = {{0.38f, 0.78f, 0.61f}, {0.4f, 0.58f, 0.86f},  {0.96f, 0.66f, 0.43f},
                               {0.85f, 0.85f, 0.85f}, {0.85f, 0.85f, 0.85f}, {1.0f, 0.33f, 0.4f}};

class Strip : public StripHost {};

TEST_F(Strip, GeometryColoursAndTheDimmedButtons) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box, PrimitiveType::Torus});
    // 'x' enabled, '.' dimmed: Move up has nothing above slot 0, Move down nothing below slot 2, and the
    // clipboard is empty.
    const char* looks[3] = {"xx..xx", "xx.xxx", "xx.x.x"};
    for (int slot = 0; slot < 3; ++slot) {
        const std::vector<DrawOp> ops = drawStrip(slot);
        const PF_Rect frame = stripFrame(slot);
        ASSERT_FALSE(ops.empty());
        // The whole control in the panel's background first: one unit taller than the frame's rows.
        EXPECT_EQ(ops[0].kind, DrawOp::PaintRect);
        EXPECT_EQ(ops[0].rect.left, frame.left);
        EXPECT_EQ(ops[0].rect.top, frame.top);
        EXPECT_EQ(ops[0].rect.width, frame.right - frame.left);
        EXPECT_EQ(ops[0].rect.height, frame.bottom + 1 - frame.top);
        EXPECT_FLOAT_EQ(ops[0].color.r, 11051.0f / 65535.0f);

        const std::vector<Button> buttons = buttonsOf(ops);
        ASSERT_EQ(buttons.size(), 6u) << "slot " << slot;
        for (int cell = 0; cell < 6; ++cell) {
            const Button& b = buttons[cell];
            EXPECT_EQ(b.rect.x, frame.left + 0.5f + 35.0f * cell) << cell;
            EXPECT_EQ(b.rect.y, frame.top + 0.5f) << cell;
            EXPECT_EQ(b.rect.w, 29.0f);
            EXPECT_EQ(b.rect.h, 23.0f);
            EXPECT_FALSE(b.filled);
            EXPECT_FLOAT_EQ(b.pen.r, kButtonColours[cell].r) << cell;
            EXPECT_FLOAT_EQ(b.pen.g, kButtonColours[cell].g) << cell;
            EXPECT_FLOAT_EQ(b.pen.b, kButtonColours[cell].b) << cell;
            EXPECT_EQ(b.pen.a, looks[slot][cell] == 'x' ? 1.0f : 0.5f) << "slot " << slot << " cell " << cell;
        }
    }
}

// Which icon each cell draws and where: at size 10, centred 15 right of the cell's left edge (the button
// starts 0.5 right of it and is 29 wide) and 12 below the control's top. The figures, relative to the
// centre, follow from the icons' proportions: the duplicate's front square 0.75 s wide, 1.25 left and
// 1.25 down of a centred one, its back square 2 up and half a square right, the plus arms 0.6 of half a
// square; the copy's and paste's sheets 1.2 (s - w) right of 0.8 w left of the centre; the arrow's tips
// 0.2 s in from the top or the bottom; the cross's arms reaching s/2. The icon takes its button's pen.
struct Figure {
    const char* icon;
    std::vector<PathPart> fill;  // filled first (the paste's front sheet), relative to the centre
    std::vector<PathPart> stroke;
};

std::vector<Figure> cellFigures() {
    const auto mv = [](float x, float y) { return PathPart{PathPart::Move, x, y, 0, 0}; };
    const auto ln = [](float x, float y) { return PathPart{PathPart::Line, x, y, 0, 0}; };
    const PathPart sheet{PathPart::Rect, -3, -2.5f, 7.5f, 7.5f};
    const std::vector<PathPart> back = {mv(3, -2.5f), ln(3, -4.5f), ln(-4.5f, -4.5f), ln(-4.5f, 3),
                                        ln(-3, 3)};
    std::vector<PathPart> copy = {sheet};
    copy.insert(copy.end(), back.begin(), back.end());
    for (float y : {-0.625f, 1.25f, 3.125f}) {
        copy.push_back(mv(-1.125f, y));
        copy.push_back(ln(2.625f, y));
    }
    return {
        {"Duplicate",
         {},
         {PathPart{PathPart::Rect, -5, -2.5f, 7.5f, 7.5f}, mv(-1.25f, -2.5f), ln(-1.25f, -4.5f),
          ln(6.25f, -4.5f), ln(6.25f, 3), ln(2.5f, 3), mv(-1.25f, -1), ln(-1.25f, 3.5f), mv(-3.5f, 1.25f),
          ln(1, 1.25f)}},
        {"Copy", {}, copy},
        {"Paste", {sheet}, back},
        {"ArrowUp", {}, {mv(-5, 3), ln(0, -3), ln(5, 3)}},
        {"ArrowDown", {}, {mv(-5, -3), ln(0, 3), ln(5, -3)}},
        {"Cross", {}, {mv(-5, -5), ln(5, 5), mv(5, -5), ln(-5, 5)}},
    };
}

void expectFigure(const std::vector<PathPart>& got, const std::vector<PathPart>& want, float cx, float cy,
                  const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].kind, want[i].kind) << what << " part " << i;
        EXPECT_NEAR(got[i].x, cx + want[i].x, 1e-4) << what << " part " << i;
        EXPECT_NEAR(got[i].y, cy + want[i].y, 1e-4) << what << " part " << i;
        EXPECT_NEAR(got[i].w, want[i].w, 1e-4) << what << " part " << i;
        EXPECT_NEAR(got[i].h, want[i].h, 1e-4) << what << " part " << i;
    }
}

TEST_F(Strip, EachCellsIconAndItsCentre) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box});
    const std::vector<Figure> figures = cellFigures();
    for (int slot = 0; slot < 2; ++slot) {
        const std::vector<DrawOp> ops = drawStrip(slot);
        const PF_Rect frame = stripFrame(slot);
        // The drawing of each cell: its button's outline, then what follows it up to the next one.
        std::vector<std::vector<DrawOp>> cells;
        std::vector<host::DrawColor> pens;
        for (const DrawOp& op : ops) {
            if (op.kind == DrawOp::StrokePath && op.path.size() == 1 && op.path[0].kind == PathPart::Rect &&
                op.path[0].w == 29.0f) {
                cells.emplace_back();
                pens.push_back(op.color);
            } else if (!cells.empty()) {
                cells.back().push_back(op);
            }
        }
        ASSERT_EQ(cells.size(), 6u) << "slot " << slot;
        for (int cell = 0; cell < 6; ++cell) {
            const Figure& f = figures[cell];
            const std::string what =
                "slot " + std::to_string(slot) + " cell " + std::to_string(cell) + " (" + f.icon + ")";
            const float cx = static_cast<float>(frame.left + 35 * cell + 15);
            const float cy = static_cast<float>(frame.top + 12);
            const std::vector<DrawOp>& drawn = cells[cell];
            const size_t strokeAt = f.fill.empty() ? 0 : 1;
            ASSERT_EQ(drawn.size(), strokeAt + 1) << what;
            if (!f.fill.empty()) {
                EXPECT_EQ(drawn[0].kind, DrawOp::FillPath) << what;
                expectFigure(drawn[0].path, f.fill, cx, cy, what + " fill");
            }
            EXPECT_EQ(drawn[strokeAt].kind, DrawOp::StrokePath) << what;
            expectFigure(drawn[strokeAt].path, f.stroke, cx, cy, what);
            EXPECT_EQ(drawn[strokeAt].color.r, pens[cell].r) << what;
            EXPECT_EQ(drawn[strokeAt].color.g, pens[cell].g) << what;
            EXPECT_EQ(drawn[strokeAt].color.b, pens[cell].b) << what;
            EXPECT_EQ(drawn[strokeAt].color.a, pens[cell].a) << what;
        }
    }
}

TEST_F(Strip, TenPrimitivesDimDuplicateEverywhere) {
    for (int i = 0; i < 10; ++i) ASSERT_EQ(add(), PF_Err_NONE);
    for (int slot : {0, 5, 9}) {
        const std::vector<Button> buttons = buttonsOf(drawStrip(slot));
        ASSERT_EQ(buttons.size(), 6u);
        EXPECT_EQ(buttons[0].pen.a, 0.5f) << "slot " << slot;
        EXPECT_EQ(buttons[1].pen.a, 1.0f) << "slot " << slot;
    }
}

// Under the mouse a button is filled and its icon cut out in the background colour; held down, the
// fill is the dimmed one. A dimmed button under the mouse keeps its dimmed look.
TEST_F(Strip, HoveredAndPressedLooks) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box});
    std::string why;
    ASSERT_EQ(ui().pointAtStripButton(1, 1, false, false, &why), PF_Err_NONE) << why;
    std::vector<DrawOp> ops = drawStrip(1);
    std::vector<Button> buttons = buttonsOf(ops);
    ASSERT_EQ(buttons.size(), 6u);
    EXPECT_TRUE(buttons[1].filled);
    EXPECT_EQ(buttons[1].fill.a, 1.0f);
    EXPECT_FALSE(buttons[0].filled);
    // The Copy icon comes right after the button: stroked with the background colour.
    bool iconInBackground = false;
    for (size_t i = 0; i + 2 < ops.size(); ++i)
        if (ops[i].kind == DrawOp::FillPath && ops[i].path[0].w == 29.0f)
            iconInBackground = ops[i + 1].kind == DrawOp::StrokePath &&
                               std::abs(ops[i + 1].color.r - 11051.0f / 65535.0f) < 1e-6f;
    EXPECT_TRUE(iconInBackground);
    // The slot drawn is the hovered one only.
    for (const Button& b : buttonsOf(drawStrip(0))) EXPECT_FALSE(b.filled);

    ASSERT_EQ(ui().pointAtStripButton(1, 1, true, false, &why), PF_Err_NONE) << why;
    buttons = buttonsOf(drawStrip(1));
    ASSERT_EQ(buttons.size(), 6u);
    EXPECT_TRUE(buttons[1].filled);
    EXPECT_EQ(buttons[1].fill.a, 0.5f);

    // Slot 0's Move up is dimmed: hovered, it stays an outline.
    ASSERT_EQ(ui().pointAtStripButton(0, 3, false, false, &why), PF_Err_NONE) << why;
    buttons = buttonsOf(drawStrip(0));
    ASSERT_EQ(buttons.size(), 6u);
    EXPECT_FALSE(buttons[3].filled);
    EXPECT_EQ(buttons[3].pen.a, 0.5f);
}

// What each event leaves in its record and in the command's out flags.
TEST_F(Strip, EventFlagsAndLogLines) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box});
    const std::vector<std::uint8_t> records(36, 0);
    CopyBytesToClipboard(records.data(), records.size());  // Paste is offered from the first look
    ASSERT_EQ(ui().openEffectWindow(), PF_Err_NONE);
    const host::SentEvent opened = ui().sent.back();
    EXPECT_EQ(opened.outFlags, PF_EO_UPDATE_NOW);
    EXPECT_TRUE(opened.outDataFlags & PF_OutFlag_REFRESH_UI);
    EXPECT_NE(opened.printed.find("New Context. Data in clipboard: TRUE"), std::string::npos)
        << opened.printed;

    const std::vector<Button> buttons = buttonsOf(drawStrip(1));
    ASSERT_EQ(buttons.size(), 6u);
    EXPECT_EQ(buttons[2].pen.a, 1.0f);  // Paste
    EXPECT_EQ(ui().sent.back().outFlags, PF_EO_HANDLED_EVENT);

    const PF_Rect frame = stripFrame(1);
    const PF_Point copy{frame.left + 35 + 15, frame.top + 12};
    ASSERT_EQ(ui().moveMouse(at(1, 97), frame, copy), PF_Err_NONE);
    EXPECT_EQ(ui().sent.back().outFlags, PF_EO_UPDATE_NOW);
    EXPECT_TRUE(ui().sent.back().outDataFlags & PF_OutFlag_REFRESH_UI);

    const size_t before = ui().sent.size();
    ui().invalidated.clear();
    ASSERT_EQ(ui().press(at(1, 97), frame, copy, false), PF_Err_NONE);
    ASSERT_EQ(ui().sent.size(), before + 2);  // the click, and one drag while held
    const host::SentEvent& click = ui().sent[before];
    EXPECT_EQ(click.outFlags, PF_EO_HANDLED_EVENT);
    EXPECT_NE(click.printed.find("CLICK AT: 7"), std::string::npos) << click.printed;  // slot 1, cell 1
    EXPECT_EQ(ui().sent[before + 1].outFlags, PF_EO_HANDLED_EVENT | PF_EO_UPDATE_NOW);
    ASSERT_EQ(ui().invalidated.size(), 1u);
    EXPECT_EQ(ui().invalidated[0].top, frame.top);
    EXPECT_EQ(ui().invalidated[0].bottom, frame.bottom);

    // The click on the empty part of the strip: nothing hovered, no drags asked for.
    const PF_Point nowhere{frame.left + 300, frame.top + 12};
    ui().moveMouse(at(1, 97), frame, nowhere);
    const size_t clicks = ui().sent.size();
    ASSERT_EQ(ui().press(at(1, 97), frame, nowhere, true), PF_Err_NONE);
    EXPECT_EQ(ui().sent.size(), clicks + 1);
    EXPECT_EQ(ui().sent.back().outFlags, PF_EO_NONE);
    EXPECT_NE(ui().sent.back().printed.find("CLICK AT: -1"), std::string::npos);
}

TEST_F(Strip, ReleaseAsksForThePointingCursor) {
    slots({PrimitiveType::Sphere});
    const PF_Rect frame = stripFrame(0);
    const PF_Point copy{frame.left + 35 + 15, frame.top + 12};
    ui().moveMouse(at(0, 97), frame, copy);
    ASSERT_EQ(ui().press(at(0, 97), frame, copy, true), PF_Err_NONE);
    EXPECT_EQ(ui().lastEvent.u.adjust_cursor.set_cursor, 4);
    EXPECT_EQ(ui().lastEvent.u.do_click.send_drag, 0);
}

// An instance whose sequence data is missing shows no strip and runs no button.
TEST_F(Strip, NoSequenceDataNoStrip) {
    slots({PrimitiveType::Sphere});
    const PF_Rect frame = stripFrame(0);
    ui().openEffectWindow();
    PF_Handle kept = h.inData().sequence_data;
    h.inData().sequence_data = nullptr;
    h.suites().resetCounts();
    const size_t groups = h.project().undo.groups.size();
    const size_t drawn = ui().effectWindow().ops.size();
    EXPECT_EQ(ui().drawControl(at(0, 97), frame), PF_Err_NONE);
    const PF_Point del{frame.left + 5 * 35 + 15, frame.top + 12};
    EXPECT_EQ(ui().moveMouse(at(0, 97), frame, del), PF_Err_NONE);
    EXPECT_EQ(ui().press(at(0, 97), frame, del, true), PF_Err_NONE);
    h.inData().sequence_data = kept;
    EXPECT_EQ(ui().effectWindow().ops.size(), drawn);
    EXPECT_EQ(h.suites().acquired(kDRAWBOT_SurfaceSuite, 2), 0);
    EXPECT_EQ(seq().numPrimitives, 1.0f);
    EXPECT_EQ(h.project().undo.groups.size(), groups);
}

}  // namespace
