// The CUDA branch of a GPU frame, driven directly on the CUDA driver stand-in (standin/cuda), which the
// test process loads as the module does, by the library search: what is launched, how the records and
// the environment reach the device, the context the frame works in, the environment array's cache,
// and every failing driver call. The same file runs in the Windows test host under wine, on the
// nvcuda.dll stand-in.
#include <gtest/gtest.h>

#if !defined(MRPH_HAVE_CUDA) || !defined(MRPH_HAVE_CUDA_STANDIN)

TEST(CudaFrame, NeedsTheDriverStandIn) {
    GTEST_SKIP() << "skipped: built without the CUDA toolkit";
}

#else

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CudaExpected.h"
#include "CudaStandIn.h"
#include "GlobalData.h"
#include "Handlers.h"
#include "Morphalith_Kernel_Strings.h"
#include "PF_Suites.h"
#include "kernels/kernel_scene.h"
#include "render/GPURender.h"
#include "render/PluginInputParams.h"
#include "render/cuda/CudaRender.h"
#include "tests/render/cuda_driver_session.h"
#include "tests/support/HostFixture.h"

namespace {

using mrph_test::CudaDriverSession;
using mrph_test::KernelScene;

// The host's CUDA devices as the frame sees them: two; device 0's record carries the host's context
// when a test gives one.
CUcontext g_hostContext = nullptr;
PF_Err DeviceCount(PF_ProgPtr, A_u_long* count) {
    *count = 2;
    return PF_Err_NONE;
}
PF_Err DeviceInfo(PF_ProgPtr, A_u_long index, PF_GPUDeviceInfo* info) {
    std::memset(info, 0, sizeof(*info));
    if (index >= 2) return PF_Err_INVALID_INDEX;
    info->device_framework = PF_GPU_Framework_CUDA;
    info->compatibleB = TRUE;
    info->contextPV = index == 0 ? g_hostContext : nullptr;
    return PF_Err_NONE;
}
PF_Err WorldData(PF_ProgPtr, PF_EffectWorld* world, void** pixels) {
    *pixels = world->data;
    return PF_Err_NONE;
}
const PF_GPUDeviceSuite1 kCudaDevices = {DeviceCount, DeviceInfo, WorldData};

// A world in device memory, its rows `padding` pixels longer than its width, as hosts pad them.
struct World {
    PF_LayerDef def{};
    std::vector<float> pixels;  // what was uploaded
};

int kInstanceA = 0, kInstanceB = 0;

// The showcase's records, rendered quickly: rays give up after a short distance, no shadow, occlusion
// or reflection rays.
KernelScene QuickScene(int numPrimitives, int numLights) {
    KernelScene s = mrph_test::ShowcaseScene(20, 9);
    s.primitives.resize((size_t)numPrimitives);
    s.materials.resize((size_t)numPrimitives);
    s.modifiers.resize((size_t)numPrimitives);
    s.lights.resize((size_t)numLights);
    s.render.maxDist = 40.0f;
    s.render.maxReflections = 0;
    s.render.ao_enabled = false;
    s.render.shadowsEnabled = false;
    return s;
}

class CudaFrame : public HostFixture {
protected:
    void SetUp() override {
        if (!session_.ok()) MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA driver (" << session_.error() << ")";
        if (!mrphCudaStandInLoad(&standIn_)) MRPH_WITHOUT_CUDA_DRIVER() << "the CUDA driver is not the stand-in";
        standIn_.reset();
        standIn_.setDeviceCount(2);
        g_hostContext = nullptr;
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
        setScene(QuickScene(2, 1));
        output_ = makeWorld(20, 9, 0);
        output1_ = makeWorld(20, 9, 0, {}, 1);
        startLog();
    }
    // From here on: the call log and launch records start afresh, and what lives now is the baseline
    // that frames must come back to (the test's own worlds in device memory).
    void startLog() {
        standIn_.reset();
        standIn_.setDeviceCount(2);
        baseline_ = counts();
    }
    void TearDown() override {
        g_hostContext = nullptr;
        if (in()->global_data) setDown();
    }
    PF_Err setDown() {
        const PF_Err err = GlobalSetdown(in(), out(), nullptr, nullptr);
        in()->global_data = nullptr;
        return err;
    }
    GlobalData* global() { return static_cast<GlobalData*>(host_.handles().block(globalH_)); }

