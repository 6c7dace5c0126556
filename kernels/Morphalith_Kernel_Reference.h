// Morphalith_Kernel_Reference.h — the reference renderer: every scene-distance query evaluates every
// primitive, every shadow step is taken.
//
// It is the plain statement of what a pixel is; the bounded renderer (Morphalith_Kernel_Bounded.h)
// must draw what it draws, and the renderer comparison tests hold it to that. Both shade through
// Morphalith_Kernel_Shading.h; what is here is only what this renderer does its own way.
#ifndef MORPHALITH_KERNEL_REFERENCE_H
#define MORPHALITH_KERNEL_REFERENCE_H

#include "Morphalith_Kernel_Scene.h"

MRPH_KERNEL_NAMESPACE_BEGIN

// The hit's distance and material, primitive by primitive.
MRPH_FN SdfResult PreparedSceneSDF(float3 p, const MRPH_PRIVATE PreparedScene* ps) {
    return SceneSDF(p, ps->scene);
}

// Distance along the ray to the surface, or -1 once the ray passes maxDist. An empty scene gives 0.
MRPH_FN float PreparedMarch(RayArgs ray, const MRPH_PRIVATE PreparedScene* ps) {
    float depth = 0.0f;
    for (int i = 0; i < ps->rayMarchSteps; ++i) {
        const float d = PreparedSceneDist(ray.ro + ray.rd * depth, ps);
        depth = depth + d;
        if (d < ps->epsilon) break;
        if (depth >= ps->maxDist) return -1.0f;
    }
    return depth;
}

// The penumbra factor: the smallest k h / t over the steps towards the light, 0 once a step is inside.
MRPH_FN float calcSoftShadows(float3 ro, float3 rd, float maxt, float k,
                              const MRPH_PRIVATE PreparedScene* ps) {
    MRPH_GLOBAL const RenderData* render = ps->scene.render;
    const int steps = render->shadowsSteps;
    const float maxStep = 1.0f / render->shadowsQuality;
    float res = 1.0f;
    float t = render->shadowsThreshold;
    for (int i = 0; i < steps && t < maxt; ++i) {
        const float h = PreparedSceneDist(ro + rd * t, ps);
        if (h < 0.001f) return 0.0f;
        res = fmin(res, k * h / t);
        t = t + clamp(h, 0.01f, maxStep);
    }
    return res;
}

MRPH_KERNEL_NAMESPACE_END

// The reference renderer's normal, occlusion and Render.
#define MRPH_PATH_SCENE PreparedScene
#define MRPH_PATH_PREPARE PrepareScene
#define MRPH_PATH_PREPARED(ps) (ps)
#define MRPH_PATH_SCENE_DIST PreparedSceneDist
#define MRPH_PATH_SCENE_SDF PreparedSceneSDF
#define MRPH_PATH_MARCH PreparedMarch
#define MRPH_PATH_SOFT_SHADOWS calcSoftShadows
#define MRPH_PATH_NORMAL PreparedNormal
#define MRPH_PATH_OCCLUSION ambientOcclusion
#define MRPH_PATH_RENDER Render
#include "Morphalith_Kernel_Shading.h"

MRPH_KERNEL_NAMESPACE_BEGIN

// One query on the scene records alone, without a work item's prepared scene.
MRPH_FN float3 GetNormal(float3 pos, SceneArgs scene) {
    PreparedScene ps;
    PrepareScene(&ps, scene);
    return PreparedNormal(pos, &ps);
}

MRPH_FN float March(RayArgs ray, SceneArgs scene) {
    PreparedScene ps;
    PrepareScene(&ps, scene);
    return PreparedMarch(ray, &ps);
}

MRPH_KERNEL_NAMESPACE_END

#endif  // MORPHALITH_KERNEL_REFERENCE_H
