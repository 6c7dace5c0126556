// Memory.cpp — device memory, arrays, copies and texture objects.
//
// A copy or a fill must lie wholly inside one live allocation or array: where a real device would
// scribble past the end of a block or into a freed one, the stand-in refuses the call, so the fault
// shows at the call that made it. Allocations and arrays of any context may be copied to and from
// (addresses are unified across contexts, as on a real device); a texture takes its array from the
// current context only.
#include <cstring>

#include "StandInInternal.h"

using namespace cuda_standin;

namespace {

constexpr size_t kTexelBytes = 16;  // float4, the only array format the stand-in makes
// The largest 2-D array a device of compute capability 9.0 makes.
constexpr size_t kMaxArrayWidth = 131072;
constexpr size_t kMaxArrayHeight = 65536;

// One side of a 2-D copy: its first byte and the distance between its rows.
struct Side {
    unsigned char* first = nullptr;
    size_t pitch = 0;
};

CUresult ResolveSide(State& state, CUmemorytype type, const void* host, CUdeviceptr device, CUarray array,
                     size_t pitch, size_t xInBytes, size_t y, size_t width, size_t height, Side* side) {
    switch (type) {
        case CU_MEMORYTYPE_HOST: {
            if (host == nullptr || pitch < width) return CUDA_ERROR_INVALID_VALUE;
            size_t offset = 0;
            if (!MulAdd(y, pitch, xInBytes, &offset)) return CUDA_ERROR_INVALID_VALUE;
            side->first = const_cast<unsigned char*>(static_cast<const unsigned char*>(host)) + offset;
            side->pitch = pitch;
            return CUDA_SUCCESS;
        }
        case CU_MEMORYTYPE_DEVICE: {
            if (pitch < width) return CUDA_ERROR_INVALID_VALUE;
            size_t offset = 0, span = 0;
            if (!MulAdd(y, pitch, xInBytes, &offset) || !MulAdd(height - 1, pitch, width, &span))
                return CUDA_ERROR_INVALID_VALUE;
            if (offset > UINTPTR_MAX - device) return CUDA_ERROR_INVALID_VALUE;
            const uintptr_t first = (uintptr_t)device + offset;
            if (state.FindAllocation(first, span) == nullptr) return CUDA_ERROR_INVALID_VALUE;
            side->first = reinterpret_cast<unsigned char*>(first);
            side->pitch = pitch;
            return CUDA_SUCCESS;
        }
        case CU_MEMORYTYPE_ARRAY: {
            const auto it = state.arrays.find(FromHandle(array));
            if (it == state.arrays.end()) return CUDA_ERROR_INVALID_VALUE;
            const Array& a = it->second;
            const size_t rowBytes = a.width * kTexelBytes;
            // An array is addressed in whole texels.
            if (xInBytes % kTexelBytes != 0 || width % kTexelBytes != 0) return CUDA_ERROR_INVALID_VALUE;
            if (xInBytes > rowBytes || width > rowBytes - xInBytes) return CUDA_ERROR_INVALID_VALUE;
            if (y > a.height || height > a.height - y) return CUDA_ERROR_INVALID_VALUE;
            side->first = a.texels.get() + y * rowBytes + xInBytes;
            side->pitch = rowBytes;
            return CUDA_SUCCESS;
        }
        case CU_MEMORYTYPE_UNIFIED:
            return CUDA_ERROR_NOT_SUPPORTED;
        default:
            return CUDA_ERROR_INVALID_VALUE;
    }
}

}  // namespace

