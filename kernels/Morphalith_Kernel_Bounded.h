// Morphalith_Kernel_Bounded.h — the bounded renderer: Render's image with less work.
//
// It builds on the prepared scene of Morphalith_Kernel_Scene.h and shades through
// Morphalith_Kernel_Shading.h, as the reference renderer does. Every scene-distance value it computes
// is the reference's, bit for bit; it only leaves out work that provably cannot change one:
//  - A primitive that cannot change the running distance is not evaluated. Every primitive gets a
//    cheap lower bound of its distance (its box, or a cylinder or slab around a twist or bend axis).
//    A union (or subtraction) with a distance at least the smoothing width above the running value
//    leaves that value exactly as it is: the blend weight is 0.
//  - Along a ray (march, reflection, shadow), each primitive's last bound or distance is remembered
//    with how fast it can fall: its proven slope or, for a convex function, the secant through its
//    last two values. Primitives ruled out by what is remembered cost nothing at the next step.
//  - Soft-shadow steps that cannot change the shadow are not evaluated. While the union of the
//    remembered bounds stays above both the step length and the value that would lower the shadow,
//    steps are only counted, as the reference loop would take them.
// Each bound, slope and convexity is proven for every value its record can hold, the ones the panel
// never writes included. A primitive whose distance has neither a proven bound nor a proven slope
// (Polygon, Cursor, Polyhedron; a bend and a twist in different frames; a record holding a NaN or an
// infinity) is always evaluated, and while one is combined by union, every shadow step is taken: the
// reference path, for that scene.
#ifndef MORPHALITH_KERNEL_BOUNDED_H
#define MORPHALITH_KERNEL_BOUNDED_H

#include "Morphalith_Kernel_Scene.h"

MRPH_KERNEL_NAMESPACE_BEGIN

// ---- Bounds of one primitive --------------------------------------------------------------------
// All bounds are taken in the primitive's layer space (after its world-to-layer matrix, before the
// modifiers); the matrix stretches lengths by at most `scale`.

#define MRPH_BOUND_NONE 0
#define MRPH_BOUND_BOX 1         // no bend, no twist: the shape's box, less the waves' and ripples' reach
#define MRPH_BOUND_TWIST 2       // twist: the capped cylinder around the twist axis that holds the box
#define MRPH_BOUND_BEND 3        // bend: the slab of the bend plane's radial and z extents
#define MRPH_BOUND_BENT_TWIST 4  // bend and twist in one frame: the infinite cylinder around the axis

// A value no distance reaches; finite, so that the combinations below stay free of inf - inf.
#define MRPH_FAR 1e30f

typedef struct PrimitiveBound {
    int kind;
    float3 centre;  // box: centre and half extents of the shape's box
    float3 extent;
    Mat3 R;         // twist or bend frame
    float3 lo;      // in the frame: cylinder radius (lo.x) and height range (lo.y, hi.y); slab x and z ranges
    float3 hi;
    float bendRa;
    float bendSign;
    float reach;      // how far the waves and ripples can move a point
    float lambda;     // slope of the shape's bound (1, or 1/3 for the pyramid)
    float scale;      // bound of the stretch of the world-to-layer matrix
    float lipschitz;  // bound of the slope of the distance in layer space, 0 where none is proven
    int convex;       // the distance is a convex function of the point
    int boundConvex;  // the bound is a convex function of the point
} PrimitiveBound;

// Exact signed distance to the box of half extents e centred on the origin.
MRPH_FN float boxBoundDist(float3 p, float3 e) {
    const float3 d = abs3(p) - e;
    return fmin(maxComponent3(d), 0.0f) + length(max3s(d, 0.0f));
}

// Exact signed distance to the rectangle [lo.x, hi.x] x [lo.y, hi.y] of the plane.
MRPH_FN float rectBoundDist(float2 p, float2 lo, float2 hi) {
    const float2 d = make_float2(fabs(p.x - 0.5f * (lo.x + hi.x)) - 0.5f * (hi.x - lo.x),
                                 fabs(p.y - 0.5f * (lo.y + hi.y)) - 0.5f * (hi.y - lo.y));
    return fmin(fmax(d.x, d.y), 0.0f) + length(max2s(d, 0.0f));
}

