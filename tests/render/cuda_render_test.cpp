// The CUDA branch of a GPU frame, run on a runtime in host memory (fake_cuda_runtime.h) so that it is
// checked on machines without a GPU: what is launched, how the records and the environment reach
// the device, the environment array's cache, and every failing call.
#include <gtest/gtest.h>

#if !defined(MRPH_HAVE_CUDA)

TEST(CudaFrame, NeedsACudaBuild) { GTEST_SKIP() << "skipped: built without CUDA (no nvcc, or MRPH_WITH_CUDA=OFF)"; }

#else

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "GlobalData.h"
#include "Handlers.h"
#include "Morphalith_Kernel_CUDA.h"
#include "PF_Suites.h"
#include "render/GPURender.h"
#include "render/PluginInputParams.h"
#include "tests/render/fake_cuda_runtime.h"
#include "tests/support/HostFixture.h"

namespace {

using mrph_test::FakeCudaRuntime;

// The host's CUDA devices as the frame sees them: two, whose worlds' pixels are device pointers.
PF_Err DeviceCount(PF_ProgPtr, A_u_long* count) {
    *count = 2;
    return PF_Err_NONE;
}
PF_Err DeviceInfo(PF_ProgPtr, A_u_long index, PF_GPUDeviceInfo* info) {
    std::memset(info, 0, sizeof(*info));
    if (index >= 2) return PF_Err_INVALID_INDEX;
    info->device_framework = PF_GPU_Framework_CUDA;
    info->compatibleB = TRUE;
    return PF_Err_NONE;
}
PF_Err WorldData(PF_ProgPtr, PF_EffectWorld* world, void** pixels) {
    *pixels = world->data;
    return PF_Err_NONE;
}
const PF_GPUDeviceSuite1 kCudaDevices = {DeviceCount, DeviceInfo, WorldData};

// A world whose rows are `padding` pixels longer than its width, as hosts pad them.
struct World {
    PF_LayerDef def{};
    std::vector<float> pixels;
};

int kInstanceA = 0, kInstanceB = 0;

class CudaFrame : public HostFixture {
protected:
    void SetUp() override {
        host_.suites().add(kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, &kCudaDevices);
        // Global data as global set-up leaves it.
        const PF_HandleSuite1* handles = host_.handles().suite();
        globalH_ = handles->host_new_handle(sizeof(GlobalData));
        new (handles->host_lock_handle(globalH_)) GlobalData();
        handles->host_unlock_handle(globalH_);
        in()->global_data = globalH_;
        in()->time_scale = 30;
        in()->width = 20;
        in()->height = 9;
        setRecords(2, 1);
        output_ = makeWorld(20, 9, 0);
    }
    void TearDown() override {
        if (in()->global_data) setDown();
    }
    PF_Err setDown() {
        const PF_Err err = GlobalSetdown(in(), out(), nullptr, nullptr);
        in()->global_data = nullptr;
        return err;
    }
    GlobalData* global() { return static_cast<GlobalData*>(host_.handles().block(globalH_)); }

    World makeWorld(int width, int height, int padding) {
        World w;
        w.def.width = width;
        w.def.height = height;
        w.def.rowbytes = (width + padding) * 16;
        w.pixels.resize((size_t)(width + padding) * height * 4);
        for (size_t i = 0; i < w.pixels.size(); ++i) w.pixels[i] = (float)i;
        w.def.data = w.pixels.data();
        fake_.addDeviceMemory(w.pixels.data(), w.pixels.size() * sizeof(float));
        return w;
    }

    // Records with a byte pattern per entry; the arrays always hold one entry more than counted, so
    // that reading past a count shows.
    void setRecords(int numPrimitives, int numLights) {
        primitives_.assign(numPrimitives + 1, PrimitiveData{});
        materials_.assign(numPrimitives + 1, MaterialData{});
        modifiers_.assign(numPrimitives + 1, ModifiersData{});
        lights_.assign(numLights + 1, LightData{});
        for (int i = 0; i <= numPrimitives; ++i) {
            std::memset(&primitives_[i], 0x10 + i, sizeof(PrimitiveData));
            std::memset(&materials_[i], 0x20 + i, sizeof(MaterialData));
            std::memset(&modifiers_[i], 0x30 + i, sizeof(ModifiersData));
        }
        for (int i = 0; i <= numLights; ++i) std::memset(&lights_[i], 0x40 + i, sizeof(LightData));
        block_ = PluginInputParams{};
        std::memset(&block_.camera, 0x51, sizeof(CamData));
        std::memset(&block_.global, 0x52, sizeof(RenderData));
        block_.primitives = primitives_.data();
        block_.materials = materials_.data();
        block_.modifiers = modifiers_.data();
        block_.lights = lights_.data();
        block_.numPrimitives = numPrimitives;
        block_.numLights = numLights;
    }

