// Sequence data through the real module: the 92-byte record made, copied, saved with the project and
// read back, and stored records that are damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "GlobalData.h"
#include "Handlers.h"
#include "SequenceData.h"
#include "host/Host.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const SequenceData& record) {
    Bytes bytes(sizeof(record));
    std::memcpy(bytes.data(), &record, sizeof(record));
    return bytes;
}

SequenceData record(std::initializer_list<PrimitiveSlot> slots, float count) {
    SequenceData data;
    std::memset(&data, 0, sizeof(data));
    int i = 0;
    for (const PrimitiveSlot& slot : slots) data.primitives[i++] = slot;
    data.numPrimitives = count;
    return data;
}

// Slot 3 holds a capsule (type 5) carried by layer 17; four slots in use.
SequenceData capsuleRecord() { return record({{1, 2}, {3, 0}, {14, 9}, {5, 17}}, 4.0f); }

class SequenceDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.load()) << h.error();
        ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
        baseHandles = h.handles().live();
    }
    void TearDown() override {
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(h.handles().live(), 0u);
        EXPECT_EQ(h.handles().openLocks(), 0);
        EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
    }
    void store(const SequenceData& data) {
        ASSERT_NE(h.inData().sequence_data, nullptr);
        std::memcpy(h.handles().block(h.inData().sequence_data), &data, sizeof(data));
    }
    GlobalData* global() { return static_cast<GlobalData*>(h.handles().block(h.inData().global_data)); }

    host::Host h{MRPH_TEST_MODULE_PATH};
    size_t baseHandles = 0;
};

TEST_F(SequenceDataTest, SetupMakes92ZeroBytes) {
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    EXPECT_EQ(h.sequenceBytes(), Bytes(92, 0));
    EXPECT_EQ(h.handles().live(), baseHandles + 1);
    EXPECT_EQ(h.handles().openLocks(), 0);

    // A second set-up releases the record it is given and makes a fresh one.
    store(capsuleRecord());
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    EXPECT_EQ(h.sequenceBytes(), Bytes(92, 0));
    EXPECT_EQ(h.handles().live(), baseHandles + 1);
}

TEST_F(SequenceDataTest, ResetupAndFlattenCopyTheRecordAndLeaveTheOldOneAlone) {
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    store(capsuleRecord());
    PF_Handle old = h.inData().sequence_data;
    for (bool flatten : {false, true}) {
        PF_OutData out{};
        PF_Err err = flatten ? SequenceFlatten(&h.inData(), &out, nullptr, nullptr)
                             : SequenceResetup(&h.inData(), &out, nullptr);
        ASSERT_EQ(err, PF_Err_NONE);
        ASSERT_NE(out.sequence_data, nullptr);
        ASSERT_NE(out.sequence_data, old);
        ASSERT_EQ(h.handles().size(out.sequence_data), 92u);
        EXPECT_EQ(std::memcmp(h.handles().block(out.sequence_data), h.handles().block(old), 92), 0);
        const SequenceData expected = capsuleRecord();
        EXPECT_EQ(std::memcmp(h.handles().block(old), &expected, 92), 0) << "the old record changed";
        EXPECT_EQ(h.handles().openLocks(), 0);
        h.handles().dispose(out.sequence_data);
    }
}

