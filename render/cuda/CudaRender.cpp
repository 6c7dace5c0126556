// CudaRender.cpp — the CUDA branch of a GPU frame and its launcher. Every runtime call goes through the
// CudaApi table, and each one is checked: the first failure stops the frame and is the one reported.
#include "render/cuda/CudaRender.h"

#include <cstring>
#include <string>

#include "Morphalith_Kernel_CUDA.h"
#include "ReturnMessage.h"

namespace {

constexpr unsigned kBlockSide = 16;

// A device copy of count records; one zeroed record when there are none, as the OpenCL path binds.
template <typename T>
cudaError_t uploadRecords(const CudaApi& api, const T* records, int count, void** device) {
    static const T kZero{};
    const bool none = count <= 0 || records == nullptr;
    const size_t bytes = (none ? 1 : (size_t)count) * sizeof(T);
    cudaError_t err = api.malloc(device, bytes);
    if (err != cudaSuccess) {
        *device = nullptr;
        return err;
    }
    return api.memcpy(*device, none ? &kZero : records, bytes, cudaMemcpyHostToDevice);
}

// The environment as the kernel samples it: normalised coordinates, bilinear, and zero outside the
// image (border addressing), which is what the OpenCL sampler gives at the seam.
cudaError_t makeEnvironmentTexture(const CudaApi& api, cudaArray_t array, cudaTextureObject_t* texture) {
    cudaResourceDesc resource;
    std::memset(&resource, 0, sizeof(resource));
    resource.resType = cudaResourceTypeArray;
    resource.res.array.array = array;
    cudaTextureDesc desc;
    std::memset(&desc, 0, sizeof(desc));  // border colour 0
    desc.addressMode[0] = cudaAddressModeBorder;
    desc.addressMode[1] = cudaAddressModeBorder;
    desc.filterMode = cudaFilterModeLinear;
    desc.readMode = cudaReadModeElementType;
    desc.normalizedCoords = 1;
    return api.createTextureObject(texture, &resource, &desc, nullptr);
}

// Frees the cached array on the device it was made on, and forgets it whatever the outcome, so that
// an array the runtime refused is never freed twice. currentDevice: the device the frame made current
// (set back afterwards), or -1 when there is none.
cudaError_t releaseEnvironment(const CudaApi& api, CudaEnvironment* cuda, int currentDevice) {
    if (cuda->array == nullptr) {
        *cuda = CudaEnvironment();
        return cudaSuccess;
    }
    const int device = cuda->key.device;
    const bool elsewhere = device != currentDevice;
    cudaError_t err = elsewhere ? api.setDevice(device) : cudaSuccess;
    if (err == cudaSuccess) err = api.freeArray(cuda->array);
    *cuda = CudaEnvironment();
    if (elsewhere && currentDevice >= 0) {
        const cudaError_t back = api.setDevice(currentDevice);
        if (err == cudaSuccess) err = back;
    }
    return err;
}

// Keeps the cached array when it holds what this frame would put in it; otherwise frees it and makes
// a new one from the environment world, row by row of the world's own pitch. The key is stored only
// with a complete array; a failed rebuild leaves no array.
cudaError_t refreshEnvironment(const CudaApi& api, CudaEnvironment* cuda, const CudaArrayKey& key, bool picked,
                               const PF_LayerDef& env, const void* pixels, int currentDevice) {
    if (cuda->array != nullptr && !picked && cuda->key == key) return cudaSuccess;
    cudaError_t err = releaseEnvironment(api, cuda, currentDevice);
    if (err != cudaSuccess) return err;

    const cudaChannelFormatDesc format = api.createChannelDesc(32, 32, 32, 32, cudaChannelFormatKindFloat);
    cudaArray_t array = nullptr;
    err = api.mallocArray(&array, &format, (size_t)env.width, (size_t)env.height, 0);
    if (err != cudaSuccess) return err;
    err = api.memcpy2DToArray(array, 0, 0, pixels, (size_t)env.rowbytes, (size_t)env.width * 16,
                              (size_t)env.height, cudaMemcpyDeviceToDevice);
    if (err != cudaSuccess) {
        api.freeArray(array);  // the copy's error is the one to report
        return err;
    }
    cuda->array = array;
    cuda->format = format;
    cuda->key = key;
    return cudaSuccess;
}

}  // namespace

