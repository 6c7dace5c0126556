// The About and Debug headers and the composition-window hint, drawn by the real module into the host's
// recording Drawbot: where each text and the image land, in which font and colour, what a failing call
// leaves out, and the hint's transform, clip and state stack at several viewer zooms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/ui/StripHost.h"

namespace {

using host::DrawOp;

struct Text {
    std::string text;
    float x, y, size;
    int alignment;
    host::DrawColor color;
};

std::vector<Text> textsOf(const std::vector<DrawOp>& ops) {
    std::vector<Text> texts;
    for (const DrawOp& op : ops)
        if (op.kind == DrawOp::Text)
            texts.push_back({op.text, op.x, op.y, op.fontSize, op.alignment, op.color});
    return texts;
}

void expectColor(const host::DrawColor& c, float r, float g, float b, float a, const std::string& what) {
    EXPECT_FLOAT_EQ(c.r, r) << what;
    EXPECT_FLOAT_EQ(c.g, g) << what;
    EXPECT_FLOAT_EQ(c.b, b) << what;
    EXPECT_FLOAT_EQ(c.a, a) << what;
}

class Headers : public StripHost {
protected:
    void SetUp() override {
        StripHost::SetUp();
        SystemInfo& system = *global().systemInfo;
        system.hostVersion = "13.28";
        system.osVersion = "Linux 6";
        system.gpuName = "Some GPU";
    }
    // One draw of a header at the frame the panel gives it (the Debug header's frame under the About).
    std::vector<DrawOp> drawHeader(int index, PF_Rect frame) {
        const size_t first = ui().effectWindow().ops.size();
        lastErr = ui().drawControl(index, frame);
        const std::vector<DrawOp>& ops = ui().effectWindow().ops;
        return std::vector<DrawOp>(ops.begin() + static_cast<long>(first), ops.end());
    }
    PF_Err lastErr = PF_Err_NONE;
    static constexpr PF_Rect kFrame{150, 8, 552, 98};
};

// A 250 x 70 picture: the version centred at 125 over its lower edge (65 down), and one row 14 below
// it (84 down) with labels and values at 0, 18, 68, 86, 136 and 162.
TEST_F(Headers, AboutHeaderPlacesImageVersionAndRow) {
    const std::vector<DrawOp> ops = drawHeader(ParamID::About, kFrame);
    ASSERT_EQ(lastErr, PF_Err_NONE);
    EXPECT_EQ(ui().lastEvent.evt_out_flags, PF_EO_HANDLED_EVENT);
    ASSERT_FALSE(ops.empty());
    ASSERT_EQ(ops[0].kind, DrawOp::Image);
    EXPECT_EQ(ops[0].x, 150.0f);
    EXPECT_EQ(ops[0].y, 8.0f);
    EXPECT_EQ(ops[0].alpha, 1.0f);
    ASSERT_NE(ops[0].image, nullptr);
    EXPECT_EQ(ops[0].image->width, 250);
    EXPECT_EQ(ops[0].image->height, 70);
    // The picture's pixels as loaded, opaque.
    const auto* pixels = static_cast<const unsigned char*>(h.handles().block(global().aboutImage->pixels));
    EXPECT_EQ(ops[0].image->rgba[0], pixels[0]);
    EXPECT_EQ(ops[0].image->rgba[2], pixels[2]);
    EXPECT_EQ(ops[0].image->rgba[3], 255);

    const std::vector<Text> texts = textsOf(ops);
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts[0].text, "Morphalith v1.1.2 Release");
    EXPECT_EQ(texts[0].x, 275.0f);
    EXPECT_EQ(texts[0].y, 73.0f);
    EXPECT_EQ(texts[0].alignment, kDRAWBOT_TextAlignment_Center);
    EXPECT_EQ(texts[0].size, 12.0f);
    expectColor(texts[0].color, 0, 0, 0, 0.8f, "version");
    const char* row[6] = {"AE:", "13.28", "OS:", "Linux 6", "GPU:", "Some GPU"};
    const float at[6] = {0, 18, 68, 86, 136, 162};
    for (int i = 0; i < 6; ++i) {
        const Text& t = texts[i + 1];
        EXPECT_EQ(t.text, row[i]);
        EXPECT_EQ(t.x, 150.0f + at[i]) << row[i];
        EXPECT_EQ(t.y, 8.0f + 84.0f) << row[i];
        EXPECT_EQ(t.alignment, kDRAWBOT_TextAlignment_Left);
        const bool label = i % 2 == 0;
        EXPECT_EQ(t.size, label ? 11.0f : 10.0f) << row[i];
        if (label)
            expectColor(t.color, 0.2f, 1, 0.2f, 0.8f, row[i]);
        else
            expectColor(t.color, 1, 1, 1, 0.3f, row[i]);
    }
}

