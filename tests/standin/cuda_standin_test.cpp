// The CUDA driver stand-in on its own, loaded as the module loads a driver (dlopen("libcuda.so.1"),
// found through LD_LIBRARY_PATH) and driven through its exported entry points: the order of
// initialisation and contexts, bounds of every copy, the fat binary check, the texture descriptions
// it takes, launches drawing what the kernel's C++ form draws, faults caught before the kernel runs,
// failures on request and the error texts. On a machine whose driver is a real one, every test skips.
#include <gtest/gtest.h>

#if !defined(MRPH_HAVE_CUDA_STANDIN)

TEST(CudaStandIn, NotBuilt) {
    GTEST_SKIP() << "skipped: the CUDA driver stand-in was not built (no cuda.h found)";
}

#else

#include <dlfcn.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CudaExpected.h"
#include "CudaStandIn.h"
#include "kernels/kernel_scene.h"

namespace {

using mrph_kernel::float4;
using mrph_test::F3;
using mrph_test::KernelScene;

#define MRPH_STR2(x) #x
#define MRPH_STR(x) MRPH_STR2(x)

// The entry points, under the names cuda.h's macros give (cuMemAlloc is cuMemAlloc_v2, ...).
#define MRPH_DRIVER_ENTRIES(X)                                                                            \
    X(cuInit)                                                                                             \
    X(cuDeviceGetCount)                                                                                   \
    X(cuDeviceGet) X(cuDeviceGetName) X(cuDevicePrimaryCtxRetain) X(cuDevicePrimaryCtxRelease)            \
        X(cuCtxPushCurrent) X(cuCtxPopCurrent) X(cuCtxGetCurrent) X(cuCtxSynchronize) X(cuModuleLoadData) \
            X(cuModuleUnload) X(cuModuleGetFunction) X(cuMemAlloc) X(cuMemFree) X(cuMemcpyHtoD)           \
                X(cuMemsetD8) X(cuMemcpy2D) X(cuArrayCreate) X(cuArrayDestroy) X(cuTexObjectCreate)       \
                    X(cuTexObjectDestroy) X(cuLaunchKernel) X(cuGetErrorString) X(cuGetErrorName)

struct Driver {
#define MRPH_DRIVER_MEMBER(name) decltype(&::name) name = nullptr;
    MRPH_DRIVER_ENTRIES(MRPH_DRIVER_MEMBER)
#undef MRPH_DRIVER_MEMBER
};

bool Bind(void* library, Driver* d) {
#define MRPH_DRIVER_BIND(name)                                                     \
    d->name = reinterpret_cast<decltype(d->name)>(dlsym(library, MRPH_STR(name))); \
    if (d->name == nullptr) return false;
    MRPH_DRIVER_ENTRIES(MRPH_DRIVER_BIND)
#undef MRPH_DRIVER_BIND
    return true;
}

// ---- Hand-made fat binaries -----------------------------------------------------------------------------
constexpr uint32_t kFatbinMagic = 0xBA55ED50u;
constexpr unsigned kPtx = 1, kElf = 2;

void Put(std::vector<unsigned char>* b, size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) (*b)[at + i] = (unsigned char)(v >> (8 * i));
}

struct ImageEntry {
    unsigned kind;
    unsigned arch;
    size_t payload;
    std::string code = "";  // the payload's first bytes
};

// Entries with 64-byte headers (as nvcc writes its machine code) and payloads of their code followed by
// bytes 0xAB. `slack` is added to the size the header declares; the buffer is long enough for the
// declared size either way.
std::vector<unsigned char> FatBinary(const std::vector<ImageEntry>& entries, long slack = 0,
                                     uint32_t magic = kFatbinMagic, unsigned version = 1) {
    size_t size = 0;
    for (const ImageEntry& e : entries) size += 64 + e.payload;
    const size_t declared = (size_t)((long)size + slack);
    std::vector<unsigned char> b(16 + std::max(size, declared), 0);
    Put(&b, 0, magic, 4);
    Put(&b, 4, version, 2);
    Put(&b, 6, 16, 2);
    Put(&b, 8, declared, 8);
    size_t at = 16;
    for (const ImageEntry& e : entries) {
        Put(&b, at, e.kind, 2);
        Put(&b, at + 2, 0x0101, 2);
        Put(&b, at + 4, 64, 4);
        Put(&b, at + 8, e.payload, 8);
        Put(&b, at + 28, e.arch, 4);
        std::fill(b.begin() + (long)(at + 64), b.begin() + (long)(at + 64 + e.payload), 0xAB);
        std::copy(e.code.begin(), e.code.end(), b.begin() + (long)(at + 64));
        at += 64 + e.payload;
    }
    return b;
}

// What nvcc writes for the module's default architectures: sm_90 machine code and compute_90 PTX.
std::vector<unsigned char> ModuleImage() {
    return FatBinary({{kElf, 90, 200}, {kPtx, 90, 120}});
}

// ---- MainKernel's arguments, as kernelParams -------------------------------------------------------------
struct KernelArgs {
    unsigned long long texture = 0;
    CUdeviceptr output = 0;
    CUdeviceptr records[4] = {};  // primitives, materials, modifiers, lights
    CamData camera{};
    RenderData render{};
    int pitch = 0;
    int in16f = 0;
    unsigned width = 0;
    unsigned height = 0;
    char useEnvironment = 0;
    int numPrimitives = 0;
    int numLights = 0;
    float time = 0.0f;

    void* params[16];
    void** Params() {
        void* p[16] = {&texture,        &output,        &records[0], &records[1], &records[2], &records[3],
                       &camera,         &render,        &pitch,      &in16f,      &width,      &height,
                       &useEnvironment, &numPrimitives, &numLights,  &time};
        std::memcpy(params, p, sizeof(p));
        return params;
    }
};

constexpr CUresult kOk = CUDA_SUCCESS;