    struct Frame {
        World* env = nullptr;
        int device = 0;
        A_long time = 0;
        void* instance = &kInstanceA;
        PF_GPU_Framework framework = PF_GPU_Framework_CUDA;
    };
    PF_Err render(const Frame& f) {
        PF_SmartRenderInput input{};
        input.what_gpu = f.framework;
        input.device_index = f.device;
        PF_SmartRenderExtra extra{&input, nullptr};
        in()->current_time = f.time;
        in()->effect_ref = f.instance;
        out()->out_flags = 0;
        out()->return_msg[0] = '\0';
        return SmartRenderGPU(in(), out(), PF_PixelFormat_GPU_BGRA128, f.env ? &f.env->def : nullptr, &output_.def,
                              &extra, &block_);
    }
    PF_Err render(World* env = nullptr) {
        Frame f;
        f.env = env;
        return render(f);
    }

    FakeCudaRuntime fake_;
    PF_Handle globalH_ = nullptr;
    std::vector<PrimitiveData> primitives_;
    std::vector<MaterialData> materials_;
    std::vector<ModifiersData> modifiers_;
    std::vector<LightData> lights_;
    PluginInputParams block_{};
    World output_;
};

bool SameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// ---- The launch --------------------------------------------------------------------------------------

TEST_F(CudaFrame, LaunchesSixteenBySixteenBlocksOverTheOutputWithTheRecordsByValue) {
    struct Case {
        int width, height, padding;
        unsigned gridX, gridY;
        int pitch;
    } cases[] = {
        {1, 1, 0, 1, 1, 1},            // one block; the kernel skips all but pixel (0, 0)
        {16, 16, 0, 1, 1, 16},         // exactly one block
        {17, 9, 0, 2, 1, 17},          // a second, mostly idle column of blocks
        {20, 9, 236, 2, 1, 256},       // rows of 4,096 bytes: the pitch in pixels is 256
        {1920, 1080, 0, 120, 68, 1920} // 1080 / 16 = 67.5
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        output_ = makeWorld(c.width, c.height, c.padding);
        in()->width = c.width * 2;  // the composition at twice the output's size: factors of 2
        in()->height = c.height * 2;
        fake_.launches.clear();
        Frame f;
        f.time = 15;
        ASSERT_EQ(render(f), PF_Err_NONE) << out()->return_msg;
        EXPECT_EQ(std::string(out()->return_msg), "");
        ASSERT_EQ(fake_.launches.size(), 1u);
        const mrph_test::FakeLaunch& l = fake_.launches[0];
        EXPECT_EQ(l.block.x, 16u);
        EXPECT_EQ(l.block.y, 16u);
        EXPECT_EQ(l.block.z, 1u);
        EXPECT_EQ(l.grid.x, c.gridX);
        EXPECT_EQ(l.grid.y, c.gridY);
        EXPECT_EQ(l.grid.z, 1u);
        EXPECT_EQ(l.sharedMem, 0u);
        EXPECT_EQ(l.stream, nullptr);
        EXPECT_EQ(l.output, output_.def.data);
        EXPECT_EQ(l.pitch, c.pitch);
        EXPECT_EQ(l.in16f, 0);
        EXPECT_EQ(l.width, (unsigned)c.width);
        EXPECT_EQ(l.height, (unsigned)c.height);
        EXPECT_EQ(l.useEnvironment, 0);
        EXPECT_EQ(l.texture, 0u);
        EXPECT_EQ(l.numPrimitives, 2);
        EXPECT_EQ(l.numLights, 1);
        EXPECT_FLOAT_EQ(l.time, 0.5f);  // 15 / 30
        EXPECT_TRUE(SameBytes(&l.camera, &block_.camera, sizeof(CamData)));
        EXPECT_FLOAT_EQ(l.render.widthFactor, 2.0f);
        EXPECT_FLOAT_EQ(l.render.heightFactor, 2.0f);
        EXPECT_TRUE(SameBytes(&l.render, &block_.global, sizeof(RenderData)));
    }
    EXPECT_EQ(fake_.live(), 0u);
}

TEST_F(CudaFrame, CopiesEachRecordArrayAndOneZeroRecordForAnEmptyOne) {
    struct Case {
        int numPrimitives, numLights;
    } cases[] = {{0, 0}, {1, 0}, {0, 2}, {3, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.numPrimitives) + " primitives, " + std::to_string(c.numLights) + " lights");
        setRecords(c.numPrimitives, c.numLights);
        fake_.launches.clear();
        fake_.mallocSizes.clear();
        ASSERT_EQ(render(), PF_Err_NONE) << out()->return_msg;
        const size_t p = c.numPrimitives > 0 ? c.numPrimitives : 1, l = c.numLights > 0 ? c.numLights : 1;
        EXPECT_EQ(fake_.mallocSizes, (std::vector<size_t>{p * 144, p * 112, p * 160, l * 96}));
        ASSERT_EQ(fake_.launches.size(), 1u);
        const mrph_test::FakeLaunch& launch = fake_.launches[0];
        const void* sources[4] = {primitives_.data(), materials_.data(), modifiers_.data(), lights_.data()};
        const int counts[4] = {c.numPrimitives, c.numPrimitives, c.numPrimitives, c.numLights};
        for (int i = 0; i < 4; ++i) {
            const std::vector<unsigned char>& bytes = launch.recordBytes[i];
            if (counts[i] > 0) {
                EXPECT_TRUE(SameBytes(bytes.data(), sources[i], bytes.size())) << "array " << i;
            } else {
                EXPECT_EQ(bytes, std::vector<unsigned char>(bytes.size(), 0)) << "array " << i;
            }
        }
        EXPECT_EQ(launch.numPrimitives, c.numPrimitives);
        EXPECT_EQ(launch.numLights, c.numLights);
    }
    EXPECT_EQ(fake_.live(), 0u);
}

