// Scene files: the schema check names the offending key and value; transforms and keyframes.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "host/Composition3D.h"
#include "host/Host.h"
#include "host/RenderCommand.h"
#include "host/SceneFile.h"

namespace {

TEST(SceneFile, BadInputNamesTheKeyAndValue) {
    struct {
        const char* json;
        const char* expected;
    } cases[] = {
        {R"({"composition": {"width": "wide"}})", "\"composition.width\": expected a whole number, got \"wide\""},
        {R"({"lights": [{"colour": [1, 0, 0]}]})", "unknown key \"lights[0].colour\" (value [1,0,0])"},
        {R"({"lights": [{"type": "laser"}]})", "\"lights[0].type\": \"laser\" is not one of"},
        {R"({"nulls": [{"position": [1, 2]}]})", "\"nulls[0].position\": expected three numbers"},
        {R"({"nulls": [{"id": 2}, {"id": 2}]})", "\"nulls[1].id\": 2 is used twice"},
        {R"({"effect": {"slots": [{"type": "Blob"}]}})", "\"effect.slots[0].type\": \"Blob\" is not a primitive type"},
        {R"({"effect": {"slots": [{"layer": 7}]}})", "\"effect.slots[0].layer\": 7 is not the id of a null"},
        {R"({"composition": {"width": 0}})", "\"composition.width\": 0 is outside"},
        {"{", "not JSON"},
    };
    for (const auto& c : cases) {
        host::Scene scene;
        std::string error;
        EXPECT_FALSE(host::parseScene(c.json, ".", &scene, &error)) << c.json;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.json << "\n  gave: " << error;
    }
}

TEST(SceneFile, DefaultSceneIsValid) {
    host::Scene scene;
    std::string error;
    EXPECT_TRUE(host::parseScene(host::defaultSceneText(), ".", &scene, &error)) << error;
    EXPECT_EQ(host::sceneFrameCount(scene), 30);
}

TEST(SceneFile, EveryExampleIsValid) {
    for (const char* name : {"primitives", "modifiers", "lights", "reflections", "panel"}) {
        host::Scene scene;
        std::string error;
        EXPECT_TRUE(host::loadSceneFile(std::string(MRPH_SOURCE_DIR) + "/examples/" + name + ".json", &scene, &error))
            << error;
    }
}

TEST(SceneFile, FrameFileNames) {
    EXPECT_EQ(host::frameFileName("out.png", 3, false), "out.png");
    EXPECT_EQ(host::frameFileName("out.png", 3, true), "out_0003.png");
    EXPECT_EQ(host::frameFileName("shots/f###.exr", 12, true), "shots/f012.exr");
    EXPECT_EQ(host::frameFileName("dir.v2/out", 1, true), "dir.v2/out_0001");
}

TEST(Composition3D, LayerToWorldMatrix) {
    host::Layer layer;
    layer.props.anchor = host::Vec3{10, 0, 0};
    layer.props.position = host::Vec3{100, 50, 20};
    layer.props.rotation = host::Vec3{0, 0, 90};
    layer.props.scale = host::Vec3{200, 200, 200};
    const A_Matrix4 m = host::layerToWorld(layer, 0);
    // The layer point (11, 0, 0): 1 past the anchor, doubled, turned 90 degrees about z, moved.
    const double p[4] = {11, 0, 0, 1};
    double w[4] = {};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) w[c] += p[r] * m.mat[r][c];
    EXPECT_NEAR(w[0], 100, 1e-9);
    EXPECT_NEAR(w[1], 52, 1e-9);
    EXPECT_NEAR(w[2], 20, 1e-9);
    // Row 3: position less the turned, scaled anchor (20, 0, 0) -> (0, 20, 0).
    EXPECT_NEAR(m.mat[3][0], 100, 1e-9);
    EXPECT_NEAR(m.mat[3][1], 30, 1e-9);
    EXPECT_NEAR(m.mat[3][2], 20, 1e-9);
}

TEST(Composition3D, KeyframesInterpolateAndHold) {
    host::Animated<double> a;
    a.keys = {{1.0, 10.0}, {3.0, 30.0}};
    EXPECT_EQ(a.at(0.0), 10.0);
    EXPECT_EQ(a.at(2.0), 20.0);
    EXPECT_EQ(a.at(5.0), 30.0);
}

// However many lights a scene has, none takes the environment image's layer id: with a thousand the
// environment is still the layer "Environment Map" names, and every light is a light.
TEST(SceneFile, AThousandLightsLeaveTheEnvironmentItsLayer) {
    std::string lights;
    for (int i = 0; i < 1000; ++i) lights += i ? ",{}" : "{}";
    host::Scene scene;
    std::string error;
    ASSERT_TRUE(host::parseScene("{\"lights\": [" + lights + "], \"environment\": {\"color\": [0, 0, 1, 1]}}", ".",
                                 &scene, &error))
        << error;
    host::Host h(MRPH_TEST_MODULE_PATH);
    ASSERT_TRUE(h.load()) << h.error();
    host::EffectSetdown setdown(h);
    ASSERT_TRUE(host::applyScene(h, scene, &error)) << error;
    const A_long environment = h.project().streams[1097].value.layer_id;  // "Environment Map"
    const host::Layer* layer = h.project().findLayer(environment);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->name, "Environment");
    EXPECT_EQ(layer->props.imageWidth, 64);
    int lightLayers = 0;
    std::set<A_long> ids;
    for (const host::Layer& l : h.project().comp.layers) {
        lightLayers += l.objectType == AEGP_ObjectType_LIGHT;
        EXPECT_TRUE(ids.insert(l.id).second) << "two layers have id " << l.id;
    }
    EXPECT_EQ(lightLayers, 1000);
}

}  // namespace
