// Scene files operate the panel as a person does: the short form of slots and an action script give
// the same panel and the same pixels; parameters resolve by shown or declared name, full path or
// offset; bad actions stop with the key and the reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlobalData.h"
#include "SequenceData.h"
#include "host/PanelCommand.h"
#include "host/ParamPaths.h"
#include "host/RenderCommand.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace {

const char* const kStage = R"("composition": {"width": 96, "height": 54, "frameRate": 30, "duration": 1},
  "lights": [{"type": "point", "intensity": 100, "falloffStart": 500, "position": [48, -40, -200]}],
  "nulls": [{"id": 2, "position": [24, 27, 0], "rotation": [30, 40, 0]}, {"id": 3, "position": [48, 27, 0]},
            {"id": 4, "position": [74, 27, 0]}],
  "layers": [{"id": 5, "name": "Flat"}])";

std::string sceneWith(const std::string& effect) { return std::string("{") + kStage + ", \"effect\": " + effect + "}"; }

// What a scene gives: its frame 0, the panel a person sees, and the host's balance after it all.
struct Outcome {
    std::string error;
    host::FloatImage image;
    std::string panel;
    std::vector<host::AppliedAction> actions;
};

Outcome open(const std::string& text, bool render) {
    Outcome o;
    host::Host h(MRPH_TEST_MODULE_PATH);
    EXPECT_TRUE(h.load()) << h.error();
    host::EffectSetdown setdown(h);  // a scene that fails to apply has set the effect up already
    host::Scene scene;
    if (!host::parseScene(text, MRPH_TEST_DATA_DIR, &scene, &o.error)) return o;
    if (!host::applyScene(h, scene, &o.error, &o.actions)) return o;
    o.panel = host::visiblePanel(h);
    // Every action gave back what it took.
    const host::Project& p = h.project();
    EXPECT_EQ(p.effects.live() + p.streamRefs.live() + p.values.live(), 0);
    EXPECT_TRUE(p.undo.balanced());
    EXPECT_EQ(h.handles().openLocks(), 0);
    EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
    if (render) {
        host::RenderJob job(h);
        EXPECT_EQ(job.setupDevice(), PF_Err_NONE) << h.returnMessage();
        EXPECT_EQ(job.renderFrame(0, &o.image), PF_Err_NONE) << h.returnMessage();
    }
    return o;
}

TEST(SceneActions, AnActionScriptRendersLikeTheShortForm) {
    const Outcome shortForm = open(sceneWith(R"({"slots": [
        {"type": "Box", "layer": 2, "params": {"X Size": 30, "Y Size": 30, "Z Size": 30, "Diameter": 2}},
        {"type": "Torus", "layer": 3, "params": {"Diameter": 30, "Second Diameter": 8}},
        {"type": "Cone", "layer": 4, "params": {"Height": 30, "Operation with previous": "Union", "Smoothness": 10}}]})"),
                                   true);
    // The same primitives as clicked: names as the panel shows them after each type change, any case.
    const Outcome script = open(sceneWith(R"({"actions": [
        {"add": "primitive"}, {"add": "primitive"}, {"add": "primitive"},
        {"set": "slot 0/Primitive", "to": "box"}, {"set": "slot 1/Primitive", "to": "TORUS"},
        {"set": "slot 2/Primitive", "to": 8},
        {"attach": 2, "slot": 0}, {"attach": 3, "slot": 1}, {"attach": 4, "slot": 2},
        {"set": "slot 0/Size/X Size", "to": 30}, {"set": "slot 0/Y Size", "to": 30}, {"set": "slot 0/7", "to": 30},
        {"set": "slot 0/Fillet", "to": 2},
        {"set": "slot 1/Major Diameter", "to": 30}, {"set": "slot 1/Minor Diameter", "to": 8},
        {"set": "slot 2/Height", "to": 30}, {"set": "slot 2/Smoothness", "to": 10}]})"),
                               true);
    ASSERT_EQ(shortForm.error, "");
    ASSERT_EQ(script.error, "");
    ASSERT_EQ(shortForm.image.bgra.size(), script.image.bgra.size());
    EXPECT_TRUE(shortForm.image.bgra == script.image.bgra);
    size_t drawn = 0;
    for (size_t i = 3; i < shortForm.image.bgra.size(); i += 4) drawn += shortForm.image.bgra[i] > 0;
    EXPECT_GT(drawn, 300u);  // three primitives, not an empty frame
    EXPECT_EQ(shortForm.panel, script.panel);
}

