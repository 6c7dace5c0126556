// Bit flags, the version text, text forms for the debug overlay, word wrap, and the AEUtil helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Utilities.h"
#include "support/HostFixture.h"

namespace {

TEST(Utilities, SetBitFlagTouchesOnlyItsBit) {
    int flags = 0x2FF;
    setBitFlag(0x200, false, &flags);
    EXPECT_EQ(flags, 0x0FF);
    setBitFlag(0x20, true, &flags);
    EXPECT_EQ(flags, 0x0FF);
    setBitFlag(0x400, true, &flags);
    EXPECT_EQ(flags, 0x4FF);
    uint32_t scene = 0;
    setBitFlag(1, true, &scene);
    EXPECT_EQ(scene, 1u);
    setBitFlag(1, false, &scene);
    EXPECT_EQ(scene, 0u);
}

TEST(Utilities, VersionString) {
    EXPECT_EQ(getVersionString(true, true), "Morphalith v1.1.2 Release");
    EXPECT_EQ(getVersionString(false, true), "Morphalith v1.1.2");
    EXPECT_EQ(getVersionString(true, false), "1.1.2 Release");
    EXPECT_EQ(getVersionString(false, false), "1.1.2");
}

TEST(Utilities, TextFormsOfGeometry) {
    EXPECT_EQ(to_string(PF_LRect{0, 0, 0, 0}), "[ left: 0, top: 0, right: 0, bottom: 0 ]  ");
    PF_LayerDef world;
    std::memset(&world, 0, sizeof(world));
    world.origin_x = -3;
    world.origin_y = 4;
    world.width = 640;
    world.height = 360;
    world.rowbytes = 10240;
    world.extent_hint = {1, 2, 3, 4};
    EXPECT_EQ(to_string(world),
              "[ x: -3, y: 4, width: 640, height: 360, rowbytes: 10240, extend:[ left: 1, top: 2, right: 3, bottom: 4 ]   ]");
    EXPECT_EQ(to_string(glm::vec3(1.0f, -2.5f, 0.125f)), "[1.00, -2.50, 0.12]");
    EXPECT_EQ(to_string(glm::vec4(0.0f, 1.0f, 2.0f, 3.456f)), "[0.00, 1.00, 2.00, 3.46]");

    const std::string identity = "[ 1.00, 0.00, 0.00, 0.00, \n 0.00, 1.00, 0.00, 0.00, \n 0.00, 0.00, 1.00, 0.00, \n"
                                 " 0.00, 0.00, 0.00, 1.00]";
    EXPECT_EQ(to_string(glm::mat4(1.0f)), identity);
    EXPECT_EQ(to_string(glm::dmat4(1.0)), identity);
    // Columns are written one per line, so a translation shows in the last line.
    glm::mat4 moved(1.0f);
    moved[3] = glm::vec4(10.0f, 20.0f, 30.0f, 1.0f);
    EXPECT_NE(to_string(moved).find("\n 10.00, 20.00, 30.00, 1.00]"), std::string::npos);
}

struct WrapCase {
    const char* label;
    const char* text;
    int width;
    bool doubleNewline;
    const char* expected;
};
void PrintTo(const WrapCase& c, std::ostream* os) { *os << c.label; }

class WrapString : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapString, Wraps) {
    const WrapCase& c = GetParam();
    EXPECT_EQ(wrap_string(c.text, c.width, c.doubleNewline), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Utilities, WrapString,
    ::testing::Values(WrapCase{"ThirdWordWraps", "aaa bbb ccc", 7, false, "aaa bbb \nccc"},
                      WrapCase{"Empty", "", 7, false, ""},
                      WrapCase{"FitsOnOneLine", "aaa bbb", 50, false, "aaa bbb"},
                      WrapCase{"TrailingNewlineSingle", "aaa\n", 7, false, "aaa\n"},
                      WrapCase{"TrailingNewlineDouble", "aaa\n", 7, true, "aaa\n\n"},
                      WrapCase{"LongWordStandsAlone", "a verylongword b", 4, false, "a \nverylongword \nb"},
                      WrapCase{"NegativeWidthNeverWraps", "aaa bbb ccc ddd", -1, false, "aaa bbb ccc ddd"},
                      WrapCase{"NewlineEndsTheLine", "aa\nbb cc", 5, true, "aa\n\nbb cc"},
                      WrapCase{"TrailingBlankKept", "aaa ", 7, false, "aaa "}),
    [](const ::testing::TestParamInfo<WrapCase>& info) { return std::string(info.param.label); });

TEST(Utilities, CopyIntoUTF16NeverOverrunsAndCutsAtWholeCharacters) {
    A_UTF16Char out[8];
    std::fill(std::begin(out), std::end(out), 0xAAAA);
    AEUtil::copyConvertStringLiteralIntoUTF16(L"Sphere", out);
    EXPECT_EQ(out[0], u'S');
    EXPECT_EQ(out[5], u'e');
    EXPECT_EQ(out[6], 0);
    EXPECT_EQ(out[7], 0xAAAA);

    A_UTF16Char small[4];
    std::fill(std::begin(small), std::end(small), 0xAAAA);
    AEUtil::copyConvertStringLiteralIntoUTF16(L"Diameter", small);
    EXPECT_EQ(small[2], u'a');
    EXPECT_EQ(small[3], 0);

    // A character beyond the basic plane needs a surrogate pair; half of one is never written.
    A_UTF16Char pair[4];
    AEUtil::copyConvertStringLiteralIntoUTF16(L"a\U0001F600", pair);
    EXPECT_EQ(pair[1], 0xD83D);
    EXPECT_EQ(pair[2], 0xDE00);
    EXPECT_EQ(pair[3], 0);
    A_UTF16Char tight[3];
    AEUtil::copyConvertStringLiteralIntoUTF16(L"a\U0001F600", tight);
    EXPECT_EQ(tight[1], 0);
}

// The host reports the module's bundle as UTF-16; the resources folder sits inside it.
TEST(Utilities, ResourcesPathIsInsideTheBundleTheHostReports) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    EXPECT_EQ(AEUtil::getResourcesPath(&h.inData()), std::string(MRPH_TEST_BUNDLE_DIR) + "/Contents/Resources/");
}