// One host per session, one after the other, as a project is saved and opened again later.
TEST(SequenceSaveReopen, SavedProjectReopensByteForByteInANewSession) {
    host::SavedProject saved;
    {
        host::Host h(MRPH_TEST_MODULE_PATH);
        ASSERT_TRUE(h.load());
        ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
        const SequenceData data = capsuleRecord();
        std::memcpy(h.handles().block(h.inData().sequence_data), &data, sizeof(data));
        size_t before = h.handles().live();
        ASSERT_EQ(h.saveProject(&saved), PF_Err_NONE);
        EXPECT_EQ(h.handles().live(), before);  // the flattened copy replaced the live record
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(h.handles().live(), 0u);
    }
    ASSERT_TRUE(saved.hasSequenceData);
    EXPECT_EQ(saved.sequenceData, bytesOf(capsuleRecord()));
    {
        host::Host later(MRPH_TEST_MODULE_PATH);
        ASSERT_TRUE(later.load());
        ASSERT_EQ(later.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        ASSERT_EQ(later.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
        ASSERT_EQ(later.reopenProject(saved), PF_Err_NONE);
        EXPECT_EQ(later.sequenceBytes(), bytesOf(capsuleRecord()));
        EXPECT_EQ(later.printed().find("repaired"), std::string::npos) << later.printed();
        host::SavedProject again;
        ASSERT_EQ(later.saveProject(&again), PF_Err_NONE);
        EXPECT_EQ(again.sequenceData, saved.sequenceData);
        later.command(PF_Cmd_SEQUENCE_SETDOWN);
        later.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(later.handles().live(), 0u);
        EXPECT_TRUE(later.suites().balanced()) << later.suites().imbalance();
    }
}

// A stored project is untrusted: whatever comes back must load to a sane record.
struct DamagedCase {
    const char* label;
    Bytes stored;
    bool hasData;
    SequenceData expected;
};
void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.label; }

// The record's bytes cut to `size`, or followed by `fill` up to it. Built at its final size: GCC 12
// misreads a growing resize() at -O3 as a copy past the end.
Bytes resized(SequenceData data, size_t size, unsigned char fill = 0xAB) {
    const Bytes whole = bytesOf(data);
    Bytes bytes(size, fill);
    std::copy_n(whole.begin(), std::min(size, whole.size()), bytes.begin());
    return bytes;
}

std::vector<DamagedCase> damagedCases() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    SequenceData two = record({{1, 5}, {3, 6}}, 2.0f);
    SequenceData full = record({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}, {10, 10}, {12, 11}},
                               11.0f);
    SequenceData fullNoCount = full;
    return {
        {"Valid", bytesOf(capsuleRecord()), true, capsuleRecord()},
        {"Short", resized(two, 40), true, record({}, 0.0f)},  // no count survives: nothing in use
        {"ShortKeepsLeadingBytesThenRepairs", resized(record({{1, 5}}, 0), 12), true, record({}, 0.0f)},
        {"Long", resized(two, 120), true, two},
        {"Empty", Bytes{}, true, record({}, 0.0f)},
        {"NoSequenceData", Bytes{}, false, record({}, 0.0f)},
        {"NaNCount", bytesOf(record({{1, 5}}, nan)), true, record({}, 0.0f)},
        {"InfiniteCount", [&] { fullNoCount.numPrimitives = inf; return bytesOf(fullNoCount); }(), true, full},
        {"HugeCount", bytesOf(record({{1, 5}, {3, 6}}, 1e9f)), true, record({{1, 5}, {3, 6}}, 11.0f)},
        {"NegativeCount", bytesOf(record({{1, 5}}, -3.0f)), true, record({}, 0.0f)},
        {"FractionalCount", bytesOf(record({{1, 5}, {3, 6}, {4, 7}}, 2.5f)), true, record({{1, 5}, {3, 6}}, 2.0f)},
        {"BadTypes", bytesOf(record({{15, 1}, {-1, 2}, {5, 3}}, 3.0f)), true, record({{0, 0}, {0, 0}, {5, 3}}, 3.0f)},
        {"HugeType", bytesOf(record({{0x7FFFFFFF, 1}}, 1.0f)), true, record({}, 1.0f)},
        {"EntriesPastTheCount", bytesOf(record({{1, 5}, {2, 6}, {3, 7}}, 1.0f)), true, record({{1, 5}}, 1.0f)},
    };
}

class DamagedRecord : public SequenceDataTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedRecord, LoadsToASaneRecordAndLaterCommandsRunOnIt) {
    const DamagedCase& c = GetParam();
    ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    host::SavedProject saved;
    saved.streams = h.project().streams;
    saved.hasSequenceData = c.hasData;
    saved.sequenceData = c.stored;
    ASSERT_EQ(h.reopenProject(saved), PF_Err_NONE);
    EXPECT_EQ(h.sequenceBytes(), bytesOf(c.expected));
    EXPECT_EQ(h.handles().live(), baseHandles + 1);  // the host's stored copy is gone