// The short form's slot gets what the panel gives: a Box's fillet starts at 0, not at the declared
// "Diameter" of 50; a Cone's bottom diameter at 100.
TEST(SceneActions, SlotsStartWithThePanelsNumbers) {
    const Outcome o = open(sceneWith(R"({"slots": [{"type": "Box", "layer": 2}, {"type": "Cone", "layer": 3}]})"), false);
    ASSERT_EQ(o.error, "");
    for (const char* line : {"Fillet                                 0.00", "Bottom Diameter                        100.00",
                             "Top Diameter                           0.00"})
        EXPECT_NE(o.panel.find(line), std::string::npos) << line << "\n" << o.panel;
}

// The lines of the visible panel whose parameter (indented by group) has this index.
std::string panelLine(const std::string& panel, int index) {
    std::stringstream lines(panel);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 5 && std::atoi(line.substr(0, 5).c_str()) == index && line.substr(0, 5) != "index") return line;
    return "";
}

TEST(SceneActions, ThePanelShowsWhatAPersonSees) {
    const Outcome o = open(sceneWith(R"({"slots": [{"type": "torus", "layer": 2}, {"type": "Sphere", "layer": 5}]})"),
                           false);
    ASSERT_EQ(o.error, "");
    struct {
        int index;
        std::vector<std::string> words;  // empty: not shown
        bool disabled;
    } lines[] = {
        {3, {"Torus"}, false},
        {6, {"Null Layer", "Null 2 (layer 2)"}, false},
        {14, {"Major Diameter", "100.00", "0 .. 2000"}, false},
        {15, {"Minor Diameter", "50.00", "0 .. 2000"}, false},
        {8, {}, false},    // X Size: hidden for a torus
        {38, {}, false},   // Opacity Options: declared invisible
        {102, {"Sphere"}, false},
        // Slot 1 was given a 2D layer: the parameter shows the choice, but the slot stays detached
        // and its parameters greyed out.
        {105, {"Null Layer", "Flat (layer 5)"}, false},
        {113, {"Diameter", "100.00", "0 .. 2000"}, true},
        {201, {}, false},  // slot 2 is not in use
        {1092, {"Add new primitive (2/10)", "[Add]"}, false},
        {2, {}, false},     // the Debug header is declared invisible
        {1119, {}, false},  // so is Anti-Aliasing
    };
    for (const auto& l : lines) {
        SCOPED_TRACE("index " + std::to_string(l.index));
        const std::string line = panelLine(o.panel, l.index);
        EXPECT_EQ(line.empty(), l.words.empty()) << line;
        for (const std::string& word : l.words) EXPECT_NE(line.find(word), std::string::npos) << line;
        if (!line.empty()) {
            EXPECT_EQ(line.find("disabled") != std::string::npos, l.disabled) << line;
        }
    }
}

TEST(SceneActions, TheListingGivesEachActionsUndoGroupAndLogLines) {
    const Outcome o = open(sceneWith(R"({"slots": [{"type": "Box", "layer": 2}]})"), false);
    ASSERT_EQ(o.error, "");
    const std::string listing = host::actionListing(o.actions);
    const std::string expected = "action 0 (effect.slots[0]): add primitive\n"
                                 "  undo group: none\n"
                                 "  log: [Morphalith] : CHANGED: 1092\n"
                                 "  log: [Morphalith] : PRIMITIVE ADDED\n"
                                 "action 1 (effect.slots[0].type): set slot 0/Primitive to \"Box\"\n"
                                 "  undo group: none\n"
                                 "  log: [Morphalith] : CHANGED: 5\n"
                                 "  log: [Morphalith] : TYPE CHANGED\n"
                                 "action 2 (effect.slots[0].layer): attach slot 0 to layer 2\n"
                                 "  undo group: \"Null Changed\"\n"
                                 "  log: [Morphalith] : CHANGED: 6\n"
                                 "  log: [Morphalith] : NULL CHANGED\n";
    EXPECT_EQ(listing, expected);
}

