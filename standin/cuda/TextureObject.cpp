// TextureObject.cpp — cuTexObjectCreate, on its own: the library built without this file stands for a
// driver too old for the module.
#include "StandInInternal.h"

using namespace cuda_standin;

// The stand-in samples as the kernel's C++ form does: normalised coordinates, bilinear filtering,
// zero outside the image. Any description that would sample otherwise is refused rather than sampled
// differently. Mipmap settings and the third address mode do not bear on a 2-D array and pass.
CUresult CUDAAPI cuTexObjectCreate(CUtexObject* pTexObject, const CUDA_RESOURCE_DESC* pResDesc,
                                   const CUDA_TEXTURE_DESC* pTexDesc,
                                   const CUDA_RESOURCE_VIEW_DESC* pResViewDesc) {
    Call call(Entry::TexObjectCreate);
    if (CUresult r = call.Enter(true)) return r;
    if (pTexObject == nullptr || pResDesc == nullptr || pTexDesc == nullptr) return CUDA_ERROR_INVALID_VALUE;
    if (pResDesc->flags != 0) return CUDA_ERROR_INVALID_VALUE;
    if (pResDesc->resType != CU_RESOURCE_TYPE_ARRAY) return CUDA_ERROR_NOT_SUPPORTED;
    const uint64_t arrayId = FromHandle(pResDesc->res.array.hArray);
    const auto array = call.state.arrays.find(arrayId);
    if (array == call.state.arrays.end()) return CUDA_ERROR_INVALID_HANDLE;
    if (array->second.context != call.contextId()) return CUDA_ERROR_INVALID_CONTEXT;
    if (pResViewDesc != nullptr) return CUDA_ERROR_NOT_SUPPORTED;
    const CUDA_TEXTURE_DESC& t = *pTexDesc;
    const bool border =
        t.addressMode[0] == CU_TR_ADDRESS_MODE_BORDER && t.addressMode[1] == CU_TR_ADDRESS_MODE_BORDER;
    const bool zeroBorder = t.borderColor[0] == 0.0f && t.borderColor[1] == 0.0f &&
                            t.borderColor[2] == 0.0f && t.borderColor[3] == 0.0f;
    if (!border || !zeroBorder || t.filterMode != CU_TR_FILTER_MODE_LINEAR ||
        t.flags != CU_TRSF_NORMALIZED_COORDINATES || t.maxAnisotropy > 1)
        return CUDA_ERROR_NOT_SUPPORTED;
    const uint64_t id = call.state.NewHandle();
    call.state.textures[id] = Texture{arrayId, call.contextId()};
    *pTexObject = (CUtexObject)id;
    return CUDA_SUCCESS;
}