cudaError_t LaunchMainKernelCUDA(const CudaApi& api, const CudaLaunch& launch) {
    const MainKernelValues& v = *launch.values;
    const PluginInputParams& b = *launch.block;
    const dim3 block(kBlockSide, kBlockSide, 1);
    const dim3 grid((v.inWidth + kBlockSide - 1) / kBlockSide, (v.inHeight + kBlockSide - 1) / kBlockSide, 1);

    void* primitives = nullptr;
    void* materials = nullptr;
    void* modifiers = nullptr;
    void* lights = nullptr;
    cudaTextureObject_t texture = 0;
    bool madeTexture = false;

    cudaError_t err = uploadRecords(api, b.primitives, b.numPrimitives, &primitives);
    if (err == cudaSuccess) err = uploadRecords(api, b.materials, b.numPrimitives, &materials);
    if (err == cudaSuccess) err = uploadRecords(api, b.modifiers, b.numPrimitives, &modifiers);
    if (err == cudaSuccess) err = uploadRecords(api, b.lights, b.numLights, &lights);
    if (err == cudaSuccess && launch.environment != nullptr) {
        err = makeEnvironmentTexture(api, launch.environment, &texture);
        madeTexture = err == cudaSuccess;
    }
    if (err == cudaSuccess) {
        // In MainKernel's order; the runtime copies each value by the kernel's parameter sizes.
        void* output = launch.output;
        CamData camera = b.camera;
        RenderData render = b.global;
        int pitch = v.inDstPitch, in16f = v.in16f;
        unsigned int width = v.inWidth, height = v.inHeight;
        char useEnvironment = v.mUseEnvironment;
        int numPrimitives = v.numPrimitives, numLights = v.numLights;
        float time = v.inTime;
        void* args[] = {&texture, &output, &primitives, &materials, &modifiers,     &lights,        &camera, &render,
                        &pitch,   &in16f,  &width,      &height,    &useEnvironment, &numPrimitives, &numLights, &time};
        err = api.launchKernel(mrph_cuda::MainKernelFunction(), grid, block, args, 0, nullptr);
    }
    if (err == cudaSuccess) err = api.deviceSynchronize();

    auto keepFirst = [&err](cudaError_t result) {
        if (err == cudaSuccess) err = result;
    };
    if (madeTexture) keepFirst(api.destroyTextureObject(texture));
    for (void* records : {primitives, materials, modifiers, lights})
        if (records != nullptr) keepFirst(api.free(records));
    return err;
}

PF_Err RenderCUDA(PF_InData* in_data, PF_OutData* out_data, const CudaFrame& frame, const MainKernelValues& values,
                  const PluginInputParams* block, GPUCachedTexture* cache) {
    const CudaApi& api = cudaApi();
    CudaEnvironment* cuda = &cache->cuda;

    cudaError_t err = api.setDevice(frame.device);
    if (err == cudaSuccess) {
        if (frame.environment != nullptr) {
            const PF_LayerDef& env = *frame.environment;
            const CudaArrayKey key{frame.device, in_data->effect_ref, cache->layerId, (int)in_data->current_time,
                                   env.width, env.height};
            err = refreshEnvironment(api, cuda, key, frame.environmentPicked, env, frame.environmentMemory,
                                     frame.device);
        } else {
            err = releaseEnvironment(api, cuda, frame.device);
        }
    }
    if (err == cudaSuccess) {
        const CudaLaunch launch{frame.outputMemory, frame.environment ? cuda->array : nullptr, &values, block};
        err = LaunchMainKernelCUDA(api, launch);
    }
    if (err == cudaSuccess) return PF_Err_NONE;

    // Cleared here, so that the next unrelated call of this thread does not report it again.
    api.getLastError();
    showErrorMessage(in_data, out_data, std::string("GPU Assert:\r\n") + api.getErrorString(err) + "\n");
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

void ReleaseCudaEnvironment(CudaEnvironment* environment) {
    if (environment->array == nullptr) return;
    const CudaApi& api = cudaApi();
    if (releaseEnvironment(api, environment, -1) != cudaSuccess) api.getLastError();
}