CUresult CUDAAPI cuMemAlloc(CUdeviceptr* dptr, size_t bytesize) {
    Call call(Entry::MemAlloc);
    if (CUresult r = call.Enter(true)) return r;
    if (dptr == nullptr || bytesize == 0) return CUDA_ERROR_INVALID_VALUE;
    State& state = call.state;
    if (bytesize > kDeviceMemory - state.deviceBytes) return CUDA_ERROR_OUT_OF_MEMORY;
    Block block = NewBlock(bytesize);
    if (!block) return CUDA_ERROR_OUT_OF_MEMORY;
    const uintptr_t address = reinterpret_cast<uintptr_t>(block.get());
    state.allocations[address] = Allocation{std::move(block), bytesize, call.contextId()};
    state.deviceBytes += bytesize;
    state.allocationBytes += bytesize;
    *dptr = (CUdeviceptr)address;
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuMemFree(CUdeviceptr dptr) {
    Call call(Entry::MemFree);
    CUresult result = call.EnterRelease(true);
    if (result == CUDA_SUCCESS) {
        State& state = call.state;
        const auto it = state.allocations.find((uintptr_t)dptr);
        if (it == state.allocations.end()) {
            result = CUDA_ERROR_INVALID_VALUE;
        } else {
            state.deviceBytes -= it->second.size;
            state.allocationBytes -= it->second.size;
            state.allocations.erase(it);
        }
    }
    return call.Finish(result);
}

// Zero bytes touch nothing and are never refused.
CUresult CUDAAPI cuMemcpyHtoD(CUdeviceptr dstDevice, const void* srcHost, size_t ByteCount) {
    Call call(Entry::MemcpyHtoD);
    if (CUresult r = call.Enter(true)) return r;
    if (ByteCount == 0) return CUDA_SUCCESS;
    if (srcHost == nullptr || call.state.FindAllocation((uintptr_t)dstDevice, ByteCount) == nullptr)
        return CUDA_ERROR_INVALID_VALUE;
    std::memmove(reinterpret_cast<void*>((uintptr_t)dstDevice), srcHost, ByteCount);
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuMemsetD8(CUdeviceptr dstDevice, unsigned char uc, size_t N) {
    Call call(Entry::MemsetD8);
    if (CUresult r = call.Enter(true)) return r;
    if (N == 0) return CUDA_SUCCESS;
    if (call.state.FindAllocation((uintptr_t)dstDevice, N) == nullptr) return CUDA_ERROR_INVALID_VALUE;
    std::memset(reinterpret_cast<void*>((uintptr_t)dstDevice), uc, N);
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuMemcpy2D(const CUDA_MEMCPY2D* pCopy) {
    Call call(Entry::Memcpy2D);
    if (CUresult r = call.Enter(true)) return r;
    if (pCopy == nullptr) return CUDA_ERROR_INVALID_VALUE;
    const CUDA_MEMCPY2D& c = *pCopy;
    if (c.WidthInBytes == 0 || c.Height == 0) return CUDA_SUCCESS;
    Side src, dst;
    if (CUresult r = ResolveSide(call.state, c.srcMemoryType, c.srcHost, c.srcDevice, c.srcArray, c.srcPitch,
                                 c.srcXInBytes, c.srcY, c.WidthInBytes, c.Height, &src))
        return r;
    if (CUresult r = ResolveSide(call.state, c.dstMemoryType, c.dstHost, c.dstDevice, c.dstArray, c.dstPitch,
                                 c.dstXInBytes, c.dstY, c.WidthInBytes, c.Height, &dst))
        return r;
    for (size_t row = 0; row < c.Height; ++row)
        std::memmove(dst.first + row * dst.pitch, src.first + row * src.pitch, c.WidthInBytes);
    return CUDA_SUCCESS;
}

CUresult CUDAAPI cuArrayCreate(CUarray* pHandle, const CUDA_ARRAY_DESCRIPTOR* pAllocateArray) {
    Call call(Entry::ArrayCreate);
    if (CUresult r = call.Enter(true)) return r;
    if (pHandle == nullptr || pAllocateArray == nullptr) return CUDA_ERROR_INVALID_VALUE;
    const CUDA_ARRAY_DESCRIPTOR& d = *pAllocateArray;
    if (d.Format != CU_AD_FORMAT_FLOAT || d.NumChannels != 4) return CUDA_ERROR_NOT_SUPPORTED;
    // A height of 0 asks for a 1-D array, which a real driver makes and the stand-in does not.
    if (d.Height == 0) return CUDA_ERROR_NOT_SUPPORTED;
    if (d.Width == 0 || d.Width > kMaxArrayWidth || d.Height > kMaxArrayHeight)
        return CUDA_ERROR_INVALID_VALUE;
    State& state = call.state;
    const size_t bytes = d.Width * d.Height * kTexelBytes;
    if (bytes > kDeviceMemory - state.deviceBytes) return CUDA_ERROR_OUT_OF_MEMORY;
    Block texels = NewBlock(bytes);
    if (!texels) return CUDA_ERROR_OUT_OF_MEMORY;
    const uint64_t id = state.NewHandle();
    state.arrays[id] = Array{std::move(texels), d.Width, d.Height, call.contextId()};
    state.deviceBytes += bytes;
    *pHandle = ToHandle<CUarray>(id);
    return CUDA_SUCCESS;
}

// A texture still made over the array keeps its handle, but a launch that samples it faults.
CUresult CUDAAPI cuArrayDestroy(CUarray hArray) {
    Call call(Entry::ArrayDestroy);
    CUresult result = call.EnterRelease(true);
    if (result == CUDA_SUCCESS) {
        const auto it = call.state.arrays.find(FromHandle(hArray));
        if (it == call.state.arrays.end()) {
            result = CUDA_ERROR_INVALID_HANDLE;
        } else {
            call.state.deviceBytes -= it->second.width * it->second.height * kTexelBytes;
            call.state.arrays.erase(it);
        }
    }
    return call.Finish(result);
}

CUresult CUDAAPI cuTexObjectDestroy(CUtexObject texObject) {
    Call call(Entry::TexObjectDestroy);
    CUresult result = call.EnterRelease(true);
    if (result == CUDA_SUCCESS && call.state.textures.erase((uint64_t)texObject) == 0)
        result = CUDA_ERROR_INVALID_HANDLE;
    return call.Finish(result);
}