// The shape's box in its own space: f(p) >= lambda * boxBoundDist(p - centre, extent) for every p.
// A shape whose distance is the exact distance to a set inside the box satisfies this with lambda 1
// (outside the box the set is at least as far as the box; inside, its surface is nearer than the
// box's). Sizes that make no sense (negative radii) are covered by clamping at 0. 0 where no box is
// proven.
MRPH_FN int ShapeBox(int type, MRPH_GLOBAL const PrimitiveData* prim, MRPH_PRIVATE float3* centre,
                     MRPH_PRIVATE float3* extent, MRPH_PRIVATE float* lambda) {
    const float r = fmax(prim->radius, 0.0f);
    const float rb = fmax(prim->radiusB, 0.0f);
    *centre = make_float3(0.0f, 0.0f, 0.0f);
    *lambda = 1.0f;
    switch (type) {
        case PrimitiveType_Sphere:
        case PrimitiveType_Hemisphere:  // never below the sphere's distance (a smooth maximum with it)
        case PrimitiveType_Octahedron:  // |x| + |y| + |z| >= |p|
            *extent = make_float3(r, r, r);
            return 1;
        case PrimitiveType_Box: {
            // The rounded box of half sizes s/2 - r grown by r.
            const float3 core = max3s(prim->three_size * 0.5f - prim->radius, 0.0f);
            *extent = core + fmax(prim->radius, 0.0f);
            return 1;
        }
        case PrimitiveType_Torus:
            *extent = make_float3(r + rb, rb, r + rb);
            return 1;
        case PrimitiveType_Capsule: {
            const float h = 0.5f * fabs(prim->height) + r;
            *extent = make_float3(r, h, r);
            return 1;
        }
        case PrimitiveType_Cylinder:
        case PrimitiveType_PieCylinder: {  // the sector's distance is never below its whole cylinder's
            const float fillet = fmax(prim->radiusB, 0.0f);
            const float er = fmax(prim->radius - prim->radiusB, 0.0f) + fillet;
            const float eh = fmax(prim->height - prim->radiusB, 0.0f) + fillet;
            *extent = make_float3(er, eh, er);
            return 1;
        }
        case PrimitiveType_Cone:
            if (prim->height < 0.0f || prim->radius < 0.0f || prim->radiusB < 0.0f) return 0;
            *extent = make_float3(fmax(r, rb), prim->height, fmax(r, rb));
            return 1;
        case PrimitiveType_RoundCone: {
            if (prim->radius < 0.0f || prim->radiusB < 0.0f) return 0;
            const float rm = fmax(r, rb);
            *extent = make_float3(rm, fabs(prim->height) + rm, rm);
            return 1;
        }
        case PrimitiveType_Pyramid: {
            // (1.5|x| + |y| + 1.5|z| - h) / 3 >= (|p| - |h|) / 3, about the point the shape is built on.
            const float h = fabs(prim->height);
            *centre = make_float3(0.0f, 0.5f * prim->height, 0.0f);
            *extent = make_float3(h, h, h);
            *lambda = 1.0f / 3.0f;
            return 1;
        }
        default:
            return 0;
    }
}

// A bound of the slope of the shape's distance; 0 where none is proven. Exact distances have slope 1,
// and so have their smooth unions and intersections (the blend weights sum to 1).
MRPH_FN float ShapeLipschitz(int type, MRPH_GLOBAL const PrimitiveData* prim) {
    switch (type) {
        case PrimitiveType_Sphere:
        case PrimitiveType_Hemisphere:
        case PrimitiveType_Box:
        case PrimitiveType_Torus:
        case PrimitiveType_Capsule:
        case PrimitiveType_Cylinder:
        case PrimitiveType_Pyramid:  // the larger of y and a plane of slope sqrt(5.5) / 3
            return 1.0f;
        case PrimitiveType_Cone:
            return (prim->height < 0.0f || prim->radius < 0.0f || prim->radiusB < 0.0f) ? 0.0f : 1.0f;
        case PrimitiveType_RoundCone:
            return (prim->radius < 0.0f || prim->radiusB < 0.0f) ? 0.0f : 1.0f;
        case PrimitiveType_Octahedron:
            return 1.7321f;  // |x| + |y| + |z| - s
        default:
            return 0.0f;
    }
}

// 1 where the shape's distance is a convex function of the point, so that along a ray it lies above
// every secant's extension: the exact distances of convex sets (sphere, box, capsule, cylinder, the
// two cones with sizes that make them convex), a maximum of convex functions (octahedron, pyramid)
// and the hemisphere's smooth maximum of two (the polynomial smooth maximum keeps convexity).
MRPH_FN int ShapeConvex(int type, MRPH_GLOBAL const PrimitiveData* prim) {
    switch (type) {
        case PrimitiveType_Sphere:
        case PrimitiveType_Hemisphere:
        case PrimitiveType_Box:
        case PrimitiveType_Capsule:
        case PrimitiveType_Cylinder:
        case PrimitiveType_Octahedron:
        case PrimitiveType_Pyramid:
            return 1;
        case PrimitiveType_Cone:
            return ShapeLipschitz(type, prim) > 0.0f ? 1 : 0;
        case PrimitiveType_RoundCone:
            // Below a height of 0 the shape is its two spheres apart (its guard reads any negative
            // height as one sphere holding the other), and a union of two balls is not convex.
            return (ShapeLipschitz(type, prim) > 0.0f && prim->height >= 0.0f) ? 1 : 0;
        default:
            return 0;
    }
}

