// Morphalith_Kernel_Shading.h — the shading pipeline, written once for both renderers.
//
// The reference and the bounded renderer shade a hit the same way; they differ only in how they
// find distances, the surface along a ray and the shadow of a light. So each renderer provides
// those few scene functions and this file builds its normal, its ambient occlusion and its Render
// on them. OpenCL C has neither templates nor function pointers, so the choice is made by the
// preprocessor in every form: a renderer's header defines the names below and then includes this
// file, once, which defines the three functions and forgets the names again. The file therefore has
// no include guard.
//
// The renderer provides:
//   MRPH_PATH_SCENE                       the scene as one work item holds it
//   MRPH_PATH_PREPARE(ps, args)           sets ps up from the SceneArgs args
//   MRPH_PATH_PREPARED(ps)                its PreparedScene (the settings the loops read)
//   MRPH_PATH_SCENE_DIST(p, ps)           SceneSDF(p).dist
//   MRPH_PATH_SCENE_SDF(p, ps)            SceneSDF(p): distance and material
//   MRPH_PATH_MARCH(ray, ps)              distance along the ray to the surface, -1 past maxDist
//   MRPH_PATH_SOFT_SHADOWS(ro, rd, maxt, k, ps)  the soft-shadow factor towards a light
// and names what this file defines for it:
//   MRPH_PATH_NORMAL(pos, ps)             the surface normal at pos
//   MRPH_PATH_OCCLUSION(ro, n, ps)        ambient occlusion at ro, facing n
//   MRPH_PATH_RENDER(ray, args, env)      the colour of one ray, in the output's channel order
#if !defined(MRPH_PATH_SCENE) || !defined(MRPH_PATH_PREPARE) || !defined(MRPH_PATH_PREPARED) ||        \
    !defined(MRPH_PATH_SCENE_DIST) || !defined(MRPH_PATH_SCENE_SDF) || !defined(MRPH_PATH_MARCH) ||    \
    !defined(MRPH_PATH_SOFT_SHADOWS) || !defined(MRPH_PATH_NORMAL) || !defined(MRPH_PATH_OCCLUSION) || \
    !defined(MRPH_PATH_RENDER)
#error "a renderer's header includes this file after naming its scene functions"
#endif

#include "Morphalith_Kernel_Scene.h"

MRPH_KERNEL_NAMESPACE_BEGIN

MRPH_FN float3 MRPH_PATH_NORMAL(float3 pos, const MRPH_PRIVATE MRPH_PATH_SCENE* ps) {
    const float eps = MRPH_PATH_PREPARED(ps)->epsilon;
    float3 n = make_float3(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 4; ++i) {
        const float3 e =
            make_float3((float)(((i + 3) >> 1) & 1), (float)((i >> 1) & 1), (float)(i & 1)) * 2.0f - 1.0f;
        n = n + e * (0.5773f * MRPH_PATH_SCENE_DIST(pos + e * eps, ps));
    }
    return normalize(n);
}

// 1 on open convex surfaces, lower in creases; clamped to [0, 1].
MRPH_FN float MRPH_PATH_OCCLUSION(float3 ro, float3 n, const MRPH_PRIVATE MRPH_PATH_SCENE* ps) {
    const MRPH_PRIVATE PreparedScene* settings = MRPH_PATH_PREPARED(ps);
    const float spacing = settings->scene.render->ao_threshold;
    // Tap spacing 0 would divide 0 by 0: no taps, no occlusion.
    if (spacing <= 0.0f) return 1.0f;
    // The taps compare true distances with their spacing: the march multiplier shortens steps for
    // safety, and left in it would darken every convex surface (a lone sphere would read occluded).
    const float unscale = settings->rayMarchMult > 0.0f ? 1.0f / settings->rayMarchMult : 1.0f;
    float ao = 0.0f;
    for (int i = 1; i <= 3; ++i) {
        const float s = spacing * (float)i;
        ao = ao + fmax(0.0f, (s - MRPH_PATH_SCENE_DIST(ro + n * s, ps) * unscale) / s);
    }
    // Occlusion only takes light away: strong settings clamp at black, never below.
    return clamp(1.0f - ao * settings->scene.render->ao_contrast, 0.0f, 1.0f);
}

