// Errors.cpp — cuGetErrorName and cuGetErrorString, with a real driver's texts. They work before cuInit
// and are never logged or failed on request: callers use them to report the failures being tested.
#include "StandInInternal.h"

namespace {

struct ErrorText {
    CUresult code;
    const char* name;
    const char* text;
};

#define MRPH_CUDA_ERROR(code, text) \
    { code, #code, text }
// Every code the stand-in returns, and those a test may ask it to fail with.
constexpr ErrorText kErrors[] = {
    MRPH_CUDA_ERROR(CUDA_SUCCESS, "no error"),
    MRPH_CUDA_ERROR(CUDA_ERROR_INVALID_VALUE, "invalid argument"),
    MRPH_CUDA_ERROR(CUDA_ERROR_OUT_OF_MEMORY, "out of memory"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NOT_INITIALIZED, "initialization error"),
    MRPH_CUDA_ERROR(CUDA_ERROR_DEINITIALIZED, "driver shutting down"),
    MRPH_CUDA_ERROR(CUDA_ERROR_STUB_LIBRARY, "CUDA driver is a stub library"),
    MRPH_CUDA_ERROR(CUDA_ERROR_DEVICE_UNAVAILABLE, "CUDA-capable device(s) is/are busy or unavailable"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NO_DEVICE, "no CUDA-capable device is detected"),
    MRPH_CUDA_ERROR(CUDA_ERROR_INVALID_DEVICE, "invalid device ordinal"),
    MRPH_CUDA_ERROR(CUDA_ERROR_INVALID_IMAGE, "device kernel image is invalid"),
    MRPH_CUDA_ERROR(CUDA_ERROR_INVALID_CONTEXT, "invalid device context"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NO_BINARY_FOR_GPU, "no kernel image is available for execution on the device"),
    MRPH_CUDA_ERROR(CUDA_ERROR_ECC_UNCORRECTABLE, "uncorrectable ECC error encountered"),
    MRPH_CUDA_ERROR(CUDA_ERROR_INVALID_PTX, "a PTX JIT compilation failed"),
    MRPH_CUDA_ERROR(CUDA_ERROR_UNSUPPORTED_PTX_VERSION,
                    "the provided PTX was compiled with an unsupported toolchain."),
    MRPH_CUDA_ERROR(CUDA_ERROR_FILE_NOT_FOUND, "file not found"),
    MRPH_CUDA_ERROR(CUDA_ERROR_INVALID_HANDLE, "invalid resource handle"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NOT_FOUND, "named symbol not found"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NOT_READY, "device not ready"),
    MRPH_CUDA_ERROR(CUDA_ERROR_ILLEGAL_ADDRESS, "an illegal memory access was encountered"),
    MRPH_CUDA_ERROR(CUDA_ERROR_LAUNCH_OUT_OF_RESOURCES, "too many resources requested for launch"),
    MRPH_CUDA_ERROR(CUDA_ERROR_LAUNCH_TIMEOUT, "the launch timed out and was terminated"),
    MRPH_CUDA_ERROR(CUDA_ERROR_CONTEXT_IS_DESTROYED, "context is destroyed"),
    MRPH_CUDA_ERROR(CUDA_ERROR_ILLEGAL_INSTRUCTION, "an illegal instruction was encountered"),
    MRPH_CUDA_ERROR(CUDA_ERROR_MISALIGNED_ADDRESS, "misaligned address"),
    MRPH_CUDA_ERROR(CUDA_ERROR_LAUNCH_FAILED, "unspecified launch failure"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NOT_PERMITTED, "operation not permitted"),
    MRPH_CUDA_ERROR(CUDA_ERROR_NOT_SUPPORTED, "operation not supported"),
    MRPH_CUDA_ERROR(CUDA_ERROR_SYSTEM_DRIVER_MISMATCH,
                    "system has unsupported display driver / cuda driver combination"),
    MRPH_CUDA_ERROR(CUDA_ERROR_UNKNOWN, "unknown error"),
};
#undef MRPH_CUDA_ERROR

const ErrorText* Find(CUresult code) {
    for (const ErrorText& e : kErrors)
        if (e.code == code) return &e;
    return nullptr;
}

}  // namespace

// An unknown code gives CUDA_ERROR_INVALID_VALUE and a null text, as a real driver does.
CUresult CUDAAPI cuGetErrorString(CUresult error, const char** pStr) {
    if (pStr == nullptr) return CUDA_ERROR_INVALID_VALUE;
    const ErrorText* e = Find(error);
    *pStr = e ? e->text : nullptr;
    return e ? CUDA_SUCCESS : CUDA_ERROR_INVALID_VALUE;
}

CUresult CUDAAPI cuGetErrorName(CUresult error, const char** pStr) {
    if (pStr == nullptr) return CUDA_ERROR_INVALID_VALUE;
    const ErrorText* e = Find(error);
    *pStr = e ? e->name : nullptr;
    return e ? CUDA_SUCCESS : CUDA_ERROR_INVALID_VALUE;
}