// x * 0 is 0 for every finite x and NaN for NaN and the infinities, so a sum of such terms is 0
// exactly when every term's value is finite.
MRPH_FN float finiteProbe(float x) {
    return x * 0.0f;
}
MRPH_FN float finiteProbe3(float3 v) {
    return finiteProbe(v.x) + finiteProbe(v.y) + finiteProbe(v.z);
}

// 1 when every value that the primitive's distance reads is finite. A NaN or an infinity in a record
// makes the distance NaN or infinite wherever it is read, and then no bound, slope or convexity holds:
// such a primitive takes the full path. (Forms built with relaxed math may take every value to be
// finite; neither renderer draws anything defined for the others there.)
MRPH_FN int PrimitiveRecordIsFinite(const MRPH_PRIVATE PrimitiveSetup* s) {
    MRPH_GLOBAL const PrimitiveData* prim = s->prim;
    MRPH_GLOBAL const ModifiersData* mods = s->mods;
    float probe = finiteProbe3(prim->anchorPoint) + finiteProbe3(prim->three_size) +
                  finiteProbe(prim->percent) + finiteProbe(prim->radius) + finiteProbe(prim->radiusB) +
                  finiteProbe(prim->height) + finiteProbe(prim->smooth);
    // The rows of the world-to-layer matrix that give the layer point.
    for (int c = 0; c < 4; ++c) {
        probe = probe + finiteProbe(prim->transform.m[4 * c]) + finiteProbe(prim->transform.m[4 * c + 1]) +
                finiteProbe(prim->transform.m[4 * c + 2]);
    }
    if (s->bend) probe = probe + finiteProbe(mods->bend_power) + finiteProbe3(mods->bend_rotation);
    if (mods->twist_active)
        probe = probe + finiteProbe(mods->twist_power) + finiteProbe3(mods->twist_rotation);
    if (mods->wave_active) {
        probe = probe + finiteProbe(mods->wave_cos_offset) + finiteProbe(mods->wave_cos_freq) +
                finiteProbe(mods->wave_cos_amp) + finiteProbe(mods->wave_sin_offset) +
                finiteProbe(mods->wave_sin_freq) + finiteProbe(mods->wave_sin_amp) +
                finiteProbe3(mods->cos_rotation) + finiteProbe3(mods->sin_rotation);
    }
    if (mods->ripples_active) {
        probe = probe + finiteProbe(mods->ripples_offset) + finiteProbe(mods->ripples_freq) +
                finiteProbe(mods->ripples_amp) + finiteProbe3(mods->ripples_rotation);
    }
    return probe == 0.0f ? 1 : 0;
}

// Folds the eight corners of the box (centre, extent) into frame R around anchor: the smallest
// radius around the frame's y axis that holds them (lo.x), and their x, y and z ranges (lo, hi).
MRPH_FN void FrameExtents(float3 centre, float3 extent, float3 anchor, Mat3 R, MRPH_PRIVATE float* radius,
                          MRPH_PRIVATE float3* lower, MRPH_PRIVATE float3* upper) {
    float r = 0.0f;
    float3 lo = make_float3(MRPH_FAR, MRPH_FAR, MRPH_FAR);
    float3 hi = make_float3(-MRPH_FAR, -MRPH_FAR, -MRPH_FAR);
    for (int k = 0; k < 8; ++k) {
        const float3 corner = centre + make_float3((k & 1) ? extent.x : -extent.x, (k & 2) ? extent.y : -extent.y,
                                                   (k & 4) ? extent.z : -extent.z);
        const float3 w = MULTIPLY_VEC3_MAT3(corner - anchor, R);
        r = fmax(r, length(xz(w)));
        lo = make_float3(fmin(lo.x, w.x), fmin(lo.y, w.y), fmin(lo.z, w.z));
        hi = make_float3(fmax(hi.x, w.x), fmax(hi.y, w.y), fmax(hi.z, w.z));
    }
    *radius = r;
    *lower = lo;
    *upper = hi;
}

MRPH_FN int sameAngles(float3 a, float3 b) { return (a.x == b.x && a.y == b.y && a.z == b.z) ? 1 : 0; }