// An odd width halves toward zero: 251 centres the version at 125.
TEST_F(Headers, OddImageWidthCentresTowardZero) {
    CachedImage& image = *global().aboutImage;
    const PF_Handle original = image.pixels;
    image.pixels = h.handles().create(251 * 70 * 3);
    image.width = 251;
    const std::vector<Text> texts = textsOf(drawHeader(ParamID::About, kFrame));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].x, 150.0f + 125.0f);
    h.handles().dispose(original);
}

// The picture cannot be made: the version (which waits on it) is left out, the row is drawn anyway, the
// error is returned, and no image is given back that was never made.
TEST_F(Headers, AboutWithoutItsPicture) {
    h.failNext("DRAWBOT_NewImageFromBuffer", PF_Err_OUT_OF_MEMORY);
    const std::vector<DrawOp> ops = drawHeader(ParamID::About, kFrame);
    EXPECT_EQ(lastErr, PF_Err_OUT_OF_MEMORY);
    const std::vector<Text> texts = textsOf(ops);
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0].text, "AE:");
    for (const DrawOp& op : ops) EXPECT_NE(op.kind, DrawOp::Image);
}

// Without a drawing reference neither header draws, the event stays unhandled, and every suite the
// drawing took goes back.
TEST_F(Headers, NoDrawingReferenceNoHeader) {
    h.suites().refuse(kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1);
    for (int index : {static_cast<int>(ParamID::About), static_cast<int>(ParamID::Debug)}) {
        const std::vector<DrawOp> ops = drawHeader(index, kFrame);
        EXPECT_EQ(lastErr, PF_Err_BAD_CALLBACK_PARAM) << index;
        EXPECT_TRUE(ops.empty()) << index;
        EXPECT_EQ(ui().lastEvent.evt_out_flags, PF_EO_NONE) << index;
    }
    h.suites().clearFaults();
}

// No compile message: "Matrix:" and the camera's matrix, four lines 11 apart, in the matrix font.
TEST_F(Headers, DebugShowsTheMatrixWithoutAMessage) {
    SceneInfo& scene = *global().sceneInfo;
    scene.details.clear();
    scene.matrix = glm::mat4(1.0f);
    const std::vector<Text> texts = textsOf(drawHeader(ParamID::Debug, kFrame));
    EXPECT_EQ(ui().lastEvent.evt_out_flags, PF_EO_HANDLED_EVENT);
    const char* lines[5] = {"Matrix:", "[ 1.00, 0.00, 0.00, 0.00, ", " 0.00, 1.00, 0.00, 0.00, ",
                            " 0.00, 0.00, 1.00, 0.00, ", " 0.00, 0.00, 0.00, 1.00]"};
    ASSERT_EQ(texts.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(texts[i].text, lines[i]);
        EXPECT_EQ(texts[i].x, 150.0f);
        EXPECT_EQ(texts[i].y, 18.0f + 11.0f * i) << i;
        EXPECT_EQ(texts[i].size, 11.0f);
        expectColor(texts[i].color, 0.2f, 1, 0.2f, 0.8f, lines[i]);
    }
}

