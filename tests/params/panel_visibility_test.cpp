// The effect controls as the visibility pass shapes them, driven through the host as a person drives
// the panel: per primitive type the size parameters shown, their names, values and limits; the Add
// button's count and limit; greyed-out detached slots and switched-off modifiers; re-attachment of a
// slot whose null layer is gone. Expected values come from the per-type tables of the panel's design.
#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/PanelHost.h"

namespace {

using P = PrimitiveParamType;

// A size slider as a type shows it: value, valid range and decimals.
struct Slider {
    int offset;
    double value, minimum, maximum;
    int precision;
};

struct TypeCase {
    const char* label;
    PrimitiveType type;
    const char* groupName;      // offset 0
    const char* names[9];       // offsets 4 .. 12 (8 is the "Size" group end, nameless)
    const char* shown;          // offsets 4 .. 12: 'x' shown, '.' hidden
    std::vector<Slider> sliders;  // the shown float sliders
};

// Offsets a type does not name keep the declared names; hidden slots are named as well.
const TypeCase kTypeCases[] = {
    {"Sphere", PrimitiveType::Sphere, "Sphere",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Diameter", "Second Diameter"}, ".......x.",
     {{11, 100, 0, 2000, 2}}},
    {"Hemisphere", PrimitiveType::Hemisphere, "Hemisphere",
     {"Size", "X Size", "Y Size", "Z Size", "", "Fill Percent", "Height", "Diameter", "Fillet"}, ".....x.xx",
     {{9, 50, 0, 100, 2}, {11, 100, 0, 2000, 2}, {12, 0, 0, 2000, 2}}},
    {"Box", PrimitiveType::Box, "Box",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Fillet", "Second Diameter"}, "xxxxx..x.",
     {{5, 100, 0, 2000, 2}, {6, 100, 0, 2000, 2}, {7, 100, 0, 2000, 2}, {11, 0, 0, 2000, 2}}},
    {"Torus", PrimitiveType::Torus, "Torus",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Major Diameter", "Minor Diameter"},
     ".......xx", {{11, 100, 0, 2000, 2}, {12, 50, 0, 2000, 2}}},
    {"Capsule", PrimitiveType::Capsule, "Capsule",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Diameter", "Second Diameter"}, "......xx.",
     {{10, 200, 0, 2000, 2}, {11, 50, 0, 2000, 2}}},
    // Cylinder names only its fillet: height and diameter keep what Add gave them.
    {"Cylinder", PrimitiveType::Cylinder, "Cylinder",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Diameter", "Fillet"}, "......xxx",
     {{10, 200, 0, 2000, 2}, {11, 100, 0, 2000, 2}, {12, 0, 0, 2000, 2}}},
    {"PieCylinder", PrimitiveType::PieCylinder, "Pie Cylinder",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Diameter", "Fillet"}, ".....xxxx",
     {{9, 80, 0, 100, 2}, {10, 300, 0, 2000, 2}, {11, 100, 0, 2000, 2}, {12, 0, 0, 2000, 2}}},
    {"Cone", PrimitiveType::Cone, "Cone",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Top Diameter", "Bottom Diameter"},
     "......xxx", {{10, 200, 0, 2000, 2}, {11, 0, 0, 2000, 2}, {12, 100, 0, 2000, 2}}},
    {"RoundCone", PrimitiveType::RoundCone, "Round Cone",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Top Diameter", "Bottom Diameter"},
     "......xxx", {{10, 100, 0, 2000, 2}, {11, 0, 0, 2000, 2}, {12, 100, 0, 2000, 2}}},
    {"Pyramid", PrimitiveType::Pyramid, "Pyramid",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Size", "Diameter", "Second Diameter"}, "......x..",
     {{10, 200, 0, 2000, 2}}},
    // No entries of its own: Sphere's numbers and names.
    {"Octahedron", PrimitiveType::Octahedron, "Octahedron",
     {"Size", "X Size", "Y Size", "Z Size", "", "Percent", "Height", "Diameter", "Second Diameter"}, ".......x.",
     {{11, 100, 0, 2000, 2}}},
    {"Polyhedron", PrimitiveType::Polyhedron, "Polyhedron",
     {"UVW", "U", "V", "W", "", "Spherization", "Type", "Size", "Second Diameter"}, "xxxxxxxx.",
     {{5, 0, 0, 100, 2}, {6, 100, 0, 100, 2}, {7, 0, 0, 100, 2}, {9, 0, 0, 100, 2}, {10, 4, 3, 5, 0},
      {11, 100, 0, 2000, 2}}},
    {"Polygon", PrimitiveType::Hex, "Polygon",
     {"Size", "X Size", "Y Size", "Z Size", "", "Sides", "Height", "Diameter", "Fillet"}, ".....xxxx",
     {{9, 3, 3, 16, 0}, {10, 100, 0, 2000, 2}, {11, 50, 0, 2000, 2}, {12, 0, 0, 50, 2}}},
    {"Cursor", PrimitiveType::Cursor, "Cursor",
     {"Parameters", "Root Width", "Root Height", "Triangle Width", "", "Percent", "Height", "Size", "Fillet"},
     "xxxxx.xxx",
     {{5, 30, 0, 100, 2}, {6, 60, 0, 100, 2}, {7, 80, 0.01f, 200, 2}, {10, 10, 0, 2000, 2}, {11, 50, 0, 2000, 2},
      {12, 0, 0, 50, 2}}},
};

class EachType : public PanelHost, public ::testing::WithParamInterface<TypeCase> {};

// Slot 1 of two, as a person makes it: Add twice, pick the type, attach a 3D null.
TEST_P(EachType, ShowsNamesAndLimitsItsSizeParameters) {
    const TypeCase& c = GetParam();
    ASSERT_EQ(add(), PF_Err_NONE);
    ASSERT_EQ(add(), PF_Err_NONE);
    if (c.type != PrimitiveType::Sphere) {
        ASSERT_EQ(setType(1, c.type), PF_Err_NONE);
    }
    ASSERT_EQ(attach(1, 3), PF_Err_NONE);

    EXPECT_EQ(name(at(1, 0)), c.groupName);
    EXPECT_FALSE(hidden(at(1, 0)));
    for (int p = 4; p <= 12; ++p) {
        SCOPED_TRACE("offset " + std::to_string(p));
        EXPECT_EQ(name(at(1, p)), c.names[p - 4]);
        EXPECT_EQ(hidden(at(1, p)), c.shown[p - 4] == '.');
        EXPECT_FALSE(disabled(at(1, p)));  // attached: nothing in the size area is greyed out
    }
    for (const Slider& s : c.sliders) {
        SCOPED_TRACE("slider at offset " + std::to_string(s.offset));
        const PF_FloatSliderDef& fs = def(at(1, s.offset)).u.fs_d;
        EXPECT_EQ(value(at(1, s.offset)), static_cast<double>(static_cast<float>(s.value)));
        EXPECT_EQ(fs.dephault, static_cast<float>(s.value));
        EXPECT_EQ(fs.valid_min, static_cast<float>(s.minimum));
        EXPECT_EQ(fs.slider_min, static_cast<float>(s.minimum));
        EXPECT_EQ(fs.valid_max, static_cast<float>(s.maximum));
        EXPECT_EQ(fs.slider_max, static_cast<float>(s.maximum));
        EXPECT_EQ(fs.precision, s.precision);
    }
    // The controls around the size area: the slot's own switches are live, modifiers are off.
    for (int p : {1, 2, 3, 15, 43, 95, 96}) EXPECT_FALSE(disabled(at(1, p))) << "offset " << p;
    EXPECT_TRUE(disabled(at(1, 44)));
    EXPECT_EQ(seq().primitives[1].type, static_cast<int32_t>(c.type));
    EXPECT_EQ(seq().primitives[1].layerId, 3);
}

INSTANTIATE_TEST_SUITE_P(Panel, EachType, ::testing::ValuesIn(kTypeCases),
                         [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.label); });

