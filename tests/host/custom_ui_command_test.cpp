// The custom drawing from the command line and from scene files: `panel` and `comp-hint` write the
// pictures a person looks at (sizes from the host's layout, colours the effect draws), their arguments
// are checked, and strip clicks in scene actions are named, checked and replayed.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/ImageFiles.h"
#include "host/PanelCommand.h"
#include "host/PanelImage.h"
#include "host/SceneFile.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string err;
};

class CustomUICommand : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mrph-ui-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The built host with the arguments; standard output is dropped, standard error kept.
    Outcome host(const std::string& args) {
        const fs::path err = dir_ / "stderr.txt";
        const std::string command =
            std::string(MRPH_TEST_HOST_PATH) + " " + args + " > /dev/null 2> " + err.string();
        const int status = std::system(command.c_str());
        std::ifstream in(err);
        return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                       std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

const std::string kExample = std::string(MRPH_SOURCE_DIR) + "/examples/panel.json";

struct Picture {
    A_long width = 0, height = 0;
    std::vector<float> rgba;
    const float* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Picture readPicture(const std::string& file) {
    Picture p;
    std::string error;
    EXPECT_TRUE(host::readImageRGBA(file, &p.width, &p.height, &p.rgba, &error)) << error;
    return p;
}

// The example's panel: the About header (its 70-pixel picture and 20 more), then four slots of a title
// row (20) and a strip (24), rows 3 apart, 8 of margin above and below: 8 + 93 + 4 x 47 + 8 = 297.
TEST_F(CustomUICommand, PanelDrawsTheStripsAsAPersonSeesThem) {
    const Outcome run = host("panel " + kExample + " -o " + path("panel.png") + " --hover 2:paste");
    ASSERT_EQ(run.status, 0) << run.err;
    const Picture panel = readPicture(path("panel.png"));
    EXPECT_EQ(panel.width, 560);
    EXPECT_EQ(panel.height, 297);
    // Slot 2's strip starts at 8 + 93 + 2 x 47 + 20 = 215; its Paste button, under the mouse, is filled
    // with the paste colour (0.96, 0.66, 0.43); the Copy button beside it is only outlined.
    const float* paste = panel.at(150 + 70 + 4, 215 + 4);
    EXPECT_NEAR(paste[0], 0.96f, 0.02f);
    EXPECT_NEAR(paste[1], 0.66f, 0.02f);
    EXPECT_NEAR(paste[2], 0.43f, 0.02f);
    const float* copyInside = panel.at(150 + 35 + 4, 215 + 4);
    EXPECT_NEAR(copyInside[0], 11051.0f / 65535.0f, 0.02f);  // the panel's background
    EXPECT_NE(run.err.find("wrote "), std::string::npos);
}

// The composition at 100 % on a 40-pixel pasteboard; the hint in the effect's orange near the layer's
// top-left corner, over the frame the effect rendered.
TEST_F(CustomUICommand, CompHintDrawsTheHintOverTheFrame) {
    const Outcome run = host("comp-hint " + kExample + " -o " + path("hint.png"));
    ASSERT_EQ(run.status, 0) << run.err;
    const Picture hint = readPicture(path("hint.png"));
    ASSERT_EQ(hint.width, 720);
    ASSERT_EQ(hint.height, 440);
    int orange = 0;
    for (int y = 40 + 5; y < 40 + 22; ++y)
        for (int x = 40 + 3; x < 40 + 300; ++x) {
            const float* p = hint.at(x, y);
            orange += p[0] > 0.75f && p[1] > 0.45f && p[1] < 0.7f && p[2] < 0.15f;
        }
    EXPECT_GT(orange, 100);
    const float* pasteboard = hint.at(5, 5);
    EXPECT_NEAR(pasteboard[0], 0.13f, 0.01f);
    const float* sphere = hint.at(40 + 320, 40 + 170);  // the sphere slot 1 moved up sits on null 3
    EXPECT_GT(sphere[2], sphere[0]);
}

TEST_F(CustomUICommand, ArgumentsAreChecked) {
    struct Case {
        std::string args;
        int status;
        const char* message;
    } cases[] = {
        {"panel", 2, "morphalith-host panel: -o is required"},
        {"comp-hint", 2, "morphalith-host comp-hint: -o is required"},
        {"panel -o x.png --hover 11:copy", 2, "--hover: wants SLOT:BUTTON"},
        {"panel -o x.png --press 1:jump", 2, "got \"1:jump\""},
        {"panel -o x.png --hover 1", 2, "--hover: wants SLOT:BUTTON"},
        {"panel -o " + path("x.png") + " --press 9:copy", 1, "slot 9 shows no strip: it is not in use"},
    };
    for (const Case& c : cases) {
        const Outcome run = host(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << "\n  gave: " << run.err;
    }
    host::StripPoint point;
    std::string error;
    ASSERT_TRUE(host::parseStripPoint("3:Move Down", &point, &error)) << error;
    EXPECT_EQ(point.slot, 3);
    EXPECT_EQ(point.cell, 4);
    ASSERT_TRUE(host::parseStripPoint("10:5", &point, &error)) << error;
    EXPECT_EQ(point.cell, 5);
}

// ---- Strip clicks in scene files ------------------------------------------------------------------

TEST(StripClicks, BadClicksNameTheKey) {
    struct Case {
        const char* json;
        const char* expected;
    } cases[] = {
        {R"({"effect": {"actions": [{"click": "jump", "slot": 0}]}})",
         "\"effect.actions[0].click\": \"jump\" is not one of duplicate, copy, paste, move up, move down, "
         "delete"},
        {R"({"effect": {"actions": [{"click": "copy"}]}})", "\"effect.actions[0]\": needs \"slot\""},
        {R"({"effect": {"actions": [{"click": "copy", "slot": 11}]}})",
         "\"effect.actions[0].slot\": 11 is outside"},
        {R"({"effect": {"actions": [{"click": 3, "slot": 1}]}})",
         "\"effect.actions[0].click\": expected a string"},
        {R"({"effect": {"actions": [{"click": "copy", "slot": 1, "twice": true}]}})", "unknown key"},
    };
    for (const auto& c : cases) {
        host::Scene scene;
        std::string error;
        EXPECT_FALSE(host::parseScene(c.json, ".", &scene, &error)) << c.json;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.json << "\n  gave: " << error;
    }
}

// A click replays as a person's: the undo step and Info text it caused are listed with the action; a
// click on a slot that shows no strip stops the scene.
TEST(StripClicks, ReplayedAndListed) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    host::Scene scene;
    std::string error;
    ASSERT_TRUE(host::parseScene(R"({"nulls": [{"id": 2}, {"id": 3}],
        "effect": {"slots": [{"type": "Box", "layer": 2}, {"layer": 3}],
                   "actions": [{"click": "Move Up", "slot": 1}, {"click": "delete", "slot": 0}]}})",
                                 ".", &scene, &error))
        << error;
    std::vector<host::AppliedAction> applied;
    ASSERT_TRUE(host::applyScene(h, scene, &error, &applied)) << error;
    const std::string listing = host::actionListing(applied);
    EXPECT_NE(
        listing.find("click move up in slot 1\n  undo group: \"Primitive #1 is shifted up to the place of #0 "
                     "primitive\"\n  info: Primitive #1 is shifted up to the place of #0 primitive\n"),
        std::string::npos)
        << listing;
    EXPECT_NE(
        listing.find(
            "click delete in slot 0\n  undo group: \"Primitive Deleted\"\n  info: Primitive #0 deleted"),
        std::string::npos)
        << listing;
    // What is left: the box, moved to slot 0 and then shifted back up by the delete.
    EXPECT_NE(host::visiblePanel(h).find("Box"), std::string::npos);
    h.command(PF_Cmd_SEQUENCE_SETDOWN);
    h.command(PF_Cmd_GLOBAL_SETDOWN);

    host::Host other(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(other.load()) << other.error();
    ASSERT_TRUE(host::parseScene(R"({"effect": {"slots": [{}], "actions": [{"click": "copy", "slot": 1}]}})",
                                 ".", &scene, &error));
    EXPECT_FALSE(host::applyScene(other, scene, &error));
    EXPECT_EQ(error, "\"effect.actions[0]\": slot 1 shows no strip: it is not in use");
    other.command(PF_Cmd_SEQUENCE_SETDOWN);
    other.command(PF_Cmd_GLOBAL_SETDOWN);
}

}  // namespace
