// The Drawbot helpers against the host's recording Drawbot: the five icons' figures at the strip's size,
// rectangles stroked before they are filled, text on its baseline advancing by the font's size, the
// host's background colour, UTF-8 to UTF-16 (broken bytes included), and every object given back
// exactly once, also when a call fails half-way.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AEFX_SuiteScoper.h"
#include "DrawbotHelpers.h"
#include "support/HostFixture.h"

namespace {

using host::DrawOp;
using host::PathPart;

constexpr PF_Point kCentre{100, 50};
constexpr DRAWBOT_ColorRGBA kRed{1, 0, 0, 1};

class DrawbotHelpers : public HostFixture {
protected:
    void SetUp() override { ASSERT_EQ(AEFX_AcquireDrawbotSuites(in(), out(), &suites_), PF_Err_NONE); }
    void TearDown() override {
        AEFX_ReleaseDrawbotSuites(in(), out());
        EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
        EXPECT_EQ(drawbot().liveObjects(), 0);
        EXPECT_EQ(drawbot().made, drawbot().released);
        EXPECT_EQ(drawbot().badReleases, 0);
    }

    host::Canvas& canvas() { return host_.ui().effectWindow(); }
    host::Drawbot& drawbot() { return host_.ui().drawbot(); }
    DRAWBOT_SupplierRef supplier() { return canvas().supplier(); }
    DRAWBOT_SurfaceRef surface() { return canvas().surface(); }
    std::vector<DrawOp>& ops() { return canvas().ops; }

    DRAWBOT_Suites suites_{};
};

PathPart mv(float x, float y) {
    return PathPart{PathPart::Move, kCentre.h + x, kCentre.v + y, 0, 0};
}
PathPart ln(float x, float y) {
    return PathPart{PathPart::Line, kCentre.h + x, kCentre.v + y, 0, 0};
}
PathPart rect(float x, float y, float w, float h) {
    return PathPart{PathPart::Rect, kCentre.h + x, kCentre.v + y, w, h};
}

void expectPath(const std::vector<PathPart>& got, const std::vector<PathPart>& want,
                const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].kind, want[i].kind) << what << " part " << i;
        EXPECT_NEAR(got[i].x, want[i].x, 1e-5) << what << " part " << i;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-5) << what << " part " << i;
        EXPECT_NEAR(got[i].w, want[i].w, 1e-5) << what << " part " << i;
        EXPECT_NEAR(got[i].h, want[i].h, 1e-5) << what << " part " << i;
    }
}

// The figures at size 10, relative to the centre, worked out from the icons' proportions: the cross's
// arms reach s/2; the arrow's tips lie 0.2 s in from the top and bottom; the duplicate's front square
// is 0.75 s wide, 1.25 left and 1.25 down of where a centred one would be, its back square 2 up and
// half a square right, the plus arms 0.6 of half a square long; the copy's sheets sit 1.2 (s - w) right.
struct IconCase {
    const char* name;
    std::function<int32_t(UIPath&, UIColoredPen*, UIColoredBrush*)> draw;
    std::vector<PathPart> fill;    // painted with the brush first (the paste's sheet), or nothing
    std::vector<PathPart> stroke;  // then stroked with the pen
};

std::vector<IconCase> iconCases() {
    const std::vector<PathPart> backSheet = {mv(3, -2.5f), ln(3, -4.5f), ln(-4.5f, -4.5f), ln(-4.5f, 3),
                                             ln(-3, 3)};
    std::vector<PathPart> copy = {rect(-3, -2.5f, 7.5f, 7.5f)};
    copy.insert(copy.end(), backSheet.begin(), backSheet.end());
    for (float y : {-0.625f, 1.25f, 3.125f}) {
        copy.push_back(mv(-1.125f, y));
        copy.push_back(ln(2.625f, y));
    }
    return {
        {"Cross",
         [](UIPath& p, UIColoredPen* pen, UIColoredBrush*) { return p.DrawCrossIcon(pen, kCentre, 10); },
         {},
         {mv(-5, -5), ln(5, 5), mv(5, -5), ln(-5, 5)}},
        {"ArrowUp",
         [](UIPath& p, UIColoredPen* pen, UIColoredBrush*) {
             return p.DrawArrowIcon(pen, kCentre, 10, true);
         },
         {},
         {mv(-5, 3), ln(0, -3), ln(5, 3)}},
        // The vertical mirror of the up arrow about the centre.
        {"ArrowDown",
         [](UIPath& p, UIColoredPen* pen, UIColoredBrush*) {
             return p.DrawArrowIcon(pen, kCentre, 10, false);
         },
         {},
         {mv(-5, -3), ln(0, 3), ln(5, -3)}},
        {"Duplicate",
         [](UIPath& p, UIColoredPen* pen, UIColoredBrush*) { return p.DrawDuplicateIcon(pen, kCentre, 10); },
         {},
         {rect(-5, -2.5f, 7.5f, 7.5f), mv(-1.25f, -2.5f), ln(-1.25f, -4.5f), ln(6.25f, -4.5f), ln(6.25f, 3),
          ln(2.5f, 3), mv(-1.25f, -1), ln(-1.25f, 3.5f), mv(-3.5f, 1.25f), ln(1, 1.25f)}},
        {"Copy",
         [](UIPath& p, UIColoredPen* pen, UIColoredBrush*) { return p.DrawCopyIcon(pen, kCentre, 10); },
         {},
         copy},
        {"Paste",
         [](UIPath& p, UIColoredPen* pen, UIColoredBrush* brush) {
             return p.DrawPasteIcon(pen, brush, kCentre, 10);
         },
         {rect(-3, -2.5f, 7.5f, 7.5f)},
         backSheet},
    };
}

