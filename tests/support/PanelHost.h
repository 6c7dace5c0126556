// PanelHost.h — the real module in the stand-in host with one effect instance set up, a composition
// of 3D null layers (ids 2, 3, 4) and one plain 2D layer (id 5), driven as a person drives the panel.
#ifndef MORPHALITH_TESTS_PANEL_HOST_H
#define MORPHALITH_TESTS_PANEL_HOST_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "GlobalData.h"
#include "SequenceData.h"
#include "host/Host.h"
#include "host/UserActions.h"

class PanelHost : public ::testing::Test {
protected:
    static constexpr A_long kNullFlags =
        AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_LAYER_IS_3D | AEGP_LayerFlag_NULL_LAYER;

    void SetUp() override {
        ASSERT_TRUE(h.load()) << h.error();
        for (A_long id : {2, 3, 4}) h.project().addLayer(id, "Null " + std::to_string(id), AEGP_ObjectType_AV, kNullFlags);
        h.project().addLayer(5, "Flat", AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE);
        ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
        ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE) << h.returnMessage();
        ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE) << h.returnMessage();
    }
    void TearDown() override {
        if (!h.module().effectMain()) return;
        expectBalanced();
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(h.handles().live(), 0u);
    }

    // Every reference, lock, suite and undo group a command took is given back when it returns.
    void expectBalanced() {
        const host::Project& p = h.project();
        EXPECT_EQ(p.effects.live(), 0);
        EXPECT_EQ(p.streamRefs.live(), 0);
        EXPECT_EQ(p.values.live(), 0);
        EXPECT_EQ(p.effects.badDisposals + p.streamRefs.badDisposals + p.values.badDisposals, 0);
        EXPECT_EQ(h.handles().openLocks(), 0);
        EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
        EXPECT_TRUE(p.undo.balanced()) << p.undo.unmatchedEnds << " unmatched ends, " << p.undo.leftOpen
                                       << " left open";
    }

    // ---- the person at the panel ----
    PF_Err add(host::ActionReport* r = nullptr) { return host::clickButton(h, ParamID::AddPrimitive, r); }
    PF_Err setType(int slot, PrimitiveType type, host::ActionReport* r = nullptr) {
        AEGP_StreamVal v{};
        v.one_d.value = static_cast<int>(type);
        return host::changeParam(h, getIndexForUserParam(slot, PrimitiveParamType::Type), v, r);
    }
    PF_Err attach(int slot, A_long layer, host::ActionReport* r = nullptr) {
        AEGP_StreamVal v{};
        v.layer_id = layer;
        return host::changeParam(h, getIndexForUserParam(slot, PrimitiveParamType::NullLayer), v, r);
    }
    PF_Err setValue(int index, double value, host::ActionReport* r = nullptr) {
        AEGP_StreamVal v{};
        v.one_d.value = value;
        return host::changeParam(h, index, v, r);
    }

    // ---- what the host holds ----
    SequenceData& seq() { return *static_cast<SequenceData*>(h.handles().block(h.inData().sequence_data)); }
    GlobalData& global() { return *static_cast<GlobalData*>(h.handles().block(h.inData().global_data)); }
    const PF_ParamDef& def(int index) { return h.panel().find(index)->def; }
    std::string name(int index) { return def(index).name; }
    bool hidden(int index) { return (h.project().streams[index].flags & AEGP_DynStreamFlag_HIDDEN) != 0; }
    bool disabled(int index) { return (def(index).ui_flags & PF_PUI_DISABLED) != 0; }
    double value(int index) { return h.project().streams[index].value.one_d.value; }
    static int at(int slot, int offset) { return getIndexForUserParam(slot, static_cast<PrimitiveParamType>(offset)); }

    host::Host h{MRPH_TEST_MODULE_PATH};
};

#endif  // MORPHALITH_TESTS_PANEL_HOST_H