    MrphCudaStandInCounts counts() {
        MrphCudaStandInCounts c{};
        standIn_.getCounts(&c);
        return c;
    }
    std::vector<std::string> calls() {
        std::vector<std::string> names;
        for (long i = 0; i < standIn_.callCount(); ++i) names.push_back(standIn_.callName(i));
        return names;
    }
    int count(const std::string& call) {
        const std::vector<std::string> all = calls();
        return (int)std::count(all.begin(), all.end(), call);
    }
    MrphCudaStandInLaunch lastLaunch() {
        MrphCudaStandInLaunch l{};
        EXPECT_EQ(standIn_.getLaunch(standIn_.launchCount() - 1, &l), 1);
        return l;
    }

    // Texels from `texels` (width x height, packed), or the floats 0, 1, 2, ... when empty; in the memory
    // of the device, as a host makes the worlds of a frame on the frame's device.
    World makeWorld(int width, int height, int padding, const std::vector<mrph_test::float4>& texels = {},
                    int device = 0) {
        World w;
        w.def.width = width;
        w.def.height = height;
        w.def.rowbytes = (width + padding) * 16;
        w.pixels.resize((size_t)(width + padding) * height * 4);
        for (size_t i = 0; i < w.pixels.size(); ++i) w.pixels[i] = (float)i;
        for (size_t i = 0; i < texels.size(); ++i) {
            const size_t at = (i / width * (width + padding) + i % width) * 4;
            std::memcpy(&w.pixels[at], &texels[i], 16);
        }
        const CUdeviceptr memory = session_.upload(w.pixels.data(), w.pixels.size() * sizeof(float), device);
        EXPECT_NE(memory, 0u);
        w.def.data = reinterpret_cast<void*>((uintptr_t)memory);
        return w;
    }
    std::vector<float> download(const World& w) {
        std::vector<float> pixels(w.pixels.size());
        EXPECT_TRUE(session_.download(pixels.data(), (CUdeviceptr)(uintptr_t)w.def.data,
                                      pixels.size() * sizeof(float)));
        return pixels;
    }

    void setScene(const KernelScene& s) {
        scene_ = s;
        block_ = PluginInputParams{};
        block_.camera = scene_.camera;
        block_.global = scene_.render;
        block_.primitives = scene_.primitives.data();
        block_.materials = scene_.materials.data();
        block_.modifiers = scene_.modifiers.data();
        block_.lights = scene_.lights.data();
        block_.numPrimitives = (int)scene_.primitives.size();
        block_.numLights = (int)scene_.lights.size();
    }

    struct Frame {
        World* env = nullptr;
        int device = 0;
        A_long time = 0;
        void* instance = &kInstanceA;
        PF_GPU_Framework framework = PF_GPU_Framework_CUDA;
        bool hostContext = false;  // device 0's record carries the host's context
        int layer = 0;             // the frame's environment layer
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
        g_hostContext = f.hostContext ? session_.context() : nullptr;
        block_.environmentLayerId = f.layer;
        return SmartRenderGPU(in(), out(), PF_PixelFormat_GPU_BGRA128, f.env ? &f.env->def : nullptr,
                              f.device == 1 ? &output1_.def : &output_.def, &extra, &block_);
    }
    PF_Err render(World* env = nullptr) {
        Frame f;
        f.env = env;
        return render(f);
    }

    CudaDriverSession session_;
    MrphCudaStandInApi standIn_{};
    MrphCudaStandInCounts baseline_{};
    PF_Handle globalH_ = nullptr;
    KernelScene scene_;
    PluginInputParams block_{};
    World output_, output1_;  // on devices 0 and 1
};

bool SameBytes(const void* a, const void* b, size_t n) {
    return n == 0 || std::memcmp(a, b, n) == 0;
}

// The output frame as the C++ form of the kernel draws the fixture's scene with `texels` as the
// environment, in the world's layout (rows of rowbytes / 16 pixels).
std::vector<float> CppFrame(KernelScene scene, const World& output,
                            const std::vector<mrph_test::float4>& texels, int texelsWidth, int texelsHeight) {
    scene.environment = texels;
    scene.environmentWidth = texelsWidth;
    scene.environmentHeight = texelsHeight;
    const mrph_test::Image image =
        mrph_test::RenderCpp(scene, (unsigned)output.def.width, (unsigned)output.def.height);
    std::vector<float> pixels;
    for (const mrph_test::float4& p : image.pixels) pixels.insert(pixels.end(), {p.x, p.y, p.z, p.w});
    return pixels;
}

float LargestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float largest = a.size() == b.size() ? 0.0f : INFINITY;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const float d = std::fabs(a[i] - b[i]);
        if (std::isnan(d) || d > largest) largest = d;  // a NaN stays
    }
    return largest;
}

