/* CudaStandIn.h — the tests' side of the CUDA driver stand-in: the bookkeeping a real driver keeps to
 * itself (live objects, calls, launches, the last module image), failures on request, and a loader
 * that finds all of it in the driver library the process has already loaded.
 *
 * The stand-in is picked like a real driver, by where it lies: LD_LIBRARY_PATH naming its folder on
 * Linux, nvcuda.dll beside the executable under wine. Nothing links it: a test reaches these functions
 * through mrphCudaStandInLoad, which fills a table only when the loaded driver is the stand-in (on a
 * machine with a real GPU driver it fills nothing, and the test skips). Plain C, so a mingw-built DLL
 * and any test executable agree on every struct.
 *
 * Indices of calls and launches count from the last mrphCudaStandInReset (or the process start). */
#ifndef MORPHALITH_STANDIN_CUDA_CUDA_STAND_IN_H
#define MORPHALITH_STANDIN_CUDA_CUDA_STAND_IN_H

#include <stddef.h>
#include <string.h>

#include <cuda.h>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Objects alive now ---------------------------------------------------------------------------- */
typedef struct MrphCudaStandInCounts {
    long allocations; /* cuMemAlloc blocks not yet freed */
    long long allocatedBytes;
    long arrays;
    long textures;
    long modules;
    long contexts;          /* primary contexts that exist (retained at least once, not released to 0) */
    long contextReferences; /* primary-context retains not yet released, all devices */
    /* Objects destroyed because the last reference to their primary context went, since the last
     * reset: each one is a caller's cached object lost without being freed. */
    long lostAllocations;
    long lostArrays;
    long lostTextures;
    long lostModules;
    long lostWithContext; /* the four above together */
} MrphCudaStandInCounts;

/* ---- The last well-formed fat binary handed to cuModuleLoadData ------------------------------------- */
/* (loaded, or refused with CUDA_ERROR_NO_BINARY_FOR_GPU for want of code this device runs) */
#define MRPH_CUDA_STANDIN_MAX_IMAGE_ENTRIES 32
typedef struct MrphCudaStandInImageEntry {
    unsigned int kind; /* 1 PTX, 2 ELF (machine code) */
    unsigned int arch; /* e.g. 90 for sm_90 / compute_90 */
} MrphCudaStandInImageEntry;
typedef struct MrphCudaStandInImage {
    unsigned long long size; /* header and entries: 16 + the size the header declares */
    int entryCount;          /* all entries; the first MRPH_CUDA_STANDIN_MAX_IMAGE_ENTRIES are below */
    MrphCudaStandInImageEntry entries[MRPH_CUDA_STANDIN_MAX_IMAGE_ENTRIES];
} MrphCudaStandInImage;

/* ---- One cuLaunchKernel whose arguments were read --------------------------------------------------- */
/* Launches refused before their arguments are read (a bad grid, a stream, no kernelParams, a context
 * already faulted, a failure on request) leave no record. The records of MainKernel are, in order:
 * primitives, materials, modifiers, lights. */
#define MRPH_CUDA_STANDIN_CAMERA_BYTES 96  /* sizeof(CamData) */
#define MRPH_CUDA_STANDIN_RENDER_BYTES 112 /* sizeof(RenderData) */
typedef struct MrphCudaStandInLaunch {
    unsigned int grid[3];
    unsigned int block[3];
    unsigned int sharedMem;
    CUstream stream;
    CUresult result; /* what the launch returned: CUDA_SUCCESS when the kernel ran */
    unsigned long long texture;
    CUdeviceptr output;
    CUdeviceptr records[4];
    size_t recordBytes[4]; /* bytes of each record copy: count x record size, 0 when unreadable */
    unsigned char camera[MRPH_CUDA_STANDIN_CAMERA_BYTES];
    unsigned char render[MRPH_CUDA_STANDIN_RENDER_BYTES];
    int pitch;
    int in16f;
    unsigned int width;
    unsigned int height;
    char useEnvironment;
    int numPrimitives;
    int numLights;
    float time;
} MrphCudaStandInLaunch;

/* ---- The control functions, as the stand-in exports them -------------------------------------------- */
/* Forgets the call log, the launch records, the last image, the lost-object counts and every pending
 * failure, and sets 1 device. Live objects, contexts and cuInit stay. */
void mrphCudaStandInReset(void);
/* cuInit has not been called, as far as the next calls can tell (live objects stay): for checking
 * that a caller initialises the driver before anything else. */
void mrphCudaStandInForgetInit(void);
/* Devices that cuDeviceGetCount reports from now on (0: cuInit returns CUDA_ERROR_NO_DEVICE). */
void mrphCudaStandInSetDeviceCount(int count);

/* The n-th call from now (n >= 1) returns `error`, counting every driver entry point except
 * cuGetErrorString and cuGetErrorName. Several may be pending at once. */
void mrphCudaStandInFailCall(int n, CUresult error);
/* The next call of the entry point exported as `name` (e.g. "cuMemAlloc_v2") returns `error`; a second
 * request for the same name replaces the first. Returns 0, and arranges nothing, when no entry point
 * has that name.
 * A call failed either way does nothing, except a release (cuMemFree, cuArrayDestroy,
 * cuTexObjectDestroy, cuModuleUnload, cuCtxPopCurrent, cuDevicePrimaryCtxRelease),
 * which still does its work and then returns the error. */
