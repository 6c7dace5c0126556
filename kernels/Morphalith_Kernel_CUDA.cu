// Morphalith_Kernel_CUDA.cu — the CUDA form of the kernel and the launcher of Morphalith_Kernel_CUDA.h.
#include "Morphalith_Kernel.h"
#include "Morphalith_Kernel_CUDA.h"

#include <cuda_runtime.h>

namespace mrph_cuda {

const void* MainKernelFunction() { return reinterpret_cast<const void*>(&::MainKernel); }

int DeviceCount() {
    int count = 0;
    if (cudaGetDeviceCount(&count) != cudaSuccess) {
        cudaGetLastError();  // clear the sticky "no driver" error
        return 0;
    }
    return count;
}

namespace {

// Device copy of count records (at least one, so a count of 0 still binds a valid pointer).
template <typename T>
cudaError_t Upload(const T* host, int count, T** device) {
    const size_t n = count > 0 ? (size_t)count : 1;
    cudaError_t err = cudaMalloc((void**)device, n * sizeof(T));
    if (err == cudaSuccess) err = cudaMemset(*device, 0, n * sizeof(T));
    if (err == cudaSuccess && count > 0) err = cudaMemcpy(*device, host, count * sizeof(T), cudaMemcpyHostToDevice);
    return err;
}

}  // namespace

int RenderFrame(const FrameInput& in, float* dst, int pitch, unsigned width, unsigned height, const char** message) {
    PrimitiveData* dPrimitives = nullptr;
    MaterialData* dMaterials = nullptr;
    ModifiersData* dModifiers = nullptr;
    LightData* dLights = nullptr;
    mrph_kernel::float4* dOut = nullptr;
    cudaArray_t array = nullptr;
    cudaTextureObject_t texture = 0;
    const size_t outBytes = (size_t)pitch * height * 16;

    cudaError_t err = Upload(in.primitives, in.numPrimitives, &dPrimitives);
    if (err == cudaSuccess) err = Upload(in.materials, in.numPrimitives, &dMaterials);
    if (err == cudaSuccess) err = Upload(in.modifiers, in.numPrimitives, &dModifiers);
    if (err == cudaSuccess) err = Upload(in.lights, in.numLights, &dLights);
    if (err == cudaSuccess) err = cudaMalloc((void**)&dOut, outBytes > 0 ? outBytes : 16);
    if (err == cudaSuccess) err = cudaMemcpy(dOut, dst, outBytes, cudaMemcpyHostToDevice);

    if (err == cudaSuccess && in.environment != nullptr) {
        // Normalised coordinates, linear filtering, zero outside: the OpenCL sampler's behaviour.
        const cudaChannelFormatDesc format = cudaCreateChannelDesc(32, 32, 32, 32, cudaChannelFormatKindFloat);
        err = cudaMallocArray(&array, &format, in.environmentWidth, in.environmentHeight);
        if (err == cudaSuccess) {
            const size_t row = (size_t)in.environmentWidth * 16;
            err = cudaMemcpy2DToArray(array, 0, 0, in.environment, row, row, in.environmentHeight,
                                      cudaMemcpyHostToDevice);
        }
        if (err == cudaSuccess) {
            cudaResourceDesc resource = {};
            resource.resType = cudaResourceTypeArray;
            resource.res.array.array = array;
            cudaTextureDesc desc = {};
            desc.addressMode[0] = cudaAddressModeBorder;
            desc.addressMode[1] = cudaAddressModeBorder;
            desc.filterMode = cudaFilterModeLinear;
            desc.readMode = cudaReadModeElementType;
            desc.normalizedCoords = 1;
            err = cudaCreateTextureObject(&texture, &resource, &desc, nullptr);
        }
    }

    if (err == cudaSuccess) {
        const dim3 block(16, 16, 1);
        const dim3 grid((width + 15) / 16, (height + 15) / 16, 1);
        ::MainKernel<<<grid, block>>>(texture, dOut, dPrimitives, dMaterials, dModifiers, dLights, *in.camera,
                                      *in.render, pitch, 0, width, height, (char)(in.environment != nullptr),
                                      in.numPrimitives, in.numLights, 0.0f);
        err = cudaGetLastError();
        if (err == cudaSuccess) err = cudaDeviceSynchronize();
        if (err == cudaSuccess) err = cudaMemcpy(dst, dOut, outBytes, cudaMemcpyDeviceToHost);
    }

    if (texture != 0) cudaDestroyTextureObject(texture);
    if (array != nullptr) cudaFreeArray(array);
    cudaFree(dOut);
    cudaFree(dLights);
    cudaFree(dModifiers);
    cudaFree(dMaterials);
    cudaFree(dPrimitives);
    if (message != nullptr) *message = cudaGetErrorString(err);
    return (int)err;
}

}  // namespace mrph_cuda