// A compile message: the status with ":" and the message wrapped at 50 (a newline in it gives an
// empty line), 12 apart, 2 below the status; no matrix. Bytes that are not UTF-8 show as U+FFFD.
TEST_F(Headers, DebugShowsTheStatusAndTheWrappedMessage) {
    SceneInfo& scene = *global().sceneInfo;
    scene.status = "Compiling Error";
    scene.details = "program_source:4:16: error: bad \xFF byte\nsecond";
    const std::vector<Text> texts = textsOf(drawHeader(ParamID::Debug, kFrame));
    ASSERT_EQ(lastErr, PF_Err_NONE);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text, "Compiling Error:");
    EXPECT_EQ(texts[0].y, 18.0f);
    EXPECT_EQ(texts[0].size, 11.0f);
    expectColor(texts[0].color, 1, 0.5f, 0, 0.8f, "status");
    EXPECT_EQ(texts[1].text, "program_source:4:16: error: bad \xEF\xBF\xBD byte");
    EXPECT_EQ(texts[2].text, "");
    EXPECT_EQ(texts[3].text, "second");
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(texts[i].y, 18.0f + 11.0f + 2.0f + 12.0f * (i - 1)) << i;
        EXPECT_EQ(texts[i].size, 12.0f);
        expectColor(texts[i].color, 1, 1, 1, 0.8f, "message");
    }
}

// ---- The hint ---------------------------------------------------------------------------------------

class Hint : public StripHost {
protected:
    void SetUp() override {
        StripHost::SetUp();
        ASSERT_EQ(add(), PF_Err_NONE);
        ASSERT_EQ(attach(0, 5), PF_Err_NONE);  // a 2D layer: the effect asks for a 3D null
        ASSERT_EQ(global().sceneInfo->flags & 1u, 1u);
    }
    std::vector<DrawOp> drawHint(double zoom, double offX, double offY, PF_WindowType type = PF_Window_COMP) {
        ui().setCompWindow(800, 500, host::CompView{zoom, offX, offY}, type);
        lastErr = ui().drawCompWindow();
        return ui().compWindow().ops;
    }
    PF_Err lastErr = PF_Err_NONE;
};

constexpr const char* kHint = "Please select a 3D Null Layer to attach the primitive.";

struct ZoomCase {
    double zoom, offX, offY;
};

// At any zoom: the scale comes out of the matrix (one unit a screen pixel), the translation stays, the
// clip is the layer's 640 x 360 on screen, and the text sits 3 pixels in at 15 points, its shadow one
// pixel left and down.
TEST_F(Hint, ConstantSizeAtEveryZoom) {
    for (const ZoomCase& z : {ZoomCase{1, 40, 40}, ZoomCase{0.5, 10, 20}, ZoomCase{2, 0, 0}}) {
        SCOPED_TRACE(z.zoom);
        const std::vector<DrawOp> ops = drawHint(z.zoom, z.offX, z.offY);
        ASSERT_EQ(lastErr, PF_Err_NONE);
        EXPECT_EQ(ui().lastEvent.evt_out_flags, PF_EO_NONE) << "the hint leaves the event's flags alone";
        ASSERT_EQ(ops.size(), 8u);
        EXPECT_EQ(ops[0].kind, DrawOp::PushState);
        ASSERT_EQ(ops[1].kind, DrawOp::Transform);
        const auto& m = ops[1].matrix.mat;
        EXPECT_FLOAT_EQ(m[0][0], 1);
        EXPECT_FLOAT_EQ(m[0][1], 0);
        EXPECT_FLOAT_EQ(m[1][0], 0);
        EXPECT_FLOAT_EQ(m[1][1], 1);
        EXPECT_FLOAT_EQ(m[2][0], static_cast<float>(z.offX));
        EXPECT_FLOAT_EQ(m[2][1], static_cast<float>(z.offY));
        EXPECT_EQ(m[2][2], 0.0f);
        EXPECT_EQ(ops[2].kind, DrawOp::PushState);
        ASSERT_EQ(ops[3].kind, DrawOp::Clip);
        EXPECT_EQ(ops[3].clip.left, 0);
        EXPECT_EQ(ops[3].clip.top, 0);
        EXPECT_EQ(ops[3].clip.width, static_cast<int>(640 * z.zoom));
        EXPECT_EQ(ops[3].clip.height, static_cast<int>(360 * z.zoom));
        const std::vector<Text> texts = textsOf(ops);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].text, kHint);
        EXPECT_EQ(texts[0].x, 2.0f);
        EXPECT_EQ(texts[0].y, 19.0f);
        EXPECT_EQ(texts[0].size, 15.0f);
        expectColor(texts[0].color, 0, 0, 0, 0.5f, "shadow");
        EXPECT_EQ(texts[1].x, 3.0f);
        EXPECT_EQ(texts[1].y, 18.0f);
        expectColor(texts[1].color, 0.9f, 0.6f, 0, 1, "hint");
        EXPECT_EQ(ops[6].kind, DrawOp::PopState);
        EXPECT_EQ(ops[7].kind, DrawOp::PopState);
    }
}

