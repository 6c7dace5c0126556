// KernelWrapper.h — one kernel entry declaration, four signatures.
//
// A kernel's arguments are written once, as a Boost.Preprocessor sequence of (KIND, TYPE, NAME):
//   IMAGE   the environment image             OpenCL read-only image2d_t, Metal texture(i), CUDA texture
//                                             object, C++ const KernelImage*
//   OUTPUT  the output pixels (TYPE*)         global / device buffer
//   BUFFER  a read-only record array          global / device buffer
//   RECORD  one read-only record              OpenCL and Metal: a buffer; CUDA: passed by value
//   VALUE   a scalar                          OpenCL and CUDA: an argument; Metal: a member of the
//                                             NAMEValues record in the buffer after the last buffer
// MRPH_KERNEL_DELEGATE(DELEGATE, ARGS, X, Y) opens the definition of the body behind the entry: every
// argument arrives in the same shape in every form (records as pointers), plus the work item X and Y.
// MRPH_KERNEL_ENTRY(NAME, DELEGATE, ARGS) then defines the entry itself for the form being compiled:
//   OpenCL  __kernel void NAME(args in sequence order)
//   Metal   kernel void NAME(buffers 0.. in sequence order, NAMEValues at the next index, textures 0..)
//   CUDA    extern "C" __global__ void NAME(args in sequence order)
//   C++     void NAME(args in sequence order, unsigned int x, unsigned int y), one call per work item
// The entry checks nothing: bounds tests belong to the delegate, which knows the output size.
#ifndef MORPHALITH_SDK_KERNEL_WRAPPER_H
#define MORPHALITH_SDK_KERNEL_WRAPPER_H

#include <boost/preprocessor/cat.hpp>
#include <boost/preprocessor/control/iif.hpp>
#include <boost/preprocessor/punctuation/comma_if.hpp>
#include <boost/preprocessor/seq/filter.hpp>
#include <boost/preprocessor/seq/for_each.hpp>
#include <boost/preprocessor/seq/for_each_i.hpp>
#include <boost/preprocessor/seq/size.hpp>
#include <boost/preprocessor/tuple/elem.hpp>

#include "KernelCore.h"

// ---- Argument fields ---------------------------------------------------------------------------
#define MRPH_ARG_KIND(arg) BOOST_PP_TUPLE_ELEM(3, 0, arg)
#define MRPH_ARG_TYPE(arg) BOOST_PP_TUPLE_ELEM(3, 1, arg)
#define MRPH_ARG_NAME(arg) BOOST_PP_TUPLE_ELEM(3, 2, arg)

// Dispatch on the kind: MRPH_ARG_APPLY(PREFIX, arg) calls PREFIX_<KIND>(TYPE, NAME).
#define MRPH_ARG_APPLY(prefix, arg) BOOST_PP_CAT(prefix, MRPH_ARG_KIND(arg))(MRPH_ARG_TYPE(arg), MRPH_ARG_NAME(arg))

// Kind predicates for BOOST_PP_SEQ_FILTER (1 or 0 per kind).
#define MRPH_IS_BUFFERLIKE_IMAGE 0
#define MRPH_IS_BUFFERLIKE_OUTPUT 1
#define MRPH_IS_BUFFERLIKE_BUFFER 1
#define MRPH_IS_BUFFERLIKE_RECORD 1
#define MRPH_IS_BUFFERLIKE_VALUE 0
#define MRPH_IS_IMAGE_IMAGE 1
#define MRPH_IS_IMAGE_OUTPUT 0
#define MRPH_IS_IMAGE_BUFFER 0
#define MRPH_IS_IMAGE_RECORD 0
#define MRPH_IS_IMAGE_VALUE 0
#define MRPH_IS_VALUE_IMAGE 0
#define MRPH_IS_VALUE_OUTPUT 0
#define MRPH_IS_VALUE_BUFFER 0
#define MRPH_IS_VALUE_RECORD 0
#define MRPH_IS_VALUE_VALUE 1
#define MRPH_PRED_BUFFERLIKE(s, data, arg) BOOST_PP_CAT(MRPH_IS_BUFFERLIKE_, MRPH_ARG_KIND(arg))
#define MRPH_PRED_IMAGE(s, data, arg) BOOST_PP_CAT(MRPH_IS_IMAGE_, MRPH_ARG_KIND(arg))
#define MRPH_PRED_VALUE(s, data, arg) BOOST_PP_CAT(MRPH_IS_VALUE_, MRPH_ARG_KIND(arg))

