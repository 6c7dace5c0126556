// Damaged scene files as a hostile or careless user writes them: each run of the host ends within
// seconds with one line naming the scene file, the key and what is wrong, and exit status 1; none
// aborts, overflows the stack, wraps a number into a valid one or renders.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>

#include "support/HostProcess.h"
#include "support/PipeRescuer.h"

namespace {

using namespace host_process;

std::string nested(const std::string& open, const std::string& close, int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += open;
    for (int i = 0; i < levels; ++i) text += close;
    return text;
}

const std::string kNull = R"("nulls": [{"id": 2}])";

std::string effect(const std::string& body) {
    return "{" + kNull + R"(, "effect": )" + body + "}";
}
std::string slotParams(const std::string& params) {
    return effect(R"({"slots": [{"type": "Sphere", "layer": 2, "params": )" + params + "}]}");
}

class DamagedScene : public CommandLine {};

TEST_F(DamagedScene, EachEndsWithOneLineNamingTheKey) {
    struct Case {
        const char* name;
        std::string scene;
        const char* line;  // after "morphalith-host render: {dir}/NAME.json: "
    } cases[] = {
        // Text: numbers a double cannot hold and nesting, refused before anything is built or walked.
        {"number_too_large", R"({"lights": [{"intensity": 1e400}]})",
         "\"lights[0].intensity\": 1e400 is too large for a number"},
        {"negative_too_large", R"({"nulls": [{"id": 2, "position": [0, -1e999, 0]}]})",
         "\"nulls[0].position[1]\": -1e999 is too large for a number"},
        {"arrays_70000_deep", "{\"composition\": " + nested("[", "]", 70000) + "}",
         "\"composition[0][0][0][0]"},
        {"objects_70000_deep", "{\"effect\": " + nested("{\"a\": ", "}", 70000) + "}",
         "\"effect.a.a.a.a.a.a"},
        {"cut_short", R"({"lights": [{"type": "point")", "not JSON: "},
        // Keys and names quoted from the file, whatever they hold, leave the error on one line (the
        // scene fuzzer's finds: a key with a line break split the error in two).
        {"key_with_line_break", R"({"lights": [{"col\nour": [1, 0, 0]}]})",
         R"(unknown key "lights[0].col\nour" (value [1,0,0]))"},
        {"parameter_with_line_break", effect(R"({"params": {"Ste\r\nps": 1}})"),
         R"(unknown parameter "effect.params.Ste\r\nps" ("Ste\r\nps"): no parameter has that name)"},
        {"key_with_terminal_escape", R"({"\u001b[2J": 1})", R"(unknown key "\u001b[2J" (value 1))"},
        {"empty", "", "not JSON: "},
        // Sliders, as the panel limits them (at the limits the slot's type gives them).
        {"steps", effect(R"({"params": {"Steps": 99999}})"),
         "\"effect.params.Steps\": Steps takes a number in 0 .. 1024, got 99999"},
        {"steps_as_action", effect(R"({"actions": [{"set": "Steps", "to": 1e9}]})"),
         "\"effect.actions[0]\": Steps takes a number in 0 .. 1024, got 1000000000.0"},
        {"negative_threshold", effect(R"({"params": {"Ray Proximity Threshold": -1}})"),
         "\"effect.params.Ray Proximity Threshold\": Ray Proximity Threshold takes a number in 0.01 .. 100, "
         "got -1"},
        {"polygon_sides", effect(R"({"slots": [{"type": "Polygon", "layer": 2, "params": {"Sides": 40}}]})"),
         "\"effect.slots[0].params.Sides\": Sides takes a number in 3 .. 16, got 40"},
        {"angle_past_fixed_point", slotParams(R"({"Twist/Rotation/Rotation X": 1e9})"),
         "Rotation X takes degrees in -32768 .. 32767, got 1000000000.0"},
        // Colours on the wrong scale: the effect's are whole numbers 0..255, lights' and the
        // environment's 0..1.
        {"effect_colour_on_unit_scale", slotParams(R"({"Diffuse Color": [1, 0.5, 0.25]})"),
         "\"effect.slots[0].params.Diffuse Color\": Diffuse Color takes [red, green, blue], whole numbers in "
         "0 .. 255, got [1,0.5,0.25]"},
        {"effect_colour_past_255", effect(R"({"params": {"Ambient Light Color Top": [256, 0, 0]}})"),
         "Ambient Light Color Top takes [red, green, blue], whole numbers in 0 .. 255, got [256,0,0]"},
        {"light_colour_on_byte_scale", R"({"lights": [{"color": [255, 128, 0]}]})",
         "\"lights[0].color\": [255,128,0] is outside 0 .. 1"},
        {"keyframed_light_colour",
         R"({"lights": [{"color": {"keyframes": [[0, [1, 1, 1]], [1, [0, 2, 0]]]}}]})",
         "\"lights[0].color\": [0,2,0] is outside 0 .. 1"},
        {"environment_colour_on_byte_scale", R"({"environment": {"color": [0, 0, 255, 1]}})",
         "\"environment.color\": [0,0,255,1] is outside 0 .. 1"},
        {"environment_colour_not_numbers", R"({"environment": {"color": [0, 0, 1, "opaque"]}})",
         "\"environment.color\": expected four numbers r, g, b, a (0..1), got [0,0,1,\"opaque\"]"},
        {"environment_colour_of_three", R"({"environment": {"color": [0, 0, 1]}})",
         "\"environment.color\": expected four numbers r, g, b, a (0..1), got [0,0,1]"},
        // Whole numbers of 2^32 and more, which once wrapped into valid ones (2^32 + 1 is 1).
        {"render_mode_wraps", effect(R"({"params": {"Render Mode": 4294967297}})"),
         "\"effect.params.Render Mode\": Render Mode takes one of Beauty, Normal, Depth, Ambient Occlusion "
         "(in any "
         "case) or its 1-based number, got 4294967297"},
        {"render_mode_past_uint64",
         effect(R"({"actions": [{"set": "Render Mode", "to": 18446744073709551617}]})"),
         "\"effect.actions[0]\": Render Mode takes one of"},
        {"slot_type_wraps", effect(R"({"slots": [{"type": 4294967299}]})"),
         "\"effect.slots[0].type\": 4294967299 is not a primitive type"},
        {"slot_type_action_wraps",
         effect(R"({"actions": [{"add": "primitive"}, {"set": "slot 0/Primitive", "to": 4294967299}]})"),
         "\"effect.actions[1]\": Primitive takes one of Sphere"},
        {"slot_layer_wraps", effect(R"({"slots": [{"layer": 4294967298}]})"),
         "\"effect.slots[0].layer\": 4294967298 is not the id of a null or a layer"},
        {"null_layer_wraps",
         effect(R"({"actions": [{"add": "primitive"}, {"set": "slot 0/Null Layer", "to": 4294967298}]})"),
         "\"effect.actions[1]\": Null Layer takes a layer id (0 for none), got 4294967298"},
        {"attached_layer_wraps",
         effect(R"({"actions": [{"add": "primitive"}, {"attach": 4294967298, "slot": 0}]})"),
         "\"effect.actions[1].attach\": 4294967298 is outside 0 .. 1000000000"},
        // Indices and slots near and past int's range.
        {"index_past_int", effect(R"({"actions": [{"set": 99999999999, "to": 1}]})"),
         "unknown parameter \"effect.actions[0]\" (99999999999): no parameter with a value has that index"},
        {"index_at_int_max", effect(R"({"actions": [{"set": 2147483647, "to": 1}]})"),
         "unknown parameter \"effect.actions[0]\" (2147483647): no parameter with a value has that index"},
        {"index_key_past_int", effect(R"({"params": {"99999999999": 1}})"),
         "unknown parameter \"effect.params.99999999999\""},
        {"slot_offset_key_at_int_max", slotParams(R"({"2147483647": 1})"),
         "unknown parameter \"effect.slots[0].params.2147483647\""},
        {"slot_near_int_max", effect(R"({"actions": [{"set": "slot 2147483647/Primitive", "to": 1}]})"),
         "a slot parameter is written \"slot N/NAME\" with N in 0 .. 10"},
        {"attach_slot_near_int_max", effect(R"({"actions": [{"attach": 2, "slot": 2147483647}]})"),
         "\"effect.actions[0].slot\": 2147483647 is outside 0 .. 10"},
        // The environment colour's size, held to the limits of an image file.
        {"environment_negative_width", R"({"environment": {"color": [0, 0, 1, 1], "width": -5}})",
         "\"environment.width\": -5 is outside 1 .. 16384"},
        {"environment_huge_height", R"({"environment": {"color": [0, 0, 1, 1], "height": 4294967297}})",
         "\"environment.height\": 4294967297 is outside 1 .. 16384"},
        {"environment_too_many_pixels",
         R"({"environment": {"color": [0, 0, 1, 1], "width": 16384, "height": 16384}})",
         "\"environment\": a 16384x16384 colour is more than the 16384x8192 pixels an image may have"},
    };

    double slowest = 0;
    for (const Case& c : cases) {
        const std::string file = (dir_ / (std::string(c.name) + ".json")).string();
        std::ofstream(file, std::ios::binary) << c.scene;
        const auto start = std::chrono::steady_clock::now();
        const Result run = host({"render", file, "-o", "{dir}/x.png"});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        slowest = std::max(slowest, seconds);

        EXPECT_EQ(run.status, 1) << c.name << "\n" << run.err;
        std::vector<std::string> lines;
        std::istringstream err(run.err);
        for (std::string line; std::getline(err, line);)
            if (line.rfind("[Morphalith]", 0) != 0) lines.push_back(line);
        ASSERT_EQ(lines.size(), 1u) << c.name << "\n" << run.err;
        const std::string prefix = "morphalith-host render: " + file + ": ";
        EXPECT_EQ(lines[0].rfind(prefix, 0), 0u) << c.name << "\n  gave: " << lines[0];
        EXPECT_TRUE(has(lines[0], c.line)) << c.name << "\n  wanted: " << c.line << "\n  gave: " << lines[0];
        EXPECT_LT(seconds, 60.0) << c.name;  // a hang guard with room for a sanitizer build on a busy machine
        EXPECT_EQ(run.out, "") << c.name;
    }
    std::printf("slowest case: %.2f s\n", slowest);
    EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

// The files that are no scene at all: a device read for ever, a named pipe nobody writes to (whose open
// waits for a writer), a folder, a file that is not there.
TEST_F(DamagedScene, OnlyARegularFileIsRead) {
    fs::create_directories(dir_ / "folder.json");
    const std::string pipe = (dir_ / "pipe.json").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(pipe, dir_ / "link-to-pipe.json");
    PipeRescuer rescuer(pipe);
    struct Case {
        std::vector<std::string> args;
        std::string line;
    } cases[] = {
        {{"render", "{dir}/pipe.json", "-o", "{dir}/x.png"},
         "morphalith-host render: cannot read " + pipe + ": it is not a regular file"},
        {{"render", "{dir}/link-to-pipe.json", "-o", "{dir}/x.png"},
         "morphalith-host render: cannot read " + dir_.string() +
             "/link-to-pipe.json: it is not a regular file"},
        {{"params", "--visible", "{dir}/pipe.json"},
         "morphalith-host params: cannot read " + pipe + ": it is not a regular file"},
        {{"render", "/dev/zero", "-o", "{dir}/x.png"},
         "morphalith-host render: cannot read /dev/zero: it is not a regular file"},
        {{"render", "{dir}/folder.json", "-o", "{dir}/x.png"}, "folder.json: it is not a regular file"},
        {{"render", "{dir}/missing.json", "-o", "{dir}/x.png"}, "missing.json: no such file"},
        {{"params", "--visible", "/dev/zero"},
         "morphalith-host params: cannot read /dev/zero: it is not a regular file"},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const Result run = host(c.args);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.status, 1) << joined(c.args) << "\n" << run.err;
        EXPECT_TRUE(has(run.err, c.line))
            << joined(c.args) << "\n  wanted: " << c.line << "\n  gave: " << run.err;
        EXPECT_LT(seconds, 60.0) << joined(c.args);  // a hang guard; the rescuer tells a wait on the pipe
    }
    EXPECT_FALSE(rescuer.rescued()) << "the host waited on the pipe";
}

// The panel's listing applies the same checks, and names the scene the same way.
TEST_F(DamagedScene, ThePanelListingRefusesThemToo) {
    const std::string file = (dir_ / "steps.json").string();
    std::ofstream(file) << effect(R"({"params": {"Steps": 99999}})");
    const Result run = host({"params", "--visible", file});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(has(run.err, "morphalith-host params: " + file +
                                 ": \"effect.params.Steps\": Steps takes a number in 0 .. 1024, got 99999"))
        << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace
