// CudaRender.cpp — the CUDA branch of device set-up and of a GPU frame, and its launcher. Every driver
// call goes through the CudaApi table and is checked: the first failure stops the frame and is the one
// reported; what the frame made is given back on every path.
#include "render/cuda/CudaRender.h"

#include <cstring>
#include <string>

#include "Morphalith_Kernel_Strings.h"
#include "ReturnMessage.h"

namespace {

constexpr unsigned kBlockSide = 16;
constexpr const char* kKernelName = "MainKernel";

PF_Err reportFailure(PF_InData* in_data, PF_OutData* out_data, const std::string& text) {
    showErrorMessage(in_data, out_data, "GPU Assert:\r\n" + text + "\n");
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

CUdeviceptr devicePointer(const void* memory) {
    return (CUdeviceptr)(uintptr_t)memory;
}

// A device copy of count records; one zeroed record when there are none, as the OpenCL path binds (the
// driver allocates no zero bytes).
template <typename T>
CUresult uploadRecords(const CudaApi& api, const T* records, int count, CUdeviceptr* device) {
    static const T kZero{};
    const bool none = count <= 0 || records == nullptr;
    const size_t bytes = (none ? 1 : (size_t)count) * sizeof(T);
    CUresult err = api.memAlloc(device, bytes);
    if (err != CUDA_SUCCESS) {
        *device = 0;
        return err;
    }
    return api.memcpyHtoD(*device, none ? &kZero : records, bytes);
}

// The environment as the kernel samples it: normalised coordinates, bilinear, and zero outside the
// image (border addressing with a zero border), which is what the OpenCL sampler gives at the seam.
CUresult makeEnvironmentTexture(const CudaApi& api, CUarray array, CUtexObject* texture) {
    CUDA_RESOURCE_DESC resource;
    std::memset(&resource, 0, sizeof(resource));
    resource.resType = CU_RESOURCE_TYPE_ARRAY;
    resource.res.array.hArray = array;
    CUDA_TEXTURE_DESC desc;
    std::memset(&desc, 0, sizeof(desc));  // border colour 0
    desc.addressMode[0] = CU_TR_ADDRESS_MODE_BORDER;
    desc.addressMode[1] = CU_TR_ADDRESS_MODE_BORDER;
    desc.addressMode[2] = CU_TR_ADDRESS_MODE_BORDER;
    desc.filterMode = CU_TR_FILTER_MODE_LINEAR;
    desc.flags = CU_TRSF_NORMALIZED_COORDINATES;
    return api.texObjectCreate(texture, &resource, &desc, nullptr);
}

// Runs `work` with `context` current and makes it not current again; the first error is returned.
template <typename Work>
CUresult inContext(const CudaApi& api, CUcontext context, Work work) {
    CUresult err = api.ctxPushCurrent(context);
    if (err != CUDA_SUCCESS) return err;
    err = work();
    CUcontext popped = nullptr;
    const CUresult popErr = api.ctxPopCurrent(&popped);
    return err != CUDA_SUCCESS ? err : popErr;
}

// Frees the cached array in the context it was made in, and forgets it whatever the outcome, so that an
// array the driver refused to free is never freed twice.
CUresult releaseEnvironment(const CudaApi& api, CudaCache* cache) {
    if (cache->array == nullptr) {
        cache->key = CudaArrayKey{};
        return CUDA_SUCCESS;
    }
    const CUarray array = cache->array;
    const CUcontext context = cache->key.context;
    cache->array = nullptr;
    cache->key = CudaArrayKey{};
    return inContext(api, context, [&] { return api.arrayDestroy(array); });
}

// With the frame's context current: keeps the cached array when it holds what this frame would put in
// it; otherwise frees it and makes a new one from the environment world, row by row of the world's own
// pitch. The key is stored only with a complete array; a failed rebuild leaves no array.
CUresult refreshEnvironment(const CudaApi& api, CudaCache* cache, const CudaArrayKey& key, bool picked,
                            const PF_LayerDef& env, const void* pixels) {
    if (cache->array != nullptr && !picked && cache->key == key) return CUDA_SUCCESS;
    CUresult err = releaseEnvironment(api, cache);
    if (err != CUDA_SUCCESS) return err;

    CUDA_ARRAY_DESCRIPTOR format;
    std::memset(&format, 0, sizeof(format));
    format.Width = (size_t)env.width;
    format.Height = (size_t)env.height;
    format.Format = CU_AD_FORMAT_FLOAT;
    format.NumChannels = 4;
    CUarray array = nullptr;
    err = api.arrayCreate(&array, &format);
    if (err != CUDA_SUCCESS) return err;

    CUDA_MEMCPY2D copy;
    std::memset(&copy, 0, sizeof(copy));
    copy.srcMemoryType = CU_MEMORYTYPE_DEVICE;
    copy.srcDevice = devicePointer(pixels);
    copy.srcPitch = (size_t)env.rowbytes;
    copy.dstMemoryType = CU_MEMORYTYPE_ARRAY;
    copy.dstArray = array;
    copy.WidthInBytes = (size_t)env.width * 16;
    copy.Height = (size_t)env.height;
    err = api.memcpy2D(&copy);
    if (err != CUDA_SUCCESS) {
        api.arrayDestroy(array);  // the copy's error is the one to report
        return err;
    }
    cache->array = array;
    cache->key = key;
    return CUDA_SUCCESS;
}

// The cache's entry for the frame's context: the host's context, or the device's primary one, which is
// retained for as long as the entry lives. A new entry has no kernel yet.
CUresult findContext(const CudaApi& api, CudaCache* cache, const CudaFrame& frame, size_t* index) {
    for (size_t i = 0; i < cache->kernels.size(); ++i) {
        const CudaContextKernel& k = cache->kernels[i];
        const bool same = frame.hostContext ? (!k.retainedPrimary && k.context == frame.hostContext)
                                            : (k.retainedPrimary && k.device == (CUdevice)frame.device);
        if (same) {
            *index = i;
            return CUDA_SUCCESS;
        }
    }
    CudaContextKernel entry{};
    if (frame.hostContext) {
        entry.context = frame.hostContext;
    } else {
        CUresult err = api.deviceGet(&entry.device, frame.device);
        if (err == CUDA_SUCCESS) err = api.primaryCtxRetain(&entry.context, entry.device);
        if (err != CUDA_SUCCESS) return err;
        entry.retainedPrimary = true;
    }
    cache->kernels.push_back(entry);
    *index = cache->kernels.size() - 1;
    return CUDA_SUCCESS;
}

// With the entry's context current: the module carried in this build, and its MainKernel.
CUresult loadKernel(const CudaApi& api, CudaContextKernel* entry) {
    CUmodule module = nullptr;
    CUresult err = api.moduleLoadData(&module, kMorphalith_Kernel_CUDAImage);
    if (err != CUDA_SUCCESS) return err;
    CUfunction function = nullptr;
    err = api.moduleGetFunction(&function, module, kKernelName);
    if (err != CUDA_SUCCESS) {
        api.moduleUnload(module);  // the lookup's error is the one to report
        return err;
    }
    entry->module = module;
    entry->function = function;
    return CUDA_SUCCESS;
}

// An entry whose kernel never loaded is dropped, its primary context released, so that a failed first
// frame leaves nothing behind and the next one tries afresh.
void dropIfEmpty(const CudaApi& api, CudaCache* cache, size_t index) {
    if (index >= cache->kernels.size() || cache->kernels[index].module != nullptr) return;
    const CudaContextKernel entry = cache->kernels[index];
    cache->kernels.erase(cache->kernels.begin() + (long)index);
    if (entry.retainedPrimary) api.primaryCtxRelease(entry.device);
}

}  // namespace

CUresult LaunchMainKernelCUDA(const CudaApi& api, CUfunction kernel, const CudaLaunch& launch) {
    const MainKernelValues& v = *launch.values;
    const PluginInputParams& b = *launch.block;
    const unsigned gridX = (v.inWidth + kBlockSide - 1) / kBlockSide;
    const unsigned gridY = (v.inHeight + kBlockSide - 1) / kBlockSide;

    CUdeviceptr primitives = 0, materials = 0, modifiers = 0, lights = 0;
    CUtexObject texture = 0;
    bool madeTexture = false;

    CUresult err = uploadRecords(api, b.primitives, b.numPrimitives, &primitives);
    if (err == CUDA_SUCCESS) err = uploadRecords(api, b.materials, b.numPrimitives, &materials);
    if (err == CUDA_SUCCESS) err = uploadRecords(api, b.modifiers, b.numPrimitives, &modifiers);
    if (err == CUDA_SUCCESS) err = uploadRecords(api, b.lights, b.numLights, &lights);
    if (err == CUDA_SUCCESS && launch.environment != nullptr) {
        err = makeEnvironmentTexture(api, launch.environment, &texture);
        madeTexture = err == CUDA_SUCCESS;
    }
    if (err == CUDA_SUCCESS) {
        // In MainKernel's order; the driver copies each value by the kernel's parameter sizes.
        CUdeviceptr output = launch.output;
        CamData camera = b.camera;
        RenderData render = b.global;
        int pitch = v.inDstPitch, in16f = v.in16f;
        unsigned int width = v.inWidth, height = v.inHeight;
        char useEnvironment = v.mUseEnvironment;
        int numPrimitives = v.numPrimitives, numLights = v.numLights;
        float time = v.inTime;
        void* args[] = {&texture,        &output,        &primitives, &materials, &modifiers, &lights,
                        &camera,         &render,        &pitch,      &in16f,     &width,     &height,
                        &useEnvironment, &numPrimitives, &numLights,  &time};
        err = api.launchKernel(kernel, gridX, gridY, 1, kBlockSide, kBlockSide, 1, 0, nullptr, args, nullptr);
    }
    if (err == CUDA_SUCCESS) err = api.ctxSynchronize();

    auto keepFirst = [&err](CUresult result) {
        if (err == CUDA_SUCCESS) err = result;
    };
    if (madeTexture) keepFirst(api.texObjectDestroy(texture));
    for (CUdeviceptr records : {primitives, materials, modifiers, lights})
        if (records != 0) keepFirst(api.memFree(records));
    return err;
}

PF_Err SetupCudaDevice(PF_InData* in_data, PF_OutData* out_data, CudaCache* cache) {
    if (cache->driver) return PF_Err_NONE;
    std::string why;
    cache->driver = CudaDriver::load(CudaDriver::kLibrary, &why);
    return cache->driver ? PF_Err_NONE : reportFailure(in_data, out_data, why);
}

PF_Err RenderCUDA(PF_InData* in_data, PF_OutData* out_data, const CudaFrame& frame,
                  const MainKernelValues& values, const PluginInputParams* block, CudaCache* cache) {
    if (const PF_Err err = SetupCudaDevice(in_data, out_data, cache)) return err;
    const CudaApi& api = cache->driver->api();

    size_t index = 0;
    CUresult err = findContext(api, cache, frame, &index);
    if (err == CUDA_SUCCESS) {
        CudaContextKernel& entry = cache->kernels[index];
        err = inContext(api, entry.context, [&] {
            CUresult r = entry.module ? CUDA_SUCCESS : loadKernel(api, &entry);
            if (r == CUDA_SUCCESS && frame.environment != nullptr) {
                const PF_LayerDef& env = *frame.environment;
                const CudaArrayKey key{
                    entry.context, in_data->effect_ref, frame.environmentLayerId, (int)in_data->current_time,
                    env.width,     env.height};
                r = refreshEnvironment(api, cache, key, frame.environmentPicked, env,
                                       frame.environmentMemory);
            } else if (r == CUDA_SUCCESS) {
                r = releaseEnvironment(api, cache);
            }
            if (r == CUDA_SUCCESS) {
                const CudaLaunch launch{devicePointer(frame.outputMemory),
                                        frame.environment ? cache->array : nullptr, &values, block};
                r = LaunchMainKernelCUDA(api, entry.function, launch);
            }
            return r;
        });
        dropIfEmpty(api, cache, index);
    }
    if (err == CUDA_SUCCESS) return PF_Err_NONE;
    return reportFailure(in_data, out_data, cache->driver->errorText(err));
}

void ReleaseCudaCache(CudaCache* cache) {
    if (cache->driver) {
        const CudaApi& api = cache->driver->api();
        releaseEnvironment(api, cache);
        for (const CudaContextKernel& entry : cache->kernels) {
            if (entry.module) inContext(api, entry.context, [&] { return api.moduleUnload(entry.module); });
            if (entry.retainedPrimary) api.primaryCtxRelease(entry.device);
        }
    }
    cache->kernels.clear();
    cache->array = nullptr;
    cache->key = CudaArrayKey{};
    cache->driver.reset();
}
