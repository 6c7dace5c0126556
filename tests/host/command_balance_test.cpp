// Balance after every command: whatever a command's thread takes from the host (suites, handle
// locks, check-outs, references, undo groups) it gives back before the command returns.
#include <gtest/gtest.h>

#include <thread>

#include "AEGP_Suites.h"
#include "PF_Suites.h"
#include "host/Holdings.h"
#include "host/Host.h"

namespace {

// Every command that any test of this suite runs through the host is checked; a command that leaves
// something held fails the test that ran it.
const bool kEveryCommandChecked = [] {
    host::Host::setBalanceHandler([](const std::string& fault) { ADD_FAILURE() << "host: " << fault; });
    return true;
}();

// The thread's holdings follow what is taken and given back, through the host's own tables.
TEST(CommandBalance, HoldingsFollowTakingAndGivingBack) {
    ASSERT_TRUE(kEveryCommandChecked);
    host::Host h(MRPH_TEST_MODULE_PATH);
    const host::Holdings start = host::threadHoldings();
    const SPBasicSuite* basic = h.suites().basic();
    const void* table = nullptr;
    ASSERT_EQ(basic->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &table), kSPNoError);
    const auto* handles = static_cast<const PF_HandleSuite1*>(table);
    PF_Handle handle = handles->host_new_handle(16);
    handles->host_lock_handle(handle);
    handles->host_lock_handle(handle);
    AEGP_EffectRefH effect = h.project().newEffectRef();
    EXPECT_EQ(host::describeImbalance(start, host::threadHoldings()),
              "1 suite acquired and not released, 2 handle locks not unlocked, 1 effect reference not disposed");

    handles->host_unlock_handle(handle);
    handles->host_unlock_handle(handle);
    handles->host_unlock_handle(handle);  // one too many: the host ignores it, and so do the counts
    handles->host_dispose_handle(handle);
    h.project().disposeEffectRef(effect);
    h.project().disposeEffectRef(effect);  // a double disposal is counted as bad, not as given back
    EXPECT_EQ(host::describeImbalance(start, host::threadHoldings()), "1 suite acquired and not released");
    EXPECT_EQ(h.project().effects.badDisposals, 1);
    EXPECT_EQ(basic->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1), kSPNoError);
    EXPECT_EQ(basic->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1), kSPNoError);
    EXPECT_EQ(host::describeImbalance(start, host::threadHoldings()), "1 suite released more than acquired");
}

TEST(CommandBalance, ImbalanceReadsAsOneLine) {
    host::Holdings before, after;
    after.paramCheckouts = 3;
    after.pixelCheckouts = 1;
    after.streamRefs = -1;
    after.streamValues = 2;
    after.undoGroups = 1;
    EXPECT_EQ(host::describeImbalance(before, after),
              "3 parameters checked out and not checked in, 1 layer's pixels checked out and not checked in, "
              "1 stream reference disposed more than made, 2 stream values not disposed, 1 undo group not ended");
    EXPECT_EQ(host::describeImbalance(after, after), "");
}

// Holdings are the thread's own: another thread's taking shows nowhere else.
TEST(CommandBalance, HoldingsAreEachThreadsOwn) {
    const host::Holdings mine = host::threadHoldings();
    std::string seen;
    std::thread other([&] {
        host::threadHoldings().handleLocks += 5;
        seen = host::describeImbalance(host::Holdings{}, host::threadHoldings());
    });
    other.join();
    EXPECT_EQ(seen, "5 handle locks not unlocked");
    EXPECT_EQ(host::describeImbalance(mine, host::threadHoldings()), "");
}

}  // namespace

// A command that keeps a suite or a lock is reported, one line naming the command and what it left;
// the commands around it that give everything back are not.
TEST(CommandBalance, ACommandThatKeepsSomethingIsReported) {
    std::vector<std::string> faults;
    host::Host::setBalanceHandler([&faults](const std::string& fault) { faults.push_back(fault); });
    {
        host::Host h(MRPH_TEST_CARELESS_MODULE);
        ASSERT_TRUE(h.load()) << h.error();
        EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        EXPECT_EQ(h.command(PF_Cmd_ABOUT), PF_Err_NONE);
        EXPECT_EQ(h.command(PF_Cmd_DO_DIALOG), PF_Err_NONE);
        EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
        h.setBalanceCheck(false);
        EXPECT_EQ(h.command(PF_Cmd_ABOUT), PF_Err_NONE);
    }
    host::Host::setBalanceHandler([](const std::string& fault) { ADD_FAILURE() << "host: " << fault; });
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(faults[0], "command 0 (returned 0) left 1 suite acquired and not released");
    EXPECT_EQ(faults[1], "command 9 (returned 0) left 1 handle lock not unlocked");
}
