// kernel_scene.h — hand-made scene records for the kernel tests and the kernel benchmark.
//
// A KernelScene holds the six record kinds the kernel reads, filled the way the host fills them:
// primitives placed by a world-to-layer matrix, the default camera of a composition, plain
// materials. RenderCpp runs the plain C++ form of MainKernel over a launch grid.
#ifndef MORPHALITH_TESTS_KERNEL_SCENE_H
#define MORPHALITH_TESTS_KERNEL_SCENE_H

#include <cmath>
#include <vector>

#include "Morphalith_Kernel.h"

namespace mrph_test {

using mrph_kernel::float4;

inline KFloat3 F3(float x, float y, float z) { return mrph_kernel::make_float3(x, y, z); }

inline KFloat4x4 Identity() {
    KFloat4x4 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

// A matrix that moves points by t (column 3 holds the translation).
inline KFloat4x4 Translation(KFloat3 t) {
    KFloat4x4 m = Identity();
    m.m[12] = t.x;
    m.m[13] = t.y;
    m.m[14] = t.z;
    return m;
}

// The host's camera without a camera layer: the eye at (w/2, h/2, -distance) looking along +z,
// view = identity with column 2 negated, fov = 2 atan((h / 2) / distance).
inline CamData DefaultCamera(float compWidth, float compHeight, float distance) {
    CamData cam{};
    cam.fov = (float)(2.0 * std::atan((double)compHeight * 0.5 / (double)distance));
    cam.view = Identity();
    cam.view.m[10] = -1.0f;
    cam.view.m[12] = compWidth * 0.5f;
    cam.view.m[13] = compHeight * 0.5f;
    cam.view.m[14] = -distance;
    cam.camType = 0;
    return cam;
}

inline RenderData DefaultRender() {
    RenderData r{};
    r.ambientColorStart = F3(0.1f, 0.1f, 0.1f);
    r.ambientColorEnd = F3(0.1f, 0.1f, 0.1f);
    r.ao_threshold = 4.0f;
    r.ao_contrast = 0.5f;
    r.renderPass = (int)RenderPass::Beauty;
    r.ambientBalance = 0.5f;
    r.rayMarchSteps = 128;
    r.rayMarchMult = 1.0f;
    r.maxReflections = 0;
    r.maxDist = 5000.0f;
    r.epsilon = 0.01f;
    r.ao_enabled = false;
    r.shadowsSteps = 64;
    r.shadowsEnabled = false;
    r.shadowsThreshold = 1.0f;
    r.shadowsQuality = 1.0f;
    r.showEnvironment = false;
    r.heightFactor = 1.0f;
    r.widthFactor = 1.0f;
    return r;
}

// Opaque, matte, no rim, no reflection.
inline MaterialData PlainMaterial(KFloat3 color) {
    MaterialData m{};
    m.diffuse_color = color;
    m.specular_color = F3(1.0f, 1.0f, 1.0f);
    m.rim_color = F3(1.0f, 1.0f, 1.0f);
    m.diffuse = 1.0f;
    m.specular = 0.0f;
    m.shininess = 20.0f;
    m.glossiness = 0.0f;
    m.gloss_fresnel_size = 1.0f;
    m.gloss_fresnel_balance = 1.0f;
    m.opacity = 1.0f;
    m.opacity_size = 1.0f;
    m.opacity_balance = 1.0f;  // opacity independent of the view angle
    return m;
}

inline LightData PointLight(KFloat3 position, float intensity, float radius, int type = 2) {
    LightData l{};
    l.color = F3(1.0f, 1.0f, 1.0f);
    l.transform = Translation(position);
    l.type = type;
    l.intensity = intensity;
    l.radius = radius;
    return l;
}

struct KernelScene {
    std::vector<PrimitiveData> primitives;
    std::vector<MaterialData> materials;
    std::vector<ModifiersData> modifiers;
    std::vector<LightData> lights;
    CamData camera = DefaultCamera(640.0f, 360.0f, 1000.0f);
    RenderData render = DefaultRender();
    std::vector<float4> environment;  // environmentWidth x environmentHeight texels, or empty
    int environmentWidth = 0;
    int environmentHeight = 0;

    // Adds an enabled primitive centred at a world position, combined by union; returns its slot.
    PrimitiveData& Add(PrimitiveType type, KFloat3 position, int operation = (int)OperationType::Union) {
        PrimitiveData p{};
        p.type = type;
        p.transform = Translation(F3(-position.x, -position.y, -position.z));
        p.operation = operation;
        p.enabled = true;
        primitives.push_back(p);
        materials.push_back(PlainMaterial(F3(0.8f, 0.8f, 0.8f)));
        modifiers.push_back(ModifiersData{});
        return primitives.back();
    }

    mrph_kernel::SceneArgs Args() const {
        mrph_kernel::SceneArgs s;
        s.render = &render;
        s.primitives = primitives.data();
        s.materials = materials.data();
        s.modifiers = modifiers.data();
        s.lights = lights.data();
        s.numPrimitives = (int)primitives.size();
        s.numLights = (int)lights.size();
        s.useEnvironment = environment.empty() ? 0 : 1;
        s.time = 0.0f;
        return s;
    }
};

// Output pixels in the host's layout: four floats (blue, green, red, alpha) per pixel, rows of
// pitch pixels.
struct Image {
    unsigned width = 0;
    unsigned height = 0;
    int pitch = 0;
    std::vector<float4> pixels;
    const float4& At(unsigned x, unsigned y) const { return pixels[(size_t)y * pitch + x]; }
};

inline float4 Fill(float v) { return mrph_kernel::make_float4(v, v, v, v); }

// Runs the C++ MainKernel for every work item of a gridWidth x gridHeight launch. The buffer is
// pitch x rows pixels filled with `sentinel` first, so writes outside the output stay visible.
inline Image RenderCpp(const KernelScene& scene, unsigned width, unsigned height, int pitch, unsigned rows,
                       unsigned gridWidth, unsigned gridHeight, float sentinel = -7.0f) {
    Image img;
    img.width = width;
    img.height = height;
    img.pitch = pitch;
    img.pixels.assign((size_t)pitch * rows, Fill(sentinel));
    const mrph_kernel::KernelImage env{scene.environment.data(), scene.environmentWidth, scene.environmentHeight};
    const mrph_kernel::KernelImage* envArg = scene.environment.empty() ? nullptr : &env;
    for (unsigned y = 0; y < gridHeight; ++y) {
        for (unsigned x = 0; x < gridWidth; ++x) {
            mrph_kernel::MainKernel(envArg, img.pixels.data(), scene.primitives.data(), scene.materials.data(),
                                    scene.modifiers.data(), scene.lights.data(), &scene.camera, &scene.render, pitch,
                                    0, width, height, (char)(envArg != nullptr), (int)scene.primitives.size(),
                                    (int)scene.lights.size(), 0.0f, x, y);
        }
    }
    return img;
}

inline Image RenderCpp(const KernelScene& scene, unsigned width, unsigned height) {
    return RenderCpp(scene, width, height, (int)width, height, width, height);
}

// A small scene that uses every stage of the shading: smooth union, subtraction, twist, bend, waves,
// point and ambient lights, shadows, occlusion, two reflections, rim, Fresnel opacity and an
// environment shown behind it. Sizes are for a comp of compWidth x compHeight (pixels scale with it).
inline KernelScene ShowcaseScene(float compWidth, float compHeight, int primitiveCount = 7) {
    KernelScene s;
    const float u = compHeight / 360.0f;  // one pixel of a 640 x 360 comp
    const float cx = compWidth * 0.5f;
    const float cy = compHeight * 0.5f;
    s.camera = DefaultCamera(compWidth, compHeight, 1000.0f * u);

    PrimitiveData& ground = s.Add(PrimitiveType::Box, F3(cx, cy + 120.0f * u, 0.0f));
    ground.three_size = F3(900.0f * u, 20.0f * u, 600.0f * u);
    ground.radius = 4.0f * u;
    s.materials.back().glossiness = 0.8f;
    s.materials.back().gloss_fresnel_size = 2.0f;
    s.materials.back().gloss_fresnel_balance = 0.3f;

    PrimitiveData& sphere = s.Add(PrimitiveType::Sphere, F3(cx - 90.0f * u, cy + 20.0f * u, 0.0f));
    sphere.radius = 70.0f * u;
    sphere.smooth = 30.0f * u;
    s.materials.back() = PlainMaterial(F3(0.9f, 0.2f, 0.1f));
    s.materials.back().specular = 0.6f;
    s.materials.back().glossiness = 0.9f;
    s.materials.back().rim = 0.5f;
    s.materials.back().rim_size = 2.0f;
    s.materials.back().rim_balance = 0.1f;
    s.materials.back().rim_normals = 0.3f;

    PrimitiveData& box = s.Add(PrimitiveType::Box, F3(cx + 20.0f * u, cy + 30.0f * u, 20.0f * u));
    box.three_size = F3(120.0f * u, 120.0f * u, 120.0f * u);
    box.radius = 10.0f * u;
    box.smooth = 40.0f * u;
    s.materials.back() = PlainMaterial(F3(0.2f, 0.5f, 0.9f));
    s.materials.back().opacity_size = 1.5f;
    s.materials.back().opacity_balance = 0.6f;
    ModifiersData& twist = s.modifiers.back();
    twist.twist_active = true;
    twist.twist_power = 0.01f / u;

    PrimitiveData& torus = s.Add(PrimitiveType::Torus, F3(cx + 150.0f * u, cy, 0.0f));
    torus.radius = 50.0f * u;
    torus.radiusB = 15.0f * u;
    s.materials.back() = PlainMaterial(F3(0.3f, 0.9f, 0.3f));
    s.materials.back().specular = 0.8f;
    ModifiersData& bend = s.modifiers.back();
    bend.bend_active = true;
    bend.bend_power = 2.0f / u;
    bend.bend_rotation = F3(0.3f, 0.0f, 0.2f);

    if (primitiveCount > 4) {
        PrimitiveData& hole = s.Add(PrimitiveType::Cylinder, F3(cx - 90.0f * u, cy + 20.0f * u, -60.0f * u),
                                    (int)OperationType::Subtract);
        hole.height = 80.0f * u;
        hole.radius = 25.0f * u;
        hole.radiusB = 3.0f * u;
        hole.smooth = 5.0f * u;
    }
    if (primitiveCount > 5) {
        PrimitiveData& cone = s.Add(PrimitiveType::Cone, F3(cx - 220.0f * u, cy + 40.0f * u, 40.0f * u));
        cone.height = 60.0f * u;
        cone.radius = 50.0f * u;
        cone.radiusB = 10.0f * u;
        cone.smooth = 20.0f * u;
        ModifiersData& wave = s.modifiers.back();
        wave.wave_active = true;
        wave.wave_cos_freq = 0.05f / u;
        wave.wave_cos_amp = 6.0f * u;
        wave.wave_sin_freq = 0.04f / u;
        wave.wave_sin_amp = 4.0f * u;
    }
    if (primitiveCount > 6) {
        PrimitiveData& oct = s.Add(PrimitiveType::Octahedron, F3(cx + 230.0f * u, cy - 60.0f * u, 60.0f * u));
        oct.radius = 50.0f * u;
        s.materials.back() = PlainMaterial(F3(0.9f, 0.8f, 0.2f));
        s.materials.back().glossiness = 0.6f;
    }
    if (primitiveCount > 7) {
        PrimitiveData& ring = s.Add(PrimitiveType::Hex, F3(cx + 40.0f * u, cy - 110.0f * u, 0.0f));
        ring.percent = 0.06f;
        ring.height = 15.0f * u;
        ring.radius = 40.0f * u;
        ring.radiusB = 3.0f * u;
        ring.smooth = 10.0f * u;
    }

    s.lights.push_back(PointLight(F3(cx - 300.0f * u, cy - 300.0f * u, -400.0f * u), 1.0f, 0.5f));
    s.lights.push_back(PointLight(F3(cx + 400.0f * u, cy - 200.0f * u, -200.0f * u), 0.6f, 1.0f));
    s.lights.push_back(PointLight(F3(0.0f, 0.0f, 0.0f), 0.2f, 1.0f, 3));  // ambient

    s.render.rayMarchSteps = 96;
    s.render.maxDist = 4000.0f * u;
    s.render.epsilon = 0.05f * u;
    s.render.maxReflections = 2;
    s.render.ao_enabled = true;
    s.render.ao_threshold = 6.0f * u;
    s.render.ao_contrast = 0.6f;
    s.render.shadowsEnabled = true;
    s.render.shadowsSteps = 48;
    s.render.shadowsThreshold = 2.0f * u;
    s.render.shadowsQuality = 0.2f / u;
    s.render.showEnvironment = true;
    s.render.ambientColorStart = F3(0.15f, 0.15f, 0.2f);
    s.render.ambientColorEnd = F3(0.05f, 0.04f, 0.03f);

    // A smooth sky: blue above, warm below, already in the host's (b, g, r, a) order.
    s.environmentWidth = 16;
    s.environmentHeight = 8;
    for (int y = 0; y < s.environmentHeight; ++y) {
        for (int x = 0; x < s.environmentWidth; ++x) {
            const float t = (float)y / (float)(s.environmentHeight - 1);
            const float w = (float)x / (float)(s.environmentWidth - 1);
            s.environment.push_back(mrph_kernel::make_float4(0.9f - 0.6f * t, 0.6f, 0.2f + 0.6f * t + 0.1f * w, 1.0f));
        }
    }
    return s;
}

// One work item of a width x height output: the pixel at (x, y) as `entry` (MainKernel unless said
// otherwise) writes it.
template <typename Entry>
float4 PixelCpp(Entry entry, const KernelScene& scene, unsigned width, unsigned height, unsigned x,
                unsigned y) {
    std::vector<float4> out((size_t)width * height, Fill(-7.0f));
    const mrph_kernel::KernelImage env{scene.environment.data(), scene.environmentWidth, scene.environmentHeight};
    const mrph_kernel::KernelImage* envArg = scene.environment.empty() ? nullptr : &env;
    entry(envArg, out.data(), scene.primitives.data(), scene.materials.data(), scene.modifiers.data(),
          scene.lights.data(), &scene.camera, &scene.render, (int)width, 0, width, height,
          (char)(envArg != nullptr), (int)scene.primitives.size(), (int)scene.lights.size(), 0.0f, x, y);
    return out[(size_t)y * width + x];
}

inline float4 PixelCpp(const KernelScene& scene, unsigned width, unsigned height, unsigned x, unsigned y) {
    return PixelCpp(mrph_kernel::MainKernel, scene, width, height, x, y);
}

// A 64 x 36 comp seen from 100 pixels: a Polyhedron (type 4, size 8, half spherized) whose three vertex
// weights are all 0, centred in the picture, and a sphere of radius 4 at its left. Along the view axis
// the folded point is (0, 0, d) at distance d from the centre, so the shape's distance there is
// mix(d, d - 8, 0.5) = d - 4: the centre ray meets it 96 pixels from the eye.
inline KernelScene ZeroWeightPolyhedronScene() {
    KernelScene s;
    s.camera = DefaultCamera(64, 36, 100);
    PrimitiveData& poly = s.Add(PrimitiveType::Polyhedron, F3(32, 18, 0));
    poly.radius = 8;
    poly.height = 4;
    poly.three_size = F3(0, 0, 0);
    poly.percent = 0.5f;
    s.Add(PrimitiveType::Sphere, F3(16, 18, 0)).radius = 4;
    s.lights.push_back(PointLight(F3(0, 0, -200), 1.0f, 1.0f));
    s.render.maxDist = 192;
    s.render.epsilon = 0.001f;
    return s;
}

}  // namespace mrph_test

#endif  // MORPHALITH_TESTS_KERNEL_SCENE_H
