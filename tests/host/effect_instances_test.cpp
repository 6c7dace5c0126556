// Several instances of the effect in one project: each reference the module is given names its own
// parameters and sequence data, a reference that names none is refused, and an instance set down
// leaves nothing behind.
#include <gtest/gtest.h>

#include <cstring>

#include "AEGP_Suites.h"
#include "PF_Suites.h"
#include "host/Host.h"
#include "host/ParamCheckout.h"

namespace {

constexpr int kRenderMode = 1129;

class EffectInstances : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.load()) << h.error();
        ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        ASSERT_EQ(h.command(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
        ASSERT_EQ(h.command(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
    }
    void TearDown() override {
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(h.handles().live(), 0u);
    }
    template <typename Suite>
    const Suite* suite(const char* name, int version) {
        const void* table = nullptr;
        EXPECT_EQ(h.suites().basic()->AcquireSuite(name, version, &table), kSPNoError);
        h.suites().basic()->ReleaseSuite(name, version);  // the table stays valid for the host's life
        return static_cast<const Suite*>(table);
    }

    host::Host h{MRPH_TEST_MODULE_PATH};
};

TEST_F(EffectInstances, EachReferenceNamesItsOwnStateAndUnknownOnesAreRefused) {
    // The second instance: "Render Mode" Depth (3) where the first has Beauty (1), and a record with
    // one sphere (type 1) on layer 7.
    host::SavedProject saved;
    ASSERT_EQ(h.saveProject(&saved), PF_Err_NONE);
    saved.streams[kRenderMode].value.one_d.value = 3;
    const int32_t sphere[2] = {1, 7};
    const float one = 1.0f;
    std::memcpy(saved.sequenceData.data(), sphere, 8);
    std::memcpy(&saved.sequenceData[88], &one, 4);
    const size_t handlesBefore = h.handles().live();
    PF_Err err = PF_Err_NONE;
    PF_ProgPtr second = h.addInstance(saved, &err);
    ASSERT_NE(second, nullptr) << err;
    const PF_ProgPtr first = h.inData().effect_ref;
    ASSERT_NE(second, first);
    EXPECT_EQ(h.handles().live(), handlesBefore + 1);  // its own record; the stored copy freed

    // Parameters, as the effect checks them out.
    for (auto [ref, mode] : {std::pair{first, 1}, std::pair{second, 3}}) {
        PF_ParamDef def{};
        ASSERT_EQ(h.inData().inter.checkout_param(ref, kRenderMode, 0, 1, 30, &def), PF_Err_NONE);
        EXPECT_EQ(def.u.pd.value, mode);
        EXPECT_EQ(h.inData().inter.checkin_param(ref, &def), PF_Err_NONE);
    }
    // Sequence data, as pre-render reads it.
    const auto* sequence = suite<PF_EffectSequenceDataSuite1>(kPFEffectSequenceDataSuite,
                                                              kPFEffectSequenceDataSuiteVersion1);
    PF_Handle firstData = nullptr, secondData = nullptr;
    ASSERT_EQ(sequence->PF_GetConstSequenceData(first, &firstData), PF_Err_NONE);
    ASSERT_EQ(sequence->PF_GetConstSequenceData(second, &secondData), PF_Err_NONE);
    EXPECT_EQ(firstData, h.inData().sequence_data);
    ASSERT_NE(secondData, nullptr);
    ASSERT_NE(secondData, firstData);
    EXPECT_EQ(std::memcmp(h.handles().block(secondData), saved.sequenceData.data(), 92), 0);

    // Streams through an effect reference made for each instance.
    const auto* pf = suite<AEGP_PFInterfaceSuite1>(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
    const auto* streams = suite<AEGP_StreamSuite2>(kAEGPStreamSuite, kAEGPStreamSuiteVersion2);
    const auto* effects = suite<AEGP_EffectSuite4>(kAEGPEffectSuite, kAEGPEffectSuiteVersion4);
    for (auto [ref, mode] : {std::pair{first, 1.0}, std::pair{second, 3.0}}) {
        AEGP_EffectRefH effect = nullptr;
        AEGP_StreamRefH stream = nullptr;
        AEGP_StreamValue value{};
        ASSERT_EQ(pf->AEGP_GetNewEffectForEffect(42, ref, &effect), A_Err(0));
        ASSERT_EQ(streams->AEGP_GetNewEffectStreamByIndex(42, effect, kRenderMode, &stream), A_Err(0));
        const A_Time start{0, 30};
        ASSERT_EQ(streams->AEGP_GetNewStreamValue(42, stream, AEGP_LTimeMode_CompTime, &start, TRUE, &value), A_Err(0));
        EXPECT_EQ(value.val.one_d.value, mode);
        streams->AEGP_DisposeStreamValue(&value);
        streams->AEGP_DisposeStream(stream);
        effects->AEGP_DisposeEffect(effect);
    }

    // A reference that names no instance (a stale one, a made-up one, none) is refused everywhere.
    int madeUp = 0;
    for (PF_ProgPtr bad : {static_cast<PF_ProgPtr>(&madeUp), static_cast<PF_ProgPtr>(nullptr)}) {
        PF_ParamDef def{};
        EXPECT_EQ(h.inData().inter.checkout_param(bad, kRenderMode, 0, 1, 30, &def), PF_Err_BAD_CALLBACK_PARAM);
        PF_Handle data = firstData;  // anything but null
        EXPECT_EQ(sequence->PF_GetConstSequenceData(bad, &data), PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(data, nullptr);
        AEGP_EffectRefH effect = nullptr;
        EXPECT_NE(pf->AEGP_GetNewEffectForEffect(42, bad, &effect), A_Err(0));
        EXPECT_EQ(effect, nullptr);
    }

    // Set down: its record goes, and its reference names nothing any more.
    EXPECT_EQ(h.removeInstance(second), PF_Err_NONE);
    EXPECT_EQ(h.handles().live(), handlesBefore);
    PF_ParamDef def{};
    EXPECT_EQ(h.inData().inter.checkout_param(second, kRenderMode, 0, 1, 30, &def), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(h.removeInstance(second), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(h.removeInstance(first), PF_Err_BAD_CALLBACK_PARAM);  // the first is the host's own
    EXPECT_EQ(h.project().effects.live(), 0);
    EXPECT_EQ(h.project().streamRefs.live(), 0);
    EXPECT_EQ(h.project().values.live(), 0);
    EXPECT_EQ(host::openParamCheckouts(), 0);
}

}  // namespace