class Visibility : public PanelHost {
protected:
    // Sets the live record as a stored project could leave it, then asks the panel to follow.
    PF_Err showCount(float count) {
        for (int s = 0; s < kNumPrimitiveSlots; ++s)
            seq().primitives[s] = PrimitiveSlot{s < count ? 1 : 0, 0};
        seq().numPrimitives = count;
        return h.command(PF_Cmd_UPDATE_PARAMS_UI);
    }
};

TEST_F(Visibility, AddButtonCountsToTenAndThenRefuses) {
    struct {
        float count;
        const char* name;
        bool disabled;
    } cases[] = {
        {0, "Add new primitive (0/10)", false},
        {9, "Add new primitive (9/10)", false},
        {10, "Add new primitive (10/10)", true},
        {11, "Add new primitive (11/10)", true},  // a stored project may hold eleven
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(showCount(c.count), PF_Err_NONE);
        EXPECT_EQ(name(ParamID::AddPrimitive), c.name);
        EXPECT_EQ(disabled(ParamID::AddPrimitive), c.disabled);
        for (int s = 0; s < kNumPrimitiveSlots; ++s) {
            EXPECT_EQ(hidden(at(s, 0)), s >= c.count) << "slot " << s;
            EXPECT_EQ(name(at(s, 0)), s < c.count ? "Sphere" : "None") << "slot " << s;
        }

        // A click on it anyway (a host could send one) leaves slot 10, the spare, untouched.
        const double spareDiameter = value(at(10, 11));
        ASSERT_EQ(add(), PF_Err_NONE);
        EXPECT_EQ(seq().numPrimitives, c.count < 10 ? c.count + 1 : c.count);
        EXPECT_EQ(value(at(10, 11)), spareDiameter);
        EXPECT_EQ(seq().primitives[10].type, c.count > 10 ? 1 : 0);
    }
}

