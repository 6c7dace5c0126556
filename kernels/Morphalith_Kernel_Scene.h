// Morphalith_Kernel_Scene.h — what both renderers build on: the ray and scene records of one work
// item, the combination of primitives with material blending, and the scene distance.
//
// SceneSDF reads the records primitive by primitive. PreparedScene is the same scene set up once per
// work item (its slots read, its modifier frames built) and PreparedSceneDist its distance without the
// materials: the reference renderer marches on that, and the bounded renderer adds its bounds to it.
#ifndef MORPHALITH_KERNEL_SCENE_H
#define MORPHALITH_KERNEL_SCENE_H

#include "KernelCore.h"
#include "Morphalith_Kernel_Data.h"
#include "Morphalith_Kernel_Helpers.h"
#include "Morphalith_Kernel_March.h"
#include "Morphalith_Kernel_3D.h"

MRPH_KERNEL_NAMESPACE_BEGIN

// The C++ form counts the scene-distance queries of each thread (the benchmark reports them per
// pixel); the GPU forms count nothing.
#if defined(MRPH_KERNEL_CPP)
inline thread_local unsigned long long sceneDistanceQueries = 0;
#define MRPH_COUNT_SCENE_QUERY() (++sceneDistanceQueries)
#else
#define MRPH_COUNT_SCENE_QUERY()
#endif

typedef struct SdfResult {
    float dist;
    MaterialData material;
    float3 uv;  // reserved
} SdfResult;

typedef struct RayArgs {
    float3 ro;
    float3 rd;
    float3 viewDir;  // camera-space direction, before the view matrix
} RayArgs;

typedef struct SceneArgs {
    MRPH_GLOBAL const RenderData* render;
    MRPH_GLOBAL const PrimitiveData* primitives;
    MRPH_GLOBAL const MaterialData* materials;
    MRPH_GLOBAL const ModifiersData* modifiers;
    MRPH_GLOBAL const LightData* lights;
    int numPrimitives;
    int numLights;
    int useEnvironment;
    float time;
} SceneArgs;

// ---- Combination and material blending ------------------------------------------------------

MRPH_FN MaterialData blend(MaterialData a, MaterialData b, float k) {
    MaterialData r = a;
    r.diffuse_color = mix3(a.diffuse_color, b.diffuse_color, k);
    r.diffuse = mixf(a.diffuse, b.diffuse, k);
    r.specular = mixf(a.specular, b.specular, k);
    r.specular_color = mix3(a.specular_color, b.specular_color, k);
    r.shininess = mixf(a.shininess, b.shininess, k);
    r.glossiness = mixf(a.glossiness, b.glossiness, k);
    r.rim = mixf(a.rim, b.rim, k);
    r.rim_size = mixf(a.rim_size, b.rim_size, k);
    r.rim_balance = mixf(a.rim_balance, b.rim_balance, k);
    r.rim_normals = mixf(a.rim_normals, b.rim_normals, k);
    r.rim_color = mix3(a.rim_color, b.rim_color, k);
    r.opacity = mixf(a.opacity, b.opacity, k);
    r.opacity_size = mixf(a.opacity_size, b.opacity_size, k);
    r.opacity_balance = mixf(a.opacity_balance, b.opacity_balance, k);
    r.gloss_fresnel_size = mixf(a.gloss_fresnel_size, b.gloss_fresnel_size, k);
    r.gloss_fresnel_balance = mixf(a.gloss_fresnel_balance, b.gloss_fresnel_balance, k);
    return r;
}

// With a smoothing width of 0 or less the blend weight would be (d / 0): infinite, or NaN when the
// two distances are equal. The hard operation is its limit, so it is taken directly; on a tie the
// running result b is kept.

// a: the new primitive, b: the running result
MRPH_FN SdfResult smoothUnion(SdfResult a, SdfResult b, float k) {
    if (k <= 0.0f) return a.dist < b.dist ? a : b;
    const float h = clamp(0.5f + 0.5f * (b.dist - a.dist) / k, 0.0f, 1.0f);
    SdfResult r = b;
    r.dist = mixf(b.dist, a.dist, h) - k * h * (1.0f - h);
    r.material = blend(b.material, a.material, h);
    return r;
}