// Colour of one ray in the output's channel order (blue, green, red, alpha).
MRPH_FN float4 MRPH_PATH_RENDER(RayArgs ray, SceneArgs scene, MRPH_IMAGE_PARAM environment) {
    float4 fragColor = make_float4(0.0f, 0.0f, 0.0f, 0.0f);
    const int pass = scene.render->renderPass;
    MRPH_PATH_SCENE prepared;
    MRPH_PATH_PREPARE(&prepared, scene);
    const MRPH_PRIVATE MRPH_PATH_SCENE* ps = &prepared;

    if (pass != RenderPass_Beauty) {
        // An unknown pass draws nothing rather than leaving the pixel unset.
        if (pass != RenderPass_Normal && pass != RenderPass_Depth && pass != RenderPass_AO) return fragColor;
        const float dist = MRPH_PATH_MARCH(ray, ps);
        if (dist > 0.0f) {
            const float3 pos = ray.ro + ray.rd * dist;
            const float3 normal = MRPH_PATH_NORMAL(pos, ps);
            float3 rgb;
            if (pass == RenderPass_Depth) {
                const float s = smoothstepf(0.0f, scene.render->maxDist, dist);
                rgb = make_float3(s, s, s);
            } else if (pass == RenderPass_Normal) {
                rgb = normal * 0.5f + 0.5f;
            } else {
                const float a = MRPH_PATH_OCCLUSION(pos, normal, ps);
                rgb = make_float3(a, a, a);
            }
            fragColor = make_float4(rgb.z, rgb.y, rgb.x, 1.0f);
        }
        return fragColor;
    }

    float transmittance = 1.0f;
    const int environmentShown = scene.render->showEnvironment ? 1 : 0;
    for (int bounce = 0; bounce <= scene.render->maxReflections; ++bounce) {
        const float dist = MRPH_PATH_MARCH(ray, ps);
        const float4 background = GetEnvironment(environment, ray.rd) * transmittance;
        if (!(dist > 0.0f)) {
            fragColor.x += background.x;
            fragColor.y += background.y;
            fragColor.z += background.z;
            if (environmentShown) fragColor.w += background.w;
            break;
        }

        const float3 pos = ray.ro + ray.rd * dist;
        // A hit. A scene without a primitive never gets here (its distance is 0 everywhere, so the march
        // ends at 0, in the background above), and a distance of exactly 0 here is a ray that landed
        // on a surface, as a sphere seen head-on is met: it is shaded.
        const SdfResult result = MRPH_PATH_SCENE_SDF(pos, ps);
        const float3 normal = MRPH_PATH_NORMAL(pos, ps);
        const float3 normal_color = normal * 0.5f + 0.5f;
        const MaterialData m = result.material;
        float3 passColor = make_float3(0.0f, 0.0f, 0.0f);

        for (int j = 0; j < scene.numLights; ++j) {
            const LightData L = scene.lights[j];
            // Parallel (0) and spot (1) lights are not shaded.
            if (L.type < 2) continue;
            const float3 lightColor = L.color;
            if (L.type == 3) {
                // Ambient: even, no direction, no shadow.
                passColor += lightColor * m.diffuse_color * L.intensity;
                continue;
            }
            const float3 lightOrigin = make_float3(L.transform.m[12], L.transform.m[13], L.transform.m[14]);
            const float3 lightDir = normalize(lightOrigin - pos);
            const float3 diffuse = m.diffuse_color * saturate(dot(normal, lightDir));
            // A radius of 0 would make both the shadow softness and the highlight exponent infinite.
            const float radius = fmax(L.radius, 0.01f);
            const float k = 400.0f / radius;
            float shadows = 1.0f;
            if (scene.render->shadowsEnabled) {
                shadows = MRPH_PATH_SOFT_SHADOWS(pos, lightDir, distance(lightOrigin, pos), k, ps);
            }
            const float highlight =
                powUnit(fmax(0.0f, dot(ray.rd, reflect(lightDir, normal))), m.shininess * (1.0f / radius));
            const float3 specular = lightColor * m.specular_color * (highlight * m.specular);
            passColor += lightColor * (diffuse * m.diffuse + specular) * (L.intensity * shadows);
        }

        // Ambient gradient from the normal's y; t is not clamped, so the gradient extrapolates.
        const float t = normal_color.y + (scene.render->ambientBalance * 2.0f - 1.0f);
        passColor +=
            mix3(scene.render->ambientColorStart, scene.render->ambientColorEnd, t) * m.diffuse_color;

        const float3 rimColor = m.rim_color + normal_color * m.rim_normals;
        const float rimF = fresnel(normal, ray.rd, m.rim_size) * (1.0f - m.rim_balance) + m.rim_balance;
        passColor += rimColor * (m.rim * rimF);

        const float reflF = fresnel(normal, ray.rd, m.gloss_fresnel_size) * (1.0f - m.gloss_fresnel_balance) +
                            m.gloss_fresnel_balance;
        const float ao = scene.render->ao_enabled ? MRPH_PATH_OCCLUSION(pos, normal, ps) : 1.0f;
        const float opacityF =
            fresnel(normal, ray.rd, m.opacity_size) * (1.0f - m.opacity_balance) + m.opacity_balance;
        const float alpha = m.opacity * opacityF * transmittance;

        if (environmentShown) {
            fragColor.w = 1.0f;
        } else {
            fragColor.w += alpha;
        }
        const float3 shaded =
            mix3(xyz(background), make_float3(passColor.z, passColor.y, passColor.x), alpha) *
            (transmittance * ao);
        fragColor.x += shaded.x;
        fragColor.y += shaded.y;
        fragColor.z += shaded.z;

        transmittance = transmittance * m.glossiness * reflF;
        transmittance = transmittance * transmittance;
        ray.ro = pos + normal * (scene.render->epsilon * 10.0f);
        ray.rd = reflect(ray.rd, normal);
        if (transmittance < 0.001f) break;
    }
    return fragColor;
}

MRPH_KERNEL_NAMESPACE_END

#undef MRPH_PATH_SCENE
#undef MRPH_PATH_PREPARE
#undef MRPH_PATH_PREPARED
#undef MRPH_PATH_SCENE_DIST
#undef MRPH_PATH_SCENE_SDF
#undef MRPH_PATH_MARCH
#undef MRPH_PATH_SOFT_SHADOWS
#undef MRPH_PATH_NORMAL
#undef MRPH_PATH_OCCLUSION
#undef MRPH_PATH_RENDER