// The bound of one set-up primitive.
//
// Modifiers: waves and ripples move a point by at most `reach` (the amplitudes; ripples move x and z
// together, sqrt 2 times theirs), which lowers the box's distance by at most as much. A twist turns
// the x-z plane of its frame about the y axis: distance from the axis and height stay, so a cylinder
// about the axis that holds the box bounds the twisted shape without the twist's sine and cosine. A
// bend maps the plane point at distance |b| from the bend centre to x = ra - s |b|, keeping z, so the
// box's x and z ranges in the bend frame bound the bent shape without the bend's arc tangent. A bend
// followed by a twist in the same frame keeps both x and z for the twist's radius.
MRPH_FN void SetupPrimitiveBound(MRPH_PRIVATE PrimitiveBound* b, const MRPH_PRIVATE PrimitiveSetup* s) {
    MRPH_GLOBAL const PrimitiveData* prim = s->prim;
    MRPH_GLOBAL const ModifiersData* mods = s->mods;

    // Gershgorin on A^T A bounds the largest singular value of the matrix A.
    const float3 c0 = make_float3(prim->transform.m[0], prim->transform.m[1], prim->transform.m[2]);
    const float3 c1 = make_float3(prim->transform.m[4], prim->transform.m[5], prim->transform.m[6]);
    const float3 c2 = make_float3(prim->transform.m[8], prim->transform.m[9], prim->transform.m[10]);
    const float g01 = fabs(dot(c0, c1));
    const float g02 = fabs(dot(c0, c2));
    const float g12 = fabs(dot(c1, c2));
    const float rows = fmax(dot(c0, c0) + g01 + g02, fmax(dot(c1, c1) + g01 + g12, dot(c2, c2) + g02 + g12));
    b->scale = sqrt(rows) * 1.0001f;

    float lipschitz = ShapeLipschitz(s->type, prim);
    const int boxed = ShapeBox(s->type, prim, &b->centre, &b->extent, &b->lambda);
    b->reach = 0.0f;
    b->kind = boxed ? MRPH_BOUND_BOX : MRPH_BOUND_NONE;
    b->bendRa = s->bend ? s->bendRa : 0.0f;
    b->bendSign = s->bend ? s->bendSign : 0.0f;
    if (s->modified) {
        // Slopes of x + A cos(f y + o) and of the ripples' x + g, z + g with |grad g| <= |A f|.
        if (mods->wave_active) {
            b->reach = fabs(mods->wave_cos_amp) + fabs(mods->wave_sin_amp);
            lipschitz = lipschitz * (1.0f + fabs(mods->wave_cos_amp * mods->wave_cos_freq)) *
                        (1.0f + fabs(mods->wave_sin_amp * mods->wave_sin_freq));
        }
        if (mods->ripples_active) {
            b->reach = b->reach + 1.4143f * fabs(mods->ripples_amp);
            lipschitz = lipschitz * (1.0f + 1.4143f * fabs(mods->ripples_amp * mods->ripples_freq));
        }
        // Bend and twist stretch lengths without limit far from their axes.
        const int twist = mods->twist_active ? 1 : 0;
        if (s->bend || twist) lipschitz = 0.0f;
        if (boxed && (s->bend || twist)) {
            const float3 anchor = prim->anchorPoint;
            float radius;
            if (!s->bend) {
                b->kind = MRPH_BOUND_TWIST;
                b->R = euler2mat(mods->twist_rotation);
            } else if (!twist) {
                b->kind = MRPH_BOUND_BEND;
                b->R = euler2mat(mods->bend_rotation);
            } else if (sameAngles(mods->bend_rotation, mods->twist_rotation)) {
                b->kind = MRPH_BOUND_BENT_TWIST;
                b->R = euler2mat(mods->bend_rotation);
            } else {
                b->kind = MRPH_BOUND_NONE;
            }
            if (b->kind != MRPH_BOUND_NONE) {
                float3 lo;
                float3 hi;
                FrameExtents(b->centre, b->extent, anchor, b->R, &radius, &lo, &hi);
                if (b->kind != MRPH_BOUND_BEND) lo.x = radius;
                b->lo = lo;
                b->hi = hi;
            }
        }
    }
    b->lipschitz = lipschitz;
    // Affine maps keep convexity, modifiers do not. The box bound is convex, and so is the twist's
    // cylinder (non-decreasing in the convex distance from the axis); the bend's are not.
    b->convex = (!s->modified && ShapeConvex(s->type, prim)) ? 1 : 0;
    b->boundConvex = (b->kind == MRPH_BOUND_BOX || b->kind == MRPH_BOUND_TWIST) ? 1 : 0;
    if (!PrimitiveRecordIsFinite(s)) {
        b->kind = MRPH_BOUND_NONE;
        b->lipschitz = 0.0f;
        b->convex = 0;
        b->boundConvex = 0;
    }
}