TEST(SceneActions, BadActionsNameTheKeyAndTheReason) {
    std::string eleven = R"({"actions": [)";
    for (int i = 0; i < 11; ++i) eleven += std::string(i ? ", " : "") + R"({"add": "primitive"})";
    eleven += "]}";
    std::string elevenSlots = R"({"slots": [)";
    for (int i = 0; i < 11; ++i) elevenSlots += std::string(i ? ", " : "") + R"({"type": "Sphere"})";
    elevenSlots += "]}";
    struct {
        std::string effect;
        const char* expected;
    } cases[] = {
        {elevenSlots, "\"effect.slots\": 11 slots, but the panel adds at most 10 primitives"},
        {eleven, "\"effect.actions[10]\": \"Add new primitive (10/10)\" is disabled: the panel adds at most 10 primitives"},
        {R"({"actions": [{"add": "primitive"}, {"set": "slot 1/Primitive", "to": "Box"}]})",
         "\"effect.actions[1]\": slot 1 is not in use: add a primitive first"},
        {R"({"actions": [{"set": "slot 12/Primitive", "to": "Box"}]})", "N in 0 .. 10"},
        {R"({"actions": [{"remove": 1}]})", "\"effect.actions[0]\": expected {\"add\": \"primitive\"}"},
        {R"({"actions": [{"add": "sphere"}]})", "\"effect.actions[0].add\": \"sphere\" is not \"primitive\""},
        {R"({"actions": [{"attach": 3}]})", "\"effect.actions[0]\": needs \"slot\""},
        {R"({"actions": [{"add": "primitive"}, {"attach": 77, "slot": 0}]})",
         "\"effect.actions[1]\": 77 is not the id of a layer of the composition"},
        {R"({"actions": [{"add": "primitive"}, {"set": "slot 0/Primitive", "to": "Blob"}]})",
         "Primitive takes one of Sphere, Hemisphere, Box, Torus, Capsule, Cylinder, Pie Cylinder, Cone, Round Cone, "
         "Pyramid, Octahedron, Polyhedron, Polygon, Cursor (in any case)"},
        {R"({"slots": [{"type": "Blob"}]})",
         "\"effect.slots[0].type\": \"Blob\" is not a primitive type (one of Sphere, Hemisphere, Box, Torus, Capsule, "
         "Cylinder, Pie Cylinder, Cone, Round Cone, Pyramid, Octahedron, Polyhedron, Polygon, Cursor, in any case"},
        {R"({"slots": [{"type": "None"}]})", "\"effect.slots[0].type\": \"None\" is not a primitive type"},
        {R"({"actions": [{"add": "primitive"}, {"set": "slot 0/Strength", "to": 3}]})",
         "unknown parameter \"effect.actions[1]\" (\"slot 0/Strength\"): the name is ambiguous"},
    };
    for (const auto& c : cases) {
        const Outcome o = open(sceneWith(c.effect), false);
        EXPECT_NE(o.error.find(c.expected), std::string::npos) << c.effect << "\n  gave: " << o.error;
    }
}

// Names as the panel shows them or as it declared them, full paths, path ends and offsets; an
// ambiguous name lists the distinct full paths, and each of them resolves.
class ParamNames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.load()) << h.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(sceneWith(R"({"slots": [{"type": "Polyhedron", "layer": 2}]})"), ".", &scene,
                                     &error))
            << error;
        ASSERT_TRUE(host::applyScene(h, scene, &error)) << error;
    }
    void TearDown() override {
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
    }
    host::ParamScope slot0() {
        host::ParamScope scope;
        scope.first = scope.root = scope.indexBase = 3;
        scope.last = 3 + 99;
        scope.prefix = "slot 0/";
        return scope;
    }
    host::ParamScope effect() {
        host::ParamScope scope;
        scope.first = 1092;
        scope.last = 1131;
        return scope;
    }
    host::Host h{MRPH_TEST_MODULE_PATH};
};