TEST_F(Visibility, SwitchedOffModifiersAreGreyedOutAndComeBackWhenSwitchedOn) {
    ASSERT_EQ(add(), PF_Err_NONE);
    ASSERT_EQ(attach(0, 2), PF_Err_NONE);
    struct Modifier {
        int enabled;
        std::vector<int> settings;  // greyed out with it, group starts excepted
        std::vector<int> groupStarts;
    } modifiers[] = {
        {43, {44, 46, 47, 48, 49, 50}, {45}},
        {52, {53, 55, 56, 57, 58, 59}, {54}},
        {61, {63, 64, 65, 67, 68, 69, 70, 71, 73, 74, 75, 77, 78, 79, 80, 81, 82}, {62, 66, 72, 76}},
        {84, {85, 86, 87, 89, 90, 91, 92, 93}, {88}},
    };
    for (const Modifier& m : modifiers) {
        SCOPED_TRACE("switch at offset " + std::to_string(m.enabled));
        for (int p : m.settings) EXPECT_TRUE(disabled(at(0, p))) << p;
        for (int p : m.groupStarts) EXPECT_FALSE(disabled(at(0, p))) << p;

        // A checkbox is not supervised: the host only refreshes the panel.
        host::ActionReport report;
        ASSERT_EQ(setValue(at(0, m.enabled), 1, &report), PF_Err_NONE);
        EXPECT_EQ(report.commands, std::vector<PF_Cmd>{PF_Cmd_UPDATE_PARAMS_UI});
        for (int p : m.settings) EXPECT_FALSE(disabled(at(0, p))) << p;
    }
}

TEST_F(Visibility, DetachedSlotGreysOutAllButItsOwnSwitches) {
    ASSERT_EQ(add(), PF_Err_NONE);
    for (int p = 0; p < kParamsPerSlot; ++p) {
        // Group starts keep their declared state: only "Opacity Options" (35) is declared greyed out.
        const bool groupStart = def(at(0, p)).param_type == PF_Param_GROUP_START;
        const bool expected = groupStart ? p == 35 : p >= 4 && p <= 96;
        EXPECT_EQ(disabled(at(0, p)), expected) << "offset " << p;
    }
}