// carves a out of b
MRPH_FN SdfResult smoothSubtract(SdfResult a, SdfResult b, float k) {
    if (k <= 0.0f) {
        if (-a.dist > b.dist) {
            SdfResult r = a;
            r.dist = -a.dist;
            return r;
        }
        return b;
    }
    const float h = clamp(0.5f - 0.5f * (b.dist + a.dist) / k, 0.0f, 1.0f);
    SdfResult r = b;
    r.dist = mixf(b.dist, -a.dist, h) + k * h * (1.0f - h);
    r.material = blend(b.material, a.material, h);
    return r;
}

MRPH_FN SdfResult smoothIntersect(SdfResult a, SdfResult b, float k) {
    if (k <= 0.0f) return a.dist > b.dist ? a : b;
    const float h = clamp(0.5f - 0.5f * (b.dist - a.dist) / k, 0.0f, 1.0f);
    SdfResult r = b;
    r.dist = mixf(b.dist, a.dist, h) + k * h * (1.0f - h);
    r.material = blend(b.material, a.material, h);
    return r;
}

// ---- Scene distance ------------------------------------------------------------------------------

// What a primitive's distance needs beyond its records that does not depend on the point. A ray
// evaluates the scene hundreds of times (marching, normals, shadows, occlusion), and each modifier
// frame costs three sines and three cosines to build, so a work item builds the frames once, into a
// small pool. The records themselves are read where they are: on a GPU every work item reads the
// same record at the same time, which a per-item copy would turn into separate memory traffic.
#define MRPH_MODIFIER_FRAMES 16

typedef struct PrimitiveSetup {
    MRPH_GLOBAL const PrimitiveData* prim;
    MRPH_GLOBAL const ModifiersData* mods;
    int type;
    int operation;
    float smooth;
    int modified;  // a modifier flag is set: the point is taken relative to the anchor
    int bend;      // the bend is on and strong enough to change the point
    int frame;     // first of its frames in the pool (bend, twist, cos, sin, ripples as active), or -1
    float bendRa;  // 1 / bend
    float bendSign;
    // shape constants: pie sector (sin, cos) of its half angle; polygon half angle, cosine, sine
    float shapeA;
    float shapeB;
    float shapeC;
} PrimitiveSetup;

typedef struct ModifierFrames {
    Mat3 R[MRPH_MODIFIER_FRAMES];
    int used;
} ModifierFrames;

// Fills s for slot i; 0 (s left unset) when the slot is disabled or of type None. With a pool and
// room in it the primitive's frames are built there, otherwise they are built at each evaluation.
MRPH_FN int SetupPrimitive(MRPH_PRIVATE PrimitiveSetup* s, SceneArgs scene, int i,
                           MRPH_PRIVATE ModifierFrames* pool) {
    MRPH_GLOBAL const PrimitiveData* prim = &scene.primitives[i];
    const int type = (int)prim->type;
    if (type == PrimitiveType_None || !prim->enabled) return 0;
    MRPH_GLOBAL const ModifiersData* mods = &scene.modifiers[i];
    s->prim = prim;
    s->mods = mods;
    s->type = type;
    s->operation = prim->operation;
    s->smooth = prim->smooth;
    s->modified =
        (mods->bend_active || mods->twist_active || mods->wave_active || mods->ripples_active) ? 1 : 0;
    s->bend = (mods->bend_active && bendHasEffect(mods->bend_power)) ? 1 : 0;
    s->frame = -1;
    if (s->bend) {
        const float bend = mods->bend_power / 400.0f;
        s->bendRa = 1.0f / bend;
        s->bendSign = sign(bend);
    }
    const int frames =
        s->bend + (mods->twist_active ? 1 : 0) + (mods->wave_active ? 2 : 0) + (mods->ripples_active ? 1 : 0);
    if (frames > 0 && pool != 0 && pool->used + frames <= MRPH_MODIFIER_FRAMES) {
        int f = pool->used;
        s->frame = f;
        if (s->bend) pool->R[f++] = euler2mat(mods->bend_rotation);
        if (mods->twist_active) pool->R[f++] = euler2mat(mods->twist_rotation);
        if (mods->wave_active) {
            pool->R[f++] = euler2mat(mods->cos_rotation);
            pool->R[f++] = euler2mat(mods->sin_rotation);
        }
        if (mods->ripples_active) pool->R[f++] = euler2mat(mods->ripples_rotation);
        pool->used = f;
    }
    if (type == PrimitiveType_PieCylinder) {
        const float per = prim->percent * MRPH_PI;
        s->shapeA = sin(per);
        s->shapeB = cos(per);
    } else if (type == PrimitiveType_Hex) {
        const float b = polygonHalfAngle(floor(prim->percent * 100.0f));
        s->shapeA = b;
        s->shapeB = cos(b);
        s->shapeC = sin(b);
    }
    return 1;
}