// ---- The delegate: one parameter shape for every form ------------------------------------------
#define MRPH_DELEGATE_PARAM_IMAGE(T, N) MRPH_IMAGE_PARAM N
#define MRPH_DELEGATE_PARAM_OUTPUT(T, N) MRPH_GLOBAL T* N
#define MRPH_DELEGATE_PARAM_BUFFER(T, N) MRPH_GLOBAL const T* N
#define MRPH_DELEGATE_PARAM_RECORD(T, N) MRPH_GLOBAL const T* N
#define MRPH_DELEGATE_PARAM_VALUE(T, N) T N
#define MRPH_DELEGATE_PARAM(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_APPLY(MRPH_DELEGATE_PARAM_, arg)

#define MRPH_KERNEL_DELEGATE(DELEGATE, ARGS, X, Y) \
    MRPH_FN void DELEGATE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_DELEGATE_PARAM, _, ARGS), unsigned int X, unsigned int Y)

// ================================================================================================
#if defined(MRPH_KERNEL_OPENCL)

#define MRPH_OCL_PARAM_IMAGE(T, N) __read_only image2d_t N
#define MRPH_OCL_PARAM_OUTPUT(T, N) __global T* N
#define MRPH_OCL_PARAM_BUFFER(T, N) __global const T* N
#define MRPH_OCL_PARAM_RECORD(T, N) __global const T* N
#define MRPH_OCL_PARAM_VALUE(T, N) T N
#define MRPH_OCL_PARAM(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_APPLY(MRPH_OCL_PARAM_, arg)
#define MRPH_OCL_PASS(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_NAME(arg)

#define MRPH_KERNEL_ENTRY(NAME, DELEGATE, ARGS)                                    \
    __kernel void NAME(BOOST_PP_SEQ_FOR_EACH_I(MRPH_OCL_PARAM, _, ARGS)) {         \
        DELEGATE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_OCL_PASS, _, ARGS),                  \
                 (unsigned int)get_global_id(0), (unsigned int)get_global_id(1)); \
    }

// ================================================================================================
#elif defined(MRPH_KERNEL_METAL)

// Buffers take indices 0.. in sequence order; the scalars follow in one record at the next index.
#define MRPH_MTL_BUFFER_OUTPUT(T, N) device T* N
#define MRPH_MTL_BUFFER_BUFFER(T, N) device const T* N
#define MRPH_MTL_BUFFER_RECORD(T, N) device const T* N
#define MRPH_MTL_BUFFER(r, data, i, arg) MRPH_ARG_APPLY(MRPH_MTL_BUFFER_, arg) [[buffer(i)]],
#define MRPH_MTL_TEXTURE(r, data, i, arg) texture2d<float> MRPH_ARG_NAME(arg) [[texture(i)]],
#define MRPH_MTL_VALUE_MEMBER(r, data, arg) MRPH_ARG_TYPE(arg) MRPH_ARG_NAME(arg);

#define MRPH_MTL_PASS_IMAGE(T, N) N
#define MRPH_MTL_PASS_OUTPUT(T, N) N
#define MRPH_MTL_PASS_BUFFER(T, N) N
#define MRPH_MTL_PASS_RECORD(T, N) N
#define MRPH_MTL_PASS_VALUE(T, N) mrph_values.N
#define MRPH_MTL_PASS(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_APPLY(MRPH_MTL_PASS_, arg)

