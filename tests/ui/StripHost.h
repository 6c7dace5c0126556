// StripHost.h — the panel host of tests/support/PanelHost.h with the effect's custom UI at hand: slots
// set up in one call, strip buttons clicked where the panel shows them, the drawing of a control read
// back from the host's Drawbot, and the Drawbot's own balance checked at the end of every test.
#ifndef MORPHALITH_TESTS_UI_STRIP_HOST_H
#define MORPHALITH_TESTS_UI_STRIP_HOST_H

#include <string>
#include <vector>

#include "host/CustomUI.h"
#include "support/PanelHost.h"

class StripHost : public PanelHost {
protected:
    void TearDown() override {
        if (h.module().effectMain()) {
            const host::Drawbot& drawbot = ui().drawbot();
            EXPECT_EQ(drawbot.liveObjects(), 0) << "Drawbot objects left alive";
            EXPECT_EQ(drawbot.made, drawbot.released);
            EXPECT_EQ(drawbot.badReleases, 0);
            EXPECT_EQ(drawbot.refusedCalls, 0);
            EXPECT_EQ(ui().effectWindow().leftPushed + ui().compWindow().leftPushed, 0);
        }
        PanelHost::TearDown();
    }

    host::CustomUI& ui() { return h.ui(); }

    // A slot of each type, in order, each on its own 3D null (2, 3, 4, then 2 again).
    void slots(std::initializer_list<PrimitiveType> types) {
        int s = 0;
        for (PrimitiveType type : types) {
            ASSERT_EQ(add(), PF_Err_NONE);
            if (type != PrimitiveType::Sphere) {
                ASSERT_EQ(setType(s, type), PF_Err_NONE);
            }
            ASSERT_EQ(attach(s, 2 + s % 3), PF_Err_NONE);
            ++s;
        }
    }

    PF_Err click(int slot, host::StripButton button, host::ActionReport* report = nullptr) {
        std::string why;
        const PF_Err err = host::clickStripButton(h, slot, button, report, &why);
        EXPECT_EQ(why, "");
        return err;
    }

    // The calls of one draw of slot `slot`'s strip.
    std::vector<host::DrawOp> drawStrip(int slot) {
        const host::PanelLayout layout = host::layoutPanel(h);
        const host::PanelRow* row = layout.strip(slot);
        EXPECT_NE(row, nullptr) << "slot " << slot << " shows no strip";
        if (!row) return {};
        ui().openEffectWindow();
        const size_t first = ui().effectWindow().ops.size();
        EXPECT_EQ(ui().drawControl(row->index, row->frame), PF_Err_NONE);
        const std::vector<host::DrawOp>& ops = ui().effectWindow().ops;
        return std::vector<host::DrawOp>(ops.begin() + static_cast<long>(first), ops.end());
    }

    PF_Rect stripFrame(int slot) {
        const host::PanelLayout layout = host::layoutPanel(h);
        return layout.strip(slot) ? layout.strip(slot)->frame : PF_Rect{};
    }

    std::vector<std::string> infoLines() {
        std::vector<std::string> lines;
        for (const host::InfoText& t : ui().infoTexts) lines.push_back(t.line1);
        return lines;
    }

    const AEGP_StreamVal& stream(int index) { return h.project().streams[index].value; }
};

#endif  // MORPHALITH_TESTS_UI_STRIP_HOST_H
