// The effect panel as the module declares it, against the golden table in tests/data/param_panel.tsv
// (written from the panel's design tables: every index, name, type, default, range, precision, flag
// word and group), and the declaration's failure handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ParamLayout.h"
#include "host/Host.h"

namespace {

struct GoldenRow {
    int index = 0;
    std::string name;
    int type = 0;
    std::string dflt, minimum, maximum, precision, extra;
    int flags = 0, uiFlags = 0, uiWidth = 0, uiHeight = 0, group = -1;
};

std::vector<std::string> split(const std::string& line, char sep) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, sep)) fields.push_back(field);
    if (!line.empty() && line.back() == sep) fields.push_back("");
    return fields;
}

std::vector<GoldenRow> readGolden() {
    std::ifstream file(std::string(MRPH_TEST_DATA_DIR) + "/param_panel.tsv");
    EXPECT_TRUE(file.good());
    std::vector<GoldenRow> rows;
    std::string line;
    bool header = true;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> f = split(line, '\t');
        EXPECT_EQ(f.size(), 13u) << line;
        if (f.size() != 13) continue;
        GoldenRow r;
        r.index = std::stoi(f[0]);
        r.name = f[1];
        r.type = std::stoi(f[2]);
        r.dflt = f[3];
        r.minimum = f[4];
        r.maximum = f[5];
        r.precision = f[6];
        r.flags = std::stoi(f[7], nullptr, 16);
        r.uiFlags = std::stoi(f[8], nullptr, 16);
        r.uiWidth = std::stoi(f[9]);
        r.uiHeight = std::stoi(f[10]);
        r.extra = f[11];
        r.group = std::stoi(f[12]);
        rows.push_back(r);
    }
    return rows;
}

// One declaration of the panel, with the module's own global data (the About image sizes the header).
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.load()) << h.error();
        ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
    }
    void TearDown() override {
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(h.handles().live(), 0u);
        EXPECT_EQ(h.handles().openLocks(), 0);
        EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
    }
    host::Host h{MRPH_TEST_MODULE_PATH};
};