#define MRPH_MTL_BUFFERS(ARGS) BOOST_PP_SEQ_FILTER(MRPH_PRED_BUFFERLIKE, _, ARGS)

#define MRPH_KERNEL_ENTRY(NAME, DELEGATE, ARGS)                                                          \
    struct BOOST_PP_CAT(NAME, Values) {                                                                  \
        BOOST_PP_SEQ_FOR_EACH(MRPH_MTL_VALUE_MEMBER, _, BOOST_PP_SEQ_FILTER(MRPH_PRED_VALUE, _, ARGS))   \
    };                                                                                                   \
    kernel void NAME(BOOST_PP_SEQ_FOR_EACH_I(MRPH_MTL_BUFFER, _, MRPH_MTL_BUFFERS(ARGS))                 \
                         constant BOOST_PP_CAT(NAME, Values) &                                           \
                     mrph_values [[buffer(BOOST_PP_SEQ_SIZE(MRPH_MTL_BUFFERS(ARGS)))]],                   \
                     BOOST_PP_SEQ_FOR_EACH_I(MRPH_MTL_TEXTURE, _, BOOST_PP_SEQ_FILTER(MRPH_PRED_IMAGE, _, ARGS)) \
                         uint2 mrph_gid [[thread_position_in_grid]]) {                                   \
        DELEGATE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_MTL_PASS, _, ARGS), mrph_gid.x, mrph_gid.y);               \
    }

// ================================================================================================
#elif defined(MRPH_KERNEL_CUDA)

#define MRPH_CUDA_PARAM_IMAGE(T, N) cudaTextureObject_t N
#define MRPH_CUDA_PARAM_OUTPUT(T, N) mrph_kernel::T* N
#define MRPH_CUDA_PARAM_BUFFER(T, N) const T* N
#define MRPH_CUDA_PARAM_RECORD(T, N) T N
#define MRPH_CUDA_PARAM_VALUE(T, N) T N
#define MRPH_CUDA_PARAM(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_APPLY(MRPH_CUDA_PARAM_, arg)

#define MRPH_CUDA_PASS_IMAGE(T, N) N
#define MRPH_CUDA_PASS_OUTPUT(T, N) N
#define MRPH_CUDA_PASS_BUFFER(T, N) N
#define MRPH_CUDA_PASS_RECORD(T, N) &N
#define MRPH_CUDA_PASS_VALUE(T, N) N
#define MRPH_CUDA_PASS(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_APPLY(MRPH_CUDA_PASS_, arg)

// The entry lives outside the kernel namespace with C linkage, so the driver finds it in the module by
// its plain name on every system.
#define MRPH_KERNEL_ENTRY(NAME, DELEGATE, ARGS)                                               \
    }                                                                                         \
    extern "C" __global__ void NAME(BOOST_PP_SEQ_FOR_EACH_I(MRPH_CUDA_PARAM, _, ARGS)) {      \
        mrph_kernel::DELEGATE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_CUDA_PASS, _, ARGS),               \
                              blockIdx.x * blockDim.x + threadIdx.x, blockIdx.y * blockDim.y + threadIdx.y); \
    }                                                                                         \
    namespace mrph_kernel {

// ================================================================================================
#else  // plain C++

#define MRPH_CPP_PASS(r, data, i, arg) BOOST_PP_COMMA_IF(i) MRPH_ARG_NAME(arg)

#define MRPH_KERNEL_ENTRY(NAME, DELEGATE, ARGS)                                                  \
    inline void NAME(BOOST_PP_SEQ_FOR_EACH_I(MRPH_DELEGATE_PARAM, _, ARGS), unsigned int x,      \
                     unsigned int y) {                                                           \
        DELEGATE(BOOST_PP_SEQ_FOR_EACH_I(MRPH_CPP_PASS, _, ARGS), x, y);                         \
    }

#endif

#endif  // MORPHALITH_SDK_KERNEL_WRAPPER_H