// ---- The launch --------------------------------------------------------------------------------------

TEST_F(CudaFrame, LaunchesSixteenBySixteenBlocksOverTheOutputWithTheRecordsByValue) {
    struct Case {
        int width, height, padding;
        unsigned gridX, gridY;
        int pitch;
    } cases[] = {
        {1, 1, 0, 1, 1, 1},             // one block; the kernel skips all but pixel (0, 0)
        {16, 16, 0, 1, 1, 16},          // exactly one block
        {17, 9, 0, 2, 1, 17},           // a second, mostly idle column of blocks
        {20, 9, 236, 2, 1, 256},        // rows of 4,096 bytes: the pitch in pixels is 256
        {1920, 1080, 0, 120, 68, 1920}  // 1080 / 16 = 67.5
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        output_ = makeWorld(c.width, c.height, c.padding);
        in()->width = c.width * 2;  // the composition at twice the output's size: factors of 2
        in()->height = c.height * 2;
        Frame f;
        f.time = 15;
        ASSERT_EQ(render(f), PF_Err_NONE) << out()->return_msg;
        EXPECT_EQ(std::string(out()->return_msg), "");
        const MrphCudaStandInLaunch l = lastLaunch();
        EXPECT_EQ(l.result, CUDA_SUCCESS);
        EXPECT_EQ(l.block[0], 16u);
        EXPECT_EQ(l.block[1], 16u);
        EXPECT_EQ(l.block[2], 1u);
        EXPECT_EQ(l.grid[0], c.gridX);
        EXPECT_EQ(l.grid[1], c.gridY);
        EXPECT_EQ(l.grid[2], 1u);
        EXPECT_EQ(l.sharedMem, 0u);
        EXPECT_EQ(l.stream, nullptr);
        EXPECT_EQ(l.output, (CUdeviceptr)(uintptr_t)output_.def.data);
        EXPECT_EQ(l.pitch, c.pitch);
        EXPECT_EQ(l.in16f, 0);
        EXPECT_EQ(l.width, (unsigned)c.width);
        EXPECT_EQ(l.height, (unsigned)c.height);
        EXPECT_EQ(l.useEnvironment, 0);
        EXPECT_EQ(l.texture, 0u);
        EXPECT_EQ(l.numPrimitives, 2);
        EXPECT_EQ(l.numLights, 1);
        EXPECT_FLOAT_EQ(l.time, 0.5f);  // 15 / 30
        EXPECT_TRUE(SameBytes(l.camera, &block_.camera, sizeof(CamData)));
        RenderData render;
        std::memcpy(&render, l.render, sizeof(render));
        EXPECT_FLOAT_EQ(render.widthFactor, 2.0f);
        EXPECT_FLOAT_EQ(render.heightFactor, 2.0f);
        EXPECT_TRUE(SameBytes(&render, &block_.global, sizeof(RenderData)));
        // The kernel wrote pixel (0, 0), which held the pattern's 0, 1, 2, 3 and now a colour with
        // alpha, and left the row's padding alone.
        const std::vector<float> pixels = download(output_);
        EXPECT_FALSE(pixels[0] == 0.0f && pixels[1] == 1.0f && pixels[2] == 2.0f && pixels[3] == 3.0f);
        if (c.padding) {
            EXPECT_EQ(pixels[(size_t)c.width * 4], (float)(c.width * 4)) << "the padding is left alone";
        }
    }
    const MrphCudaStandInCounts now = counts();
    EXPECT_EQ(now.textures, 0);
    EXPECT_EQ(now.lostWithContext, 0);
}