// The lower bound of the primitive's distance at layer point q (not yet multiplied by the march
// multiplier). Its slope in layer space is at most lambda.
MRPH_FN float PrimitiveBoundDist(float3 q, const MRPH_PRIVATE PrimitiveBound* b, const MRPH_PRIVATE PrimitiveSetup* s) {
    float d;
    if (b->kind == MRPH_BOUND_BOX) {
        d = boxBoundDist(q - b->centre, b->extent);
    } else {
        const float3 u = MULTIPLY_VEC3_MAT3(q - s->prim->anchorPoint, b->R);
        if (b->kind == MRPH_BOUND_TWIST) {
            d = rectBoundDist(make_float2(length(xz(u)), u.y), make_float2(-b->lo.x, b->lo.y),
                              make_float2(b->lo.x, b->hi.y));
        } else {
            const float bx = u.x - b->bendRa;
            const float x = b->bendRa - b->bendSign * sqrt(bx * bx + u.y * u.y);
            if (b->kind == MRPH_BOUND_BEND) {
                d = rectBoundDist(make_float2(x, u.z), make_float2(b->lo.x, b->lo.z), make_float2(b->hi.x, b->hi.z));
            } else {
                d = length(make_float2(x, u.z)) - b->lo.x;
            }
        }
    }
    return b->lambda * (d - b->reach);
}

// 1 when a primitive whose distance is at least `bound` leaves the running distance `running` exactly
// as it is under `operation` with smoothing k: its blend weight is then exactly 0. The margin covers
// the rounding of the bound and of the distance it stands for.
MRPH_FN int BoundLeavesDistance(float bound, float running, int operation, float k) {
    const float width = fmax(k, 0.0f);
    const float margin = 0.001f + 0.0001f * fabs(running) + 0.001f * width;
    if (operation == OperationType_Union) return bound >= running + width + margin ? 1 : 0;
    if (operation == OperationType_Subtract) return bound >= width - running + margin ? 1 : 0;
    return 0;
}

// ---- The bounded scene -------------------------------------------------------------------------

typedef struct BoundedScene {
    PreparedScene prepared;
    PrimitiveBound bounds[MRPH_PREPARED_PRIMITIVES];
} BoundedScene;

MRPH_FN void PrepareBoundedScene(MRPH_PRIVATE BoundedScene* bs, SceneArgs scene) {
    PrepareScene(&bs->prepared, scene);
    for (int i = 0; i < bs->prepared.count; ++i) SetupPrimitiveBound(&bs->bounds[i], &bs->prepared.prims[i]);
}

MRPH_FN float3 LayerPoint(float3 p, const MRPH_PRIVATE PrimitiveSetup* s) {
    return xyz(MULTIPLY_MAT4_VEC4(s->prim->transform, make_float4(p.x, p.y, p.z, 1.0f)));
}

// PrimitiveDist from the layer point.
MRPH_FN float LayerPointDist(float3 pos, const MRPH_PRIVATE PrimitiveSetup* s, const MRPH_PRIVATE ModifierFrames* pool) {
    if (s->modified) pos = ModifyPoint(pos, s, pool);
    return ShapeDist(pos, s);
}

// PreparedSceneDist, skipping the primitives that cannot change it.
MRPH_FN float BoundedSceneDist(float3 p, const MRPH_PRIVATE BoundedScene* bs) {
    MRPH_COUNT_SCENE_QUERY();
    const MRPH_PRIVATE PreparedScene* ps = &bs->prepared;
    const MRPH_PRIVATE ModifierFrames* pool = &ps->frames;
    float dist = 0.0f;
    const int n = ps->count;
    if (n > 0) {
        dist = PrimitiveDist(p, &ps->prims[0], pool);
        for (int i = 1; i < n; ++i) {
            const MRPH_PRIVATE PrimitiveSetup* s = &ps->prims[i];
            const MRPH_PRIVATE PrimitiveBound* b = &bs->bounds[i];
            const float3 q = LayerPoint(p, s);
            if (b->kind != MRPH_BOUND_NONE &&
                BoundLeavesDistance(PrimitiveBoundDist(q, b, s), dist, s->operation, s->smooth))
                continue;
            dist = CombineDist(LayerPointDist(q, s, pool), dist, s->operation, s->smooth);
        }
    }
    return RestSlotsDist(p, ps, dist, n) * ps->rayMarchMult;
}