// A layer turned 90 degrees in the composition: the hint turns with it.
TEST_F(Hint, TurnsWithTheLayer) {
    h.project().findLayer(h.project().effectLayerId)->props.rotation = host::Vec3{0, 0, 90};
    const std::vector<DrawOp> ops = drawHint(1, 40, 40);
    ASSERT_GE(ops.size(), 2u);
    const auto& m = ops[1].matrix.mat;
    EXPECT_NEAR(m[0][0], 0, 1e-6);
    EXPECT_NEAR(m[0][1], 1, 1e-6);
    EXPECT_NEAR(m[1][0], -1, 1e-6);
    EXPECT_NEAR(m[1][1], 0, 1e-6);
}

// In the layer window the layer is the window's source: no mapping to the composition.
TEST_F(Hint, LayerWindowMapsOnlyTheSource) {
    h.project().findLayer(h.project().effectLayerId)->props.rotation = host::Vec3{0, 0, 90};
    h.trace().clear();
    const std::vector<DrawOp> ops = drawHint(2, 5, 6, PF_Window_LAYER);
    ASSERT_EQ(lastErr, PF_Err_NONE);
    int toComp = 0, toFrame = 0;
    for (const std::string& line : h.trace().lines()) {
        toComp += line == "layer_to_comp";
        toFrame += line == "source_to_frame";
    }
    EXPECT_EQ(toComp, 0);
    EXPECT_EQ(toFrame, 3);
    ASSERT_GE(ops.size(), 2u);
    EXPECT_FLOAT_EQ(ops[1].matrix.mat[0][0], 1);
    EXPECT_FLOAT_EQ(ops[1].matrix.mat[2][0], 5);
}

// Without the request the state stack is still pushed and popped twice and the clip set; nothing else.
TEST_F(Hint, NothingToAskForNothingDrawn) {
    ASSERT_EQ(attach(0, 2), PF_Err_NONE);  // a 3D null clears the request
    const std::vector<DrawOp> ops = drawHint(1, 0, 0);
    std::vector<DrawOp::Kind> kinds;
    for (const DrawOp& op : ops) kinds.push_back(op.kind);
    EXPECT_EQ(kinds, (std::vector<DrawOp::Kind>{DrawOp::PushState, DrawOp::Transform, DrawOp::PushState,
                                                DrawOp::Clip, DrawOp::PopState, DrawOp::PopState}));
}

// A view that shows the layer at no size draws nothing; a transform the host refuses leaves no state
// pushed.
TEST_F(Hint, DegenerateViewsAndRefusedTransforms) {
    EXPECT_TRUE(drawHint(0, 40, 40).empty());
    EXPECT_EQ(lastErr, PF_Err_NONE);

    h.failNext("DRAWBOT_Transform", PF_Err_OUT_OF_MEMORY);
    const std::vector<DrawOp> ops = drawHint(1, 40, 40);
    EXPECT_EQ(lastErr, PF_Err_OUT_OF_MEMORY);
    std::vector<DrawOp::Kind> kinds;
    for (const DrawOp& op : ops) kinds.push_back(op.kind);
    EXPECT_EQ(kinds, (std::vector<DrawOp::Kind>{DrawOp::PushState, DrawOp::PopState}));
}

}  // namespace