TEST_F(DrawbotHelpers, IconFiguresAtTheStripSize) {
    for (const IconCase& c : iconCases()) {
        ops().clear();
        {
            UIColoredPen pen(&suites_, supplier(), kRed, 1.0f);
            UIColoredBrush brush(&suites_, supplier(), DRAWBOT_ColorRGBA{0, 0, 1, 0.5f});
            UIPath path(&suites_, supplier(), surface());
            ASSERT_EQ(c.draw(path, &pen, &brush), 0) << c.name;
        }
        size_t next = 0;
        if (!c.fill.empty()) {
            ASSERT_GE(ops().size(), 1u) << c.name;
            EXPECT_EQ(ops()[0].kind, DrawOp::FillPath) << c.name;
            EXPECT_EQ(ops()[0].fillType, kDRAWBOT_FillType_Winding) << c.name;
            EXPECT_EQ(ops()[0].color.b, 1.0f) << c.name;
            expectPath(ops()[0].path, c.fill, std::string(c.name) + " fill");
            next = 1;
        }
        ASSERT_EQ(ops().size(), next + 1) << c.name << ": one stroke of the whole figure";
        EXPECT_EQ(ops()[next].kind, DrawOp::StrokePath) << c.name;
        EXPECT_EQ(ops()[next].penWidth, 1.0f) << c.name;
        EXPECT_EQ(ops()[next].color.r, 1.0f) << c.name;
        expectPath(ops()[next].path, c.stroke, std::string(c.name) + " stroke");
    }
}

TEST_F(DrawbotHelpers, ARectangleIsStrokedBeforeItIsFilled) {
    UIColoredPen pen(&suites_, supplier(), kRed, 2.0f);
    UIColoredBrush brush(&suites_, supplier(), DRAWBOT_ColorRGBA{0, 1, 0, 1});
    UIPath path(&suites_, supplier(), surface());
    const DRAWBOT_RectF32 r{10.5f, 20.5f, 29, 23};
    EXPECT_EQ(path.drawRect(r, &pen, &brush), 0);
    ASSERT_EQ(ops().size(), 2u);
    EXPECT_EQ(ops()[0].kind, DrawOp::StrokePath);
    EXPECT_EQ(ops()[0].penWidth, 2.0f);
    EXPECT_EQ(ops()[1].kind, DrawOp::FillPath);
    EXPECT_EQ(ops()[1].color.g, 1.0f);
    expectPath(ops()[1].path, {PathPart{PathPart::Rect, 10.5f, 20.5f, 29, 23}}, "rectangle");

    // Neither pen nor brush: the figure is built and nothing is painted.
    ops().clear();
    EXPECT_EQ(path.drawRect(r, nullptr, nullptr), 0);
    EXPECT_TRUE(ops().empty());
}

// Each figure goes into a path of its own; the path object holds one at a time and gives the last back.
TEST_F(DrawbotHelpers, OnePathAliveWhateverIsDrawn) {
    UIColoredPen pen(&suites_, supplier(), kRed, 1.0f);
    UIColoredBrush brush(&suites_, supplier(), kRed);
    {
        UIPath path(&suites_, supplier(), surface());
        for (const IconCase& c : iconCases()) c.draw(path, &pen, &brush);
        path.drawRect(DRAWBOT_RectF32{0, 0, 5, 5}, &pen, &brush);
        EXPECT_EQ(drawbot().liveObjects(), 3);  // the pen, the brush and one path
    }
    EXPECT_EQ(drawbot().liveObjects(), 2);
}