class CudaStandIn : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (library_ != nullptr) return;
        library_ = dlopen("libcuda.so.1", RTLD_NOW);  // kept for the process, as a module keeps its driver
        loaded_ = library_ != nullptr && mrphCudaStandInLoad(&api_) && Bind(library_, &d_);
    }
    void SetUp() override {
        if (library_ == nullptr)
            MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA driver library to load (LD_LIBRARY_PATH names the stand-in's folder)";
        if (!loaded_) MRPH_WITHOUT_CUDA_DRIVER() << "the CUDA driver here is not the stand-in, or lacks one of its entry points";
        api_.reset();
        ASSERT_EQ(d_.cuInit(0), kOk);
        api_.getCounts(&base_);
    }
    void TearDown() override {
        if (!loaded_) return;
        for (; entered_ > 0; --entered_) {
            EXPECT_EQ(d_.cuCtxPopCurrent(nullptr), kOk);
            EXPECT_EQ(d_.cuDevicePrimaryCtxRelease(enteredDevice_[entered_ - 1]), kOk);
        }
        api_.reset();
        MrphCudaStandInCounts now{};
        api_.getCounts(&now);
        EXPECT_EQ(now.allocations, base_.allocations) << "allocations left behind";
        EXPECT_EQ(now.arrays, base_.arrays) << "arrays left behind";
        EXPECT_EQ(now.textures, base_.textures) << "textures left behind";
        EXPECT_EQ(now.modules, base_.modules) << "modules left behind";
        EXPECT_EQ(now.contextReferences, base_.contextReferences) << "context references left behind";
    }

    // Retains the device's primary context and makes it current; TearDown undoes both.
    CUcontext Enter(int device = 0) {
        CUcontext ctx = nullptr;
        EXPECT_EQ(d_.cuDevicePrimaryCtxRetain(&ctx, device), kOk);
        EXPECT_EQ(d_.cuCtxPushCurrent(ctx), kOk);
        enteredDevice_.resize((size_t)entered_ + 1);
        enteredDevice_[entered_++] = device;
        return ctx;
    }
    // The tests that watch a context end need to hold its only reference.
    bool NobodyElseHoldsTheContext() const { return api_.contextReferences(0) == 0; }

    MrphCudaStandInCounts Counts() const {
        MrphCudaStandInCounts c{};
        api_.getCounts(&c);
        return c;
    }
    std::vector<std::string> CallLog() const {
        std::vector<std::string> names;
        for (long i = 0; i < api_.callCount(); ++i) names.emplace_back(api_.callName(i));
        return names;
    }

    CUdeviceptr Alloc(size_t bytes) {
        CUdeviceptr p = 0;
        EXPECT_EQ(d_.cuMemAlloc(&p, bytes), kOk);
        return p;
    }
    template <typename T>
    CUdeviceptr Upload(const std::vector<T>& values) {
        const size_t bytes = std::max<size_t>(values.size(), 1) * sizeof(T);
        const CUdeviceptr p = Alloc(bytes);
        if (!values.empty()) {
            EXPECT_EQ(d_.cuMemcpyHtoD(p, values.data(), values.size() * sizeof(T)), kOk);
        }
        return p;
    }
    // bytes of device memory from p, through a one-row 2-D copy.
    std::vector<unsigned char> Read(CUdeviceptr p, size_t bytes) {
        std::vector<unsigned char> out(bytes);
        CUDA_MEMCPY2D c{};
        c.srcMemoryType = CU_MEMORYTYPE_DEVICE;
        c.srcDevice = p;
        c.srcPitch = bytes;
        c.dstMemoryType = CU_MEMORYTYPE_HOST;
        c.dstHost = out.data();
        c.dstPitch = bytes;
        c.WidthInBytes = bytes;
        c.Height = 1;
        EXPECT_EQ(d_.cuMemcpy2D(&c), kOk);
        return out;
    }
    CUarray FloatArray(size_t width, size_t height) {
        CUDA_ARRAY_DESCRIPTOR desc{};
        desc.Width = width;
        desc.Height = height;
        desc.Format = CU_AD_FORMAT_FLOAT;
        desc.NumChannels = 4;
        CUarray array = nullptr;
        EXPECT_EQ(d_.cuArrayCreate(&array, &desc), kOk);
        return array;
    }
    // A texture over the array, described as the kernel samples.
    static CUDA_TEXTURE_DESC KernelSampler() {
        CUDA_TEXTURE_DESC t{};
        t.addressMode[0] = CU_TR_ADDRESS_MODE_BORDER;
        t.addressMode[1] = CU_TR_ADDRESS_MODE_BORDER;
        t.filterMode = CU_TR_FILTER_MODE_LINEAR;
        t.flags = CU_TRSF_NORMALIZED_COORDINATES;
        return t;
    }
    CUresult MakeTexture(CUarray array, const CUDA_TEXTURE_DESC& t, CUtexObject* texture,
                         const CUDA_RESOURCE_VIEW_DESC* view = nullptr) {
        CUDA_RESOURCE_DESC r{};
        r.resType = CU_RESOURCE_TYPE_ARRAY;
        r.res.array.hArray = array;
        return d_.cuTexObjectCreate(texture, &r, &t, view);
    }
    CUfunction Kernel(CUmodule* module) {
        const std::vector<unsigned char> image = ModuleImage();
        EXPECT_EQ(d_.cuModuleLoadData(module, image.data()), kOk);
        CUfunction f = nullptr;
        EXPECT_EQ(d_.cuModuleGetFunction(&f, *module, "MainKernel"), kOk);
        return f;
    }
    CUresult Launch(CUfunction f, KernelArgs& a, unsigned gx, unsigned gy, unsigned bx, unsigned by) {
        return d_.cuLaunchKernel(f, gx, gy, 1, bx, by, 1, 0, nullptr, a.Params(), nullptr);
    }

    // A sphere filling most of a 4 x 3 output, uploaded, with the launch arguments for it: output rows
    // of 4 pixels in an allocation of exactly 4 x 3 pixels, one record of each kind, one light.
    struct Small {
        KernelScene scene;
        KernelArgs args;
    };
    Small SmallLaunch() {
        Small s;
        s.scene.camera = mrph_test::DefaultCamera(4, 3, 10);
        s.scene.Add(PrimitiveType::Sphere, F3(2, 1.5f, 0)).radius = 1.2f;
        s.scene.lights.push_back(mrph_test::PointLight(F3(0, 0, -20), 1.0f, 1.0f));
        s.scene.render.maxDist = 40;
        KernelArgs& a = s.args;
        a.output = Alloc(4 * 3 * 16);
        a.records[0] = Upload(s.scene.primitives);
        a.records[1] = Upload(s.scene.materials);
        a.records[2] = Upload(s.scene.modifiers);
        a.records[3] = Upload(s.scene.lights);
        a.camera = s.scene.camera;
        a.render = s.scene.render;
        a.pitch = 4;
        a.width = 4;
        a.height = 3;
        a.numPrimitives = 1;
        a.numLights = 1;
        return s;
    }
    void FreeSmall(const KernelArgs& a) {
        for (CUdeviceptr p : {a.output, a.records[0], a.records[1], a.records[2], a.records[3]})
            EXPECT_EQ(d_.cuMemFree(p), kOk);
    }

    static inline void* library_ = nullptr;
    static inline bool loaded_ = false;
    static inline MrphCudaStandInApi api_{};
    static inline Driver d_{};
    MrphCudaStandInCounts base_{};
    int entered_ = 0;
    std::vector<int> enteredDevice_;
};