MRPH_FN float ShapeDist(float3 pos, const MRPH_PRIVATE PrimitiveSetup* s) {
    MRPH_GLOBAL const PrimitiveData* prim = s->prim;
    switch (s->type) {
        case PrimitiveType_Sphere:
            return sphereSDF(pos, prim->radius);
        case PrimitiveType_Hemisphere:
            return hemisphereSDF(pos, prim->radius, prim->percent, prim->radiusB);
        case PrimitiveType_Box:
            return boxSDF(pos, prim->three_size, prim->radius);
        case PrimitiveType_Torus:
            return torusSDF(pos, prim->radius, prim->radiusB);
        case PrimitiveType_Capsule:
            return capsuleSDF(pos, prim->height, prim->radius);
        case PrimitiveType_Cylinder:
            return cylinderSDF(pos, prim->height, prim->radius, prim->radiusB);
        case PrimitiveType_PieCylinder:
            return pieCylinderSectorSDF(pos, prim->height, prim->radius, make_float2(s->shapeA, s->shapeB),
                                        prim->radiusB);
        case PrimitiveType_Hex:
            return polygonSidesSDF(pos, s->shapeA, s->shapeB, s->shapeC, prim->height, prim->radius,
                                   prim->radiusB);
        case PrimitiveType_Cursor:
            return cursorSDF(pos, prim->height, prim->radius, prim->radiusB, prim->three_size * 0.01f);
        case PrimitiveType_Cone:
            return coneSDF(pos, prim->height, prim->radius, prim->radiusB);
        case PrimitiveType_RoundCone:
            return roundConeSDF(pos, prim->height, prim->radius, prim->radiusB);
        case PrimitiveType_Octahedron:
            return octahedronSDF(pos, prim->radius);
        case PrimitiveType_Pyramid:
            return pyramidSDF(pos, prim->height);
        case PrimitiveType_Polyhedron:
            return polyhedronSDF(pos, prim->radius, round(prim->height), prim->three_size, prim->percent);
        default:
            return 0.0f;
    }
}