TEST_F(CudaFrame, MakesTheDeviceOfTheHostCurrentFirst) {
    Frame f;
    f.device = 1;
    ASSERT_EQ(render(f), PF_Err_NONE);
    ASSERT_FALSE(fake_.calls.empty());
    EXPECT_EQ(fake_.calls.front(), "cudaSetDevice");
    EXPECT_EQ(fake_.devicesSet, std::vector<int>{1});
}

// ---- The environment ---------------------------------------------------------------------------------

TEST_F(CudaFrame, EnvironmentGoesIntoAnArrayRowByRowAndIsSampledThroughABorderedTexture) {
    World env = makeWorld(5, 3, 2);  // rows of 7 pixels, 112 bytes
    ASSERT_EQ(render(&env), PF_Err_NONE) << out()->return_msg;

    ASSERT_EQ(fake_.arrays.size(), 1u);
    const auto& [array, stored] = *fake_.arrays.begin();
    EXPECT_EQ(stored.width, 5u);
    EXPECT_EQ(stored.height, 3u);
    EXPECT_EQ(stored.format.x, 32);
    EXPECT_EQ(stored.format.y, 32);
    EXPECT_EQ(stored.format.z, 32);
    EXPECT_EQ(stored.format.w, 32);
    EXPECT_EQ(stored.format.f, cudaChannelFormatKindFloat);
    ASSERT_EQ(fake_.copies2D.size(), 1u);
    const mrph_test::FakeCopy2D& copy = fake_.copies2D[0];
    EXPECT_EQ(copy.source, env.def.data);
    EXPECT_EQ(copy.spitch, 112u);
    EXPECT_EQ(copy.width, 80u);
    EXPECT_EQ(copy.height, 3u);
    EXPECT_EQ(copy.kind, cudaMemcpyDeviceToDevice);
    // Row y of the array is row y of the world without its padding: the floats 28y .. 28y + 19.
    for (int y = 0; y < 3; ++y) {
        const float* row = reinterpret_cast<const float*>(&stored.texels[(size_t)y * 80]);
        EXPECT_EQ(row[0], 28.0f * y);
        EXPECT_EQ(row[19], 28.0f * y + 19.0f);
    }

    ASSERT_EQ(fake_.textureDescs.size(), 1u);
    const cudaTextureDesc& desc = fake_.textureDescs[0];
    EXPECT_EQ(desc.addressMode[0], cudaAddressModeBorder);
    EXPECT_EQ(desc.addressMode[1], cudaAddressModeBorder);
    EXPECT_EQ(desc.borderColor[0], 0.0f);
    EXPECT_EQ(desc.borderColor[3], 0.0f);
    EXPECT_EQ(desc.filterMode, cudaFilterModeLinear);
    EXPECT_EQ(desc.readMode, cudaReadModeElementType);
    EXPECT_EQ(desc.normalizedCoords, 1);
    EXPECT_EQ(fake_.textureResources[0].res.array.array, array);

    ASSERT_EQ(fake_.launches.size(), 1u);
    EXPECT_NE(fake_.launches[0].texture, 0u);
    EXPECT_EQ(fake_.launches[0].useEnvironment, 1);
    // The texture lives for the launch; the array stays cached until global set-down.
    EXPECT_TRUE(fake_.textures.empty());
    EXPECT_EQ(global()->envTexture.cuda.array, array);
    fake_.calls.clear();
    fake_.devicesSet.clear();
    EXPECT_EQ(setDown(), PF_Err_NONE);
    EXPECT_EQ(fake_.calls, (std::vector<std::string>{"cudaSetDevice", "cudaFreeArray"}));
    EXPECT_EQ(fake_.devicesSet, std::vector<int>{0});
    EXPECT_EQ(fake_.live(), 0u);
}