// ---- Initialisation, devices and contexts --------------------------------------------------------------
TEST_F(CudaStandIn, NothingButTheVersionAnswersBeforeCuInit) {
    api_.forgetInit();
    int n = -1;
    CUdevice dev = -1;
    CUcontext ctx = nullptr;
    CUdeviceptr p = 0;
    EXPECT_EQ(d_.cuDeviceGetCount(&n), CUDA_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(d_.cuDeviceGet(&dev, 0), CUDA_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(d_.cuDevicePrimaryCtxRetain(&ctx, 0), CUDA_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(d_.cuCtxGetCurrent(&ctx), CUDA_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(d_.cuMemAlloc(&p, 16), CUDA_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(n, -1);

    EXPECT_EQ(d_.cuInit(1), CUDA_ERROR_INVALID_VALUE);
    api_.setDeviceCount(0);
    EXPECT_EQ(d_.cuInit(0), CUDA_ERROR_NO_DEVICE);
    EXPECT_EQ(d_.cuDeviceGetCount(&n), CUDA_ERROR_NOT_INITIALIZED) << "a failed cuInit initialises nothing";
    api_.setDeviceCount(2);
    ASSERT_EQ(d_.cuInit(0), kOk);
    EXPECT_EQ(d_.cuDeviceGetCount(&n), kOk);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(d_.cuDeviceGet(&dev, 1), kOk);
    EXPECT_EQ(dev, 1);
    EXPECT_EQ(d_.cuDeviceGet(&dev, 2), CUDA_ERROR_INVALID_DEVICE);
    EXPECT_EQ(d_.cuDeviceGet(&dev, -1), CUDA_ERROR_INVALID_DEVICE);
    EXPECT_EQ(d_.cuDevicePrimaryCtxRetain(&ctx, 2), CUDA_ERROR_INVALID_DEVICE);

    char name[64] = {};
    EXPECT_EQ(d_.cuDeviceGetName(name, sizeof(name), 0), kOk);
    EXPECT_STREQ(name, "Morphalith CUDA stand-in");
    EXPECT_EQ(d_.cuDeviceGetName(name, 6, 0), kOk);
    EXPECT_STREQ(name, "Morph") << "cut to the buffer, terminator included";
    EXPECT_EQ(d_.cuDeviceGetName(name, sizeof(name), 2), CUDA_ERROR_INVALID_DEVICE);
}

TEST_F(CudaStandIn, TheLastReleaseOfThePrimaryContextTakesEverythingMadeInIt) {
    if (!NobodyElseHoldsTheContext())
        GTEST_SKIP() << "skipped: something else in this process holds the context";
    CUcontext first = nullptr, again = nullptr;
    ASSERT_EQ(d_.cuDevicePrimaryCtxRetain(&first, 0), kOk);
    ASSERT_EQ(d_.cuDevicePrimaryCtxRetain(&again, 0), kOk);
    EXPECT_EQ(first, again) << "one primary context per device";
    EXPECT_EQ(api_.contextReferences(0), 2);
    ASSERT_EQ(d_.cuCtxPushCurrent(first), kOk);

    // One of everything a context holds.
    const CUdeviceptr memory = Alloc(64);
    const CUarray array = FloatArray(2, 2);
    CUtexObject texture = 0;
    ASSERT_EQ(MakeTexture(array, KernelSampler(), &texture), kOk);
    CUmodule module = nullptr;
    const std::vector<unsigned char> image = ModuleImage();
    ASSERT_EQ(d_.cuModuleLoadData(&module, image.data()), kOk);

    ASSERT_EQ(d_.cuDevicePrimaryCtxRelease(0), kOk);
    MrphCudaStandInCounts c = Counts();
    EXPECT_EQ(c.lostWithContext, 0) << "a reference is still held";
    EXPECT_EQ(c.allocations, base_.allocations + 1);

    ASSERT_EQ(d_.cuDevicePrimaryCtxRelease(0), kOk);
    c = Counts();
    EXPECT_EQ(c.contexts, base_.contexts);
    EXPECT_EQ(c.allocations, base_.allocations);
    EXPECT_EQ(c.allocatedBytes, base_.allocatedBytes);
    EXPECT_EQ(c.lostAllocations, 1);
    EXPECT_EQ(c.lostArrays, 1);
    EXPECT_EQ(c.lostTextures, 1);
    EXPECT_EQ(c.lostModules, 1);
    EXPECT_EQ(c.lostWithContext, 4);
    EXPECT_EQ(d_.cuDevicePrimaryCtxRelease(0), CUDA_ERROR_INVALID_CONTEXT) << "no reference left to release";

    // The thread still has the dead context on top of its stack, and no work is done in it.
    CUcontext top = nullptr;
    EXPECT_EQ(d_.cuCtxGetCurrent(&top), kOk);
    EXPECT_EQ(top, first);
    CUdeviceptr p = 0;
    EXPECT_EQ(d_.cuMemAlloc(&p, 16), CUDA_ERROR_INVALID_CONTEXT);
    EXPECT_EQ(d_.cuCtxPushCurrent(first), CUDA_ERROR_INVALID_CONTEXT);
    EXPECT_EQ(d_.cuCtxPopCurrent(&top), kOk);
    EXPECT_EQ(top, first);

    // A new context: the old one's objects are gone for good.
    const CUcontext second = Enter();
    EXPECT_NE(second, first) << "a new context, not the dead one back";
    EXPECT_EQ(d_.cuMemFree(memory), CUDA_ERROR_INVALID_VALUE);
    EXPECT_EQ(d_.cuArrayDestroy(array), CUDA_ERROR_INVALID_HANDLE);
    EXPECT_EQ(d_.cuTexObjectDestroy(texture), CUDA_ERROR_INVALID_HANDLE);
    EXPECT_EQ(d_.cuModuleUnload(module), CUDA_ERROR_INVALID_HANDLE);
}

TEST_F(CudaStandIn, EachThreadHasItsOwnStackOfCurrentContexts) {
    const CUcontext ctx = Enter();
    std::thread([&] {
        CUcontext top = ctx;
        CUdeviceptr p = 0;
        EXPECT_EQ(d_.cuCtxGetCurrent(&top), kOk);
        EXPECT_EQ(top, nullptr) << "a new thread starts with no current context";
        EXPECT_EQ(d_.cuMemAlloc(&p, 16), CUDA_ERROR_INVALID_CONTEXT);
        EXPECT_EQ(d_.cuCtxSynchronize(), CUDA_ERROR_INVALID_CONTEXT);
        EXPECT_EQ(d_.cuCtxPopCurrent(&top), CUDA_ERROR_INVALID_CONTEXT) << "popping an empty stack";

        EXPECT_EQ(d_.cuCtxPushCurrent(ctx), kOk);
        EXPECT_EQ(d_.cuCtxPushCurrent(ctx), kOk);
        EXPECT_EQ(d_.cuCtxPopCurrent(&top), kOk);
        EXPECT_EQ(top, ctx);
        EXPECT_EQ(d_.cuMemAlloc(&p, 16), kOk) << "one push left";
        EXPECT_EQ(d_.cuMemFree(p), kOk);
        EXPECT_EQ(d_.cuCtxPopCurrent(nullptr), kOk);
        EXPECT_EQ(d_.cuCtxPopCurrent(nullptr), CUDA_ERROR_INVALID_CONTEXT);
        EXPECT_EQ(d_.cuCtxPushCurrent(nullptr), CUDA_ERROR_INVALID_CONTEXT);
    }).join();
    CUcontext top = nullptr;
    EXPECT_EQ(d_.cuCtxGetCurrent(&top), kOk);
    EXPECT_EQ(top, ctx) << "the other thread's pops left this thread's stack alone";
}

// ---- Memory ----------------------------------------------------------------------------------------------
TEST_F(CudaStandIn, CopiesAndFillsStayInsideOneLiveAllocation) {
    Enter();
    const CUdeviceptr p = Alloc(64);
    EXPECT_EQ(Read(p, 64), std::vector<unsigned char>(64, 0)) << "zero-filled";
    EXPECT_EQ(p % 256, 0u) << "aligned as a real allocation is";
    CUdeviceptr none = 0;
    EXPECT_EQ(d_.cuMemAlloc(&none, 0), CUDA_ERROR_INVALID_VALUE);
    EXPECT_EQ(d_.cuMemAlloc(&none, (size_t)1 << 40), CUDA_ERROR_OUT_OF_MEMORY);

    const std::vector<unsigned char> src(80, 7);
    struct Case {
        long offset;
        size_t bytes;
        CUresult expected;
    };
    for (const Case& c : {Case{0, 64, kOk}, Case{63, 1, kOk}, Case{60, 8, CUDA_ERROR_INVALID_VALUE},
                          Case{0, 65, CUDA_ERROR_INVALID_VALUE}, Case{64, 1, CUDA_ERROR_INVALID_VALUE},
                          Case{-1, 2, CUDA_ERROR_INVALID_VALUE}}) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + ", " + std::to_string(c.bytes) + " bytes");
        EXPECT_EQ(d_.cuMemcpyHtoD(p + c.offset, src.data(), c.bytes), c.expected);
        EXPECT_EQ(d_.cuMemsetD8(p + c.offset, 1, c.bytes), c.expected);
    }
    ASSERT_EQ(d_.cuMemsetD8(p, 0, 64), kOk);
    ASSERT_EQ(d_.cuMemcpyHtoD(p + 8, src.data(), 4), kOk);
    ASSERT_EQ(d_.cuMemsetD8(p + 10, 9, 4), kOk);
    std::vector<unsigned char> expected(64, 0);
    expected[8] = expected[9] = 7;
    expected[10] = expected[11] = expected[12] = expected[13] = 9;
    EXPECT_EQ(Read(p, 64), expected);

    EXPECT_EQ(d_.cuMemFree(p + 8), CUDA_ERROR_INVALID_VALUE) << "not the start of an allocation";
    EXPECT_EQ(d_.cuMemFree(p), kOk);
    EXPECT_EQ(d_.cuMemFree(p), CUDA_ERROR_INVALID_VALUE) << "freed twice";
    EXPECT_EQ(d_.cuMemcpyHtoD(p, src.data(), 4), CUDA_ERROR_INVALID_VALUE) << "into freed memory";
    EXPECT_EQ(d_.cuMemsetD8(p, 0, 4), CUDA_ERROR_INVALID_VALUE) << "into freed memory";
}

TEST_F(CudaStandIn, TwoDimensionalCopiesMoveRowsIntoAndOutOfAnArray) {
    Enter();
    // A 3 x 2 array; the host image has rows of 4 texels, texel (x, y) = (10y + x, 0, 0, 1).
    const CUarray array = FloatArray(3, 2);
    std::vector<float4> host(4 * 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) host[y * 4 + x] = mrph_kernel::make_float4((float)(10 * y + x), 0, 0, 1);

    // Host texels 1..2 of both rows into array columns 1..2.
    CUDA_MEMCPY2D up{};
    up.srcMemoryType = CU_MEMORYTYPE_HOST;
    up.srcHost = host.data();
    up.srcPitch = 4 * 16;
    up.srcXInBytes = 16;
    up.dstMemoryType = CU_MEMORYTYPE_ARRAY;
    up.dstArray = array;
    up.dstXInBytes = 16;
    up.WidthInBytes = 2 * 16;
    up.Height = 2;
    ASSERT_EQ(d_.cuMemcpy2D(&up), kOk);

    // The whole array out into device memory with rows of 5 texels, starting at row 1 there.
    const CUdeviceptr out = Alloc(5 * 3 * 16);
    CUDA_MEMCPY2D down{};
    down.srcMemoryType = CU_MEMORYTYPE_ARRAY;
    down.srcArray = array;
    down.dstMemoryType = CU_MEMORYTYPE_DEVICE;
    down.dstDevice = out;
    down.dstPitch = 5 * 16;
    down.dstY = 1;
    down.WidthInBytes = 3 * 16;
    down.Height = 2;
    ASSERT_EQ(d_.cuMemcpy2D(&down), kOk);
    std::vector<float4> got(5 * 3);
    const std::vector<unsigned char> bytes = Read(out, got.size() * 16);
    std::memcpy(got.data(), bytes.data(), bytes.size());
    // Row 1 of the device image: array row 0 = (0, 1, 2) with column 0 never written, so (0, 1, 2).
    const float expectedX[2][3] = {{0, 1, 2}, {0, 11, 12}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            SCOPED_TRACE("array texel " + std::to_string(x) + ", " + std::to_string(y));
            EXPECT_EQ(got[(y + 1) * 5 + x].x, expectedX[y][x]);
            EXPECT_EQ(got[(y + 1) * 5 + x].w, x == 0 ? 0.0f : 1.0f);
        }
    }
    EXPECT_EQ(got[0].w, 0.0f) << "row 0 of the device image untouched";

    // Copies that would reach outside the array or the allocation.
    struct Case {
        const char* what;
        std::function<void(CUDA_MEMCPY2D&)> change;
        CUresult expected;
    };
    const CUarray dead = FloatArray(1, 1);
    ASSERT_EQ(d_.cuArrayDestroy(dead), kOk);
    const std::vector<Case> cases = {
        {"one texel past the end of an array row", [](CUDA_MEMCPY2D& c) { c.dstXInBytes = 2 * 16; },
         CUDA_ERROR_INVALID_VALUE},
        {"one row past the array", [](CUDA_MEMCPY2D& c) { c.dstY = 1; }, CUDA_ERROR_INVALID_VALUE},
        {"half a texel into an array", [](CUDA_MEMCPY2D& c) { c.dstXInBytes = 8; }, CUDA_ERROR_INVALID_VALUE},
        {"a width of part of a texel", [](CUDA_MEMCPY2D& c) { c.WidthInBytes = 20; },
         CUDA_ERROR_INVALID_VALUE},
        {"a source pitch narrower than the width", [](CUDA_MEMCPY2D& c) { c.srcPitch = 16; },
         CUDA_ERROR_INVALID_VALUE},
        {"a destroyed array", [dead](CUDA_MEMCPY2D& c) { c.dstArray = dead; }, CUDA_ERROR_INVALID_VALUE},
        {"unified memory", [](CUDA_MEMCPY2D& c) { c.srcMemoryType = CU_MEMORYTYPE_UNIFIED; },
         CUDA_ERROR_NOT_SUPPORTED},
        {"device memory one byte short",
         [out](CUDA_MEMCPY2D& c) {
             c.srcMemoryType = CU_MEMORYTYPE_DEVICE;
             c.srcDevice = out + 16 * 15 - (16 + 4 * 16 + 2 * 16) + 1;  // last byte read falls one past
             c.srcPitch = 4 * 16;
         },
         CUDA_ERROR_INVALID_VALUE},
        {"device memory that just fits",
         [out](CUDA_MEMCPY2D& c) {
             c.srcMemoryType = CU_MEMORYTYPE_DEVICE;
             c.srcDevice = out + 16 * 15 - (16 + 4 * 16 + 2 * 16);
             c.srcPitch = 4 * 16;
         },
         kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CUDA_MEMCPY2D copy = up;
        c.change(copy);
        EXPECT_EQ(d_.cuMemcpy2D(&copy), c.expected);
    }

    EXPECT_EQ(d_.cuMemFree(out), kOk);
    EXPECT_EQ(d_.cuArrayDestroy(array), kOk);
    EXPECT_EQ(d_.cuArrayDestroy(array), CUDA_ERROR_INVALID_HANDLE);
}

TEST_F(CudaStandIn, ArraysAreTwoDimensionalFloat4Only) {
    Enter();
    struct Case {
        size_t width, height;
        CUarray_format format;
        unsigned channels;
        CUresult expected;
    };
    for (const Case& c : {Case{8, 4, CU_AD_FORMAT_FLOAT, 4, kOk},
                          Case{8, 4, CU_AD_FORMAT_UNSIGNED_INT8, 4, CUDA_ERROR_NOT_SUPPORTED},
                          Case{8, 4, CU_AD_FORMAT_HALF, 4, CUDA_ERROR_NOT_SUPPORTED},
                          Case{8, 4, CU_AD_FORMAT_FLOAT, 1, CUDA_ERROR_NOT_SUPPORTED},
                          Case{8, 0, CU_AD_FORMAT_FLOAT, 4, CUDA_ERROR_NOT_SUPPORTED},  // 1-D
                          Case{0, 4, CU_AD_FORMAT_FLOAT, 4, CUDA_ERROR_INVALID_VALUE}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", format " +
                     std::to_string((int)c.format) + " x " + std::to_string(c.channels));
        CUDA_ARRAY_DESCRIPTOR desc{c.width, c.height, c.format, c.channels};
        CUarray array = nullptr;
        EXPECT_EQ(d_.cuArrayCreate(&array, &desc), c.expected);
        if (c.expected == kOk) {
            EXPECT_EQ(d_.cuArrayDestroy(array), kOk);
        }
    }
}

// ---- Textures --------------------------------------------------------------------------------------------
TEST_F(CudaStandIn, TexturesAreMadeOnlyAsTheKernelSamples) {
    Enter();
    const CUarray array = FloatArray(4, 4);
    struct Case {
        const char* what;
        std::function<void(CUDA_TEXTURE_DESC&)> change;
        CUresult expected;
    };
    const std::vector<Case> cases = {
        {"the kernel's sampler", [](CUDA_TEXTURE_DESC&) {}, kOk},
        {"a third address mode, which a 2-D array never uses",
         [](CUDA_TEXTURE_DESC& t) { t.addressMode[2] = CU_TR_ADDRESS_MODE_WRAP; }, kOk},
        {"clamping across", [](CUDA_TEXTURE_DESC& t) { t.addressMode[0] = CU_TR_ADDRESS_MODE_CLAMP; },
         CUDA_ERROR_NOT_SUPPORTED},
        {"wrapping down", [](CUDA_TEXTURE_DESC& t) { t.addressMode[1] = CU_TR_ADDRESS_MODE_WRAP; },
         CUDA_ERROR_NOT_SUPPORTED},
        {"an opaque border", [](CUDA_TEXTURE_DESC& t) { t.borderColor[3] = 1.0f; }, CUDA_ERROR_NOT_SUPPORTED},
        {"nearest texel", [](CUDA_TEXTURE_DESC& t) { t.filterMode = CU_TR_FILTER_MODE_POINT; },
         CUDA_ERROR_NOT_SUPPORTED},
        {"texel coordinates", [](CUDA_TEXTURE_DESC& t) { t.flags = 0; }, CUDA_ERROR_NOT_SUPPORTED},
        {"read as integers", [](CUDA_TEXTURE_DESC& t) { t.flags |= CU_TRSF_READ_AS_INTEGER; },
         CUDA_ERROR_NOT_SUPPORTED},
        {"anisotropic filtering", [](CUDA_TEXTURE_DESC& t) { t.maxAnisotropy = 4; },
         CUDA_ERROR_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CUDA_TEXTURE_DESC t = KernelSampler();
        c.change(t);
        CUtexObject texture = 0;
        EXPECT_EQ(MakeTexture(array, t, &texture), c.expected);
        if (c.expected == kOk) {
            EXPECT_EQ(d_.cuTexObjectDestroy(texture), kOk);
        }
    }

    // The resource: an array of this context, whole, without a view.
    CUtexObject texture = 0;
    CUDA_RESOURCE_VIEW_DESC view{};
    view.format = CU_RES_VIEW_FORMAT_FLOAT_4X32;
    view.width = 4;
    view.height = 4;
    EXPECT_EQ(MakeTexture(array, KernelSampler(), &texture, &view), CUDA_ERROR_NOT_SUPPORTED);
    CUDA_RESOURCE_DESC linear{};
    linear.resType = CU_RESOURCE_TYPE_LINEAR;
    const CUDA_TEXTURE_DESC t = KernelSampler();
    EXPECT_EQ(d_.cuTexObjectCreate(&texture, &linear, &t, nullptr), CUDA_ERROR_NOT_SUPPORTED);
    const CUarray dead = FloatArray(1, 1);
    ASSERT_EQ(d_.cuArrayDestroy(dead), kOk);
    EXPECT_EQ(MakeTexture(dead, KernelSampler(), &texture), CUDA_ERROR_INVALID_HANDLE);

    // Handles are never 0 and never come back, even once their texture is destroyed.
    std::vector<CUtexObject> seen;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(MakeTexture(array, KernelSampler(), &texture), kOk);
        EXPECT_NE(texture, 0u);
        for (CUtexObject earlier : seen) EXPECT_NE(texture, earlier);
        seen.push_back(texture);
        EXPECT_EQ(d_.cuTexObjectDestroy(texture), kOk);
    }
    EXPECT_EQ(d_.cuTexObjectDestroy(texture), CUDA_ERROR_INVALID_HANDLE);
    EXPECT_EQ(d_.cuArrayDestroy(array), kOk);
}

// ---- Modules ---------------------------------------------------------------------------------------------
TEST_F(CudaStandIn, ModulesAreLoadedFromWellFormedFatBinariesOnly) {
    Enter();
    struct Case {
        const char* what;
        std::vector<unsigned char> image;
        CUresult expected;
    };
    std::vector<Case> cases = {
        {"sm_90 machine code and compute_90 PTX", ModuleImage(), kOk},
        {"compute_80 PTX alone, compiled at load", FatBinary({{kPtx, 80, 40}}), kOk},
        {"sm_80 machine code alone, which sm_90 cannot run", FatBinary({{kElf, 80, 40}}),
         CUDA_ERROR_NO_BINARY_FOR_GPU},
        {"compute_100 PTX alone, newer than the device", FatBinary({{kPtx, 100, 40}}),
         CUDA_ERROR_NO_BINARY_FOR_GPU},
        {"no entries at all", FatBinary({}), CUDA_ERROR_NO_BINARY_FOR_GPU},
        {"a wrong magic number", FatBinary({{kElf, 90, 40}}, 0, 0xBA55ED51u), CUDA_ERROR_INVALID_IMAGE},
        {"header version 2", FatBinary({{kElf, 90, 40}}, 0, kFatbinMagic, 2), CUDA_ERROR_INVALID_IMAGE},
        {"8 bytes declared beyond the last entry", FatBinary({{kElf, 90, 40}}, 8), CUDA_ERROR_INVALID_IMAGE},
        {"a payload running past the declared size", FatBinary({{kElf, 90, 40}}, -1),
         CUDA_ERROR_INVALID_IMAGE},
        {"an entry of kind 3", FatBinary({{3, 90, 40}}), CUDA_ERROR_INVALID_IMAGE},
        {"text, not a fat binary", std::vector<unsigned char>(64, 'x'), CUDA_ERROR_INVALID_IMAGE},
    };
    // An entry header too short to hold its architecture.
    cases.push_back({"an entry header of 16 bytes", FatBinary({{kElf, 90, 40}}), CUDA_ERROR_INVALID_IMAGE});
    Put(&cases.back().image, 16 + 4, 16, 4);
    Put(&cases.back().image, 16 + 8, 40 + 48, 8);
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        CUmodule module = nullptr;
        EXPECT_EQ(d_.cuModuleLoadData(&module, c.image.data()), c.expected);
        if (c.expected == kOk) {
            EXPECT_EQ(d_.cuModuleUnload(module), kOk);
        }
    }

    // The image handed over last, as the stand-in read it.
    CUmodule module = nullptr;
    const std::vector<unsigned char> image = FatBinary({{kElf, 90, 200}, {kElf, 86, 100}, {kPtx, 86, 120}});
    ASSERT_EQ(d_.cuModuleLoadData(&module, image.data()), kOk);
    MrphCudaStandInImage seen{};
    ASSERT_EQ(api_.lastImage(&seen), 1);
    EXPECT_EQ(seen.size, 16u + (64 + 200) + (64 + 100) + (64 + 120));
    ASSERT_EQ(seen.entryCount, 3);
    EXPECT_EQ(seen.entries[0].kind, kElf);
    EXPECT_EQ(seen.entries[0].arch, 90u);
    EXPECT_EQ(seen.entries[1].arch, 86u);
    EXPECT_EQ(seen.entries[2].kind, kPtx);

    CUfunction f = nullptr, again = nullptr;
    EXPECT_EQ(d_.cuModuleGetFunction(&f, module, "MainKernel"), kOk);
    EXPECT_EQ(d_.cuModuleGetFunction(&again, module, "MainKernel"), kOk);
    EXPECT_EQ(f, again);
    EXPECT_EQ(d_.cuModuleGetFunction(&again, module, "ReferenceMainKernel"), CUDA_ERROR_NOT_FOUND);
    EXPECT_EQ(d_.cuModuleGetFunction(&again, module, "mainkernel"), CUDA_ERROR_NOT_FOUND);
    EXPECT_EQ(d_.cuModuleUnload(module), kOk);
    EXPECT_EQ(d_.cuModuleGetFunction(&again, module, "MainKernel"), CUDA_ERROR_INVALID_HANDLE);

    // Code that names the kernel: a GPU finds "MainKernel" only where it is not C++-mangled.
    using namespace std::string_literals;
    struct Naming {
        std::string code;
        CUresult expected;
    };
    for (const Naming& n :
         {Naming{".entry MainKernel("s, kOk}, Naming{".text.MainKernel\0.nv.info.MainKernel\0"s, kOk},
          Naming{".text._Z10MainKernelPf\0_Z10MainKernelPf\0"s, CUDA_ERROR_NOT_FOUND},
          Naming{".entry _Z10MainKernelPf(\0.entry MainKernel("s, kOk},
          Naming{".entry ReferenceMainKernel("s, kOk}}) {
        SCOPED_TRACE(n.code.c_str());
        const std::vector<unsigned char> named = FatBinary({{kElf, 90, 100, n.code}});
        CUmodule m = nullptr;
        ASSERT_EQ(d_.cuModuleLoadData(&m, named.data()), kOk);
        EXPECT_EQ(d_.cuModuleGetFunction(&f, m, "MainKernel"), n.expected);
        EXPECT_EQ(d_.cuModuleUnload(m), kOk);
    }
    KernelArgs a;
    EXPECT_EQ(Launch(f, a, 1, 1, 1, 1), CUDA_ERROR_INVALID_HANDLE) << "the kernel of an unloaded module";
}

// ---- Launches --------------------------------------------------------------------------------------------
TEST_F(CudaStandIn, ALaunchDrawsWhatTheCppFormDraws) {
    Enter();
    CUmodule module = nullptr;
    const CUfunction f = Kernel(&module);
    // The showcase at 48 x 27 with its environment, into rows of 50 pixels: the allocation is exactly
    // what the kernel may write, 26 rows of 50 and one of 48.
    const unsigned w = 48, h = 27;
    const int pitch = 50;
    const KernelScene scene = mrph_test::ShowcaseScene((float)w, (float)h);
    const size_t outputPixels = (size_t)(h - 1) * pitch + w;

    KernelArgs a;
    const CUarray env = FloatArray(scene.environmentWidth, scene.environmentHeight);
    CUDA_MEMCPY2D up{};
    up.srcMemoryType = CU_MEMORYTYPE_HOST;
    up.srcHost = scene.environment.data();
    up.srcPitch = scene.environmentWidth * 16;
    up.dstMemoryType = CU_MEMORYTYPE_ARRAY;
    up.dstArray = env;
    up.WidthInBytes = scene.environmentWidth * 16;
    up.Height = scene.environmentHeight;
    ASSERT_EQ(d_.cuMemcpy2D(&up), kOk);
    CUtexObject texture = 0;
    ASSERT_EQ(MakeTexture(env, KernelSampler(), &texture), kOk);
    a.texture = texture;
    a.output = Alloc(outputPixels * 16);
    a.records[0] = Upload(scene.primitives);
    a.records[1] = Upload(scene.materials);
    a.records[2] = Upload(scene.modifiers);
    a.records[3] = Upload(scene.lights);
    a.camera = scene.camera;
    a.render = scene.render;
    a.pitch = pitch;
    a.width = w;
    a.height = h;
    a.useEnvironment = 1;
    a.numPrimitives = (int)scene.primitives.size();
    a.numLights = (int)scene.lights.size();
    // Blocks of 16 x 16, the grid rounded up to 48 x 32 work items.
    ASSERT_EQ(Launch(f, a, 3, 2, 16, 16), kOk);
    EXPECT_EQ(d_.cuCtxSynchronize(), kOk);

    const mrph_test::Image cpp = mrph_test::RenderCpp(scene, w, h, pitch, h, 48, 32, 0.0f);
    std::vector<float4> got(outputPixels);
    const std::vector<unsigned char> bytes = Read(a.output, outputPixels * 16);
    std::memcpy(got.data(), bytes.data(), bytes.size());
    size_t different = 0, lit = 0;
    for (size_t i = 0; i < outputPixels; ++i) {
        different += std::memcmp(&got[i], &cpp.pixels[i], sizeof(float4)) != 0 ? 1 : 0;
        lit += got[i].w > 0.0f ? 1 : 0;
    }
    EXPECT_EQ(different, 0u) << "pixels unlike the C++ form's, of " << outputPixels;
    EXPECT_GT(lit, outputPixels / 2) << "the scene was drawn at all";
    EXPECT_EQ(got[48].w, 0.0f) << "the pitch's padding is not written";

    // What the launch read, as the bookkeeping kept it.
    ASSERT_EQ(api_.launchCount(), 1);
    MrphCudaStandInLaunch l{};
    ASSERT_EQ(api_.getLaunch(0, &l), 1);
    EXPECT_EQ(l.result, kOk);
    EXPECT_EQ(l.grid[0], 3u);
    EXPECT_EQ(l.grid[1], 2u);
    EXPECT_EQ(l.grid[2], 1u);
    EXPECT_EQ(l.block[0], 16u);
    EXPECT_EQ(l.block[1], 16u);
    EXPECT_EQ(l.texture, texture);
    EXPECT_EQ(l.output, a.output);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(l.records[i], a.records[i]) << "record " << i;
    EXPECT_EQ(l.recordBytes[0], scene.primitives.size() * sizeof(PrimitiveData));
    EXPECT_EQ(l.recordBytes[3], scene.lights.size() * sizeof(LightData));
    std::vector<unsigned char> lights(l.recordBytes[3]);
    EXPECT_EQ(api_.launchRecordBytes(0, 3, lights.data(), lights.size()), lights.size());
    EXPECT_EQ(std::memcmp(lights.data(), scene.lights.data(), lights.size()), 0);
    EXPECT_EQ(std::memcmp(l.camera, &scene.camera, sizeof(CamData)), 0);
    EXPECT_EQ(std::memcmp(l.render, &scene.render, sizeof(RenderData)), 0);
    EXPECT_EQ(l.pitch, pitch);
    EXPECT_EQ(l.width, w);
    EXPECT_EQ(l.height, h);
    EXPECT_EQ(l.useEnvironment, 1);
    EXPECT_EQ(l.numPrimitives, 7);
    EXPECT_EQ(l.numLights, 3);

    FreeSmall(a);
    EXPECT_EQ(d_.cuTexObjectDestroy(texture), kOk);
    EXPECT_EQ(d_.cuArrayDestroy(env), kOk);
    EXPECT_EQ(d_.cuModuleUnload(module), kOk);
}

TEST_F(CudaStandIn, LaunchConfigurationsADeviceRefusesAreRefused) {
    Enter();
    CUmodule module = nullptr;
    const CUfunction f = Kernel(&module);
    Small s = SmallLaunch();
    struct Case {
        const char* what;
        unsigned grid[3], block[3], shared;
        CUstream stream;
        bool params;
        bool extra;
        CUresult expected;
    };
    void* extra[] = {CU_LAUNCH_PARAM_END};
    for (const Case& c : {
             Case{"32 x 32 threads, the most a block has",
                  {1, 1, 1},
                  {32, 32, 1},
                  0,
                  nullptr,
                  true,
                  false,
                  kOk},
             Case{"an empty grid", {0, 1, 1}, {4, 3, 1}, 0, nullptr, true, false, CUDA_ERROR_INVALID_VALUE},
             Case{"an empty block", {1, 1, 1}, {4, 0, 1}, 0, nullptr, true, false, CUDA_ERROR_INVALID_VALUE},
             Case{"32 x 33 threads a block",
                  {1, 1, 1},
                  {32, 33, 1},
                  0,
                  nullptr,
                  true,
                  false,
                  CUDA_ERROR_INVALID_VALUE},
             Case{"64 KiB of shared memory",
                  {1, 1, 1},
                  {4, 3, 1},
                  65536,
                  nullptr,
                  true,
                  false,
                  CUDA_ERROR_INVALID_VALUE},
             Case{"a grid two planes deep",
                  {1, 1, 2},
                  {4, 3, 1},
                  0,
                  nullptr,
                  true,
                  false,
                  CUDA_ERROR_NOT_SUPPORTED},
             Case{"a stream the stand-in never made",
                  {1, 1, 1},
                  {4, 3, 1},
                  0,
                  (CUstream)0x1230,
                  true,
                  false,
                  CUDA_ERROR_INVALID_HANDLE},
             Case{
                 "no kernelParams", {1, 1, 1}, {4, 3, 1}, 0, nullptr, false, false, CUDA_ERROR_INVALID_VALUE},
             Case{"extra beside kernelParams",
                  {1, 1, 1},
                  {4, 3, 1},
                  0,
                  nullptr,
                  true,
                  true,
                  CUDA_ERROR_INVALID_VALUE},
         }) {
        SCOPED_TRACE(c.what);
        const long launches = api_.launchCount();
        EXPECT_EQ(d_.cuLaunchKernel(f, c.grid[0], c.grid[1], c.grid[2], c.block[0], c.block[1], c.block[2],
                                    c.shared, c.stream, c.params ? s.args.Params() : nullptr,
                                    c.extra ? extra : nullptr),
                  c.expected);
        EXPECT_EQ(api_.launchCount(), launches + (c.expected == kOk ? 1 : 0))
            << "a refused launch leaves no record";
        EXPECT_EQ(d_.cuCtxSynchronize(), kOk) << "nothing left behind on the context";
    }

    // The kernel of another device's context.
    api_.setDeviceCount(2);
    Enter(1);
    CUmodule other = nullptr;
    const CUfunction otherKernel = Kernel(&other);
    EXPECT_EQ(d_.cuCtxPushCurrent(nullptr), CUDA_ERROR_INVALID_CONTEXT);
    CUcontext device0 = nullptr;
    ASSERT_EQ(d_.cuDevicePrimaryCtxRetain(&device0, 0), kOk);
    ASSERT_EQ(d_.cuCtxPushCurrent(device0), kOk);
    EXPECT_EQ(Launch(otherKernel, s.args, 1, 1, 4, 3), CUDA_ERROR_INVALID_CONTEXT);
    CUfunction stray = nullptr;
    EXPECT_EQ(d_.cuModuleGetFunction(&stray, other, "MainKernel"), CUDA_ERROR_INVALID_CONTEXT);
    ASSERT_EQ(d_.cuCtxPopCurrent(nullptr), kOk);
    ASSERT_EQ(d_.cuDevicePrimaryCtxRelease(0), kOk);
    EXPECT_EQ(d_.cuModuleUnload(other), kOk);
    ASSERT_EQ(d_.cuCtxPopCurrent(nullptr), kOk);
    ASSERT_EQ(d_.cuDevicePrimaryCtxRelease(1), kOk);
    --entered_;

    FreeSmall(s.args);
    EXPECT_EQ(d_.cuModuleUnload(module), kOk);
}

// A launch that would read or write outside what it was given faults before the kernel runs, and the
// fault stays with the context: every later launch and synchronise there reports it.
TEST_F(CudaStandIn, AFaultingLaunchRunsNothingAndItsFaultSticks) {
    if (!NobodyElseHoldsTheContext())
        GTEST_SKIP() << "skipped: something else in this process holds the context";
    struct Case {
        const char* what;
        std::function<void(KernelArgs&)> spoil;
        CUresult expected;
        bool outputKept = true;  // the first output stays live and may be read back
    };
    const std::vector<Case> cases = {
        {"nothing wrong", [](KernelArgs&) {}, kOk},
        {"no lights, their pointer still live", [](KernelArgs& a) { a.numLights = 0; }, kOk},
        {"an output one pixel short",
         [this](KernelArgs& a) {
             EXPECT_EQ(d_.cuMemFree(a.output), kOk);
             a.output = Alloc(4 * 3 * 16 - 16);
         },
         CUDA_ERROR_ILLEGAL_ADDRESS, false},
        {"an output already freed", [this](KernelArgs& a) { EXPECT_EQ(d_.cuMemFree(a.output), kOk); },
         CUDA_ERROR_ILLEGAL_ADDRESS, false},
        {"rows narrower than the image", [](KernelArgs& a) { a.pitch = 3; }, CUDA_ERROR_ILLEGAL_ADDRESS},
        {"rows beyond any address", // (2^32 - 2) rows of 2^31 - 1 pixels of 16 bytes: past 2^64
         [](KernelArgs& a) {
             a.height = 0xFFFFFFFFu;
             a.pitch = 0x7FFFFFFF;
         },
         CUDA_ERROR_ILLEGAL_ADDRESS},
        {"more primitives than their records hold", [](KernelArgs& a) { a.numPrimitives = 2; },
         CUDA_ERROR_ILLEGAL_ADDRESS},
        {"no lights and no light pointer",
         [](KernelArgs& a) {
             a.numLights = 0;
             a.records[3] = 0;
         },
         CUDA_ERROR_ILLEGAL_ADDRESS},
        {"primitives read from past their allocation",
         [](KernelArgs& a) { a.records[0] += sizeof(PrimitiveData); }, CUDA_ERROR_ILLEGAL_ADDRESS},
        {"materials off their alignment",
         [this](KernelArgs& a) {
             EXPECT_EQ(d_.cuMemFree(a.records[1]), kOk);
             a.records[1] = Alloc(2 * sizeof(MaterialData)) + 4;
         },
         CUDA_ERROR_MISALIGNED_ADDRESS},
        {"a destroyed texture",
         [this](KernelArgs& a) {
             const CUarray array = FloatArray(2, 2);
             CUtexObject texture = 0;
             EXPECT_EQ(MakeTexture(array, KernelSampler(), &texture), kOk);
             EXPECT_EQ(d_.cuTexObjectDestroy(texture), kOk);
             a.texture = texture;
         },
         CUDA_ERROR_ILLEGAL_ADDRESS},
        {"a texture whose array was destroyed",
         [this](KernelArgs& a) {
             const CUarray array = FloatArray(2, 2);
             CUtexObject texture = 0;
             EXPECT_EQ(MakeTexture(array, KernelSampler(), &texture), kOk);
             EXPECT_EQ(d_.cuArrayDestroy(array), kOk);
             a.texture = texture;
         },
         CUDA_ERROR_ILLEGAL_ADDRESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CUcontext ctx = nullptr;
        ASSERT_EQ(d_.cuDevicePrimaryCtxRetain(&ctx, 0), kOk);
        ASSERT_EQ(d_.cuCtxPushCurrent(ctx), kOk);
        CUmodule module = nullptr;
        const CUfunction f = Kernel(&module);
        Small s = SmallLaunch();
        const CUdeviceptr output = s.args.output;
        c.spoil(s.args);
        api_.reset();

        // A fault of the running kernel is reported by the synchronise after the launch, not the launch.
        EXPECT_EQ(Launch(f, s.args, 1, 1, 4, 3), kOk);
        MrphCudaStandInLaunch l{};
        ASSERT_EQ(api_.getLaunch(0, &l), 1);
        EXPECT_EQ(l.result, c.expected);
        if (c.outputKept && c.expected != kOk) {
            const std::vector<unsigned char> pixels = Read(output, 4 * 3 * 16);
            EXPECT_EQ(pixels, std::vector<unsigned char>(pixels.size(), 0)) << "the kernel ran";
        }
        EXPECT_EQ(d_.cuCtxSynchronize(), c.expected);
        EXPECT_EQ(d_.cuCtxSynchronize(), c.expected) << "the fault stays";
        Small good = SmallLaunch();
        EXPECT_EQ(Launch(f, good.args, 1, 1, 4, 3), c.expected) << "a sound launch in a faulted context";

        // The context's end takes the fault with it.
        ASSERT_EQ(d_.cuCtxPopCurrent(nullptr), kOk);
        ASSERT_EQ(d_.cuDevicePrimaryCtxRelease(0), kOk);
    }
    Enter();
    EXPECT_EQ(d_.cuCtxSynchronize(), kOk) << "a new context starts without a fault";
}

// ---- Failures on request ---------------------------------------------------------------------------------
TEST_F(CudaStandIn, ChosenCallsFailAndReleasesStillRelease) {
    Enter();
    api_.reset();
    const MrphCudaStandInCounts before = Counts();

    // By number: the second call from now.
    CUdeviceptr a = 0, b = 0, c = 0;
    api_.failCall(2, CUDA_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(d_.cuMemAlloc(&a, 16), kOk);
    EXPECT_EQ(d_.cuMemAlloc(&b, 16), CUDA_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(b, 0u) << "a failed call does nothing";
    EXPECT_EQ(d_.cuMemAlloc(&c, 16), kOk);
    EXPECT_EQ(Counts().allocations, before.allocations + 2);

    // The error queries are not counted.
    const char* text = nullptr;
    int n = 0;
    api_.failCall(1, CUDA_ERROR_UNKNOWN);
    EXPECT_EQ(d_.cuGetErrorString(CUDA_ERROR_OUT_OF_MEMORY, &text), kOk);
    EXPECT_EQ(d_.cuDeviceGetCount(&n), CUDA_ERROR_UNKNOWN);

    // By name: a failed release still releases.
    EXPECT_EQ(api_.failNext("cuMemFree", CUDA_ERROR_UNKNOWN), 0) << "not an exported name";
    ASSERT_EQ(api_.failNext("cuMemFree_v2", CUDA_ERROR_LAUNCH_FAILED), 1);
    EXPECT_EQ(d_.cuMemFree(a), CUDA_ERROR_LAUNCH_FAILED);
    EXPECT_EQ(Counts().allocations, before.allocations + 1);
    EXPECT_EQ(d_.cuMemFree(a), CUDA_ERROR_INVALID_VALUE) << "it was freed";
    EXPECT_EQ(d_.cuMemFree(c), kOk);

    EXPECT_EQ(CallLog(), (std::vector<std::string>{"cuMemAlloc_v2", "cuMemAlloc_v2!", "cuMemAlloc_v2",
                                                   "cuDeviceGetCount!", "cuMemFree_v2!", "cuMemFree_v2",
                                                   "cuMemFree_v2"}));

    // A popped context and a released reference, each failed on request, are gone all the same.
    CUcontext ctx = nullptr;
    ASSERT_EQ(d_.cuCtxGetCurrent(&ctx), kOk);
    ASSERT_EQ(d_.cuCtxPushCurrent(ctx), kOk);
    ASSERT_EQ(api_.failNext("cuCtxPopCurrent_v2", CUDA_ERROR_UNKNOWN), 1);
    CUcontext popped = nullptr;
    EXPECT_EQ(d_.cuCtxPopCurrent(&popped), CUDA_ERROR_UNKNOWN);
    EXPECT_EQ(popped, ctx);
    ASSERT_EQ(d_.cuDevicePrimaryCtxRetain(&ctx, 0), kOk);
    const int references = api_.contextReferences(0);
    ASSERT_EQ(api_.failNext("cuDevicePrimaryCtxRelease_v2", CUDA_ERROR_UNKNOWN), 1);
    EXPECT_EQ(d_.cuDevicePrimaryCtxRelease(0), CUDA_ERROR_UNKNOWN);
    EXPECT_EQ(api_.contextReferences(0), references - 1);

    // A launch failed on request runs nothing and leaves no fault behind.
    CUmodule module = nullptr;
    const CUfunction f = Kernel(&module);
    Small s = SmallLaunch();
    ASSERT_EQ(api_.failNext("cuLaunchKernel", CUDA_ERROR_LAUNCH_FAILED), 1);
    EXPECT_EQ(Launch(f, s.args, 1, 1, 4, 3), CUDA_ERROR_LAUNCH_FAILED);
    EXPECT_EQ(Read(s.args.output, 16), std::vector<unsigned char>(16, 0));
    EXPECT_EQ(d_.cuCtxSynchronize(), kOk);
    FreeSmall(s.args);
    EXPECT_EQ(d_.cuModuleUnload(module), kOk);

    // Failures by number and by name pending for one call: the number takes it, the name the next one.
    api_.failCall(1, CUDA_ERROR_UNKNOWN);
    ASSERT_EQ(api_.failNext("cuCtxSynchronize", CUDA_ERROR_LAUNCH_FAILED), 1);
    EXPECT_EQ(d_.cuCtxSynchronize(), CUDA_ERROR_UNKNOWN);
    EXPECT_EQ(d_.cuCtxSynchronize(), CUDA_ERROR_LAUNCH_FAILED);
    EXPECT_EQ(d_.cuCtxSynchronize(), kOk);

    // A reset forgets what was asked for.
    api_.failCall(1, CUDA_ERROR_UNKNOWN);
    api_.failNext("cuCtxSynchronize", CUDA_ERROR_UNKNOWN);
    api_.reset();
    EXPECT_EQ(d_.cuCtxSynchronize(), kOk);
    EXPECT_EQ(CallLog(), std::vector<std::string>{"cuCtxSynchronize"});
}

// ---- Error texts, exports, threads ---------------------------------------------------------------
TEST_F(CudaStandIn, ErrorNamesAndTextsAreTheDriversOwn) {
    const long calls = api_.callCount();
    struct Case {
        CUresult code;
        const char* name;
        const char* text;
    };
    for (const Case& c : {
             Case{CUDA_SUCCESS, "CUDA_SUCCESS", "no error"},
             Case{CUDA_ERROR_INVALID_VALUE, "CUDA_ERROR_INVALID_VALUE", "invalid argument"},
             Case{CUDA_ERROR_OUT_OF_MEMORY, "CUDA_ERROR_OUT_OF_MEMORY", "out of memory"},
             Case{CUDA_ERROR_NOT_INITIALIZED, "CUDA_ERROR_NOT_INITIALIZED", "initialization error"},
             Case{CUDA_ERROR_NO_DEVICE, "CUDA_ERROR_NO_DEVICE", "no CUDA-capable device is detected"},
             Case{CUDA_ERROR_INVALID_DEVICE, "CUDA_ERROR_INVALID_DEVICE", "invalid device ordinal"},
             Case{CUDA_ERROR_INVALID_IMAGE, "CUDA_ERROR_INVALID_IMAGE", "device kernel image is invalid"},
             Case{CUDA_ERROR_INVALID_CONTEXT, "CUDA_ERROR_INVALID_CONTEXT", "invalid device context"},
             Case{CUDA_ERROR_NO_BINARY_FOR_GPU, "CUDA_ERROR_NO_BINARY_FOR_GPU",
                  "no kernel image is available for execution on the device"},
             Case{CUDA_ERROR_INVALID_HANDLE, "CUDA_ERROR_INVALID_HANDLE", "invalid resource handle"},
             Case{CUDA_ERROR_NOT_FOUND, "CUDA_ERROR_NOT_FOUND", "named symbol not found"},
             Case{CUDA_ERROR_ILLEGAL_ADDRESS, "CUDA_ERROR_ILLEGAL_ADDRESS",
                  "an illegal memory access was encountered"},
             Case{CUDA_ERROR_MISALIGNED_ADDRESS, "CUDA_ERROR_MISALIGNED_ADDRESS", "misaligned address"},
             Case{CUDA_ERROR_LAUNCH_FAILED, "CUDA_ERROR_LAUNCH_FAILED", "unspecified launch failure"},
             Case{CUDA_ERROR_NOT_SUPPORTED, "CUDA_ERROR_NOT_SUPPORTED", "operation not supported"},
         }) {
        SCOPED_TRACE(c.name);
        const char* name = nullptr;
        const char* text = nullptr;
        EXPECT_EQ(d_.cuGetErrorName(c.code, &name), kOk);
        EXPECT_EQ(d_.cuGetErrorString(c.code, &text), kOk);
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(text, c.text);
    }
    const char* text = "unchanged";
    EXPECT_EQ(d_.cuGetErrorString((CUresult)12345, &text), CUDA_ERROR_INVALID_VALUE);
    EXPECT_EQ(text, nullptr);
    const char* name = "unchanged";
    EXPECT_EQ(d_.cuGetErrorName((CUresult)12345, &name), CUDA_ERROR_INVALID_VALUE);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(api_.callCount(), calls) << "error queries are not driver calls to count";
}

TEST_F(CudaStandIn, ExportsTheVersionedNamesAndTheOldDriverLacksTextureObjects) {
    const char* const names[] = {"cuInit",
                                 "cuDeviceGetCount",
                                 "cuDeviceGet",
                                 "cuDeviceGetName",
                                 "cuDevicePrimaryCtxRetain",
                                 "cuDevicePrimaryCtxRelease_v2",
                                 "cuCtxPushCurrent_v2",
                                 "cuCtxPopCurrent_v2",
                                 "cuCtxGetCurrent",
                                 "cuCtxSynchronize",
                                 "cuModuleLoadData",
                                 "cuModuleUnload",
                                 "cuModuleGetFunction",
                                 "cuMemAlloc_v2",
                                 "cuMemFree_v2",
                                 "cuMemcpyHtoD_v2",
                                 "cuMemsetD8_v2",
                                 "cuMemcpy2D_v2",
                                 "cuArrayCreate_v2",
                                 "cuArrayDestroy",
                                 "cuTexObjectCreate",
                                 "cuTexObjectDestroy",
                                 "cuLaunchKernel",
                                 "cuGetErrorString",
                                 "cuGetErrorName"};
    void* old = dlopen(MRPH_TEST_CUDA_STANDIN_OLD, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(old, nullptr) << dlerror();
    ASSERT_NE(old, library_) << "a library of its own";
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_NE(dlsym(library_, name), nullptr);
        const bool expected = std::strcmp(name, "cuTexObjectCreate") != 0;
        EXPECT_EQ(dlsym(old, name) != nullptr, expected);
    }
    EXPECT_EQ(dlsym(library_, "cuMemAlloc"), nullptr) << "only the versioned name";
    EXPECT_EQ(dlsym(library_, "_ZN12cuda_standin11GlobalStateEv"), nullptr)
        << "nothing of the stand-in's own";
    dlclose(old);
}

// Calls from several threads at once, one of them launching: run under ThreadSanitizer, this is the
// stand-in's own race check.
TEST_F(CudaStandIn, CallsFromManyThreadsAtOnceKeepTheBooks) {
    const CUcontext ctx = Enter();
    CUmodule module = nullptr;
    const CUfunction f = Kernel(&module);
    Small s = SmallLaunch();
    api_.reset();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            ASSERT_EQ(d_.cuCtxPushCurrent(ctx), kOk);
            const std::vector<unsigned char> bytes(256, (unsigned char)t);
            for (int i = 0; i < 50; ++i) {
                CUdeviceptr p = 0;
                ASSERT_EQ(d_.cuMemAlloc(&p, bytes.size()), kOk);
                EXPECT_EQ(d_.cuMemcpyHtoD(p, bytes.data(), bytes.size()), kOk);
                EXPECT_EQ(d_.cuMemsetD8(p, 1, 16), kOk);
                EXPECT_EQ(d_.cuMemFree(p), kOk);
            }
            EXPECT_EQ(d_.cuCtxPopCurrent(nullptr), kOk);
        });
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Launch(f, s.args, 1, 1, 4, 3), kOk);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(api_.callCount(), 5 + 4 * (2 + 50 * 4));
    EXPECT_EQ(api_.launchCount(), 5);
    EXPECT_EQ(Counts().allocations, base_.allocations + 5);
    FreeSmall(s.args);
    EXPECT_EQ(d_.cuModuleUnload(module), kOk);
}

}  // namespace

#endif  // MRPH_HAVE_CUDA_STANDIN
