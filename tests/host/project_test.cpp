// The host's composition under load: layer ids that never collide, and layers found by id or by
// handle without a search, so that a composition of many lights costs time in proportion to them.
#include <gtest/gtest.h>

#include <chrono>

#include "AEGP_Suites.h"
#include "host/Host.h"

namespace {

constexpr int kLights = 100000;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Project, LayerIdsNeverCollide) {
    host::Project project;  // layer 1, "Solid 1", comes with it
    project.addLayer(1000, "Camera", AEGP_ObjectType_CAMERA, 0);
    for (AEGP_LayerIDVal id = 1001; id < 2000; ++id)
        project.addLayer(id, "Light " + std::to_string(id - 1000), AEGP_ObjectType_LIGHT, 0);
    // The thousandth light took 2000 before the environment came: the environment is refused, it
    // never stands in the light's place or hides behind it.
    project.addLayer(2000, "Light 1000", AEGP_ObjectType_LIGHT, 0);
    try {
        project.addLayer(2000, "Environment", AEGP_ObjectType_AV, 0);
        ADD_FAILURE() << "a second layer 2000 was added";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "the composition would have two layers with id 2000: \"Light 1000\" and \"Environment\"");
    }
    EXPECT_THROW(project.addLayer(1, "Another solid", AEGP_ObjectType_AV, 0), std::invalid_argument);
    EXPECT_EQ(project.comp.layers.size(), 1u + 1 + 999 + 1);
    EXPECT_EQ(project.findLayer(2000)->name, "Light 1000");
}

// Found by id while the layers change under the index: appended, erased, cleared, renumbered.
TEST(Project, LayersFoundByIdAfterEveryChange) {
    host::Project project;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kLights; ++i) project.addLayer(10 + i, "", AEGP_ObjectType_LIGHT, 0);
    for (int i = 0; i < kLights; ++i) {
        host::Layer* layer = project.findLayer(10 + i);
        ASSERT_NE(layer, nullptr) << 10 + i;
        ASSERT_EQ(layer->id, 10 + i);
    }
    // A search per lookup would take some 5e9 steps here.
    EXPECT_LT(secondsSince(start), 5.0);

    std::vector<host::Layer>& layers = project.comp.layers;
    layers.erase(layers.begin() + 1);  // layer 10
    EXPECT_EQ(project.findLayer(10), nullptr);
    EXPECT_EQ(project.findLayer(11)->id, 11);
    EXPECT_EQ(project.findLayer(10 + kLights - 1)->id, 10 + kLights - 1);
    layers[1].id = 5;  // was 11
    EXPECT_EQ(project.findLayer(5), &layers[1]);
    EXPECT_EQ(project.findLayer(11), nullptr);
    layers.clear();
    EXPECT_EQ(project.findLayer(5), nullptr);
    project.addLayer(5, "again", AEGP_ObjectType_AV, 0);
    EXPECT_EQ(project.findLayer(5)->name, "again");
    EXPECT_EQ(project.findLayer(0), nullptr);
}

// Through the layer suite, as the effect reads lights: every handle of a composition of many layers
// answers with its own id and type, handles that are no layer's are refused.
TEST(Project, LayerHandlesAnsweredWithoutASearch) {
    host::Host h(MRPH_TEST_MODULE_PATH);
    host::Project& project = h.project();
    for (int i = 0; i < kLights; ++i) project.addLayer(1001 + i, "", AEGP_ObjectType_LIGHT, 0);
    const void* table = nullptr;
    ASSERT_EQ(h.suites().basic()->AcquireSuite(kAEGPLayerSuite, kAEGPLayerSuiteVersion7, &table), kSPNoError);
    const auto* layers = static_cast<const AEGP_LayerSuite7*>(table);
    const AEGP_CompH comp = reinterpret_cast<AEGP_CompH>(&project.comp);
    h.setTraceEcho(false);

    const auto start = std::chrono::steady_clock::now();
    A_long count = 0;
    ASSERT_EQ(layers->AEGP_GetCompNumLayers(comp, &count), A_Err(0));
    ASSERT_EQ(count, kLights + 1);
    for (A_long i = 1; i < count; ++i) {
        AEGP_LayerH layer = nullptr;
        AEGP_LayerIDVal id = 0;
        AEGP_ObjectType type = -1;
        ASSERT_EQ(layers->AEGP_GetCompLayerByIndex(comp, i, &layer), A_Err(0));
        ASSERT_EQ(layers->AEGP_GetLayerID(layer, &id), A_Err(0));
        ASSERT_EQ(layers->AEGP_GetLayerObjectType(layer, &type), A_Err(0));
        ASSERT_EQ(id, 1000 + i);
        ASSERT_EQ(type, AEGP_ObjectType_LIGHT);
        AEGP_LayerH byId = nullptr;
        ASSERT_EQ(layers->AEGP_GetLayerFromLayerID(comp, 1000 + i, &byId), A_Err(0));
        ASSERT_EQ(byId, layer);
    }
    EXPECT_LT(secondsSince(start), 5.0);

    // Inside the array but not at a layer's start, before it, past its end: not layers.
    const uintptr_t first = reinterpret_cast<uintptr_t>(project.comp.layers.data()), size = sizeof(host::Layer);
    for (uintptr_t bad : {first + 8, first - size, first + size * (kLights + 1), first + size * 3 + 1}) {
        AEGP_LayerIDVal id = -1;
        EXPECT_NE(layers->AEGP_GetLayerID(reinterpret_cast<AEGP_LayerH>(bad), &id), A_Err(0));
        EXPECT_EQ(id, -1);
    }
    h.suites().basic()->ReleaseSuite(kAEGPLayerSuite, kAEGPLayerSuiteVersion7);
}

}  // namespace