// SceneSDF (distance and material), skipping the primitives that cannot change it: their blend weight
// is 0, so they change the material no more than the distance.
MRPH_FN SdfResult BoundedSceneSDF(float3 p, const MRPH_PRIVATE BoundedScene* bs) {
    MRPH_COUNT_SCENE_QUERY();
    const MRPH_PRIVATE PreparedScene* ps = &bs->prepared;
    const MRPH_PRIVATE ModifierFrames* pool = &ps->frames;
    const SceneArgs scene = ps->scene;
    SdfResult result;
    result.dist = 0.0f;
    result.material = zeroMaterial();
    result.uv = make_float3(0.0f, 0.0f, 0.0f);
    const int prepared = ps->count;
    int n = 0;
    for (int i = 0; i < prepared || (ps->restSlot + i - prepared) < scene.numPrimitives; ++i) {
        PrimitiveSetup rest;
        const MRPH_PRIVATE PrimitiveSetup* s = &rest;
        if (i < prepared) {
            s = &ps->prims[i];
        } else if (!SetupPrimitive(&rest, scene, ps->restSlot + i - prepared, 0)) {
            continue;
        }
        const float3 q = LayerPoint(p, s);
        if (n > 0 && i < prepared && bs->bounds[i].kind != MRPH_BOUND_NONE &&
            BoundLeavesDistance(PrimitiveBoundDist(q, &bs->bounds[i], s), result.dist, s->operation, s->smooth))
            continue;

        SdfResult object;
        object.dist = LayerPointDist(q, s, i < prepared ? pool : 0);
        object.material = scene.materials[(int)(s->prim - scene.primitives)];
        object.uv = result.uv;

        if (n == 0) {
            // The first enabled primitive seeds the scene whatever its operation.
            result = object;
        } else if (s->operation == OperationType_Union) {
            result = smoothUnion(object, result, s->smooth);
        } else if (s->operation == OperationType_Subtract) {
            result = smoothSubtract(object, result, s->smooth);
        } else if (s->operation == OperationType_Intersect) {
            result = smoothIntersect(object, result, s->smooth);
        }
        n = n + 1;
    }
    result.dist = result.dist * ps->rayMarchMult;
    return result;
}

// What a ray remembers of each prepared primitive between its steps: a lower bound of the
// primitive's distance along the ray, value + slope (t - at) for every t >= at, from the last
// evaluation of its distance or of its box bound at `at`. The slope is minus the proven slope of what
// was evaluated; for a convex one, the secant through its two last evaluations (a convex function
// lies above the extension of any secant beyond it). So a primitive that the carried bound already
// rules out costs neither its bound nor its distance, and the shadow loop can bound whole stretches
// of the ray without evaluating anything.
#define MRPH_MEMORY_NONE 0
#define MRPH_MEMORY_DISTANCE 1
#define MRPH_MEMORY_BOUND 2

typedef struct RayMemory {
    float value[MRPH_PREPARED_PRIMITIVES];
    float at[MRPH_PREPARED_PRIMITIVES];
    float slope[MRPH_PREPARED_PRIMITIVES];  // per unit of ray parameter
    int kind[MRPH_PREPARED_PRIMITIVES];
    float speed;     // |rd|: ray parameter to length
    float rounding;  // allowance for the rounding of the distances, from the size of the coordinates
} RayMemory;

MRPH_FN void StartRay(MRPH_PRIVATE RayMemory* memory, float3 ro, float3 rd, float reach,
                      const MRPH_PRIVATE BoundedScene* bs) {
    for (int i = 0; i < bs->prepared.count; ++i) {
        memory->value[i] = -MRPH_FAR;
        memory->at[i] = 0.0f;
        memory->slope[i] = 0.0f;
        memory->kind[i] = MRPH_MEMORY_NONE;
    }
    memory->speed = length(rd) * 1.0001f;
    memory->rounding = 0.001f + 0.00001f * (fmax(fabs(ro.x), fmax(fabs(ro.y), fabs(ro.z))) + reach * memory->speed);
}

MRPH_FN float RememberedBound(const MRPH_PRIVATE RayMemory* memory, int i, float t) {
    return memory->value[i] + memory->slope[i] * (t - memory->at[i]);
}

// Records value v of primitive i (a distance or a bound, as kind says) at t. steepest is the proven
// slope of what v is a value of, per unit of length; convex says it is a convex function.
MRPH_FN void Remember(MRPH_PRIVATE RayMemory* memory, int i, float t, float v, int kind, float steepest, int convex) {
    float slope = -steepest * memory->speed;
    if (convex && memory->kind[i] == kind && t > memory->at[i]) {
        // The secant through the last two values, less what their rounding could add to it.
        const float span = t - memory->at[i];
        const float secant = (v - memory->value[i]) / span - (2.0f * memory->rounding + 0.0001f * span) / span;
        slope = fmax(slope, secant);
    }
    memory->value[i] = v;
    memory->at[i] = t;
    memory->slope[i] = slope;
    memory->kind[i] = kind;
}