void expectRow(const host::DeclaredParam& p, const GoldenRow& g) {
    const PF_ParamDef& d = p.def;
    SCOPED_TRACE("index " + std::to_string(g.index) + " \"" + g.name + "\"");
    EXPECT_EQ(d.uu.id, g.index);
    EXPECT_EQ(d.param_type, g.type);
    EXPECT_EQ(std::string(d.name), g.name);
    EXPECT_EQ(d.flags, g.flags);
    EXPECT_EQ(d.ui_flags, g.uiFlags);
    EXPECT_EQ(d.ui_width, g.uiWidth);
    EXPECT_EQ(d.ui_height, g.uiHeight);
    EXPECT_EQ(p.parentGroup, g.group);
    switch (d.param_type) {
        case PF_Param_FLOAT_SLIDER:
            EXPECT_EQ(d.u.fs_d.dephault, std::stof(g.dflt));
            EXPECT_EQ(d.u.fs_d.value, static_cast<double>(std::stof(g.dflt)));
            EXPECT_EQ(d.u.fs_d.valid_min, std::stof(g.minimum));
            EXPECT_EQ(d.u.fs_d.slider_min, std::stof(g.minimum));
            EXPECT_EQ(d.u.fs_d.valid_max, std::stof(g.maximum));
            EXPECT_EQ(d.u.fs_d.slider_max, std::stof(g.maximum));
            EXPECT_EQ(d.u.fs_d.precision, std::stoi(g.precision));
            EXPECT_EQ(d.u.fs_d.curve_tolerance, 0.05f);
            EXPECT_EQ(d.u.fs_d.display_flags, 0);
            EXPECT_EQ(d.u.fs_d.fs_flags, 0u);
            break;
        case PF_Param_CHECKBOX:
            EXPECT_EQ(d.u.bd.value, std::stoi(g.dflt));
            EXPECT_EQ(d.u.bd.dephault, std::stoi(g.dflt));
            EXPECT_EQ(p.checkboxText, "");
            break;
        case PF_Param_POPUP:
            EXPECT_EQ(d.u.pd.value, std::stoi(g.dflt));
            EXPECT_EQ(d.u.pd.dephault, std::stoi(g.dflt));
            EXPECT_EQ(d.u.pd.num_choices, std::stoi(g.minimum));
            EXPECT_EQ(p.choices, g.extra);
            break;
        case PF_Param_COLOR: {
            std::vector<std::string> c = split(g.dflt, ',');
            ASSERT_EQ(c.size(), 4u);
            for (const PF_Pixel& px : {d.u.cd.value, d.u.cd.dephault}) {
                EXPECT_EQ(px.red, std::stoi(c[0]));
                EXPECT_EQ(px.green, std::stoi(c[1]));
                EXPECT_EQ(px.blue, std::stoi(c[2]));
                EXPECT_EQ(px.alpha, std::stoi(c[3]));
            }
            break;
        }
        case PF_Param_ANGLE:
            EXPECT_EQ(d.u.ad.value, std::stoi(g.dflt));
            EXPECT_EQ(d.u.ad.dephault, std::stoi(g.dflt));
            EXPECT_EQ(d.u.ad.valid_min, 0);
            EXPECT_EQ(d.u.ad.valid_max, 0);
            break;
        case PF_Param_LAYER: EXPECT_EQ(d.u.ld.dephault, std::stoi(g.dflt)); break;
        case PF_Param_BUTTON: EXPECT_EQ(p.buttonText, g.extra); break;
        case PF_Param_ARBITRARY_DATA:
            EXPECT_EQ(d.u.arb_d.id, static_cast<A_short>(g.index));
            EXPECT_EQ(d.u.arb_d.dephault, nullptr);
            EXPECT_EQ(d.u.arb_d.value, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(d.u.arb_d.refconPV), 0xDEADBEEFDEADBEEFull);
            break;
        case PF_Param_GROUP_END: {
            // Only its type and id: the rest of the definition is zero.
            PF_ParamDef zero;
            std::memset(&zero, 0, sizeof(zero));
            zero.uu.id = d.uu.id;
            zero.param_type = d.param_type;
            EXPECT_EQ(std::memcmp(&zero, &d, sizeof(d)), 0);
            break;
        }
        default: break;
    }
}

TEST_F(PanelTest, EveryDefinitionMatchesTheGoldenTable) {
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE) << h.returnMessage();
    std::vector<GoldenRow> golden = readGolden();
    ASSERT_EQ(golden.size(), 1130u);
    const host::Panel& panel = h.panel();
    ASSERT_EQ(panel.size(), 1131u);  // with the host's input layer at 0
    EXPECT_EQ(panel.find(0)->def.param_type, PF_Param_LAYER);
    EXPECT_EQ(h.outData().num_params, 1131);
    EXPECT_EQ(panel.openGroups(), 0);
    EXPECT_EQ(panel.unbalancedGroupEnds(), 0);
    for (size_t i = 0; i < golden.size(); ++i) {
        ASSERT_EQ(golden[i].index, static_cast<int>(i) + 1);
        expectRow(*panel.find(golden[i].index), golden[i]);
    }
}

TEST_F(PanelTest, IdsAreDistinctAndEqualTheirIndex) {
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    std::set<A_long> ids;
    for (size_t i = 1; i < h.panel().size(); ++i) {
        EXPECT_EQ(h.panel().find(static_cast<int>(i))->def.uu.id, static_cast<A_long>(i));
        ids.insert(h.panel().find(static_cast<int>(i))->def.uu.id);
    }
    EXPECT_EQ(ids.size(), 1130u);
    EXPECT_EQ(h.panel().find(308)->def.param_type, PF_Param_GROUP_END);  // slot 3's "Size" group end
}