    // What comes after a project is opened: saving, another copy, a new set-up, the end.
    host::SavedProject resaved;
    ASSERT_EQ(h.saveProject(&resaved), PF_Err_NONE);
    EXPECT_EQ(resaved.sequenceData, bytesOf(c.expected));
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_RESETUP), PF_Err_NONE);
    EXPECT_EQ(h.sequenceBytes(), bytesOf(c.expected));
    EXPECT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    EXPECT_EQ(h.handles().openLocks(), 0);
}

INSTANTIATE_TEST_SUITE_P(SequenceData, DamagedRecord, ::testing::ValuesIn(damagedCases()),
                         [](const ::testing::TestParamInfo<DamagedCase>& info) { return std::string(info.param.label); });

TEST(SequenceRepair, ReportsWhatItChanged) {
    SequenceData data = record({{20, 1}, {1, 2}, {2, 3}}, 1.0f);
    SequenceRepair repair = repairSequenceData(&data);
    EXPECT_EQ(repair.badTypes, 1);
    EXPECT_EQ(repair.clearedSlots, 2);  // slots 1 and 2 lie past the count
    EXPECT_FALSE(repair.badCount);
    SequenceData negativeZero = record({}, -0.0f);
    EXPECT_TRUE(repairSequenceData(&negativeZero).badCount);
    EXPECT_FALSE(std::signbit(negativeZero.numPrimitives));
    SequenceData sound = capsuleRecord();
    EXPECT_FALSE(repairSequenceData(&sound).any());
}

// When memory cannot be had: error 4, nothing stored, nothing half-made left behind.
TEST_F(SequenceDataTest, SetupWithoutMemoryReturns4AndStoresNothing) {
    for (bool failLock : {false, true}) {
        if (failLock) h.handles().failNextLock(1);  // the global data's lock comes first
        else h.handles().failNextAllocation();
        EXPECT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(h.inData().sequence_data, nullptr);
        EXPECT_EQ(h.outData().sequence_data, nullptr);
        EXPECT_EQ(h.handles().live(), baseHandles);
    }
}

TEST_F(SequenceDataTest, ResetupWithoutMemoryReturns4AndKeepsTheIncomingRecord) {
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    store(capsuleRecord());
    PF_Handle incoming = h.inData().sequence_data;
    struct Fault {
        const char* what;
        void (*inject)(host::HandleStore&);
    };
    const Fault faults[] = {
        {"incoming lock", [](host::HandleStore& s) { s.failNextLock(); }},
        {"new handle", [](host::HandleStore& s) { s.failNextAllocation(); }},
        {"new handle's lock", [](host::HandleStore& s) { s.failNextLock(1); }},
    };
    for (const Fault& fault : faults) {
        for (PF_Cmd cmd : {PF_Cmd_SEQUENCE_RESETUP, PF_Cmd_SEQUENCE_FLATTEN}) {
            fault.inject(h.handles());
            EXPECT_EQ(h.command(cmd), PF_Err_OUT_OF_MEMORY) << fault.what;
            EXPECT_EQ(h.inData().sequence_data, incoming) << fault.what;
            EXPECT_EQ(h.sequenceBytes(), bytesOf(capsuleRecord())) << fault.what;
            EXPECT_EQ(h.handles().live(), baseHandles + 1) << fault.what;
            EXPECT_EQ(h.handles().openLocks(), 0) << fault.what;
        }
    }
}

TEST_F(SequenceDataTest, SetupShowsACompileErrorTextOnce) {
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    EXPECT_TRUE(h.debugTexts().empty());

    global()->sceneInfo->details = "<program source>:3:1: error: expected ';'\n  float x\n";
    ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    std::vector<std::string> shown = h.debugTexts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "<program source>:3:1: error: expected ';'\n  float x\n");
    EXPECT_EQ(h.printed().find("expected ';'"), std::string::npos) << "the text went to the log";
    global()->sceneInfo->details.clear();
}

TEST_F(SequenceDataTest, SetdownWithoutDataDoesNothing) {
    EXPECT_EQ(h.command(PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
    EXPECT_EQ(h.handles().live(), baseHandles);
}

}  // namespace
