// The effect's reaction to the user's changes of its supervised parameters, through the host: Add,
// a type change, attaching a layer, the environment map, and the changes that only ask for a
// re-render; then the handlers' failure paths, which must return the error and give back every lock,
// reference and undo group.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/PanelHost.h"

namespace {

// The module's log lines in a printed block, without the "[Morphalith] : " prefix.
std::vector<std::string> logLines(const std::string& printed) {
    std::vector<std::string> lines;
    std::stringstream in(printed);
    for (std::string line; std::getline(in, line);) {
        const size_t cut = line.find("] : ");
        if (cut != std::string::npos) lines.push_back(line.substr(cut + 4));
    }
    return lines;
}

constexpr A_long kRefreshAndRerender = PF_OutFlag_REFRESH_UI | PF_OutFlag_FORCE_RERENDER;
static_assert(kRefreshAndRerender == 0x420000);

class Changes : public PanelHost {
protected:
    // One PF_Cmd_USER_CHANGED_PARAM, as the host sends it for a supervised parameter.
    PF_Err changed(int index) {
        PF_UserChangedParamExtra extra{index};
        return h.command(PF_Cmd_USER_CHANGED_PARAM, &extra);
    }
    size_t uiUpdates() { return h.panel().uiUpdates.size(); }
};

TEST_F(Changes, AddMakesASphereWithSpheresNumbers) {
    ASSERT_EQ(changed(ParamID::AddPrimitive), PF_Err_NONE);
    EXPECT_EQ(logLines(h.printed()), (std::vector<std::string>{"CHANGED: 1092", "PRIMITIVE ADDED"}));
    EXPECT_EQ(h.outData().out_flags & kRefreshAndRerender, kRefreshAndRerender);
    EXPECT_EQ(seq().numPrimitives, 1.0f);
    EXPECT_EQ(seq().primitives[0].type, 1);
    EXPECT_EQ(seq().primitives[0].layerId, 0);
    EXPECT_EQ(value(at(0, 2)), 1.0);                                // the popup shows Sphere
    EXPECT_EQ(h.project().streams[at(0, 3)].value.layer_id, 0);     // no null layer yet
    // Sphere's numbers: X, Y, Z Size 100, Percent 0, Height 200, Diameter 100, Second Diameter 10.
    const double expected[] = {100, 100, 100, -1, 0, 200, 100, 10};
    for (int p = 5; p <= 12; ++p) {
        if (p == 8) continue;
        EXPECT_EQ(value(at(0, p)), expected[p - 5]) << "offset " << p;
        EXPECT_EQ(def(at(0, p)).u.fs_d.dephault, static_cast<float>(expected[p - 5])) << "offset " << p;
    }
    const PF_FloatSliderDef& diameter = def(at(0, 11)).u.fs_d;
    EXPECT_EQ(diameter.valid_min, 0.0f);
    EXPECT_EQ(diameter.valid_max, 2000.0f);
    EXPECT_EQ(diameter.precision, 2);
    // The pass named and showed the slot, with its parameters greyed out until a layer is attached.
    EXPECT_EQ(name(at(0, 0)), "Sphere");
    EXPECT_FALSE(hidden(at(0, 0)));
    EXPECT_TRUE(disabled(at(0, 11)));
    EXPECT_EQ(name(ParamID::AddPrimitive), "Add new primitive (1/10)");
}

TEST_F(Changes, TypeChangeResetsWhatTheNewTypeNames) {
    ASSERT_EQ(add(), PF_Err_NONE);
    struct Slider {
        int offset;
        double value, maximum;  // value and default; the valid maximum
    };
    struct Step {
        PrimitiveType type;
        std::vector<std::pair<int, std::string>> names;  // offset, name
        std::vector<Slider> sliders;
    } steps[] = {
        {PrimitiveType::Torus, {{11, "Major Diameter"}, {12, "Minor Diameter"}}, {{11, 100, 2000}, {12, 50, 2000}, {10, 200, 2000}}},
        // Cone names both diameters; then Cylinder names only offset 12, so 11 keeps Cone's name and value.
        {PrimitiveType::Cone, {{11, "Top Diameter"}, {12, "Bottom Diameter"}}, {{11, 0, 2000}, {12, 100, 2000}}},
        {PrimitiveType::Cylinder,
         {{11, "Top Diameter"}, {12, "Fillet"}, {10, "Height"}},
         {{11, 0, 2000}, {12, 0, 2000}, {10, 200, 2000}}},
        // Octahedron reads as Sphere: every size offset takes Sphere's name and numbers.
        {PrimitiveType::Octahedron,
         {{4, "Size"}, {5, "X Size"}, {9, "Percent"}, {10, "Height"}, {11, "Diameter"}, {12, "Second Diameter"}},
         {{5, 100, 2000}, {9, 0, 100}, {10, 200, 2000}, {11, 100, 2000}, {12, 10, 2000}}},
        // Polygon's own limits and whole numbers.
        {PrimitiveType::Hex, {{9, "Sides"}, {12, "Fillet"}}, {{9, 3, 16}, {12, 0, 50}, {11, 50, 2000}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE("to type " + std::to_string(static_cast<int>(step.type)));
        host::ActionReport report;
        ASSERT_EQ(setType(0, step.type, &report), PF_Err_NONE);
        EXPECT_EQ(logLines(report.printed), (std::vector<std::string>{"CHANGED: 5", "TYPE CHANGED"}));
        EXPECT_EQ(seq().primitives[0].type, static_cast<int32_t>(step.type));
        for (const auto& [p, text] : step.names) EXPECT_EQ(name(at(0, p)), text) << "offset " << p;
        for (const Slider& s : step.sliders) {
            EXPECT_EQ(value(at(0, s.offset)), s.value) << "offset " << s.offset;
            EXPECT_EQ(def(at(0, s.offset)).u.fs_d.dephault, static_cast<float>(s.value)) << "offset " << s.offset;
            EXPECT_EQ(def(at(0, s.offset)).u.fs_d.valid_max, static_cast<float>(s.maximum)) << "offset " << s.offset;
        }
    }
}

// Each step on one instance, so the hint flag's history matters: set by a 2D layer, cleared by the
// next 3D layer or by clearing the choice.
TEST_F(Changes, AttachTakesA3DLayerAndRefusesA2DOne) {
    ASSERT_EQ(add(), PF_Err_NONE);
    struct Step {
        const char* label;
        A_long layer;
        A_long layerId;
        bool hint;
    } steps[] = {
        {"a 2D layer stays detached and asks for the hint", 5, 0, true},
        {"a 3D null is attached and the hint goes", 2, 2, false},
        {"a 2D layer after a 3D one detaches the slot", 5, 0, true},
        {"another 3D null", 4, 4, false},
        {"no layer", 0, 0, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        host::ActionReport report;
        ASSERT_EQ(attach(0, step.layer, &report), PF_Err_NONE);
        EXPECT_EQ(logLines(report.printed), (std::vector<std::string>{"CHANGED: 6", "NULL CHANGED"}));
        EXPECT_EQ(report.undoGroups, std::vector<std::string>{"Null Changed"});
        EXPECT_EQ(seq().primitives[0].layerId, step.layerId);
        EXPECT_EQ((global().sceneInfo->flags & 1u) != 0, step.hint);
        EXPECT_EQ(disabled(at(0, 11)), step.layerId == 0);
        EXPECT_TRUE(h.project().undo.balanced());
    }

    // An id no layer has any more (the layer went while the choice was made): nothing is stored.
    ASSERT_EQ(attach(0, 2), PF_Err_NONE);
    ASSERT_EQ(attach(0, 77), PF_Err_NONE);
    EXPECT_EQ(seq().primitives[0].layerId, 2);
}

TEST_F(Changes, EnvironmentMapMarksTheTextureOnlyWhenTheLayerChanges) {
    AEGP_StreamVal layer{};
    struct Step {
        A_long layer;
        bool resetFirst;
        bool changed;
    } steps[] = {{2, false, true}, {2, true, false}, {3, true, true}, {0, true, true}};
    for (const Step& step : steps) {
        SCOPED_TRACE("layer " + std::to_string(step.layer));
        if (step.resetFirst) global().envTexture.changed = false;  // as a render does once it used it
        layer.layer_id = step.layer;
        ASSERT_EQ(host::changeParam(h, ParamID::EnvironmentMap, layer), PF_Err_NONE);
        EXPECT_EQ(global().envTexture.layerId, step.layer);
        EXPECT_EQ(global().envTexture.changed, step.changed);
    }
}

// Smoothness, Render Mode and the strip's control are supervised but change nothing themselves.
TEST_F(Changes, OtherSupervisedChangesOnlyLogAndAskForARerender) {
    ASSERT_EQ(add(), PF_Err_NONE);
    for (int index : {at(0, 96), static_cast<int>(ParamID::RenderPass), at(0, 97)}) {
        SCOPED_TRACE("index " + std::to_string(index));
        const std::vector<unsigned char> before = h.sequenceBytes();
        const size_t updates = uiUpdates();
        ASSERT_EQ(changed(index), PF_Err_NONE);
        EXPECT_EQ(logLines(h.printed()), std::vector<std::string>{"CHANGED: " + std::to_string(index)});
        EXPECT_EQ(uiUpdates(), updates);  // no visibility pass
        EXPECT_EQ(h.sequenceBytes(), before);
        EXPECT_EQ(h.outData().out_flags & kRefreshAndRerender, kRefreshAndRerender);
    }
}

// A host reports a change to the module only for the parameters it supervises.
TEST_F(Changes, TheHostSendsUserChangesOnlyForSupervisedParameters) {
    ASSERT_EQ(add(), PF_Err_NONE);
    struct {
        int index;
        bool supervised;
    } cases[] = {{at(0, 2), true},  {at(0, 3), true},  {at(0, 96), true}, {ParamID::EnvironmentMap, true},
                 {ParamID::RenderPass, true}, {at(0, 1), false}, {at(0, 11), false}, {at(0, 95), false},
                 {ParamID::RayMarchSteps, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE("index " + std::to_string(c.index));
        host::ActionReport report;
        AEGP_StreamVal v = h.project().streams[c.index].value;
        ASSERT_EQ(host::changeParam(h, c.index, v, &report), PF_Err_NONE);
        std::vector<PF_Cmd> expected;
        if (c.supervised) expected.push_back(PF_Cmd_USER_CHANGED_PARAM);
        expected.push_back(PF_Cmd_UPDATE_PARAMS_UI);
        EXPECT_EQ(report.commands, expected);
    }
}

// ---- Failure paths -----------------------------------------------------------------------------------

TEST_F(Changes, HostErrorsAreReturnedAndEverythingIsGivenBack) {
    ASSERT_EQ(add(), PF_Err_NONE);
    struct Case {
        const char* label;
        const char* failing;
        A_Err err;
        PF_Cmd cmd;
        int index;  // the changed parameter for a user change
    } cases[] = {
        {"a name update of a type change", "PF_UpdateParamUI", 7, PF_Cmd_USER_CHANGED_PARAM, at(0, 2)},
        {"the stream of an attach (thrown)", "AEGP_GetNewEffectStreamByIndex", 9, PF_Cmd_USER_CHANGED_PARAM, at(0, 3)},
        {"the layer flags of an attach", "AEGP_GetLayerFlags", 11, PF_Cmd_USER_CHANGED_PARAM, at(0, 3)},
        {"the visibility pass", "PF_UpdateParamUI", 13, PF_Cmd_UPDATE_PARAMS_UI, -1},
        {"the effect reference", "AEGP_GetNewEffectForEffect", 15, PF_Cmd_UPDATE_PARAMS_UI, -1},
    };
    h.project().streams[at(0, 2)].value.one_d.value = 4;  // Torus
    h.project().streams[at(0, 3)].value.layer_id = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        h.failNext(c.failing, c.err);
        PF_UserChangedParamExtra extra{c.index};
        EXPECT_EQ(h.command(c.cmd, c.cmd == PF_Cmd_USER_CHANGED_PARAM ? &extra : nullptr), c.err);
        EXPECT_EQ(h.outData().out_flags & kRefreshAndRerender, 0);  // a failure is not reported as done
        expectBalanced();
        // Whatever undo group the change opened was closed by the module itself.
        for (const host::UndoGroup& g : h.project().undo.groups) EXPECT_TRUE(g.closed) << g.name;
    }
}

TEST_F(Changes, WithoutSequenceDataNothingIsDone) {
    const PF_Handle stored = h.inData().sequence_data;
    h.inData().sequence_data = nullptr;
    for (PF_Cmd cmd : {PF_Cmd_USER_CHANGED_PARAM, PF_Cmd_UPDATE_PARAMS_UI}) {
        PF_UserChangedParamExtra extra{ParamID::AddPrimitive};
        EXPECT_EQ(h.command(cmd, &extra), PF_Err_NONE);
        EXPECT_TRUE(h.panel().uiUpdates.empty());
        EXPECT_EQ(h.project().streamRefs.made, 0);
    }
    h.inData().sequence_data = stored;
    EXPECT_EQ(seq().numPrimitives, 0.0f);
}

// A record a stored project left broken never makes a handler throw or reach past slot 10.
TEST_F(Changes, ABrokenRecordIsRepairedBeforeThePanelReadsIt) {
    struct {
        const char* label;
        int32_t type;
        float count;
        float repairedCount;
    } cases[] = {
        {"unknown type", 99, 1, 1},
        {"negative type", -3, 1, 1},
        {"count beyond the slots", 1, 1e9f, 11},
        {"count not a number", 1, std::nanf(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        seq().primitives[0] = PrimitiveSlot{c.type, 0};
        seq().numPrimitives = c.count;
        EXPECT_EQ(h.command(PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
        EXPECT_EQ(seq().numPrimitives, c.repairedCount);
        EXPECT_GE(seq().primitives[0].type, 0);
        EXPECT_LE(seq().primitives[0].type, 14);
        PF_UserChangedParamExtra extra{ParamID::AddPrimitive};
        EXPECT_EQ(h.command(PF_Cmd_USER_CHANGED_PARAM, &extra), PF_Err_NONE);
        EXPECT_LE(seq().numPrimitives, 11.0f);
        expectBalanced();
    }
}

}  // namespace