// BoundedSceneDist at ro + rd t, using and updating the ray's memory. Steps must come in increasing t.
MRPH_FN float BoundedRayDist(float3 ro, float3 rd, float t, const MRPH_PRIVATE BoundedScene* bs,
                             MRPH_PRIVATE RayMemory* memory) {
    MRPH_COUNT_SCENE_QUERY();
    const float3 p = ro + rd * t;
    const MRPH_PRIVATE PreparedScene* ps = &bs->prepared;
    const MRPH_PRIVATE ModifierFrames* pool = &ps->frames;
    float dist = 0.0f;
    const int n = ps->count;
    for (int i = 0; i < n; ++i) {
        const MRPH_PRIVATE PrimitiveSetup* s = &ps->prims[i];
        const MRPH_PRIVATE PrimitiveBound* b = &bs->bounds[i];
        const int operation = s->operation;
        const int cullable = (i > 0 && (operation == OperationType_Union || operation == OperationType_Subtract)) ? 1 : 0;
        if (cullable && BoundLeavesDistance(RememberedBound(memory, i, t), dist, operation, s->smooth)) continue;
        const float3 q = LayerPoint(p, s);
        const int sloped = (b->lipschitz > 0.0f || b->convex) ? 1 : 0;
        if (b->kind != MRPH_BOUND_NONE && (cullable || !sloped)) {
            // A primitive whose distance has a slope remembers its distance rather than its bound
            // (that keeps its secant), unless the bound rules it out.
            const float bound = PrimitiveBoundDist(q, b, s);
            const int culled = (cullable && BoundLeavesDistance(bound, dist, operation, s->smooth)) ? 1 : 0;
            if (culled || !sloped) Remember(memory, i, t, bound, MRPH_MEMORY_BOUND, b->scale * b->lambda, b->boundConvex);
            if (culled) continue;
        }
        const float d = LayerPointDist(q, s, pool);
        dist = i == 0 ? d : CombineDist(d, dist, operation, s->smooth);
        if (sloped) {
            // A convex distance without a proven slope still has one along this ray after two steps.
            const float steepest = b->lipschitz > 0.0f ? b->scale * b->lipschitz : MRPH_FAR;
            Remember(memory, i, t, d, MRPH_MEMORY_DISTANCE, steepest, b->convex);
        }
    }
    // Slots beyond the prepared ones (scenes with more slots than the effect has) have no bounds.
    return RestSlotsDist(p, ps, dist, n) * ps->rayMarchMult;
}

// A lower bound of the scene distance at ro + rd t for t at or beyond the ray's last step, from the
// ray's memory alone; *descent receives how fast it can fall per unit of ray parameter.
//
// The union of the running distance with a primitive is non-decreasing and concave in both, and
// shifts with them (both lowered by c lower it by c); a subtraction or an intersection never gives
// less than the running distance. So the unions of the remembered bounds bound the scene from below,
// fall no faster than the fastest of them, and, being concave in t, stay above a target that is
// convex in t over a whole interval once they are above it at its two ends.
MRPH_FN float RememberedSceneBound(const MRPH_PRIVATE BoundedScene* bs, const MRPH_PRIVATE RayMemory* memory, float t,
                                   MRPH_PRIVATE float* descent) {
    const MRPH_PRIVATE PreparedScene* ps = &bs->prepared;
    if (ps->count == 0 || ps->restSlot < ps->scene.numPrimitives) {
        *descent = 0.0f;
        return -MRPH_FAR;
    }
    float low = RememberedBound(memory, 0, t);
    float fall = fmax(-memory->slope[0], 0.0f);
    for (int i = 1; i < ps->count; ++i) {
        const MRPH_PRIVATE PrimitiveSetup* s = &ps->prims[i];
        if (s->operation != OperationType_Union) continue;
        low = CombineDist(RememberedBound(memory, i, t), low, OperationType_Union, s->smooth);
        fall = fmax(fall, -memory->slope[i]);
    }
    *descent = fall * ps->rayMarchMult;
    return low * ps->rayMarchMult;
}

// ---- Marching and shadows ----------------------------------------------------------------------

MRPH_FN float BoundedMarch(RayArgs ray, const MRPH_PRIVATE BoundedScene* bs) {
    const MRPH_PRIVATE PreparedScene* ps = &bs->prepared;
    RayMemory memory;
    StartRay(&memory, ray.ro, ray.rd, ps->maxDist, bs);
    float depth = 0.0f;
    for (int i = 0; i < ps->rayMarchSteps; ++i) {
        const float d = BoundedRayDist(ray.ro, ray.rd, depth, bs, &memory);
        depth = depth + d;
        if (d < ps->epsilon) break;
        if (depth >= ps->maxDist) return -1.0f;
    }
    return depth;
}

