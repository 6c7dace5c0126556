// The pre-render block, field by field: the host runs the effect's pre-render on a composition with
// known camera, lights and null layers (nothing is rendered), and every number of the block is
// compared with what the conversions give by hand: percentages / 100, 16.16 fixed-point degrees in
// radians, 8-bit colours / 255, twist / 100000, bend / 100, light intensity and radius / 100, the
// camera's view with its z axis turned round, and world-to-layer matrices of the nulls.
//
// Matrices are written here as the block holds them, column by column (x axis, y axis, z axis,
// position). The host turns a layer by the right-handed rotation about each axis: 90 degrees about z
// takes x to (0, 1, 0) and y to (-1, 0, 0); 90 degrees about x takes y to (0, 0, 1) and z to (0, -1, 0).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "render/PluginInputParams.h"
#include "tests/render/render_support.h"

namespace {

constexpr int SlotIndex(int slot, int offset) { return 3 + slot * 99 + offset; }

struct CameraCase {
    const char* name;
    const char* json;  // the scene's "camera" member, or empty for none
    float view[16];
    float fov;
    int camType;
    float aperture, focusDistance;
};

// A 180 x 100 composition. Without a camera the host's default one stands 180 * 50 / 36 = 250 in front
// of the composition's centre: fov = 2 atan(100 / (2 * 250)) = 2 atan(0.2).
const CameraCase kCameras[] = {
    {"DefaultCamera", "",
     {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 90, 50, -250, 1},
     0.39479112f, 0, 0.0f, 0.0f},
    // Orthographic, zoom = height / 2 = 50, turned 90 degrees about z and moved to (100, 50, -400):
    // its x axis is (0, 1, 0), its y axis (-1, 0, 0), its z axis (0, 0, 1) turned round to (0, 0, -1);
    // fov = 2 atan((100 / 50) / 2) = pi / 2.
    {"OrthographicCamera",
     R"("camera": {"type": "orthographic", "zoom": 50, "aperture": 30, "focusDistance": 700,
                   "position": [100, 50, -400], "rotation": [0, 0, 90]},)",
     {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -1, 0, 100, 50, -400, 1},
     1.5707964f, 1, 30.0f, 700.0f},
};

std::string Scene(const CameraCase& camera) {
    return std::string(R"({"composition": {"width": 180, "height": 100, "frameRate": 30, "duration": 1},)") +
           camera.json + R"(
      "lights": [
        {"type": "point", "intensity": 150, "color": [1, 0.5, 0.25], "falloffStart": 250, "position": [10, -20, -300]},
        {"type": "ambient", "intensity": 40, "color": [0.2, 0.4, 0.6], "falloffStart": 0, "position": [0, 5, 0],
         "rotation": [90, 0, 0]},
        {"type": "spot", "enabled": false},
        {"type": "parallel", "intensity": 100, "color": [0, 0, 1], "falloffStart": 100, "anchor": [1, 2, 3]}],
      "nulls": [{"id": 2, "position": [50, 20, 30], "rotation": [0, 0, 90], "scale": [200, 100, 100],
                 "anchor": [5, 0, 0]},
                {"id": 3, "position": [-40, 10, 100]}],
      "effect": {"slots": [{"type": "Sphere", "layer": 2}, {"type": "Box", "layer": 0},
                           {"type": "Torus", "layer": 3}]}})";
}

struct Row {
    std::string field;
    float actual, expected;
};

class PreRenderBlock : public mrph_test::RenderedScene {
protected:
    std::vector<host::Stream>& streams() { return host_.project().streams; }
    void Number(int index, double value) { streams()[index].value.one_d.value = value; }
    void Degrees(int index, double degrees) { Number(index, degrees); }  // the host keeps angles in degrees
    void Color(int index, int r, int g, int b) { streams()[index].value.color = {1.0, r / 255.0, g / 255.0, b / 255.0}; }