TEST_F(CudaFrame, CopiesEachRecordArrayAndOneZeroRecordForAnEmptyOne) {
    struct Case {
        int numPrimitives, numLights;
    } cases[] = {{0, 0}, {1, 0}, {0, 2}, {3, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.numPrimitives) + " primitives, " + std::to_string(c.numLights) +
                     " lights");
        setScene(QuickScene(c.numPrimitives, c.numLights));
        const long before = count("cuMemAlloc_v2");
        ASSERT_EQ(render(), PF_Err_NONE) << out()->return_msg;
        EXPECT_EQ(count("cuMemAlloc_v2") - before, 4) << "one allocation per record array, empty ones too";
        const MrphCudaStandInLaunch l = lastLaunch();
        const void* sources[4] = {scene_.primitives.data(), scene_.materials.data(), scene_.modifiers.data(),
                                  scene_.lights.data()};
        const size_t sizes[4] = {sizeof(PrimitiveData), sizeof(MaterialData), sizeof(ModifiersData),
                                 sizeof(LightData)};
        const int counts[4] = {c.numPrimitives, c.numPrimitives, c.numPrimitives, c.numLights};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NE(l.records[i], 0u) << "array " << i << " is a live allocation even when empty";
            ASSERT_EQ(l.recordBytes[i], counts[i] * sizes[i]) << "array " << i;
            std::vector<unsigned char> bytes(l.recordBytes[i]);
            standIn_.launchRecordBytes(standIn_.launchCount() - 1, i, bytes.data(), bytes.size());
            EXPECT_TRUE(SameBytes(bytes.data(), sources[i], bytes.size())) << "array " << i;
        }
        EXPECT_EQ(l.numPrimitives, c.numPrimitives);
        EXPECT_EQ(l.numLights, c.numLights);
    }
    EXPECT_EQ(counts().allocations, baseline_.allocations);
}

// ---- The context a frame works in --------------------------------------------------------------------