// The deformers in their fixed order, around the null layer's anchor point.
MRPH_FN float3 ModifyPoint(float3 pos, const MRPH_PRIVATE PrimitiveSetup* s,
                           const MRPH_PRIVATE ModifierFrames* pool) {
    MRPH_GLOBAL const ModifiersData* mods = s->mods;
    const float3 anchor = s->prim->anchorPoint;
    pos = pos - anchor;
    if (s->frame >= 0) {
        int f = s->frame;
        if (s->bend) pos = bendFrame(pos, pool->R[f++], s->bendRa, s->bendSign);
        if (mods->twist_active) pos = twistFrame(pos, pool->R[f++], mods->twist_power);
        if (mods->wave_active) {
            pos = cosFrame(pos, pool->R[f++], mods->wave_cos_offset, mods->wave_cos_freq, mods->wave_cos_amp);
            pos = sinFrame(pos, pool->R[f++], mods->wave_sin_offset, mods->wave_sin_freq, mods->wave_sin_amp);
        }
        if (mods->ripples_active) {
            pos = ripplesFrame(pos, pool->R[f], mods->ripples_offset, mods->ripples_freq, mods->ripples_amp);
        }
    } else {
        if (s->bend) pos = bendFrame(pos, euler2mat(mods->bend_rotation), s->bendRa, s->bendSign);
        if (mods->twist_active) pos = twistMod(pos, mods->twist_power, mods->twist_rotation);
        if (mods->wave_active) {
            pos = cosMod(pos, mods->cos_rotation, mods->wave_cos_offset, mods->wave_cos_freq,
                         mods->wave_cos_amp);
            pos = sinMod(pos, mods->sin_rotation, mods->wave_sin_offset, mods->wave_sin_freq,
                         mods->wave_sin_amp);
        }
        if (mods->ripples_active) {
            pos = ripplesMod(pos, mods->ripples_rotation, mods->ripples_offset, mods->ripples_freq,
                             mods->ripples_amp);
        }
    }
    return pos + anchor;
}

// Signed distance of one set-up primitive at p (world space).
MRPH_FN float PrimitiveDist(float3 p, const MRPH_PRIVATE PrimitiveSetup* s,
                            const MRPH_PRIVATE ModifierFrames* pool) {
    float3 pos = xyz(MULTIPLY_MAT4_VEC4(s->prim->transform, make_float4(p.x, p.y, p.z, 1.0f)));
    if (s->modified) pos = ModifyPoint(pos, s, pool);
    return ShapeDist(pos, s);
}