TEST_F(ParamNames, ResolveByShownOrDeclaredNameFullPathOrOffset) {
    struct {
        const char* key;
        int offset;
    } cases[] = {
        {"U", 5},                                   // shown (Polyhedron renames the size)
        {"X Size", 5},                              // declared
        {"UVW/U", 5},                               // path with the shown group name
        {"Size/X Size", 5},                         // ... and with the declared one
        {"Type", 10},                               // shown; "Height" is its declared name
        {"Height", 10},
        {"Size", 11},                               // shown name of 11; the "Size" group holds no value
        {"Twist/Rotation/Rotation X", 55},          // the end of a full path
        {"Modifiers/Twist/Rotation/Rotation X", 55},  // a full path
        {"Enabled", 1},                             // the slot's own switch is the full path "Enabled"
        {"Twist/Enabled", 52},
        {"Glossiness Options/Fresnel Edge Bias", 25},
        {"11", 11},                                 // an offset
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(host::resolveParamPath(h.panel(), c.key, slot0(), &why), 3 + c.offset) << c.key << ": " << why;
    }
}

TEST_F(ParamNames, AnAmbiguousNameListsDistinctFullPathsThatEachResolve) {
    struct {
        const char* key;
        bool inSlot;
        size_t paths;
    } cases[] = {{"Rotation X", true, 5}, {"Fresnel Edge Bias", true, 3}, {"Strength", true, 2},
                 {"Rotation", true, 0},  // groups hold no value: not ambiguous, unknown
                 {"Enabled", false, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const host::ParamScope scope = c.inSlot ? slot0() : effect();
        std::string why;
        ASSERT_EQ(host::resolveParamPath(h.panel(), c.key, scope, &why), -1);
        std::vector<std::string> listed;
        for (size_t q = why.find('"'); q != std::string::npos; q = why.find('"', why.find('"', q + 1) + 1))
            listed.push_back(why.substr(q + 1, why.find('"', q + 1) - q - 1));
        EXPECT_EQ(listed.size(), c.paths) << why;
        std::vector<int> indices;
        for (const std::string& path : listed) {
            ASSERT_EQ(path.rfind(scope.prefix, 0), 0u) << path;
            std::string again;
            const int index = host::resolveParamPath(h.panel(), path.substr(scope.prefix.size()), scope, &again);
            EXPECT_GE(index, 0) << path << ": " << again;
            EXPECT_EQ(std::count(indices.begin(), indices.end(), index), 0) << path << " is listed twice";
            indices.push_back(index);
        }
    }
}

// Names in the examples resolve only when their actions run: each example (and each benchmark scene,
// within the value checks too) is applied, not only parsed.
TEST(SceneActions, EveryExampleAndTheDefaultSceneApply) {
    std::vector<std::string> texts = {host::defaultSceneText()};
    for (const char* name : {"examples/primitives", "examples/modifiers", "examples/lights", "examples/reflections",
                             "examples/panel", "bench/scenes/production", "bench/scenes/ten_slots"}) {
        std::ifstream file(std::string(MRPH_SOURCE_DIR) + "/" + name + ".json");
        EXPECT_TRUE(file) << name;
        std::stringstream text;
        text << file.rdbuf();
        texts.push_back(text.str());
    }
    for (const std::string& text : texts) {
        host::Host h(MRPH_TEST_MODULE_PATH);
        ASSERT_TRUE(h.load()) << h.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(text, std::string(MRPH_SOURCE_DIR) + "/examples", &scene, &error)) << error;
        EXPECT_TRUE(host::applyScene(h, scene, &error)) << error << "\n" << text.substr(0, 120);
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
    }
}

TEST(SceneActions, A2DLayerLeavesTheSlotDetachedAndAsksForTheHint) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    host::Scene scene;
    std::string error;
    ASSERT_TRUE(host::parseScene(sceneWith(R"({"slots": [{"type": "Box", "layer": 5}]})"), ".", &scene, &error)) << error;
    ASSERT_TRUE(host::applyScene(h, scene, &error)) << error;
    const auto* seq = static_cast<const SequenceData*>(h.handles().block(h.inData().sequence_data));
    const auto* global = static_cast<const GlobalData*>(h.handles().block(h.inData().global_data));
    EXPECT_EQ(seq->primitives[0].layerId, 0);
    EXPECT_EQ(global->sceneInfo->flags & 1u, 1u);
    h.command(PF_Cmd_SEQUENCE_SETDOWN);
    h.command(PF_Cmd_GLOBAL_SETDOWN);
}

}  // namespace