int mrphCudaStandInFailNext(const char* name, CUresult error);

/* Calls made, and the exported name of the index-th (from 0), with "!" appended when it was failed on
 * request; null past the end, or once the entry has been dropped (the most recent million are kept). */
long mrphCudaStandInCallCount(void);
const char* mrphCudaStandInCallName(long index);

void mrphCudaStandInGetCounts(MrphCudaStandInCounts* counts);
/* Retains of device's primary context not yet released. */
int mrphCudaStandInContextReferences(int device);

/* 1 and the image, when cuModuleLoadData has been handed a well-formed fat binary; else 0. */
int mrphCudaStandInLastImage(MrphCudaStandInImage* image);

/* Launches recorded, and the index-th (from 0): 1 when filled, 0 past the end or once dropped (the
 * most recent 256 are kept). recordBytes copies at most `capacity` bytes of the bytes that record
 * (0..3) held at that launch and returns how many it held. */
long mrphCudaStandInLaunchCount(void);
int mrphCudaStandInGetLaunch(long index, MrphCudaStandInLaunch* launch);
size_t mrphCudaStandInLaunchRecordBytes(long index, int record, void* bytes, size_t capacity);

/* ---- Finding them ----------------------------------------------------------------------------------- */
typedef struct MrphCudaStandInApi {
    void (*reset)(void);
    void (*forgetInit)(void);
    void (*setDeviceCount)(int count);
    void (*failCall)(int n, CUresult error);
    int (*failNext)(const char* name, CUresult error);
    long (*callCount)(void);
    const char* (*callName)(long index);
    void (*getCounts)(MrphCudaStandInCounts* counts);
    int (*contextReferences)(int device);
    int (*lastImage)(MrphCudaStandInImage* image);
    long (*launchCount)(void);
    int (*getLaunch)(long index, MrphCudaStandInLaunch* launch);
    size_t (*launchRecordBytes)(long index, int record, void* bytes, size_t capacity);
} MrphCudaStandInApi;

/* Fills *api from the CUDA driver library already loaded in this process and returns 1; returns 0 when
 * none is loaded or the loaded one is a real driver. It takes a reference to the library, which then
 * stays loaded while the process runs: the bookkeeping outlives a module that loaded and let go of it. */
static inline int mrphCudaStandInLoad(MrphCudaStandInApi* api) {
    /* Symbols come back as data pointers; copying the bytes into the function pointer is the one
     * conversion both ISO C and C++ accept. */
#if defined(_WIN32)
    HMODULE library = NULL;
    if (!GetModuleHandleExA(0, "nvcuda.dll", &library)) return 0;
    if (GetProcAddress(library, "mrphCudaStandInReset") == NULL) {
        FreeLibrary(library);
        return 0;
    }
#define MRPH_CUDA_STANDIN_FIND(name) ((void*)GetProcAddress(library, name))
#else
    void* library = dlopen("libcuda.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (library == NULL) return 0;
    if (dlsym(library, "mrphCudaStandInReset") == NULL) {
        dlclose(library);
        return 0;
    }
#define MRPH_CUDA_STANDIN_FIND(name) dlsym(library, name)
#endif
#define MRPH_CUDA_STANDIN_BIND(member, name)         \
    do {                                             \
        void* found = MRPH_CUDA_STANDIN_FIND(name);  \
        if (found == NULL) return 0;                 \
        memcpy(&api->member, &found, sizeof(found)); \
    } while (0)
    MRPH_CUDA_STANDIN_BIND(reset, "mrphCudaStandInReset");
    MRPH_CUDA_STANDIN_BIND(forgetInit, "mrphCudaStandInForgetInit");
    MRPH_CUDA_STANDIN_BIND(setDeviceCount, "mrphCudaStandInSetDeviceCount");
    MRPH_CUDA_STANDIN_BIND(failCall, "mrphCudaStandInFailCall");
    MRPH_CUDA_STANDIN_BIND(failNext, "mrphCudaStandInFailNext");
    MRPH_CUDA_STANDIN_BIND(callCount, "mrphCudaStandInCallCount");
    MRPH_CUDA_STANDIN_BIND(callName, "mrphCudaStandInCallName");
    MRPH_CUDA_STANDIN_BIND(getCounts, "mrphCudaStandInGetCounts");
    MRPH_CUDA_STANDIN_BIND(contextReferences, "mrphCudaStandInContextReferences");
    MRPH_CUDA_STANDIN_BIND(lastImage, "mrphCudaStandInLastImage");
    MRPH_CUDA_STANDIN_BIND(launchCount, "mrphCudaStandInLaunchCount");
    MRPH_CUDA_STANDIN_BIND(getLaunch, "mrphCudaStandInGetLaunch");
    MRPH_CUDA_STANDIN_BIND(launchRecordBytes, "mrphCudaStandInLaunchRecordBytes");
#undef MRPH_CUDA_STANDIN_BIND
#undef MRPH_CUDA_STANDIN_FIND
    return 1;
}

#ifdef __cplusplus
}
#endif

#endif /* MORPHALITH_STANDIN_CUDA_CUDA_STAND_IN_H */
