// The real module, loaded through dlopen as a host loads it.
#include <gtest/gtest.h>

#include "host/Host.h"

namespace {

TEST(ModuleLoad, RegistersTheEffectOnce) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    const host::Registration& reg = h.module().registration();
    EXPECT_EQ(reg.calls, 1);
    EXPECT_EQ(reg.name, "Morphalith");
    EXPECT_EQ(reg.matchName, "QVX_Morphalith");
    EXPECT_EQ(reg.category, "Quorvex Labs");
    EXPECT_EQ(reg.entryPoint, "EffectMain");
    EXPECT_EQ(reg.kind, 0x65464B54);
    EXPECT_EQ(reg.apiMajor, 13);
    EXPECT_EQ(reg.apiMinor, 27);
    EXPECT_EQ(reg.reservedInfo, 8);
    EXPECT_EQ(h.module().registrationResult(), PF_Err_NONE);
}

TEST(ModuleLoad, MissingModuleIsAClearError) {
    host::Host h("/nonexistent/Morphalith.plugin/Contents/Linux/Morphalith");
    EXPECT_FALSE(h.load());
    EXPECT_NE(h.error().find("cannot load module /nonexistent/"), std::string::npos) << h.error();
}


TEST(ModuleLoad, UnknownCommandsDoNothing) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    for (PF_Cmd cmd : std::initializer_list<PF_Cmd>{PF_Cmd_UNUSED_0, PF_Cmd_DO_DIALOG, PF_Cmd_RENDER, PF_Cmd_NUM_CMDS, 35, -1}) {
        EXPECT_EQ(h.command(cmd), PF_Err_NONE) << cmd;
        EXPECT_EQ(h.printed(), "") << cmd;
    }
    EXPECT_TRUE(h.suites().balanced());
}

TEST(ModuleLoad, GlobalSetupDeclaresVersionAndFlagsAndGivesBackItsSuites) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
    EXPECT_EQ(h.outData().my_version, 558594u);
    EXPECT_EQ(static_cast<uint32_t>(h.outData().out_flags), 0x06008400u);
    EXPECT_EQ(static_cast<uint32_t>(h.outData().out_flags2), 0x0B201406u);
    EXPECT_NE(h.printed().find("[Morphalith] : Welcome!\n"), std::string::npos) << h.printed();
    EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
    EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
    EXPECT_EQ(h.handles().openLocks(), 0);
}

TEST(HostSuites, UnknownNameOrVersionIsRefusedWithNull) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    const SPBasicSuite* basic = h.suites().basic();
    const void* suite = &h;
    EXPECT_NE(basic->AcquireSuite("PF Handle Suite", 99, &suite), kSPNoError);
    EXPECT_EQ(suite, nullptr);
    suite = &h;
    EXPECT_NE(basic->AcquireSuite("No Such Suite", 1, &suite), kSPNoError);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(basic->AcquireSuite("PF Handle Suite", 2, &suite), kSPNoError);
    EXPECT_NE(suite, nullptr);
    EXPECT_FALSE(h.suites().balanced());
    EXPECT_EQ(basic->ReleaseSuite("PF Handle Suite", 2), kSPNoError);
    EXPECT_TRUE(h.suites().balanced());
}

TEST(HostSuites, HandlesNeverMoveAndLocksAreCounted) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    const PF_HandleSuite1* suite = h.handles().suite();
    PF_Handle handle = suite->host_new_handle(92);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(suite->host_get_handle_size(handle), 92u);
    void* first = suite->host_lock_handle(handle);
    void* second = suite->host_lock_handle(handle);
    EXPECT_EQ(first, second);
    EXPECT_EQ(h.handles().openLocks(), 2);
    suite->host_unlock_handle(handle);
    suite->host_unlock_handle(handle);
    EXPECT_EQ(h.handles().openLocks(), 0);
    EXPECT_EQ(suite->host_lock_handle(handle), first);
    suite->host_unlock_handle(handle);
    suite->host_dispose_handle(handle);
    EXPECT_EQ(h.handles().live(), 0u);
}

}  // namespace
