// Global set-up and set-down through the real module: version and flag words, the log, the global
// data's life, and every failure with its message and code.
#include <gtest/gtest.h>

#include "AEGP_Suites.h"
#include "GlobalData.h"
#include "core/temp_bundle.h"
#include "host/Host.h"

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class GlobalSetupTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.load()) << h.error(); }
    void expectNothingLeft() {
        EXPECT_EQ(h.inData().global_data, nullptr);
        EXPECT_EQ(h.handles().live(), 0u);
        EXPECT_EQ(h.handles().openLocks(), 0);
        EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
    }
    host::Host h{MRPH_TEST_MODULE_PATH};
};

TEST_F(GlobalSetupTest, DeclaresVersionFlagsAndWritesItsLogLines) {
    ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
    EXPECT_EQ(h.outData().my_version, 558594u);
    EXPECT_EQ(static_cast<uint32_t>(h.outData().out_flags), 0x06008400u);
    EXPECT_EQ(static_cast<uint32_t>(h.outData().out_flags2), 0x0B201406u);
    EXPECT_TRUE(contains(h.printed(),
                         "[Morphalith] : STAGE VERSION: 3\n"
                         "[Morphalith] : AEFX_VERSION: 558594\n"
                         "[Morphalith] : FS_VERSION: 558594\n"
                         "[Morphalith] : Global Setup\n"))
        << h.printed();
    EXPECT_TRUE(contains(h.printed(), "[Morphalith] : AEGP_PLUGIN_ID: 42\n")) << h.printed();
    EXPECT_EQ(h.project().registeredPluginId, 42);
    EXPECT_EQ(h.returnMessage(), "");

    // The record lives in the handle, unlocked, with the id and the image in it.
    PF_Handle globalH = h.inData().global_data;
    ASSERT_NE(globalH, nullptr);
    EXPECT_EQ(h.handles().size(globalH), sizeof(GlobalData));
    EXPECT_EQ(h.handles().openLocks(), 0);
    auto* global = static_cast<GlobalData*>(h.handles().block(globalH));
    EXPECT_EQ(global->pluginId, 42);
    ASSERT_TRUE(global->aboutImage);
    EXPECT_EQ(global->aboutImage->width, 250);
    EXPECT_EQ(global->aboutImage->height, 70);
    EXPECT_EQ(global->aboutImage->channels, 3);
    EXPECT_EQ(h.handles().size(global->aboutImage->pixels), 250u * 70 * 3);
    EXPECT_EQ(global->sceneInfo->flags, 0u);
    EXPECT_TRUE(global->sceneInfo->details.empty());
    EXPECT_EQ(global->sceneInfo->matrix, glm::mat4(0.0f));
    EXPECT_TRUE(global->systemInfo->gpuName.empty());
    EXPECT_EQ(h.handles().live(), 2u);  // the global data and the image's pixels

    ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
    expectNothingLeft();
}

TEST_F(GlobalSetupTest, SetdownWithoutGlobalDataDoesNothing) {
    EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
    expectNothingLeft();
}

// Every failure leaves the host without global data and without a leaked handle, lock or suite.
struct FailureCase {
    const char* label;
    void (*inject)(host::Host&);
    PF_Err code;
    const char* message;   // return_msg
    const char* logLine;   // what the log must hold
    bool displayed;        // PF_OutFlag_DISPLAY_ERROR_MESSAGE
    bool gpuFlag;          // set-up got as far as building the record
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

class GlobalSetupFailure : public GlobalSetupTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(GlobalSetupFailure, ReportsAndLeavesNothing) {
    const FailureCase& c = GetParam();
    c.inject(h);
    EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), c.code);
    EXPECT_EQ(h.returnMessage(), c.message);
    EXPECT_EQ((h.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0, c.displayed);
    EXPECT_EQ((h.outData().out_flags2 & PF_OutFlag2_SUPPORTS_GPU_RENDER_F32) != 0, c.gpuFlag);
    EXPECT_TRUE(contains(h.printed(), c.logLine)) << h.printed();
    EXPECT_FALSE(contains(h.printed(), "AEGP_PLUGIN_ID")) << h.printed();
    expectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    GlobalSetup, GlobalSetupFailure,
    ::testing::Values(
        FailureCase{"NoHandle", [](host::Host& h) { h.handles().failNextAllocation(); }, 512,
                    "Global Data Handle memory allocation failed.",
                    ":GlobalSetup] :: Global Data Handle memory allocation failed\n", true, false},
        FailureCase{"NoLock", [](host::Host& h) { h.handles().failNextLock(); }, 512,
                    "Global Data memory allocation failed.", ":GlobalSetup] :: Global Data memory allocation failed\n",
                    true, false},
        FailureCase{"RegistrationRefused", [](host::Host& h) { h.failNext("AEGP_RegisterWithAEGP", 7); }, 7, "",
                    "PF_Cmd_GLOBAL_SETUP. Code: 7", false, true},
        FailureCase{"UtilitySuiteMissing",
                    [](host::Host& h) { h.suites().refuse(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3); }, 516, "",
                    "Try Catch Exception code at event PF_Cmd_GLOBAL_SETUP is 516", false, false},
        FailureCase{"NoMemoryForTheImagePixels", [](host::Host& h) { h.handles().failNextAllocation(1); }, 4,
                    "Cannot Load Image", "[Morphalith] : Error loading about image\n", true, true}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

TEST(GlobalSetupImage, AMissingAboutImageFailsSetupWithCannotLoadImage) {
    TempBundle bundle;  // no about_image.png in its resources
    host::Host h(bundle.modulePath());
    ASSERT_TRUE(h.load()) << h.error();
    EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(h.returnMessage(), "Cannot Load Image");
    EXPECT_NE(h.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    EXPECT_TRUE(contains(h.printed(), "[Morphalith] : Error loading about image\n")) << h.printed();
    EXPECT_TRUE(contains(h.printed(), "Cannot load 'about' image at: " + bundle.resources() + "/about_image.png"));
    EXPECT_EQ(h.inData().global_data, nullptr);
    EXPECT_EQ(h.handles().live(), 0u);
    EXPECT_EQ(h.handles().openLocks(), 0);
    EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
}

TEST_F(GlobalSetupTest, AboutTextNeedsNoGlobalData) {
    ASSERT_EQ(h.command(PF_Cmd_ABOUT), PF_Err_NONE);
    std::string text = h.returnMessage();
    EXPECT_EQ(text.rfind("Morphalith, v1.1\r", 0), 0u) << text;
    EXPECT_TRUE(h.suites().balanced());
}

}  // namespace
