#include "tests/render/cpp_frame.h"
#include "tests/render/frame_difference.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "Morphalith_Kernel.h"
#include "render/GPURender.h"

namespace mrph_test {

host::FloatImage RenderBlockCpp(PF_InData* in_data, PluginInputParams* block, int width, int height,
                                const host::FloatImage* env) {
    PF_LayerDef output{};
    output.width = width;
    output.height = height;
    output.rowbytes = width * 16;
    PF_LayerDef envDef{};
    if (env) {
        envDef.width = env->width;
        envDef.height = env->height;
        envDef.rowbytes = env->width * 16;
    }
    const MainKernelValues v =
        MakeKernelValues(in_data, PF_PixelFormat_GPU_BGRA128, env ? &envDef : nullptr, &output, block);

    host::FloatImage image;
    image.width = width;
    image.height = height;
    image.bgra.assign((size_t)width * height * 4, 0.0f);
    const mrph_kernel::KernelImage texels{env ? reinterpret_cast<const mrph_kernel::float4*>(env->bgra.data())
                                              : nullptr,
                                          env ? env->width : 0, env ? env->height : 0};
    auto* pixels = reinterpret_cast<mrph_kernel::float4*>(image.bgra.data());

    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (unsigned y = t; y < (unsigned)height; y += threads)
                for (unsigned x = 0; x < (unsigned)width; ++x)
                    mrph_kernel::MainKernel(env ? &texels : nullptr, pixels, block->primitives, block->materials,
                                            block->modifiers, block->lights, &block->camera, &block->global,
                                            v.inDstPitch, v.in16f, v.inWidth, v.inHeight, v.mUseEnvironment,
                                            v.numPrimitives, v.numLights, v.inTime, x, y);
        });
    }
    for (std::thread& w : workers) w.join();
    return image;
}

ImageDifference CompareImages(const host::FloatImage& a, const host::FloatImage& b, float tolerance) {
    ImageDifference d;
    d.sameSize = a.width == b.width && a.height == b.height && a.bgra.size() == b.bgra.size();
    if (!d.sameSize) return d;
    d.pixels = (size_t)a.width * a.height;
    for (size_t p = 0; p < d.pixels; ++p) {
        const float worst = PixelDifference(a, b, p);
        if (!(worst <= tolerance)) d.pixelsOver += 1;  // NaN counts as over
        if (std::isnan(worst) || worst > d.largest) d.largest = worst;  // a NaN stays
    }
    return d;
}

}  // namespace mrph_test