    // Every parameter the block reads, each with its own value.
    void SetParameters() {
        // Global settings.
        Number(1129, 3);        // "Render Mode": Depth
        Number(1115, 1);        // AO "Enabled"
        Number(1116, 75);       // "AO Threshold"
        Number(1117, 80);       // "AO Intensity"
        Color(1094, 51, 102, 153);  // "Ambient Light Color Top"
        Color(1095, 255, 204, 0);   // "Ambient Light Color Bottom"
        Number(1096, 30);       // "Ambient Center Bias"
        Number(1104, 10);       // "Ray Proximity Threshold"
        Number(1105, 5000);     // "Max Clip Distance"
        Number(1108, 3.7);      // "Max Reflections"
        Number(1098, 0);        // "Show Environment"
        Number(1102, 255.9);    // "Steps"
        Number(1103, 60);       // "Precision Multiplier"
        Number(1109, 1);        // "Shadows Enabled"
        Number(1112, 128.6);    // "Shadows Steps"
        Number(1111, 25);       // "Shadows Proximity Threshold"
        Number(1110, 50);       // "Shadows Quality"

        // Slot 0, on the turned and stretched null 2.
        auto s0 = [](int offset) { return SlotIndex(0, offset); };
        Number(s0(1), 1);    // "Enabled"
        Number(s0(95), 2);   // "Operation with previous": Subtraction
        Number(s0(96), 12.5);  // "Smoothness"
        Number(s0(5), 40);
        Number(s0(6), 50);
        Number(s0(7), 60);   // X, Y, Z Size
        Number(s0(9), 6);    // "Percent"
        Number(s0(10), 70);  // "Height"
        Number(s0(11), 45);  // "Diameter"
        Number(s0(12), 8);   // "Second Diameter"
        Number(s0(43), 1);   // Bend "Enabled"
        Number(s0(52), 0);   // Twist "Enabled"
        Number(s0(61), 1);   // Waves "Enabled"
        Number(s0(84), 0);   // Ripples "Enabled"
        Degrees(s0(89), 15); Degrees(s0(90), 30); Degrees(s0(91), 45);   // Ripples rotation
        Degrees(s0(46), 90); Degrees(s0(47), 0); Degrees(s0(48), -30);   // Bend rotation
        Degrees(s0(55), 0); Degrees(s0(56), 180); Degrees(s0(57), 0);    // Twist rotation
        Degrees(s0(67), 60); Degrees(s0(68), 0); Degrees(s0(69), 0);     // Cosine rotation
        Degrees(s0(77), 0); Degrees(s0(78), 0); Degrees(s0(79), 120);    // Sine rotation
        Number(s0(53), 2000);  // Twist "Strength"
        Number(s0(44), 2048);  // Bend "Strength"
        Degrees(s0(65), 90);   // Cosine "Offset"
        Degrees(s0(75), 45);   // Sine "Offset"
        Number(s0(64), 2);     // Cosine "Frequency"
        Number(s0(74), 5);     // Sine "Frequency"
        Number(s0(63), 30);    // Cosine "Amplitude"
        Number(s0(73), 45);    // Sine "Amplitude"
        Degrees(s0(87), 180);  // Ripples "Offset"
        Number(s0(86), 10);    // Ripples "Frequency"
        Number(s0(85), 15);    // Ripples "Amplitude"
        Color(s0(16), 204, 102, 51);  // "Diffuse Color"
        Color(s0(20), 255, 0, 51);    // "Specular Color"
        Number(s0(15), 150);  // "Diffuse Intensity"
        Number(s0(19), 80);   // "Specular Intensity"
        Number(s0(21), 64);   // "Shininess"
        Number(s0(24), 25);   // "Glossiness Intensity"
        Number(s0(25), 150);  // glossiness "Fresnel Edge Bias"
        Number(s0(26), 10);   // glossiness "Fresnel Central Bias"
        Number(s0(29), 60);   // "Rim Intensity"
        Number(s0(33), 20);   // rim "Fresnel Central Bias"
        Number(s0(31), 70);   // "Colorized Normal Mix"
        Number(s0(32), 300);  // rim "Fresnel Edge Bias"
        Color(s0(30), 0, 153, 255);  // "Rim Color"
        Number(s0(36), 90);   // "Opacity"
        Number(s0(38), 5);    // opacity "Fresnel Central Bias"
        Number(s0(37), 40);   // opacity "Fresnel Edge Bias"

        // Slot 2, on null 3: its own values where slot 0 has others.
        auto s2 = [](int offset) { return SlotIndex(2, offset); };
        Number(s2(1), 0);
        Number(s2(95), 3);  // Intersection
        Number(s2(96), 4);
        Number(s2(5), 1); Number(s2(6), 2); Number(s2(7), 3);
        Number(s2(9), 50);
        Number(s2(10), 9);
        Number(s2(11), 30);
        Number(s2(12), 7);
        Color(s2(16), 0, 255, 0);
        Number(s2(53), -1000);
    }