TEST_F(CudaFrame, WorksInTheHostsContextOrTheDevicesPrimaryOneAndLeavesTheThreadsAsItWas) {
    struct Case {
        const char* label;
        bool hostContext;
        int device;
        int references0, references1;  // primary-context retains on devices 0 and 1 between frames
    } cases[] = {
        {"the host's context", true, 0, 1, 1},  // the test's own retains, for its worlds, only
        {"device 0's primary context", false, 0, 2, 1},
        {"device 1's primary context", false, 1, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (!in()->global_data) {  // the case before set it down
            in()->global_data = globalH_ = host_.handles().suite()->host_new_handle(sizeof(GlobalData));
            new (host_.handles().suite()->host_lock_handle(globalH_)) GlobalData();
            host_.handles().suite()->host_unlock_handle(globalH_);
        }
        Frame f;
        f.hostContext = c.hostContext;
        f.device = c.device;
        for (int frame = 0; frame < 2; ++frame) {
            ASSERT_EQ(render(f), PF_Err_NONE) << out()->return_msg;
            EXPECT_EQ(CudaDriverSession::currentContext(), session_.context())
                << "the thread's context as before";
            EXPECT_EQ(standIn_.contextReferences(0), c.references0);
            EXPECT_EQ(standIn_.contextReferences(1), c.references1);
        }
        EXPECT_EQ(counts().modules, 1) << "the kernel image is loaded once into the context";
        EXPECT_EQ(setDown(), PF_Err_NONE);
        EXPECT_EQ(CudaDriverSession::currentContext(), session_.context());
        EXPECT_EQ(standIn_.contextReferences(0), 1);
        EXPECT_EQ(standIn_.contextReferences(1), 1);
        const MrphCudaStandInCounts now = counts();
        EXPECT_EQ(now.modules, 0);
        EXPECT_EQ(now.allocations, baseline_.allocations);
        EXPECT_EQ(now.lostWithContext, 0);
    }
}

// The image handed to the driver is the fat binary the build made, whole.
TEST_F(CudaFrame, LoadsTheFatBinaryTheModuleCarries) {
    ASSERT_EQ(render(), PF_Err_NONE) << out()->return_msg;
    MrphCudaStandInImage image{};
    ASSERT_EQ(standIn_.lastImage(&image), 1);
    EXPECT_EQ(image.size, (unsigned long long)kMorphalith_Kernel_CUDAImageSize);
    bool ptx = false, sm90 = false;
    for (int i = 0; i < std::min(image.entryCount, MRPH_CUDA_STANDIN_MAX_IMAGE_ENTRIES); ++i) {
        ptx = ptx || image.entries[i].kind == 1;
        sm90 = sm90 || (image.entries[i].kind == 2 && image.entries[i].arch == 90);
    }
    EXPECT_TRUE(ptx) << "PTX for newer cards";
    EXPECT_TRUE(sm90) << "machine code for the stand-in's compute capability 9.0";
}

// ---- The environment ---------------------------------------------------------------------------------

// The environment goes into the array row by row of the world's own pitch and is sampled through a
// texture: the frame equals the C++ form's with the world's texels unpadded.
TEST_F(CudaFrame, EnvironmentGoesIntoAnArrayRowByRowAndIsSampledThroughATexture) {
    setScene(mrph_test::ShowcaseScene(20, 9));
    World env = makeWorld(scene_.environmentWidth, scene_.environmentHeight, 3, scene_.environment);
    startLog();
    ASSERT_EQ(render(&env), PF_Err_NONE) << out()->return_msg;
    const MrphCudaStandInLaunch l = lastLaunch();
    EXPECT_NE(l.texture, 0u);
    EXPECT_EQ(l.useEnvironment, 1);
    EXPECT_EQ(count("cuArrayCreate_v2"), 1);
    EXPECT_EQ(count("cuMemcpy2D_v2"), 1);
    EXPECT_LE(
        LargestDifference(download(output_), CppFrame(scene_, output_, scene_.environment,
                                                      scene_.environmentWidth, scene_.environmentHeight)),
        1e-5f);
    // The texture lives for the launch; the array stays cached until global set-down.
    MrphCudaStandInCounts now = counts();
    EXPECT_EQ(now.textures, 0);
    EXPECT_EQ(now.arrays, 1);
    EXPECT_EQ(setDown(), PF_Err_NONE);
    now = counts();
    EXPECT_EQ(now.arrays, 0);
    EXPECT_EQ(now.lostWithContext, 0);
}

TEST_F(CudaFrame, SetdownWithoutACudaFrameMakesNoDriverCall) {
    EXPECT_EQ(setDown(), PF_Err_NONE);
    EXPECT_EQ(standIn_.callCount(), 0);
}

// A frame rendered while the panel picks another environment layer carries the pixels of the layer it
// was pre-rendered with: its array is keyed by that layer, not by the panel's latest pick, so the next
// frame of the newly picked layer builds its own instead of reusing the other layer's pixels.
TEST_F(CudaFrame, AnArrayIsKeyedByTheFramesOwnEnvironmentLayer) {
    setScene(mrph_test::ShowcaseScene(20, 9));
    std::vector<mrph_test::float4> sky = scene_.environment, dusk = sky;
    for (mrph_test::float4& t : dusk) t = mrph_kernel::make_float4(t.z, 0.1f, t.x, 1.0f);
    World layer5 = makeWorld(scene_.environmentWidth, scene_.environmentHeight, 0, sky);
    World layer7 = makeWorld(scene_.environmentWidth, scene_.environmentHeight, 0, dusk);
    startLog();
    Frame f;
    f.env = &layer5;
    f.layer = 5;
    global()->envTexture.layerId = 5;
    ASSERT_EQ(render(f), PF_Err_NONE);
    // The panel picks layer 7 while a frame of layer 5 is on its way.
    global()->envTexture.layerId = 7;
    global()->envTexture.changed = true;
    ASSERT_EQ(render(f), PF_Err_NONE);
    f.env = &layer7;
    f.layer = 7;
    ASSERT_EQ(render(f), PF_Err_NONE);
    EXPECT_EQ(count("cuArrayCreate_v2"), 3);
    EXPECT_LE(LargestDifference(download(output_), CppFrame(scene_, output_, dusk, scene_.environmentWidth,
                                                            scene_.environmentHeight)),
              1e-5f);
}

// Sequences of frames and what the environment cache does over them. `picked` sets the changed flag
// the panel sets when a new environment layer is chosen; `layer` is the frame's own environment layer.
struct CacheFrame {
    int env;  // 0: no environment; else the environment's width (height 2)
    A_long time = 0;
    int device = 0;
    void* instance = &kInstanceA;
    PF_GPU_Framework framework = PF_GPU_Framework_CUDA;
    bool picked = false;
    int layer = 0;
    const char* fail = nullptr;  // a driver call that fails in this frame
    bool hostContext = false;
};

struct CacheCase {
    const char* name;
    std::vector<CacheFrame> frames;
    int arraysMade, arraysFreed;  // cuArrayCreate and cuArrayDestroy calls, failing ones included
    bool cachedAtEnd;
};

const PF_GPU_Framework kOther = PF_GPU_Framework_NONE;  // a frame of any framework but CUDA
constexpr PF_GPU_Framework kCuda = PF_GPU_Framework_CUDA;

const CacheCase kCacheCases[] = {
    {"SameTimeAndSizeReuseTheArray", {{4}, {4}, {4}}, 1, 0, true},
    {"AnotherTimeRebuildsIt", {{4, 0}, {4, 1}}, 2, 1, true},
    {"AnotherSizeRebuildsIt", {{4}, {5}}, 2, 1, true},
    {"APickedLayerRebuildsIt", {{4}, {4, 0, 0, &kInstanceA, kCuda, true}}, 2, 1, true},
    {"AnotherLayerRebuildsIt", {{4}, {4, 0, 0, &kInstanceA, kCuda, false, 7}}, 2, 1, true},
    {"AnotherDeviceRebuildsIt", {{4, 0, 0}, {4, 0, 1}}, 2, 1, true},
    // The host's context here is device 0's primary one: the same context, so the same array.
    {"TheHostsContextBeingThePrimaryOneKeepsIt",
     {{4}, {4, 0, 0, &kInstanceA, kCuda, false, 0, nullptr, true}},
     1,
     0,
     true},
    {"AnotherInstanceRebuildsIt", {{4, 0, 0, &kInstanceA}, {4, 0, 0, &kInstanceB}}, 2, 1, true},
    {"ACudaFrameWithoutEnvironmentFreesItAndTheNextBuildsAfresh", {{4}, {0}, {4}}, 2, 1, true},
    {"AnotherFrameworkWithoutEnvironmentKeepsIt", {{4}, {0, 0, 0, &kInstanceA, kOther}, {4}}, 1, 0, true},
    {"AnotherFrameworkRenewingTheKeyDoesNotMakeItCurrent",
     {{4, 0}, {4, 1, 0, &kInstanceA, kOther}, {4, 1}},
     2,
     1,
     true},
    {"AFailedCopyLeavesNoArrayAndTheNextFrameBuildsAgain",
     {{4, 0, 0, &kInstanceA, kCuda, false, 0, "cuMemcpy2D_v2"}, {4}},
     2,
     1,
     true},
    {"AFailedAllocationLeavesNoArray",
     {{4}, {4, 1, 0, &kInstanceA, kCuda, false, 0, "cuArrayCreate_v2"}},
     2,
     1,
     false},
    {"AFailedLaunchKeepsTheCompleteArray",
     {{4, 0, 0, &kInstanceA, kCuda, false, 0, "cuLaunchKernel"}, {4}},
     1,
     0,
     true},
};

void PrintTo(const CacheCase& c, std::ostream* os) {
    *os << c.name;
}

class CudaEnvironmentCache : public CudaFrame, public ::testing::WithParamInterface<CacheCase> {};

TEST_P(CudaEnvironmentCache, KeepsTheArrayOnlyWhileItHoldsWhatTheFrameWouldPutInIt) {
    const CacheCase& c = GetParam();
    World narrow = makeWorld(4, 2, 1), wide = makeWorld(5, 2, 0);
    World narrow1 = makeWorld(4, 2, 1, {}, 1), wide1 = makeWorld(5, 2, 0, {}, 1);
    startLog();
    for (size_t i = 0; i < c.frames.size(); ++i) {
        const CacheFrame& cf = c.frames[i];
        SCOPED_TRACE("frame " + std::to_string(i));
        if (cf.picked) global()->envTexture.changed = true;
        if (cf.fail) {
            ASSERT_EQ(standIn_.failNext(cf.fail, CUDA_ERROR_OUT_OF_MEMORY), 1) << cf.fail;
        }
        Frame f;
        f.env = cf.env == 0 ? nullptr
                            : (cf.env == 4 ? (cf.device ? &narrow1 : &narrow) : (cf.device ? &wide1 : &wide));
        f.time = cf.time;
        f.device = cf.device;
        f.instance = cf.instance;
        f.framework = cf.framework;
        f.layer = cf.layer;
        f.hostContext = cf.hostContext;
        EXPECT_EQ(render(f), cf.fail ? 512 : 0) << out()->return_msg;
        const MrphCudaStandInCounts now = counts();
        EXPECT_EQ(now.allocations, baseline_.allocations);
        EXPECT_EQ(now.textures, 0);
        EXPECT_EQ(now.arrays, global()->envTexture.cuda.array ? 1 : 0);
    }
    EXPECT_EQ(count("cuArrayCreate_v2") + count("cuArrayCreate_v2!"), c.arraysMade);
    EXPECT_EQ(count("cuArrayDestroy"), c.arraysFreed);
    EXPECT_EQ(global()->envTexture.cuda.array != nullptr, c.cachedAtEnd);
    EXPECT_EQ(setDown(), PF_Err_NONE);
    const MrphCudaStandInCounts now = counts();
    EXPECT_EQ(now.arrays, 0);
    EXPECT_EQ(now.modules, 0);
    EXPECT_EQ(now.lostWithContext, 0);
}

INSTANTIATE_TEST_SUITE_P(Sequences, CudaEnvironmentCache, ::testing::ValuesIn(kCacheCases),
                         [](const ::testing::TestParamInfo<CacheCase>& info) { return info.param.name; });

// Two render threads whose frames want different environment arrays (other times): each frame
// rebuilds the array, and no rebuild may free or refill it while the other thread's kernel reads it
// (the sanitizer builds see it if one does).
TEST_F(CudaFrame, RenderThreadsShareTheCacheOneFrameAtATime) {
    World env = makeWorld(4, 2, 0);
    startLog();
    auto frames = [&](A_long time, PF_Err* result) {
        PF_InData in = *this->in();
        PF_OutData out = *this->out();
        in.current_time = time;
        in.effect_ref = &kInstanceA;
        PF_SmartRenderInput input{};
        input.what_gpu = PF_GPU_Framework_CUDA;
        PF_SmartRenderExtra extra{&input, nullptr};
        for (int i = 0; i < 10 && *result == PF_Err_NONE; ++i) {
            PluginInputParams block = block_;
            PF_LayerDef output = output_.def;
            *result =
                SmartRenderGPU(&in, &out, PF_PixelFormat_GPU_BGRA128, &env.def, &output, &extra, &block);
        }
    };
    PF_Err first = PF_Err_NONE, second = PF_Err_NONE;
    std::thread a(frames, 0, &first), b(frames, 1, &second);
    a.join();
    b.join();
    EXPECT_EQ(first, PF_Err_NONE);
    EXPECT_EQ(second, PF_Err_NONE);
    EXPECT_EQ(standIn_.launchCount(), 20);
    EXPECT_EQ(counts().lostWithContext, 0);
}

// ---- Failures ----------------------------------------------------------------------------------------

// Every driver call of a first frame with an environment, in order: the driver started, device 0's
// primary context retained and made current, the kernel image loaded, the environment array made, the
// records copied, the launch and the wait, what the launch made given back, the context let go.
const std::vector<std::string> kFreshFrameCalls = {
    "cuInit",
    "cuDeviceGet",
    "cuDevicePrimaryCtxRetain",
    "cuCtxPushCurrent_v2",
    "cuModuleLoadData",
    "cuModuleGetFunction",
    "cuArrayCreate_v2",
    "cuMemcpy2D_v2",
    "cuMemAlloc_v2",
    "cuMemcpyHtoD_v2",
    "cuMemAlloc_v2",
    "cuMemcpyHtoD_v2",
    "cuMemAlloc_v2",
    "cuMemcpyHtoD_v2",
    "cuMemAlloc_v2",
    "cuMemcpyHtoD_v2",
    "cuTexObjectCreate",
    "cuLaunchKernel",
    "cuCtxSynchronize",
    "cuTexObjectDestroy",
    "cuMemFree_v2",
    "cuMemFree_v2",
    "cuMemFree_v2",
    "cuMemFree_v2",
    "cuCtxPopCurrent_v2",
};

size_t IndexOf(const std::string& call) {
    return (size_t)(std::find(kFreshFrameCalls.begin(), kFreshFrameCalls.end(), call) -
                    kFreshFrameCalls.begin());
}

bool IsRelease(const std::string& call) {
    return call == "cuMemFree_v2" || call == "cuArrayDestroy" || call == "cuTexObjectDestroy" ||
           call == "cuModuleUnload" || call == "cuCtxPopCurrent_v2" || call == "cuDevicePrimaryCtxRelease_v2";
}

TEST_F(CudaFrame, AFirstFrameWithAnEnvironmentMakesTheseCallsInOrder) {
    World env = makeWorld(4, 2, 0);
    startLog();
    ASSERT_EQ(render(&env), PF_Err_NONE) << out()->return_msg;
    EXPECT_EQ(calls(), kFreshFrameCalls);
}

class CudaFrameFailure : public CudaFrame, public ::testing::WithParamInterface<int> {};

TEST_P(CudaFrameFailure, StopsReportsTheDriversTextAndGivesBackWhatItMade) {
    const size_t n = (size_t)GetParam();
    const std::string failing = kFreshFrameCalls[n];
    SCOPED_TRACE("call " + std::to_string(n + 1) + ", " + failing);
    World env = makeWorld(4, 2, 1);
    startLog();
    standIn_.failCall((int)n + 1, CUDA_ERROR_OUT_OF_MEMORY);

    EXPECT_EQ(render(&env), 512);
    EXPECT_EQ(std::string(out()->return_msg),
              failing == "cuInit" ? "GPU Assert:\r\nthe CUDA driver did not start: out of memory\n"
                                  : "GPU Assert:\r\nout of memory\n");
    EXPECT_TRUE(out()->out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    const std::vector<std::string> made = calls();
    EXPECT_EQ(CudaDriverSession::currentContext(), session_.context()) << "the thread's context as before";

    // Up to the failing call as on a good frame; after it only releases.
    const auto failed = std::find(made.begin(), made.end(), failing + "!");
    ASSERT_NE(failed, made.end());
    EXPECT_TRUE(std::equal(made.begin(), failed, kFreshFrameCalls.begin()));
    for (auto it = failed + 1; it != made.end(); ++it) EXPECT_TRUE(IsRelease(*it)) << *it;
    // A failing release is still the last step of its kind: the others are made all the same.
    if (IsRelease(failing)) {
        EXPECT_EQ(made.size(), kFreshFrameCalls.size());
    }

    // Nothing of the launch is left; the kernel stays loaded (its context retained) and the array
    // cached only where they were complete.
    const bool kernelLoaded = n > IndexOf("cuModuleGetFunction");
    const bool arrayComplete = n > IndexOf("cuMemcpy2D_v2");
    MrphCudaStandInCounts now = counts();
    EXPECT_EQ(now.allocations, baseline_.allocations);
    EXPECT_EQ(now.textures, 0);
    EXPECT_EQ(now.modules, kernelLoaded ? 1 : 0);
    EXPECT_EQ(standIn_.contextReferences(0), kernelLoaded ? 2 : 1);
    EXPECT_EQ(now.arrays, arrayComplete ? 1 : 0);
    EXPECT_EQ(global()->envTexture.cuda.array != nullptr, arrayComplete);

    // The next frame renders, and set-down gives everything back.
    EXPECT_EQ(render(&env), PF_Err_NONE) << out()->return_msg;
    EXPECT_EQ(setDown(), PF_Err_NONE);
    now = counts();
    EXPECT_EQ(now.allocations, baseline_.allocations);
    EXPECT_EQ(now.arrays, 0);
    EXPECT_EQ(now.modules, 0);
    EXPECT_EQ(now.lostWithContext, 0);
    EXPECT_EQ(standIn_.contextReferences(0), 1);
    EXPECT_EQ(CudaDriverSession::currentContext(), session_.context());
}

INSTANTIATE_TEST_SUITE_P(EachCallInTurn, CudaFrameFailure, ::testing::Range(0, (int)kFreshFrameCalls.size()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param + 1) + "_" +
                                    kFreshFrameCalls[(size_t)info.param];
                         });

// ---- The driver library ------------------------------------------------------------------------------

TEST(CudaDriverLibrary, AMissingOrTooOldDriverIsNamed) {
    std::string why;
    EXPECT_EQ(CudaDriver::load("libmorphalith-no-such-driver.so.1", &why), nullptr);
    EXPECT_EQ(why.rfind("the CUDA driver (libmorphalith-no-such-driver.so.1) could not be loaded: ", 0), 0u)
        << why;
#if defined(MRPH_TEST_CUDA_STANDIN_OLD)  // the old stand-in by path: the Linux suite
    why.clear();
    EXPECT_EQ(CudaDriver::load(MRPH_TEST_CUDA_STANDIN_OLD, &why), nullptr);
    EXPECT_EQ(why,
              std::string("the CUDA driver (") + MRPH_TEST_CUDA_STANDIN_OLD +
                  ") has no cuTexObjectCreate: it is older than this effect needs; update the NVIDIA driver");
#endif
}

}  // namespace

#endif  // MRPH_HAVE_CUDA && MRPH_HAVE_CUDA_STANDIN