TEST_F(DrawbotHelpers, TextSitsOnTheOriginAndAdvancesByTheFontSize) {
    DRAWBOT_PointF32 origin{10, 20};
    UIStringDrawer drawer(&origin, surface(), suites_);
    UIFont font(DRAWBOT_ColorRGBA{0.2f, 1, 0.2f, 0.8f}, 0.0f, &suites_, supplier());
    EXPECT_EQ(font.size(), 12.0f);  // the host's default size

    EXPECT_EQ(drawer.drawString("AE:", font, false), 0);
    EXPECT_EQ(origin.y, 20.0f);
    drawer.setAlign(kDRAWBOT_TextAlignment_Center);
    EXPECT_EQ(drawer.drawString("x", font, true), 0);
    EXPECT_EQ(origin.y, 32.0f);
    ASSERT_EQ(ops().size(), 2u);
    EXPECT_EQ(ops()[0].text, "AE:");
    EXPECT_EQ(ops()[0].x, 10.0f);
    EXPECT_EQ(ops()[0].y, 20.0f);
    EXPECT_EQ(ops()[0].alignment, kDRAWBOT_TextAlignment_Left);
    EXPECT_EQ(ops()[0].fontSize, 12.0f);
    EXPECT_FLOAT_EQ(ops()[0].color.a, 0.8f);
    EXPECT_EQ(ops()[1].alignment, kDRAWBOT_TextAlignment_Center);

    // Lines as a line reader gives them: two newlines in a row give an empty line, a final one none.
    ops().clear();
    drawer.setOrigin({0, 100});
    EXPECT_EQ(drawer.drawMultiLineString("a\n\nb\n", font, true), 0);
    ASSERT_EQ(ops().size(), 3u);
    EXPECT_EQ(ops()[0].text, "a");
    EXPECT_EQ(ops()[1].text, "");
    EXPECT_EQ(ops()[2].text, "b");
    EXPECT_EQ(ops()[2].y, 124.0f);
    EXPECT_EQ(origin.y, 136.0f);

    ops().clear();
    EXPECT_EQ(drawer.drawMultiLineString("", font, true), 0);
    EXPECT_TRUE(ops().empty());
    EXPECT_EQ(origin.y, 136.0f);
}

TEST_F(DrawbotHelpers, NothingIsDrawnWithoutASurface) {
    DRAWBOT_PointF32 origin{0, 0};
    UIStringDrawer drawer(&origin, nullptr, suites_);
    UIFont font(kRed, 10.0f, &suites_, supplier());
    UIColoredPen pen(&suites_, supplier(), kRed, 1.0f);
    UIPath path(&suites_, supplier(), nullptr);
    EXPECT_NE(drawer.drawString("hint", font, true), 0);
    EXPECT_EQ(origin.y, 10.0f);  // the advance happens whatever the draw returned
    EXPECT_NE(path.drawRect(DRAWBOT_RectF32{0, 0, 1, 1}, &pen, nullptr), 0);
    EXPECT_NE(path.DrawCrossIcon(&pen, kCentre, 10), 0);
    EXPECT_TRUE(ops().empty());
    EXPECT_EQ(drawbot().refusedCalls, 0);  // not even asked
}

// A call refused half-way: the helper reports it, and everything it made still goes back once. `fail`
// arms the refusal just before the step that meets it.
struct FailureCase {
    const char* failing;
    std::function<int32_t(DRAWBOT_Suites*, DRAWBOT_SupplierRef, DRAWBOT_SurfaceRef,
                          const std::function<void()>&)>
        run;
};

TEST_F(DrawbotHelpers, EverythingMadeGoesBackWhenACallFails) {
    using Fail = const std::function<void()>&;
    const FailureCase cases[] = {
        {"DRAWBOT_NewBrush",
         [](DRAWBOT_Suites* s, DRAWBOT_SupplierRef sup, DRAWBOT_SurfaceRef, Fail fail) {
             fail();
             UIFont font(kRed, 11.0f, s, sup);  // the font was made, its brush not
             return font.error();
         }},
        {"DRAWBOT_StrokePath",
         [](DRAWBOT_Suites* s, DRAWBOT_SupplierRef sup, DRAWBOT_SurfaceRef surf, Fail fail) {
             UIColoredPen pen(s, sup, kRed, 1.0f);
             UIPath path(s, sup, surf);
             fail();
             return path.drawRect(DRAWBOT_RectF32{0, 0, 4, 4}, &pen, nullptr);
         }},
        {"DRAWBOT_LineTo",
         [](DRAWBOT_Suites* s, DRAWBOT_SupplierRef sup, DRAWBOT_SurfaceRef surf, Fail fail) {
             UIColoredPen pen(s, sup, kRed, 1.0f);
             UIPath path(s, sup, surf);
             fail();
             return path.DrawArrowIcon(&pen, kCentre, 10, true);
         }},
        {"DRAWBOT_NewPath",  // the figure's fresh path: the one held before stays, and goes back
         [](DRAWBOT_Suites* s, DRAWBOT_SupplierRef sup, DRAWBOT_SurfaceRef surf, Fail fail) {
             UIColoredPen pen(s, sup, kRed, 1.0f);
             UIPath path(s, sup, surf);
             fail();
             return path.DrawCopyIcon(&pen, kCentre, 10);
         }},
    };
    for (const FailureCase& c : cases) {
        const int releasedBefore = drawbot().released;
        const int madeBefore = drawbot().made;
        EXPECT_NE(
            c.run(&suites_, supplier(), surface(), [&] { host_.failNext(c.failing, PF_Err_OUT_OF_MEMORY); }),
            0)
            << c.failing;
        EXPECT_EQ(drawbot().liveObjects(), 0) << c.failing;
        EXPECT_EQ(drawbot().made - madeBefore, drawbot().released - releasedBefore) << c.failing;
    }
}