// The distances of smoothUnion, smoothSubtract and smoothIntersect alone, for the many evaluations
// that need no material. a: the new primitive, b: the running result.
MRPH_FN float CombineDist(float a, float b, int operation, float k) {
    if (operation == OperationType_Union) {
        if (k <= 0.0f) return a < b ? a : b;
        const float h = clamp(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
        return mixf(b, a, h) - k * h * (1.0f - h);
    }
    if (operation == OperationType_Subtract) {
        if (k <= 0.0f) return -a > b ? -a : b;
        const float h = clamp(0.5f - 0.5f * (b + a) / k, 0.0f, 1.0f);
        return mixf(b, -a, h) + k * h * (1.0f - h);
    }
    if (operation == OperationType_Intersect) {
        if (k <= 0.0f) return a > b ? a : b;
        const float h = clamp(0.5f - 0.5f * (b - a) / k, 0.0f, 1.0f);
        return mixf(b, a, h) + k * h * (1.0f - h);
    }
    return b;
}

MRPH_FN MaterialData zeroMaterial(void) {
    MaterialData m;
    m.rim_color = make_float3(0.0f, 0.0f, 0.0f);
    m.diffuse_color = m.rim_color;
    m.specular_color = m.rim_color;
    m.padding = 0.0f;
    m.diffuse = 0.0f;
    m.specular = 0.0f;
    m.shininess = 0.0f;
    m.glossiness = 0.0f;
    m.gloss_fresnel_size = 0.0f;
    m.gloss_fresnel_balance = 0.0f;
    m.rim = 0.0f;
    m.rim_size = 0.0f;
    m.rim_balance = 0.0f;
    m.rim_normals = 0.0f;
    m.opacity = 0.0f;
    m.opacity_size = 0.0f;
    m.opacity_balance = 0.0f;
    return m;
}

// Distance and material of the whole scene at p (world space). With no enabled primitive the
// distance is 0 everywhere, which the marcher reads as a miss.
MRPH_FN SdfResult SceneSDF(float3 p, SceneArgs scene) {
    MRPH_COUNT_SCENE_QUERY();
    SdfResult result;
    result.dist = 0.0f;
    result.material = zeroMaterial();
    result.uv = make_float3(0.0f, 0.0f, 0.0f);
    int n = 0;
    for (int i = 0; i < scene.numPrimitives; ++i) {
        PrimitiveSetup s;
        if (!SetupPrimitive(&s, scene, i, 0)) continue;

        SdfResult object;
        object.dist = PrimitiveDist(p, &s, 0);
        object.material = scene.materials[i];
        object.uv = result.uv;

        if (n == 0) {
            // The first enabled primitive seeds the scene whatever its operation.
            result = object;
        } else if (s.operation == OperationType_Union) {
            result = smoothUnion(object, result, s.smooth);
        } else if (s.operation == OperationType_Subtract) {
            result = smoothSubtract(object, result, s.smooth);
        } else if (s.operation == OperationType_Intersect) {
            result = smoothIntersect(object, result, s.smooth);
        }
        n = n + 1;
    }
    result.dist = result.dist * scene.render->rayMarchMult;
    return result;
}

// The scene as one work item sees it: the first primitives set up once, with their modifier frames,
// and the settings the loops read copied out of the record. Slots from restSlot on (only in scenes
// with more enabled primitives than this holds) are set up afresh at each evaluation.
#define MRPH_PREPARED_PRIMITIVES 16

typedef struct PreparedScene {
    PrimitiveSetup prims[MRPH_PREPARED_PRIMITIVES];
    ModifierFrames frames;
    int count;
    int restSlot;
    SceneArgs scene;
    float rayMarchMult;
    float epsilon;
    float maxDist;
    int rayMarchSteps;
} PreparedScene;

MRPH_FN void PrepareScene(MRPH_PRIVATE PreparedScene* ps, SceneArgs scene) {
    ps->scene = scene;
    ps->rayMarchMult = scene.render->rayMarchMult;
    ps->epsilon = scene.render->epsilon;
    ps->maxDist = scene.render->maxDist;
    ps->rayMarchSteps = scene.render->rayMarchSteps;
    ps->frames.used = 0;
    ps->count = 0;
    int i = 0;
    for (; i < scene.numPrimitives && ps->count < MRPH_PREPARED_PRIMITIVES; ++i) {
        if (SetupPrimitive(&ps->prims[ps->count], scene, i, &ps->frames)) ps->count = ps->count + 1;
    }
    ps->restSlot = i;
}

// dist, of the first n enabled primitives, combined with the slots beyond the prepared ones, which are
// set up afresh (not yet multiplied by the march multiplier).
MRPH_FN float RestSlotsDist(float3 p, const MRPH_PRIVATE PreparedScene* ps, float dist, int n) {
    for (int i = ps->restSlot; i < ps->scene.numPrimitives; ++i) {
        PrimitiveSetup s;
        if (!SetupPrimitive(&s, ps->scene, i, 0)) continue;
        const float d = PrimitiveDist(p, &s, 0);
        dist = n == 0 ? d : CombineDist(d, dist, s.operation, s.smooth);
        n = n + 1;
    }
    return dist;
}

// SceneSDF(p).dist without the materials.
MRPH_FN float PreparedSceneDist(float3 p, const MRPH_PRIVATE PreparedScene* ps) {
    MRPH_COUNT_SCENE_QUERY();
    const MRPH_PRIVATE ModifierFrames* pool = &ps->frames;
    float dist = 0.0f;
    const int n = ps->count;
    if (n > 0) {
        // The first enabled primitive seeds the scene whatever its operation.
        dist = PrimitiveDist(p, &ps->prims[0], pool);
        for (int i = 1; i < n; ++i) {
            const MRPH_PRIVATE PrimitiveSetup* s = &ps->prims[i];
            dist = CombineDist(PrimitiveDist(p, s, pool), dist, s->operation, s->smooth);
        }
    }
    return RestSlotsDist(p, ps, dist, n) * ps->rayMarchMult;
}

MRPH_KERNEL_NAMESPACE_END

#endif  // MORPHALITH_KERNEL_SCENE_H