const A_UTF16Char* g_platformPath = nullptr;
PF_Err FakePlatformData(PF_ProgPtr, PF_PlatDataID which, void* data) {
    if (which != PF_PlatData_EXE_FILE_PATH_W) return PF_Err_BAD_CALLBACK_PARAM;
    size_t n = 0;
    while (g_platformPath[n]) ++n;
    std::memcpy(data, g_platformPath, (n + 1) * sizeof(A_UTF16Char));
    return PF_Err_NONE;
}

TEST(Utilities, ResourcesPathDecodesUTF16IntoUTF8) {
    const A_UTF16Char path[] = {u'/', 0x00DC, u'/', 0x65E5, u'/', 0xD83D, 0xDE00, u'/', u'M', 0};
    g_platformPath = path;
    PF_UtilCallbacks utils{};
    utils.get_platform_data = FakePlatformData;
    PF_InData in{};
    in.utils = &utils;
    EXPECT_EQ(AEUtil::getResourcesPath(&in), "/\xC3\x9C/\xE6\x97\xA5/\xF0\x9F\x98\x80/M/Contents/Resources/");
}

// The parameter-UI setters work on a copy and hand it to the host.
class ParamSetters : public HostFixture {
protected:
    void SetUp() override {
        host_.panel().reset();
        std::memset(&def_, 0, sizeof(def_));
        def_.param_type = PF_Param_FLOAT_SLIDER;
        std::strcpy(def_.name, "Height");
        index_ = host_.panel().add(def_);
        params_[0] = nullptr;
        params_[1] = &def_;
    }
    const PF_ParamDef& declared() { return host_.panel().find(index_)->def; }

    PF_ParamDef def_;
    PF_ParamDef* params_[2];
    int index_ = 0;
};

TEST_F(ParamSetters, EnabledAndNameChangeTheHostsCopyOnly) {
    ASSERT_EQ(AEUtil::setParamEnabeled(in(), params_, index_, false), PF_Err_NONE);
    EXPECT_EQ(declared().ui_flags & PF_PUI_DISABLED, PF_PUI_DISABLED);
    ASSERT_EQ(AEUtil::setParamEnabeled(in(), params_, index_, true), PF_Err_NONE);
    EXPECT_EQ(declared().ui_flags & PF_PUI_DISABLED, 0);

    ASSERT_EQ(AEUtil::setParamName(in(), params_, index_, "Top Diameter"), PF_Err_NONE);
    EXPECT_STREQ(declared().name, "Top Diameter");
    const std::string tooLong(40, 'x');
    ASSERT_EQ(AEUtil::setParamName(in(), params_, index_, tooLong), PF_Err_NONE);
    EXPECT_EQ(std::string(declared().name), tooLong.substr(0, 31));

    EXPECT_STREQ(def_.name, "Height");  // the module's own array is never written
    EXPECT_EQ(def_.ui_flags, 0);
    EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
}

TEST_F(ParamSetters, VisibilityHidesTheControlAndTheStreamAndGivesBackItsReferences) {
    ASSERT_EQ(AEUtil::setParamVisibility(42, in(), params_, index_, false), PF_Err_NONE);
    EXPECT_EQ(declared().ui_flags & PF_PUI_INVISIBLE, PF_PUI_INVISIBLE);
    EXPECT_EQ(host_.project().streams[index_].flags & AEGP_DynStreamFlag_HIDDEN, AEGP_DynStreamFlag_HIDDEN);
    ASSERT_EQ(AEUtil::setParamVisibility(42, in(), params_, index_, true), PF_Err_NONE);
    EXPECT_EQ(declared().ui_flags & PF_PUI_INVISIBLE, 0);
    EXPECT_EQ(host_.project().streams[index_].flags & AEGP_DynStreamFlag_HIDDEN, 0);
    EXPECT_EQ(host_.project().effects.live(), 0);
    EXPECT_EQ(host_.project().streamRefs.live(), 0);
    EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
}

TEST_F(ParamSetters, VisibilityReturnsTheFirstErrorAndStillDisposes) {
    host_.failNext("AEGP_GetNewEffectStreamByIndex", 7);
    EXPECT_EQ(AEUtil::setParamVisibility(42, in(), params_, index_, false), 7);
    EXPECT_EQ(host_.project().effects.made, 1);
    EXPECT_EQ(host_.project().effects.live(), 0);

    host_.failNext("AEGP_DisposeStream", 9);
    EXPECT_EQ(AEUtil::setParamVisibility(42, in(), params_, index_, false), 9);  // no earlier error: it counts
}

}  // namespace