    void ExpectEveryFieldAsDerivedByHand(const CameraCase& cam);
};

void PreRenderBlock::ExpectEveryFieldAsDerivedByHand(const CameraCase& cam) {
    SCOPED_TRACE(cam.name);
    Open(Scene(cam));
    SetParameters();
    ASSERT_EQ(job_->preRender(0), PF_Err_NONE) << host_.returnMessage();
    const auto* b = static_cast<const PluginInputParams*>(job_->preRenderData());
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->numPrimitives, 3);
    ASSERT_EQ(b->numLights, 3) << "the light switched off is left out";

    constexpr float kPi = 3.14159265f;
    std::vector<Row> rows;
    auto row = [&](const std::string& field, float actual, float expected) { rows.push_back({field, actual, expected}); };
    auto vec = [&](const std::string& field, const KFloat3& v, float x, float y, float z) {
        row(field + ".x", v.x, x);
        row(field + ".y", v.y, y);
        row(field + ".z", v.z, z);
    };
    auto mat = [&](const std::string& field, const float* m, const float (&expected)[16]) {
        for (int i = 0; i < 16; ++i) row(field + "[" + std::to_string(i) + "]", m[i], expected[i]);
    };

    // Camera.
    mat("cameraView", &b->cameraView[0][0], cam.view);
    mat("camera.view", reinterpret_cast<const float*>(&b->camera.view), cam.view);
    row("camera.fov", b->camera.fov, cam.fov);
    row("camera.camType", (float)b->camera.camType, (float)cam.camType);
    row("camera.aperture", b->camera.aperture, cam.aperture);
    row("camera.focusDistance", b->camera.focusDistance, cam.focusDistance);

    // Render settings.
    const RenderData& g = b->global;
    row("global.renderPass", (float)g.renderPass, 3);
    row("global.ao_enabled", g.ao_enabled, 1);
    row("global.ao_threshold", g.ao_threshold, 75);
    row("global.ao_contrast", g.ao_contrast, 0.8f);
    vec("global.ambientColorStart", g.ambientColorStart, 0.2f, 0.4f, 0.6f);
    vec("global.ambientColorEnd", g.ambientColorEnd, 1.0f, 0.8f, 0.0f);
    row("global.ambientBalance", g.ambientBalance, 0.3f);
    row("global.epsilon", g.epsilon, 0.01f);
    row("global.maxDist", g.maxDist, 5000);
    row("global.maxReflections", (float)g.maxReflections, 3);
    row("global.showEnvironment", g.showEnvironment, 0);
    row("global.rayMarchSteps", (float)g.rayMarchSteps, 255);
    row("global.rayMarchMult", g.rayMarchMult, 0.6f);
    row("global.shadowsEnabled", g.shadowsEnabled, 1);
    row("global.shadowsSteps", (float)g.shadowsSteps, 128);
    row("global.shadowsThreshold", g.shadowsThreshold, 25);
    row("global.shadowsQuality", g.shadowsQuality, 0.5f);
    row("global.reserved", g.reserved, 0);
    row("global.padding", g.padding, 0);
    row("global.widthFactor (set at dispatch)", g.widthFactor, 0);
    row("global.heightFactor (set at dispatch)", g.heightFactor, 0);

    // Slot 0 on null 2: layer-to-world = move(50, 20, 30) . turn z 90 . scale(2, 1, 1) . move(-anchor), so a
    // world point (x, y, z) is the layer point ((y - 20) / 2 + 5, 50 - x, z - 30).
    const PrimitiveData& p0 = b->primitives[0];
    row("primitives[0].type", (float)p0.type, 1);
    mat("primitives[0].transform", reinterpret_cast<const float*>(&p0.transform),
        {0, -1, 0, 0, 0.5f, 0, 0, 0, 0, 0, 1, 0, -5, 50, -30, 1});
    vec("primitives[0].anchorPoint", p0.anchorPoint, 5, 0, 0);
    row("primitives[0].enabled", p0.enabled, 1);
    row("primitives[0].operation", (float)p0.operation, 2);
    row("primitives[0].smooth", p0.smooth, 12.5f);
    vec("primitives[0].three_size", p0.three_size, 40, 50, 60);
    row("primitives[0].percent", p0.percent, 0.06f);
    row("primitives[0].height", p0.height, 70);
    row("primitives[0].radius", p0.radius, 45);
    row("primitives[0].radiusB", p0.radiusB, 8);

    const ModifiersData& m0 = b->modifiers[0];
    row("modifiers[0].bend_active", m0.bend_active, 1);
    row("modifiers[0].twist_active", m0.twist_active, 0);
    row("modifiers[0].wave_active", m0.wave_active, 1);
    row("modifiers[0].ripples_active", m0.ripples_active, 0);
    vec("modifiers[0].ripples_rotation", m0.ripples_rotation, kPi / 12, kPi / 6, kPi / 4);
    vec("modifiers[0].bend_rotation", m0.bend_rotation, kPi / 2, 0, -kPi / 6);
    vec("modifiers[0].twist_rotation", m0.twist_rotation, 0, kPi, 0);
    vec("modifiers[0].cos_rotation", m0.cos_rotation, kPi / 3, 0, 0);
    vec("modifiers[0].sin_rotation", m0.sin_rotation, 0, 0, 2 * kPi / 3);
    row("modifiers[0].twist_power", m0.twist_power, 0.02f);
    row("modifiers[0].bend_power", m0.bend_power, 20.48f);
    row("modifiers[0].wave_cos_offset", m0.wave_cos_offset, kPi / 2);
    row("modifiers[0].wave_sin_offset", m0.wave_sin_offset, kPi / 4);
    row("modifiers[0].wave_cos_freq", m0.wave_cos_freq, 0.02f);
    row("modifiers[0].wave_sin_freq", m0.wave_sin_freq, 0.05f);
    row("modifiers[0].wave_cos_amp", m0.wave_cos_amp, 3.0f);
    row("modifiers[0].wave_sin_amp", m0.wave_sin_amp, 4.5f);
    row("modifiers[0].ripples_offset", m0.ripples_offset, kPi);
    row("modifiers[0].ripples_freq", m0.ripples_freq, 0.1f);
    row("modifiers[0].ripples_amp", m0.ripples_amp, 1.5f);

    const MaterialData& t0 = b->materials[0];
    vec("materials[0].diffuse_color", t0.diffuse_color, 0.8f, 0.4f, 0.2f);
    vec("materials[0].specular_color", t0.specular_color, 1.0f, 0.0f, 0.2f);
    row("materials[0].diffuse", t0.diffuse, 1.5f);
    row("materials[0].specular", t0.specular, 0.8f);
    row("materials[0].shininess", t0.shininess, 64);
    row("materials[0].glossiness", t0.glossiness, 0.25f);
    row("materials[0].gloss_fresnel_size", t0.gloss_fresnel_size, 1.5f);
    row("materials[0].gloss_fresnel_balance", t0.gloss_fresnel_balance, 0.1f);
    row("materials[0].rim", t0.rim, 0.6f);
    row("materials[0].rim_balance", t0.rim_balance, 0.2f);
    row("materials[0].rim_normals", t0.rim_normals, 0.7f);
    row("materials[0].rim_size", t0.rim_size, 3.0f);
    vec("materials[0].rim_color", t0.rim_color, 0.0f, 0.6f, 1.0f);
    row("materials[0].opacity", t0.opacity, 0.9f);
    row("materials[0].opacity_balance", t0.opacity_balance, 0.05f);
    row("materials[0].opacity_size", t0.opacity_size, 0.4f);

    // Slot 2 on null 3 at (-40, 10, 100): world-to-layer is the move back.
    const PrimitiveData& p2 = b->primitives[2];
    row("primitives[2].type", (float)p2.type, 4);
    mat("primitives[2].transform", reinterpret_cast<const float*>(&p2.transform),
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 40, -10, -100, 1});
    vec("primitives[2].anchorPoint", p2.anchorPoint, 0, 0, 0);
    row("primitives[2].enabled", p2.enabled, 0);
    row("primitives[2].operation", (float)p2.operation, 3);
    row("primitives[2].smooth", p2.smooth, 4);
    vec("primitives[2].three_size", p2.three_size, 1, 2, 3);
    row("primitives[2].percent", p2.percent, 0.5f);
    row("primitives[2].height", p2.height, 9);
    row("primitives[2].radius", p2.radius, 30);
    row("primitives[2].radiusB", p2.radiusB, 7);
    vec("materials[2].diffuse_color", b->materials[2].diffuse_color, 0, 1, 0);
    row("modifiers[2].twist_power", b->modifiers[2].twist_power, -0.01f);

    // Lights in layer order, the switched-off spot left out; transforms are layer-to-world.
    const LightData& l0 = b->lights[0];
    vec("lights[0].color", l0.color, 1.0f, 0.5f, 0.25f);
    mat("lights[0].transform", reinterpret_cast<const float*>(&l0.transform),
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, -20, -300, 1});
    row("lights[0].type", (float)l0.type, 2);
    row("lights[0].intensity", l0.intensity, 1.5f);
    row("lights[0].radius", l0.radius, 2.5f);
    const LightData& l1 = b->lights[1];
    vec("lights[1].color", l1.color, 0.2f, 0.4f, 0.6f);
    mat("lights[1].transform", reinterpret_cast<const float*>(&l1.transform),
        {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 5, 0, 1});
    row("lights[1].type", (float)l1.type, 3);
    row("lights[1].intensity", l1.intensity, 0.4f);
    row("lights[1].radius", l1.radius, 0);
    const LightData& l2 = b->lights[2];
    vec("lights[2].color", l2.color, 0, 0, 1);
    mat("lights[2].transform", reinterpret_cast<const float*>(&l2.transform),
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1});
    row("lights[2].type", (float)l2.type, 0);
    row("lights[2].intensity", l2.intensity, 1.0f);
    row("lights[2].radius", l2.radius, 1.0f);

    for (const Row& r : rows)
        EXPECT_NEAR(r.actual, r.expected, 1e-6f * std::max(1.0f, std::fabs(r.expected))) << r.field;

    // Slot 1 has no null layer: its record is all zeros (type None, disabled).
    const unsigned char zeros[sizeof(PrimitiveData)] = {};
    EXPECT_EQ(std::memcmp(&b->primitives[1], zeros, sizeof(PrimitiveData)), 0);
}

TEST_F(PreRenderBlock, EveryFieldWithTheDefaultCamera) { ExpectEveryFieldAsDerivedByHand(kCameras[0]); }
TEST_F(PreRenderBlock, EveryFieldWithAnOrthographicCamera) { ExpectEveryFieldAsDerivedByHand(kCameras[1]); }

}  // namespace
