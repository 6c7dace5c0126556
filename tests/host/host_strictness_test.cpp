// The stand-in host answers as strictly as a host does: a composition or item handle it did not give
// out, a time mode it does not know and a time without a scale are refused, and times are honoured
// (layer time counts from the layer's start, a parameter is checked out at the time asked for). The
// plug-in's own readers pass with the arguments they send.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AEGP_SuiteHandler.h"
#include "HandleWrappers.h"
#include "render/PluginInputParams.h"
#include "support/HostFixture.h"
#include "tests/render/render_support.h"

namespace {

class HostStrictness : public HostFixture {
protected:
    // The composition as the effect finds it: its layer's parent.
    AEGP_CompH effectComp(AEGP_SuiteHandler& suites) {
        AEGP_LayerH layer = nullptr;
        AEGP_CompH comp = nullptr;
        EXPECT_EQ(suites.PFInterfaceSuite1()->AEGP_GetEffectLayer(in()->effect_ref, &layer), A_Err(0));
        EXPECT_EQ(suites.LayerSuite5()->AEGP_GetLayerParentComp(layer, &comp), A_Err(0));
        return comp;
    }
    // A light whose layer starts at 1 s and shows from then on (composition seconds).
    host::Layer& lateLight() {
        host::Layer& light = host_.project().addLayer(5, "Late light", AEGP_ObjectType_LIGHT,
                                                      AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_LAYER_IS_3D);
        light.startTime = 1.0;
        light.inPoint = 1.0;
        light.outPoint = 3.0;
        return light;
    }
};

TEST_F(HostStrictness, CompositionAndItemCallsRefuseAHandleTheyDidNotGive) {
    AEGP_SuiteHandler suites(basic());
    const AEGP_CompH good = effectComp(suites);
    ASSERT_NE(good, nullptr);
    int elsewhere = 0;
    const AEGP_CompH unknown = reinterpret_cast<AEGP_CompH>(&elsewhere);

    struct Call {
        const char* name;
        A_Err (*call)(AEGP_SuiteHandler&, AEGP_CompH);
    };
    const Call calls[] = {
        {"AEGP_GetCompNumLayers",
         [](AEGP_SuiteHandler& s, AEGP_CompH c) {
             A_long n = 0;
             return s.LayerSuite5()->AEGP_GetCompNumLayers(c, &n);
         }},
        {"AEGP_GetCompLayerByIndex",
         [](AEGP_SuiteHandler& s, AEGP_CompH c) {
             AEGP_LayerH layer = nullptr;
             return s.LayerSuite5()->AEGP_GetCompLayerByIndex(c, 0, &layer);
         }},
        {"AEGP_GetLayerFromLayerID",
         [](AEGP_SuiteHandler& s, AEGP_CompH c) {
             AEGP_LayerH layer = nullptr;
             return s.LayerSuite7()->AEGP_GetLayerFromLayerID(c, 1, &layer);
         }},
        {"AEGP_GetItemFromComp",
         [](AEGP_SuiteHandler& s, AEGP_CompH c) {
             AEGP_ItemH item = nullptr;
             return s.CompSuite10()->AEGP_GetItemFromComp(c, &item);
         }},
        {"AEGP_GetDefaultCameraDistanceToImagePlane",
         [](AEGP_SuiteHandler& s, AEGP_CompH c) {
             A_FpLong d = 0;
             return s.CameraSuite2()->AEGP_GetDefaultCameraDistanceToImagePlane(c, &d);
         }},
    };
    for (const Call& c : calls) {
        EXPECT_EQ(c.call(suites, good), A_Err(0)) << c.name << " with the effect's composition";
        EXPECT_NE(c.call(suites, nullptr), A_Err(0)) << c.name << " with a null composition";
        EXPECT_NE(c.call(suites, unknown), A_Err(0)) << c.name << " with an unknown composition";
    }

    // The item is the composition's own, not the composition handle passed as one.
    AEGP_ItemH item = nullptr;
    ASSERT_EQ(suites.CompSuite10()->AEGP_GetItemFromComp(good, &item), A_Err(0));
    A_long width = 0, height = 0;
    EXPECT_EQ(suites.ItemSuite8()->AEGP_GetItemDimensions(item, &width, &height), A_Err(0));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 360);
    for (AEGP_ItemH wrong : {AEGP_ItemH(nullptr), reinterpret_cast<AEGP_ItemH>(good)})
        EXPECT_NE(suites.ItemSuite8()->AEGP_GetItemDimensions(wrong, &width, &height), A_Err(0));
}