// calcSoftShadows, evaluating only the steps that can change the result. After a step at t0, the
// next step lies at `next` (t0 plus at most maxStep) and the ones after it maxStep apart, as long as
// each finds a distance of at least maxStep; one that also finds k h / t >= res leaves res as it is.
// Both hold wherever the ray's remembered bound does, so those steps are only counted. The bound
// falls at most `descent` per unit, which gives a first count in closed form; being concave, it is
// then checked at longer counts: holding at the first and the last step of a stretch, it holds at
// every step between. Each check takes the bound's lower value over a little interval around the
// step, which covers the rounding of the repeated additions that place the steps.
MRPH_FN int ShadowStepsLeftAsTheyAre(const MRPH_PRIVATE BoundedScene* bs, const MRPH_PRIVATE RayMemory* memory,
                                     float t0, float next, float maxStep, float res, float k, float margin, int most) {
    float descent;
    const float reach = RememberedSceneBound(bs, memory, t0, &descent) - margin;
    const float fall = descent * 1.0001f + 0.000001f;
    const float grow = res * 1.0001f;
    // Step j (1 for `next`) lies at most j maxStep beyond t0.
    const float byStep = (reach - maxStep) / (fall * maxStep);
    const float byShadow = (k * reach - grow * t0) / (maxStep * (k * fall + grow));
    const float first = floor(fmin(fmin(byStep, byShadow), (float)most));
    int count = first >= 1.0f ? (int)first : 0;
    int tried = count + 1;
    int failed = most + 1;
    while (tried < failed) {
        const float tj = next + (float)(tried - 1) * maxStep;
        float unused;
        const float bound = fmin(RememberedSceneBound(bs, memory, tj * 0.9999f, &unused),
                                 RememberedSceneBound(bs, memory, tj * 1.0001f + 0.0001f, &unused)) -
                            margin;
        if (bound >= maxStep && k * bound >= grow * (tj * 1.0001f + 0.0001f)) {
            count = tried;
            tried = failed > most ? tried * 2 : (tried + failed) / 2;
            if (tried > most) tried = most;
        } else {
            failed = tried;
            tried = (count + failed) / 2;
        }
        if (tried <= count) break;
    }
    return count;
}

MRPH_FN float BoundedSoftShadows(float3 ro, float3 rd, float maxt, float k, const MRPH_PRIVATE BoundedScene* bs) {
    MRPH_GLOBAL const RenderData* render = bs->prepared.scene.render;
    const int steps = render->shadowsSteps;
    const float maxStep = 1.0f / render->shadowsQuality;
    const int skipping = (maxStep >= 0.01f && bs->prepared.rayMarchMult > 0.0f) ? 1 : 0;
    RayMemory memory;
    StartRay(&memory, ro, rd, fabs(maxt), bs);
    // Rounding of the distances and of the bounds.
    const float margin = 10.0f * memory.rounding;
    float res = 1.0f;
    float t = render->shadowsThreshold;
    int i = 0;
    while (i < steps && t < maxt) {
        const float h = BoundedRayDist(ro, rd, t, bs, &memory);
        if (h < 0.001f) return 0.0f;
        res = fmin(res, k * h / t);
        const float t0 = t;
        t = t + clamp(h, 0.01f, maxStep);
        i = i + 1;
        if (!skipping || i >= steps) continue;
        const int count = ShadowStepsLeftAsTheyAre(bs, &memory, t0, t, maxStep, res, k, margin, steps - i);
        for (int j = 0; j < count && i < steps && t < maxt; ++j) {
            t = t + maxStep;
            i = i + 1;
        }
    }
    return res;
}

MRPH_KERNEL_NAMESPACE_END

// The bounded renderer's normal, occlusion and Render: the reference's steps on the bounded scene.
#define MRPH_PATH_SCENE BoundedScene
#define MRPH_PATH_PREPARE PrepareBoundedScene
#define MRPH_PATH_PREPARED(bs) (&(bs)->prepared)
#define MRPH_PATH_SCENE_DIST BoundedSceneDist
#define MRPH_PATH_SCENE_SDF BoundedSceneSDF
#define MRPH_PATH_MARCH BoundedMarch
#define MRPH_PATH_SOFT_SHADOWS BoundedSoftShadows
#define MRPH_PATH_NORMAL BoundedNormal
#define MRPH_PATH_OCCLUSION BoundedAmbientOcclusion
#define MRPH_PATH_RENDER BoundedRender
#include "Morphalith_Kernel_Shading.h"

#endif  // MORPHALITH_KERNEL_BOUNDED_H