TEST_F(PanelTest, RegistersTheCustomUIOnceAndNamesTheOptionsButton) {
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    ASSERT_EQ(h.panel().customUI.size(), 1u);
    const PF_CustomUIInfo& ui = h.panel().customUI[0];
    EXPECT_EQ(ui.events, PF_CustomEFlag_COMP | PF_CustomEFlag_LAYER | PF_CustomEFlag_EFFECT);
    EXPECT_EQ(ui.comp_ui_width + ui.comp_ui_height + ui.layer_ui_width + ui.layer_ui_height + ui.preview_ui_width, 0);
    EXPECT_EQ(h.panel().optionsButtonName, "Info");
    // Streams follow the declared types and defaults.
    EXPECT_EQ(h.project().streams[ParamID::RayMarchSteps].type, AEGP_StreamType_OneD);
    EXPECT_EQ(h.project().streams[ParamID::RayMarchSteps].value.one_d.value, 255.0);
    EXPECT_EQ(h.project().streams[ParamID::AmbientColorTop].type, AEGP_StreamType_COLOR);
}

TEST_F(PanelTest, AFailedAddStopsAtOnce) {
    h.failNext("add_param", PF_Err_OUT_OF_MEMORY);  // the About header, the first definition
    EXPECT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(h.panel().size(), 1u);  // the input layer only
    EXPECT_TRUE(h.panel().customUI.empty());
    EXPECT_EQ(h.panel().optionsButtonName, "");
}

TEST_F(PanelTest, AFailedRegistrationDeclaresEverythingButLeavesTheButtonUnnamed) {
    h.failNext("register_ui", 7);
    EXPECT_EQ(h.command(PF_Cmd_PARAMS_SETUP), 7);
    EXPECT_EQ(h.panel().size(), 1131u);
    EXPECT_EQ(h.panel().optionsButtonName, "");
    EXPECT_EQ(h.suites().acquired(kPFEffectUISuite, kPFEffectUISuiteVersion1), 0);
}

TEST_F(PanelTest, AMissingEffectUISuiteIsError13) {
    h.suites().refuse(kPFEffectUISuite, kPFEffectUISuiteVersion1);
    EXPECT_EQ(h.command(PF_Cmd_PARAMS_SETUP), A_Err_MISSING_SUITE);
    EXPECT_EQ(h.panel().size(), 1131u);
}

TEST_F(PanelTest, WithoutAnAboutImageTheHeaderIs0By20) {
    // A set-up that failed to load the image leaves none; the header still declares.
    h.command(PF_Cmd_GLOBAL_SETDOWN);
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    EXPECT_EQ(h.panel().find(ParamID::About)->def.ui_width, 0);
    EXPECT_EQ(h.panel().find(ParamID::About)->def.ui_height, 20);
    EXPECT_EQ(h.panel().find(ParamID::Debug)->def.ui_height, 200);
}

TEST_F(PanelTest, TheHostListsThePanelAsATable) {
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    std::string table = h.panel().table();
    EXPECT_NE(table.find("1129    Render Mode"), std::string::npos) << table.substr(0, 400);
    EXPECT_NE(table.find("1 (Beauty)"), std::string::npos);
    EXPECT_NE(table.find("0.01 .. 100 (2 dec)"), std::string::npos);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1132);
}

TEST(PopupString, JoinsTheNamesWithBars) {
    std::string primitives = getPopupString(PrimitiveType_String, true);
    EXPECT_EQ(primitives.rfind("Sphere|", 0), 0u);
    EXPECT_EQ(std::count(primitives.begin(), primitives.end(), '|'), 13);
    EXPECT_EQ(primitives.size(), 118u);  // the longest choices string
    std::string all = getPopupString(PrimitiveType_String, false);
    EXPECT_EQ(all.rfind("None|Sphere|", 0), 0u);
    EXPECT_EQ(std::count(all.begin(), all.end(), '|'), 14);
    EXPECT_EQ(getPopupString(OperationType_String, false), "Union|Subtraction|Intersection");
    EXPECT_EQ(getPopupString(RenderPass_String, false), "Beauty|Normal|Depth|Ambient Occlusion");
    const std::vector<std::pair<RenderPass, std::string>> one = {{RenderPass::Beauty, "Only"}};
    EXPECT_EQ(getPopupString(one, true), "");
    EXPECT_EQ(getPopupString(one, false), "Only");
}

}  // namespace
