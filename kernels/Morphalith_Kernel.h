// Morphalith_Kernel.h — the ray-marching kernel: the entry MainKernel and the renderers behind it.
//
// One source for every form. The build preprocesses it with MRPH_KERNEL_OPENCL or MRPH_KERNEL_METAL
// into the texts the module carries, nvcc compiles it as CUDA, and the tests include it as plain C++
// (namespace mrph_kernel), where MainKernel is called once per pixel.
//
// Two renderers draw the same image through one shading pipeline (Morphalith_Kernel_Shading.h).
// The reference (Morphalith_Kernel_Reference.h) evaluates every primitive at every scene-distance
// query and takes every shadow step; the bounded renderer (Morphalith_Kernel_Bounded.h) leaves out the
// work that provably cannot change a pixel. MainKernel runs the bounded one; a form made with
// MRPH_REFERENCE_PATH defined to 1 runs the reference instead (the build makes reference texts and a
// reference CUDA image that way, for comparison), and each GPU form carries only the renderer it runs.
// The C++ form has both entries: MainKernel and ReferenceMainKernel.
#ifndef MORPHALITH_KERNEL_H
#define MORPHALITH_KERNEL_H

#include "KernelCore.h"
#include "KernelWrapper.h"
#include "Morphalith_Kernel_Scene.h"

#ifndef MRPH_REFERENCE_PATH
#define MRPH_REFERENCE_PATH 0
#endif

#if defined(MRPH_KERNEL_CPP) || MRPH_REFERENCE_PATH
#include "Morphalith_Kernel_Reference.h"
#endif
#if defined(MRPH_KERNEL_CPP) || !MRPH_REFERENCE_PATH
#include "Morphalith_Kernel_Bounded.h"
#endif

MRPH_KERNEL_NAMESPACE_BEGIN

// ---- The entry -----------------------------------------------------------------------------------

// The camera ray through pixel (x, y) of a width x height output.
MRPH_FN RayArgs PixelRay(MRPH_GLOBAL const CamData* camera, MRPH_GLOBAL const RenderData* render, unsigned int x,
                         unsigned int y, unsigned int width, unsigned int height) {
    const float2 resolution = make_float2((float)width, (float)height);
    const float2 fragCoord = make_float2((float)x, (float)y);
    const KFloat4x4 view = camera->view;

    RayArgs ray;
    ray.ro = make_float3(view.m[12], view.m[13], view.m[14]);
    float2 screen = fragCoord - resolution * 0.5f;
    const float z = resolution.y / camera->fov;
    ray.viewDir = normalize(make_float3(screen.x, screen.y, -z));
    if (camera->camType == 1) {
        screen = screen * make_float2(render->widthFactor, render->heightFactor);
        // A camera looking straight up or down has view(1, 1) near 0: spread the offsets over x and z.
        const float3 offset = fabs(view.m[5]) < 0.0001f ? make_float3(screen.x, screen.x, screen.y)
                                                         : make_float3(screen.x, screen.y, screen.x);
        ray.ro = ray.ro + offset;
        ray.viewDir = make_float3(0.0f, 0.0f, -1.0f);
    }
    ray.rd = xyz(MULTIPLY_MAT4_VEC4(view, make_float4(ray.viewDir.x, ray.viewDir.y, ray.viewDir.z, 0.0f)));
    return ray;
}

#define MRPH_MAIN_KERNEL_ARGS                     \
    ((IMAGE, float4, inEnvironment))              \
    ((OUTPUT, float4, outDst))                    \
    ((BUFFER, PrimitiveData, primitives))         \
    ((BUFFER, MaterialData, materials))           \
    ((BUFFER, ModifiersData, modifiers))          \
    ((BUFFER, LightData, lights))                 \
    ((RECORD, CamData, camera))                   \
    ((RECORD, RenderData, render))                \
    ((VALUE, int, inDstPitch))                    \
    ((VALUE, int, in16f))                         \
    ((VALUE, unsigned int, inWidth))              \
    ((VALUE, unsigned int, inHeight))             \
    ((VALUE, char, mUseEnvironment))              \
    ((VALUE, int, numPrimitives))                 \
    ((VALUE, int, numLights))                     \
    ((VALUE, float, inTime))

// The scene the entry's arguments describe.
MRPH_FN SceneArgs EntryScene(MRPH_GLOBAL const RenderData* render, MRPH_GLOBAL const PrimitiveData* primitives,
                             MRPH_GLOBAL const MaterialData* materials, MRPH_GLOBAL const ModifiersData* modifiers,
                             MRPH_GLOBAL const LightData* lights, int numPrimitives, int numLights, char useEnvironment,
                             float time) {
    SceneArgs scene;
    scene.render = render;
    scene.primitives = primitives;
    scene.materials = materials;
    scene.modifiers = modifiers;
    scene.lights = lights;
    scene.numPrimitives = numPrimitives;
    scene.numLights = numLights;
    scene.useEnvironment = (int)useEnvironment;
    scene.time = time;
    return scene;
}

// The two entry bodies: the bounded renderer's and the reference's. The launch grid is rounded up to
// whole work groups, so both first drop the work items outside the output.
#if defined(MRPH_KERNEL_CPP) || !MRPH_REFERENCE_PATH
MRPH_KERNEL_DELEGATE(MainKernel_Delegate, MRPH_MAIN_KERNEL_ARGS, x, y) {
    if (x >= inWidth || y >= inHeight) return;
    const SceneArgs scene = EntryScene(render, primitives, materials, modifiers, lights, numPrimitives, numLights,
                                       mUseEnvironment, inTime);
    const float4 fragColor = BoundedRender(PixelRay(camera, render, x, y, inWidth, inHeight), scene, inEnvironment);
    WriteFloat4(fragColor, outDst, (int)y * inDstPitch + (int)x, in16f);
}
#endif
#if defined(MRPH_KERNEL_CPP) || MRPH_REFERENCE_PATH
MRPH_KERNEL_DELEGATE(ReferenceKernel_Delegate, MRPH_MAIN_KERNEL_ARGS, x, y) {
    if (x >= inWidth || y >= inHeight) return;
    const SceneArgs scene = EntryScene(render, primitives, materials, modifiers, lights, numPrimitives, numLights,
                                       mUseEnvironment, inTime);
    const float4 fragColor = Render(PixelRay(camera, render, x, y, inWidth, inHeight), scene, inEnvironment);
    WriteFloat4(fragColor, outDst, (int)y * inDstPitch + (int)x, in16f);
}
#endif

#if MRPH_REFERENCE_PATH
MRPH_KERNEL_ENTRY(MainKernel, ReferenceKernel_Delegate, MRPH_MAIN_KERNEL_ARGS)
#else
MRPH_KERNEL_ENTRY(MainKernel, MainKernel_Delegate, MRPH_MAIN_KERNEL_ARGS)
#endif
#if defined(MRPH_KERNEL_CPP)
MRPH_KERNEL_ENTRY(ReferenceMainKernel, ReferenceKernel_Delegate, MRPH_MAIN_KERNEL_ARGS)
#endif

MRPH_KERNEL_NAMESPACE_END

#endif  // MORPHALITH_KERNEL_H
