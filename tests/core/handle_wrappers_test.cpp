// The wrappers give back every reference they obtain, on every path, exactly once.
#include <gtest/gtest.h>

#include <cstring>

#include "HandleWrappers.h"
#include "support/HostFixture.h"

namespace {

class HandleWrappers : public HostFixture {
protected:
    const host::Project& project() { return host_.project(); }
    void expectNothingHeld() {
        EXPECT_EQ(project().effects.live(), 0);
        EXPECT_EQ(project().streamRefs.live(), 0);
        EXPECT_EQ(project().values.live(), 0);
        EXPECT_EQ(project().effects.badDisposals + project().streamRefs.badDisposals + project().values.badDisposals,
                  0);
        EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
    }
    A_Time time_{0, 30};
};

TEST_F(HandleWrappers, ValueAndStreamGoBackInReverseOrder) {
    host_.project().streams[10].type = AEGP_StreamType_OneD;
    host_.project().streams[10].value.one_d.value = 2.5;
    {
        AEGP_SuiteHandler suites(basic());
        EffectHandleWrapper effect(42, in(), &suites);
        StreamValueWrapper value(42, &suites, effect.get(), 10, time_, TRUE);
        EXPECT_EQ(value->val.one_d.value, 2.5);
        value->val.one_d.value = 7.0;
        EXPECT_EQ(value.updateValue(), A_Err(0));
        EXPECT_EQ(project().lastSetValuePluginId, 42);
        host_.trace().clear();
    }
    std::vector<std::string> calls;
    for (const std::string& line : host_.trace().lines())
        if (line.rfind("AEGP_Dispose", 0) == 0) calls.push_back(line);
    EXPECT_EQ(calls, (std::vector<std::string>{"AEGP_DisposeStreamValue", "AEGP_DisposeStream", "AEGP_DisposeEffect"}));
    EXPECT_EQ(project().streams[10].value.one_d.value, 7.0);
    expectNothingHeld();
}

TEST_F(HandleWrappers, FailedConstructionHoldsNothing) {
    struct Case {
        const char* failing;
        A_Err err;
        int paramIndex;
    };
    const Case cases[] = {
        {"AEGP_GetNewEffectForEffect", 7, 10},
        {"AEGP_GetNewEffectStreamByIndex", 9, 10},
        {"AEGP_GetNewStreamValue", 11, 10},
        {"", PF_Err_INVALID_INDEX, 99999},  // an index the effect does not have
    };
    for (const Case& c : cases) {
        if (*c.failing) host_.failNext(c.failing, c.err);
        int thrown = 0;
        try {
            AEGP_SuiteHandler suites(basic());
            EffectHandleWrapper effect(42, in(), &suites);
            StreamValueWrapper value(42, &suites, effect.get(), c.paramIndex, time_, TRUE);
        } catch (int code) {
            thrown = code;
        }
        EXPECT_EQ(thrown, c.err) << c.failing;
        expectNothingHeld();
    }
}

TEST_F(HandleWrappers, StreamFlagsAndClipboardRecords) {
    host_.project().streams[20].type = AEGP_StreamType_COLOR;
    host_.project().streams[20].value.color = {1.0, 0.5, 0.25, 0.125};
    host_.project().streams[22].type = AEGP_StreamType_ARB;  // a handle: never a record
    std::memset(&host_.project().streams[22].value, 0xAB, sizeof(AEGP_StreamVal));
    std::vector<char> buffer;
    {
        AEGP_SuiteHandler suites(basic());
        EffectHandleWrapper effect(42, in(), &suites);
        StreamHandleWrapper color(42, &suites, effect.get(), 20);
        StreamHandleWrapper group(42, &suites, effect.get(), 21);  // no data
        EXPECT_EQ(color.setDynamicFlag(AEGP_DynStreamFlag_HIDDEN, TRUE), A_Err(0));
        EXPECT_EQ(color.copyToBuffer(17, &buffer, time_), A_Err(0));
        EXPECT_EQ(group.copyToBuffer(18, &buffer, time_), A_Err(0));
        StreamHandleWrapper arbitrary(42, &suites, effect.get(), 22);
        EXPECT_EQ(arbitrary.copyToBuffer(19, &buffer, time_), A_Err(0));
        EXPECT_EQ(color.paramIndex(), 20);
    }
    EXPECT_EQ(project().streams[20].flags, AEGP_DynStreamFlag_HIDDEN);
    ASSERT_EQ(buffer.size(), 36u);  // one record: the no-data and arbitrary-data streams add nothing
    int key = 0;
    std::memcpy(&key, buffer.data(), 4);
    EXPECT_EQ(key, 17);
    AEGP_StreamVal value;
    std::memcpy(&value, buffer.data() + 4, 32);
    EXPECT_EQ(value.color.redF, 0.5);
    EXPECT_EQ(value.color.blueF, 0.125);
    expectNothingHeld();
}

TEST_F(HandleWrappers, CompositionAndLayers) {
    host_.project().addLayer(17, "Null 1", AEGP_ObjectType_AV, AEGP_LayerFlag_LAYER_IS_3D | AEGP_LayerFlag_NULL_LAYER);
    AEGP_SuiteHandler suites(basic());
    EffectHandleWrapper effect(42, in(), &suites);
    AEGP_CompH comp = effect.getEffectCompHandle();
    ASSERT_NE(comp, nullptr);
    LayerHandleWrapper layer(&suites, comp, 17);
    int flags = 0;
    EXPECT_EQ(layer.getLayerFlags(&flags), A_Err(0));
    EXPECT_EQ(flags, AEGP_LayerFlag_LAYER_IS_3D | AEGP_LayerFlag_NULL_LAYER);
    // No layer has id 999: the host answers with no layer and no error; a composition it does not
    // know is an error, which the wrapper throws.
    EXPECT_EQ(LayerHandleWrapper(&suites, comp, 999).get(), nullptr);
    EXPECT_THROW(LayerHandleWrapper(&suites, nullptr, 17), int);

    A_Time compTime{};
    in()->current_time = 12;
    EXPECT_EQ(effect.getCompTime(&compTime), A_Err(0));
    EXPECT_EQ(compTime.value, 12);

    host_.project().effectLayerId = 555;  // the effect's layer is gone
    EXPECT_EQ(effect.getEffectCompHandle(), nullptr);
}

}  // namespace