TEST_F(DrawbotHelpers, BackgroundColourOfTheHost) {
    DRAWBOT_ColorRGBA color{-1, -1, -1, -1};
    host_.ui().background = PF_App_Color{65535, 0, 32768};
    EXPECT_EQ(AcquireBackgroundColor(in(), out(), nullptr, nullptr, &color), PF_Err_NONE);
    EXPECT_EQ(color.red, 1.0f);  // white converts to 1.0 exactly
    EXPECT_EQ(color.green, 0.0f);
    EXPECT_FLOAT_EQ(color.blue, 32768.0f / 65535.0f);
    EXPECT_EQ(color.alpha, 1.0f);
    EXPECT_EQ(host_.suites().acquired(kPFAppSuite, 1), 1);  // the suite's first form
    EXPECT_EQ(host_.suites().released(kPFAppSuite, 1), 1);

    // Without the suite the colour is left alone.
    host_.suites().refuse(kPFAppSuite, 1);
    color = DRAWBOT_ColorRGBA{0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(AcquireBackgroundColor(in(), out(), nullptr, nullptr, &color), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(color.red, 0.5f);
    EXPECT_EQ(color.alpha, 0.5f);
}

// UTF-8 in, zero-terminated UTF-16 out; text from a compiler may hold anything, and each broken
// sequence becomes one U+FFFD for as much of it as could have started a character.
TEST(DrawbotText, Utf8ToUtf16) {
    struct Case {
        const char* label;
        std::string in;
        std::vector<A_UTF16Char> out;
    };
    const Case cases[] = {
        {"ascii", "AE:", {'A', 'E', ':'}},
        {"empty", "", {}},
        {"two bytes", "\xC3\xA9", {0x00E9}},
        {"three bytes", "\xE2\x82\xAC", {0x20AC}},
        {"four bytes, a surrogate pair", "\xF0\x9F\x98\x80", {0xD83D, 0xDE00}},
        {"stray continuation", "a\x80z", {'a', 0xFFFD, 'z'}},
        {"byte never used", "\xFF", {0xFFFD}},
        {"cut short at the end", "a\xE2\x82", {'a', 0xFFFD}},
        {"cut short by ascii", "\xE2\x82z", {0xFFFD, 'z'}},
        {"overlong", "\xC0\xAF", {0xFFFD, 0xFFFD}},
        {"overlong three", "\xE0\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
        {"surrogate", "\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
        {"past U+10FFFF", "\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<A_UTF16Char[]> units = convertStringToUTF16Char(c.in);
        std::vector<A_UTF16Char> got;
        for (size_t i = 0; units[i] != 0; ++i) got.push_back(units[i]);
        EXPECT_EQ(got, c.out) << c.label;
    }
}

TEST(DrawbotText, HostColourToFloats) {
    const PF_App_Color white{65535, 65535, 65535}, black{0, 0, 0}, panel{0x2B2B, 0x2B2B, 0x2B2B};
    const DRAWBOT_ColorRGBA w = QDtoDRAWBOTColor(&white), b = QDtoDRAWBOTColor(&black),
                            p = QDtoDRAWBOTColor(&panel);
    EXPECT_EQ(w.red, 1.0f);
    EXPECT_EQ(w.alpha, 1.0f);
    EXPECT_EQ(b.green, 0.0f);
    EXPECT_EQ(b.alpha, 1.0f);
    EXPECT_FLOAT_EQ(p.blue, 11051.0f / 65535.0f);  // 0x2B2B is 43 x 257: 43 / 255 of the way
}

}  // namespace