TEST_F(CudaFrame, SetdownWithoutAnArrayMakesNoCudaCall) {
    EXPECT_EQ(setDown(), PF_Err_NONE);
    EXPECT_TRUE(fake_.calls.empty());
}

TEST_F(CudaFrame, AnArrayIsFreedOnTheDeviceItWasMadeOn) {
    World env = makeWorld(4, 2, 0);
    Frame f;
    f.env = &env;
    ASSERT_EQ(render(f), PF_Err_NONE);
    f.device = 1;
    ASSERT_EQ(render(f), PF_Err_NONE);
    // Frame on 0; frame on 1, whose rebuild frees the old array with device 0 current, then goes back.
    EXPECT_EQ(fake_.devicesSet, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(fake_.arrays.size(), 1u);
    EXPECT_EQ(global()->envTexture.cuda.key.device, 1);
}

// Two render threads whose frames want different environment arrays (other times): each frame
// rebuilds the array, and no rebuild may free or refill it while the other thread's kernel runs.
TEST_F(CudaFrame, RenderThreadsNeverChangeTheArrayUnderAnotherThreadsKernel) {
    World env = makeWorld(4, 2, 0);
    fake_.kernelTime = std::chrono::microseconds(300);
    auto frames = [&](A_long time, PF_Err* result) {
        PF_InData in = *this->in();
        PF_OutData out = *this->out();
        in.current_time = time;
        in.effect_ref = &kInstanceA;
        PF_SmartRenderInput input{};
        input.what_gpu = PF_GPU_Framework_CUDA;
        PF_SmartRenderExtra extra{&input, nullptr};
        for (int i = 0; i < 20 && *result == PF_Err_NONE; ++i) {
            PluginInputParams block = block_;
            PF_LayerDef output = output_.def;
            *result = SmartRenderGPU(&in, &out, PF_PixelFormat_GPU_BGRA128, &env.def, &output, &extra, &block);
        }
    };
    PF_Err first = PF_Err_NONE, second = PF_Err_NONE;
    std::thread a(frames, 0, &first), b(frames, 1, &second);
    a.join();
    b.join();
    EXPECT_EQ(first, PF_Err_NONE);
    EXPECT_EQ(second, PF_Err_NONE);
    EXPECT_EQ(fake_.launches.size(), 40u);
    EXPECT_EQ(fake_.arrayChangesUnderAKernel, 0);
}

// Sequences of frames and what the environment cache does over them. `picked` sets the changed flag
// the panel sets when a new environment layer is chosen; `layer` is the layer id it stores.
struct CacheFrame {
    int env;  // 0: no environment; else the environment's width (height 2)
    A_long time = 0;
    int device = 0;
    void* instance = &kInstanceA;
    PF_GPU_Framework framework = PF_GPU_Framework_CUDA;
    bool picked = false;
    int layer = 0;
    const char* fail = nullptr;  // a call that fails in this frame
};

struct CacheCase {
    const char* name;
    std::vector<CacheFrame> frames;
    int arraysMade, arraysFreed;  // cudaMallocArray and cudaFreeArray calls, failing ones included
    bool cachedAtEnd;
};

const PF_GPU_Framework kOther = PF_GPU_Framework_NONE;  // a frame of any framework but CUDA

const CacheCase kCacheCases[] = {
    {"SameTimeAndSizeReuseTheArray", {{4}, {4}, {4}}, 1, 0, true},
    {"AnotherTimeRebuildsIt", {{4, 0}, {4, 1}}, 2, 1, true},
    {"AnotherSizeRebuildsIt", {{4}, {5}}, 2, 1, true},
    {"APickedLayerRebuildsIt", {{4}, {4, 0, 0, &kInstanceA, PF_GPU_Framework_CUDA, true}}, 2, 1, true},
    {"AnotherLayerIdRebuildsIt", {{4}, {4, 0, 0, &kInstanceA, PF_GPU_Framework_CUDA, false, 7}}, 2, 1, true},
    {"AnotherDeviceRebuildsIt", {{4, 0, 0}, {4, 0, 1}}, 2, 1, true},
    {"AnotherInstanceRebuildsIt", {{4, 0, 0, &kInstanceA}, {4, 0, 0, &kInstanceB}}, 2, 1, true},
    {"ACudaFrameWithoutEnvironmentFreesItAndTheNextBuildsAfresh", {{4}, {0}, {4}}, 2, 1, true},
    {"AnotherFrameworkWithoutEnvironmentKeepsIt", {{4}, {0, 0, 0, &kInstanceA, kOther}, {4}}, 1, 0, true},
    {"AnotherFrameworkRenewingTheKeyDoesNotMakeItCurrent",
     {{4, 0}, {4, 1, 0, &kInstanceA, kOther}, {4, 1}},
     2,
     1,
     true},
    {"AFailedCopyLeavesNoArrayAndTheNextFrameBuildsAgain",
     {{4, 0, 0, &kInstanceA, PF_GPU_Framework_CUDA, false, 0, "cudaMemcpy2DToArray"}, {4}},
     2,
     1,
     true},
    {"AFailedAllocationLeavesNoArray",
     {{4}, {4, 1, 0, &kInstanceA, PF_GPU_Framework_CUDA, false, 0, "cudaMallocArray"}},
     2,
     1,
     false},
    {"AFailedLaunchKeepsTheCompleteArray",
     {{4, 0, 0, &kInstanceA, PF_GPU_Framework_CUDA, false, 0, "cudaLaunchKernel"}, {4}},
     1,
     0,
     true},
};

void PrintTo(const CacheCase& c, std::ostream* os) { *os << c.name; }

class CudaEnvironmentCache : public CudaFrame, public ::testing::WithParamInterface<CacheCase> {};

TEST_P(CudaEnvironmentCache, KeepsTheArrayOnlyWhileItHoldsWhatTheFrameWouldPutInIt) {
    const CacheCase& c = GetParam();
    World narrow = makeWorld(4, 2, 1), wide = makeWorld(5, 2, 0);
    for (size_t i = 0; i < c.frames.size(); ++i) {
        const CacheFrame& cf = c.frames[i];
        SCOPED_TRACE("frame " + std::to_string(i));
        if (cf.picked) global()->envTexture.changed = true;
        global()->envTexture.layerId = cf.layer;
        if (cf.fail) fake_.failNext(cf.fail, cudaErrorMemoryAllocation);
        Frame f;
        f.env = cf.env == 0 ? nullptr : (cf.env == 4 ? &narrow : &wide);
        f.time = cf.time;
        f.device = cf.device;
        f.instance = cf.instance;
        f.framework = cf.framework;
        EXPECT_EQ(render(f), cf.fail ? 512 : 0);
        EXPECT_EQ(fake_.buffers.size(), 0u);
        EXPECT_EQ(fake_.textures.size(), 0u);
        EXPECT_EQ(fake_.arrays.size(), global()->envTexture.cuda.array ? 1u : 0u);
    }
    EXPECT_EQ(fake_.count("cudaMallocArray"), c.arraysMade);
    EXPECT_EQ(fake_.count("cudaFreeArray"), c.arraysFreed);
    EXPECT_EQ(global()->envTexture.cuda.array != nullptr, c.cachedAtEnd);
    EXPECT_EQ(setDown(), PF_Err_NONE);
    EXPECT_EQ(fake_.live(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sequences, CudaEnvironmentCache, ::testing::ValuesIn(kCacheCases),
                         [](const ::testing::TestParamInfo<CacheCase>& info) { return info.param.name; });

// ---- Failures ----------------------------------------------------------------------------------------

// Every call of a frame with an environment not yet on the device, in order.
const std::vector<std::string> kFreshFrameCalls = {
    "cudaSetDevice",
    "cudaCreateChannelDesc",   "cudaMallocArray", "cudaMemcpy2DToArray",
    "cudaMalloc",              "cudaMemcpy",      "cudaMalloc", "cudaMemcpy", "cudaMalloc", "cudaMemcpy",
    "cudaMalloc",              "cudaMemcpy",
    "cudaCreateTextureObject", "cudaLaunchKernel", "cudaDeviceSynchronize",
    "cudaDestroyTextureObject", "cudaFree",       "cudaFree",   "cudaFree",   "cudaFree",
};

TEST_F(CudaFrame, AFrameWithANewEnvironmentMakesTheseCallsInOrder) {
    World env = makeWorld(4, 2, 0);
    ASSERT_EQ(render(&env), PF_Err_NONE);
    EXPECT_EQ(fake_.calls, kFreshFrameCalls);
}

// The calls that can fail, by their position among them.
std::vector<std::string> FailableCalls() {
    std::vector<std::string> calls;
    for (const std::string& c : kFreshFrameCalls)
        if (c != "cudaCreateChannelDesc") calls.push_back(c);
    return calls;
}

bool IsRelease(const std::string& call) {
    return call == "cudaFree" || call == "cudaFreeArray" || call == "cudaDestroyTextureObject";
}

class CudaFrameFailure : public CudaFrame, public ::testing::WithParamInterface<int> {};

TEST_P(CudaFrameFailure, StopsReportsTheErrorAndFreesWhatItMade) {
    const int n = GetParam();
    const std::string failing = FailableCalls()[n - 1];
    SCOPED_TRACE("call " + std::to_string(n) + ", " + failing);
    World env = makeWorld(4, 2, 1);
    fake_.failCall(n, cudaErrorMemoryAllocation);

    EXPECT_EQ(render(&env), 512);
    EXPECT_EQ(std::string(out()->return_msg), "GPU Assert:\r\nout of memory\n");
    EXPECT_TRUE(out()->out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);

    // Up to the failing call as on a good frame; after it only releases, then the error is cleared.
    const auto failed = std::find(fake_.calls.begin(), fake_.calls.end(), failing + "!");
    ASSERT_NE(failed, fake_.calls.end());
    EXPECT_TRUE(std::equal(fake_.calls.begin(), failed, kFreshFrameCalls.begin()));
    for (auto it = failed + 1; it + 1 < fake_.calls.end(); ++it) EXPECT_TRUE(IsRelease(*it)) << *it;
    EXPECT_EQ(fake_.calls.back(), "cudaGetLastError");
    EXPECT_EQ(fake_.count("cudaGetLastError"), 1);
    // A failing release is still the last step of its kind: the others are made all the same.
    if (IsRelease(failing)) {
        EXPECT_EQ(fake_.calls.size(), kFreshFrameCalls.size() + 1);
    }

    // Nothing of the launch is left; the environment array stays only when it was complete.
    EXPECT_EQ(fake_.buffers.size(), 0u);
    EXPECT_EQ(fake_.textures.size(), 0u);
    const bool arrayComplete = n > 3;
    EXPECT_EQ(fake_.arrays.size(), arrayComplete ? 1u : 0u);
    EXPECT_EQ(global()->envTexture.cuda.array != nullptr, arrayComplete);
    EXPECT_EQ(setDown(), PF_Err_NONE);
    EXPECT_EQ(fake_.live(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachCallInTurn, CudaFrameFailure, ::testing::Range(1, (int)FailableCalls().size() + 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "_" + FailableCalls()[info.param - 1];
                         });

// Without the fake: where this machine has no CUDA device, the runtime's own text is reported, frame
// after frame. (A runtime that cannot start reports that from every call, the clearing one included,
// so the clearing is checked on the fake above.)
class CudaFrameOnThisMachine : public CudaFrame {
protected:
    void SetUp() override {
        CudaFrame::SetUp();
        setCudaApi(nullptr);  // the runtime itself
    }
};

TEST_F(CudaFrameOnThisMachine, WithoutADeviceReportsTheRuntimesText) {
    if (mrph_cuda::DeviceCount() > 0) GTEST_SKIP() << "skipped: this machine has a CUDA device";
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        EXPECT_EQ(render(), 512);
        const std::string message = out()->return_msg;
        EXPECT_TRUE(message == "GPU Assert:\r\nCUDA driver version is insufficient for CUDA runtime version\n" ||
                    message == "GPU Assert:\r\nno CUDA-capable device is detected\n")
            << message;
        EXPECT_TRUE(out()->out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    }
    EXPECT_EQ(global()->envTexture.cuda.array, nullptr);
}

}  // namespace

#endif  // MRPH_HAVE_CUDA