// A slot whose null layer is no longer in the composition takes what its "Null Layer" parameter
// names now, with no 3D rule: the parameter went through the attach step when it was chosen.
TEST_F(Visibility, ReattachesASlotWhoseLayerIsGone) {
    struct {
        const char* label;
        A_long parameterNow;  // what "Null Layer" names once layer 2 is gone
        std::vector<std::string> lines;
        A_long layerId;
    } cases[] = {
        {"parameter cleared", 0, {"LAYER_ID CHANGED from 2 to 0"}, 0},
        // The composition is [Solid 1, Null 3, Null 4, Flat] once layer 2 is gone: Null 3 is index 1.
        {"parameter names another null", 3, {"LAYER_ID CHANGED from 2 to 3", "Layer index: 1"}, 3},
        {"parameter names a 2D layer", 5, {"LAYER_ID CHANGED from 2 to 5", "Layer index: 3"}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        host::Host& host = h;
        if (!host.project().findLayer(2)) host.project().addLayer(2, "Null 2", AEGP_ObjectType_AV, kNullFlags);
        // Keep the composition in id order so that the indices above hold.
        std::sort(host.project().comp.layers.begin(), host.project().comp.layers.end(),
                  [](const host::Layer& a, const host::Layer& b) { return a.id < b.id; });
        if (seq().numPrimitives < 1) {
            ASSERT_EQ(add(), PF_Err_NONE);
        }
        ASSERT_EQ(attach(0, 2), PF_Err_NONE);
        ASSERT_EQ(seq().primitives[0].layerId, 2);

        host::ActionReport report;
        if (c.parameterNow == 0) {
            ASSERT_EQ(host::deleteLayer(h, 2, &report), PF_Err_NONE);  // the host clears the parameter
        } else {
            host.project().streams[at(0, 3)].value.layer_id = c.parameterNow;
            host.project().deleteLayer(2);
            ASSERT_EQ(h.command(PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
            report.printed = h.printed();
        }
        std::vector<std::string> lines;
        std::stringstream printed(report.printed);
        for (std::string line; std::getline(printed, line);)
            if (line.find("LAYER_ID") != std::string::npos || line.find("Layer index") != std::string::npos)
                lines.push_back(line.substr(line.find(" : ") + 3));
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(seq().primitives[0].layerId, c.layerId);
        EXPECT_EQ(disabled(at(0, 11)), c.layerId == 0);
    }
}

class ShapedPanel : public Visibility {
protected:
    // Three slots: a Polyhedron with Twist on, an Octahedron left detached, a Cursor.
    void SetUp() override {
        Visibility::SetUp();
        ASSERT_EQ(add(), PF_Err_NONE);
        ASSERT_EQ(add(), PF_Err_NONE);
        ASSERT_EQ(add(), PF_Err_NONE);
        ASSERT_EQ(setType(0, PrimitiveType::Polyhedron), PF_Err_NONE);
        ASSERT_EQ(setType(1, PrimitiveType::Octahedron), PF_Err_NONE);
        ASSERT_EQ(setType(2, PrimitiveType::Cursor), PF_Err_NONE);
        ASSERT_EQ(attach(0, 2), PF_Err_NONE);
        ASSERT_EQ(attach(2, 4), PF_Err_NONE);
        ASSERT_EQ(setValue(at(0, 52), 1), PF_Err_NONE);
    }

    // Everything a person sees of the panel, and the record behind it.
    std::string snapshot() {
        std::string state;
        for (int i = 1; i < ParamID::NumParams; ++i) {
            const PF_ParamDef& d = def(i);
            state += std::to_string(i) + d.name + "|" + std::to_string(d.ui_flags) + "|" + std::to_string(d.flags) +
                     "|" + std::to_string(h.project().streams[i].flags) + "|" + std::to_string(value(i));
            if (d.param_type == PF_Param_FLOAT_SLIDER)
                state += "|" + std::to_string(d.u.fs_d.valid_min) + "|" + std::to_string(d.u.fs_d.valid_max) + "|" +
                         std::to_string(d.u.fs_d.precision);
            state += "\n";
        }
        const std::vector<unsigned char> bytes = h.sequenceBytes();
        return state + std::string(bytes.begin(), bytes.end());
    }
};

// The pass is stateless: run again over the same record, values and layers, it changes nothing.
TEST_F(ShapedPanel, ASecondPassChangesNothing) {
    const std::string first = snapshot();
    const size_t updatesBefore = h.panel().uiUpdates.size();
    ASSERT_EQ(h.command(PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
    EXPECT_EQ(snapshot(), first);
    // Names are sent again, greyed-out states only when they change, so none this time: the Add
    // button (1), each slot's group (11), and the size names of Polyhedron (7) and Cursor (7).
    EXPECT_EQ(h.panel().uiUpdates.size() - updatesBefore, 26u);
    // Hiding is no step of its own in the undo history.
    EXPECT_EQ(h.project().undoableFlagChanges, 0);
}

// A project keeps the streams (values and hidden flags) and the sequence data, not names, greyed-out
// state or limits: reopened with a freshly declared panel, one pass brings all of them back.
TEST_F(ShapedPanel, AReopenedProjectShowsTheSamePanel) {
    const std::string before = snapshot();
    host::SavedProject saved;
    ASSERT_EQ(h.saveProject(&saved), PF_Err_NONE);
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);  // the panel as declared, nothing shaped
    ASSERT_EQ(h.reopenProject(saved), PF_Err_NONE);
    EXPECT_EQ(name(at(0, 5)), "X Size");
    // Hidden flags are stored with the project.
    EXPECT_FALSE(hidden(at(0, 5)));
    EXPECT_TRUE(hidden(at(0, 12)));
    EXPECT_TRUE(hidden(at(4, 0)));
    ASSERT_EQ(h.command(PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