TEST_F(HostStrictness, VideoActivityHonoursTheTimeMode) {
    lateLight();
    AEGP_SuiteHandler suites(basic());
    const AEGP_CompH comp = effectComp(suites);
    AEGP_LayerH light = nullptr;
    ASSERT_EQ(suites.LayerSuite7()->AEGP_GetLayerFromLayerID(comp, 5, &light), A_Err(0));

    // Layer time t is composition time t + 1 s; the light shows from 1 s up to 3 s (composition).
    struct Case {
        const char* label;
        AEGP_LTimeMode mode;
        A_Time time;
        bool active;
    } cases[] = {
        {"composition 0.5 s: before the in point", AEGP_LTimeMode_CompTime, {15, 30}, false},
        {"composition 1 s: the in point itself", AEGP_LTimeMode_CompTime, {30, 30}, true},
        {"composition 3 s: the out point is not shown", AEGP_LTimeMode_CompTime, {90, 30}, false},
        {"layer 0.5 s = composition 1.5 s", AEGP_LTimeMode_LayerTime, {15, 30}, true},
        {"layer -0.5 s = composition 0.5 s", AEGP_LTimeMode_LayerTime, {-15, 30}, false},
        {"layer 2 s = composition 3 s", AEGP_LTimeMode_LayerTime, {60, 30}, false},
    };
    for (const Case& c : cases) {
        A_Boolean active = 2;
        EXPECT_EQ(suites.LayerSuite5()->AEGP_IsVideoActive(light, c.mode, &c.time, &active), A_Err(0)) << c.label;
        EXPECT_EQ(active, c.active ? TRUE : FALSE) << c.label;
    }

    A_Boolean active = FALSE;
    const A_Time noScale{15, 0}, good{15, 30};
    EXPECT_NE(suites.LayerSuite5()->AEGP_IsVideoActive(light, 2, &good, &active), A_Err(0)) << "unknown time mode";
    EXPECT_NE(suites.LayerSuite5()->AEGP_IsVideoActive(light, AEGP_LTimeMode_CompTime, nullptr, &active), A_Err(0));
    EXPECT_NE(suites.LayerSuite5()->AEGP_IsVideoActive(light, AEGP_LTimeMode_CompTime, &noScale, &active), A_Err(0));
}

// The light reader asks at composition time: at 0.5 s the late light is not there yet, at 1.5 s it
// is. (Asking in layer-time mode would test 1.5 s and 2.5 s instead, and find it at both.)
TEST_F(HostStrictness, LightsAreTakenAtTheCompositionTime) {
    lateLight();
    AEGP_SuiteHandler suites(basic());
    EffectHandleWrapper effect(42, in(), &suites);
    const AEGP_CompH comp = effect.getEffectCompHandle();
    for (const auto& [frame, expected] : {std::pair<A_long, size_t>{15, 0}, {45, 1}}) {
        std::vector<LightData> lights;
        const A_Time compTime{frame, 30};
        EXPECT_EQ(effect.getCompLights(lights, comp, &compTime), A_Err(0)) << "frame " << frame;
        EXPECT_EQ(lights.size(), expected) << "frame " << frame;
    }
}

TEST_F(HostStrictness, EffectTimeIsItsLayerTime) {
    host_.project().findLayer(host_.project().effectLayerId)->startTime = 0.5;
    AEGP_SuiteHandler suites(basic());
    A_Time compTime{};
    EXPECT_EQ(suites.PFInterfaceSuite1()->AEGP_ConvertEffectToCompTime(in()->effect_ref, 10, 30, &compTime), A_Err(0));
    EXPECT_EQ(compTime.value, 25);  // 10/30 s of the layer, which starts 15/30 s into the composition
    EXPECT_EQ(compTime.scale, 30u);
    EXPECT_NE(suites.PFInterfaceSuite1()->AEGP_ConvertEffectToCompTime(in()->effect_ref, 10, 0, &compTime), A_Err(0));
}

// Parameters are checked out at the time asked for: a keyframed "Diameter" of slot 0 (index 14) goes
// from 10 at 0 s to 30 at 1 s.
class KeyframedParameter : public mrph_test::RenderedScene {
protected:
    static constexpr int kDiameter = 14;
    void SetUp() override {
        Open(R"({"composition": {"width": 32, "height": 18, "frameRate": 30, "duration": 2},
                 "nulls": [{"id": 2, "position": [16, 9, 0]}],
                 "effect": {"slots": [{"type": "Sphere", "layer": 2}]}})");
        host_.project().streams[kDiameter].keys = {{0.0, 10.0}, {1.0, 30.0}};
    }
    PF_Err checkout(A_long time, A_u_long scale, double* value) {
        PF_ParamDef def{};
        PF_InData& in = host_.inData();
        PF_Err err = in.inter.checkout_param(in.effect_ref, kDiameter, time, 1, scale, &def);
        *value = def.u.fs_d.value;
        if (!err) in.inter.checkin_param(in.effect_ref, &def);
        return err;
    }
};

TEST_F(KeyframedParameter, CheckOutHonoursItsTime) {
    struct Case {
        A_long time;
        A_u_long scale;
        double value;
    } cases[] = {{0, 30, 10.0}, {15, 30, 20.0}, {1, 4, 15.0}, {30, 30, 30.0}, {90, 30, 30.0}, {-30, 30, 10.0}};
    for (const Case& c : cases) {
        double value = 0;
        EXPECT_EQ(checkout(c.time, c.scale, &value), PF_Err_NONE) << c.time << "/" << c.scale;
        EXPECT_DOUBLE_EQ(value, c.value) << c.time << "/" << c.scale;
    }
    double value = 0;
    EXPECT_EQ(checkout(15, 0, &value), PF_Err_BAD_CALLBACK_PARAM) << "a time without a scale";

    // The effect's layer starting 0.5 s into the composition: its time 0 reads the value at 0.5 s.
    host_.project().findLayer(host_.project().effectLayerId)->startTime = 0.5;
    EXPECT_EQ(checkout(0, 30, &value), PF_Err_NONE);
    EXPECT_DOUBLE_EQ(value, 20.0);
}

TEST_F(KeyframedParameter, PreRenderReadsTheFramesTime) {
    for (const auto& [frame, radius] : {std::pair<A_long, float>{0, 10.0f}, {15, 20.0f}, {24, 26.0f}}) {
        ASSERT_EQ(job_->preRender(frame), PF_Err_NONE);
        const auto* block = static_cast<const PluginInputParams*>(job_->preRenderData());
        ASSERT_NE(block, nullptr);
        ASSERT_EQ(block->numPrimitives, 1);
        EXPECT_FLOAT_EQ(block->primitives[0].radius, radius) << "frame " << frame;
    }
}

}  // namespace
