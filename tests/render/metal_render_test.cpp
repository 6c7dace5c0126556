// The module's Metal branch on the Metal stand-in: its text compiled, compile errors turned into the
// scene status, the pipeline kept per device and let go at set-down, frames dispatched over
// threadgroups, failed work reported, and frames that agree with OpenCL's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Metal.h"
#include "MetalStandIn.h"
#include "Morphalith_Kernel_Layout.h"
#include "Morphalith_Kernel_Strings.h"
#include "host/MetalDevice.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "render/Headers/MachineInfo.h"
#include "render/MetalRender.h"
#include "tests/render/render_support.h"
#include "tests/support/HostFixture.h"

namespace {

constexpr int kRenderMode = 1129;

bool HaveCompiler() {
    return !MTLStandIn::compilerVersion().empty();
}
#define REQUIRE_METAL_COMPILER() \
    if (!HaveCompiler()) GTEST_SKIP() << "skipped: no clang++ for the Metal stand-in"

// Objects of the classes the module makes; the host's device and queue are not among them.
long LiveWork() {
    long n = 0;
    for (const auto& [kind, count] : MTLStandIn::liveObjects())
        if (kind != "MTL::Device" && kind != "MTL::CommandQueue") n += count;
    return n;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---- The Metal text -------------------------------------------------------------------------------------

TEST(MetalText, CompilesWithoutAnyDiagnostic) {
    REQUIRE_METAL_COMPILER();
    NS::AutoreleasePool* pool = NS::AutoreleasePool::alloc()->init();
    MTL::Device* device = MTL::CreateSystemDefaultDevice();
    NS::Error* error = nullptr;
    MTL::Library* library = device->newLibrary(
        NS::String::string(kMorphalith_Kernel_MetalString, NS::UTF8StringEncoding), nullptr, &error);
    EXPECT_EQ(error, nullptr) << error->localizedDescription()->utf8String();
    ASSERT_NE(library, nullptr);
    MTL::Function* function = library->newFunction(NS::String::string("MainKernel", NS::UTF8StringEncoding));
    EXPECT_NE(function, nullptr);
    if (function) function->release();
    library->release();
    device->release();
    pool->release();
}

// The Metal form lays the records out as the table says: a probe kernel compiled with the text reports
// every size and offset.
TEST(MetalText, RecordLayoutMatchesTheTable) {
    REQUIRE_METAL_COMPILER();
    struct Entry {
        std::string what;
        int expected;
    };
    std::vector<Entry> entries;
#define MRPH_RECORD_ENTRY(name, size) entries.push_back({"sizeof(" #name ")", size});
#define MRPH_MEMBER_ENTRY(record, member, offset) \
    entries.push_back({"__builtin_offsetof(" #record ", " #member ")", offset});
    MRPH_RECORD_LAYOUT(MRPH_RECORD_ENTRY, MRPH_MEMBER_ENTRY)
#undef MRPH_RECORD_ENTRY
#undef MRPH_MEMBER_ENTRY
    std::string probe = std::string(kMorphalith_Kernel_MetalString) +
                        "\nkernel void LayoutProbe(device int* out [[buffer(0)]]) {\n    int i = 0;\n";
    for (const Entry& e : entries) probe += "    out[i++] = (int)" + e.what + ";\n";
    probe += "}\n";

    NS::AutoreleasePool* pool = NS::AutoreleasePool::alloc()->init();
    MTL::Device* device = MTL::CreateSystemDefaultDevice();
    MTL::CommandQueue* queue = device->newCommandQueue();
    NS::Error* error = nullptr;
    MTL::Library* library =
        device->newLibrary(NS::String::string(probe.c_str(), NS::UTF8StringEncoding), nullptr, &error);
    ASSERT_NE(library, nullptr) << error->localizedDescription()->utf8String();
    MTL::Function* function = library->newFunction(NS::String::string("LayoutProbe", NS::UTF8StringEncoding));
    MTL::ComputePipelineState* pipeline = device->newComputePipelineState(function, &error);
    MTL::Buffer* out = device->newBuffer(entries.size() * 4, MTL::ResourceStorageModeShared);
    MTL::CommandBuffer* commands = queue->commandBuffer();
    MTL::ComputeCommandEncoder* encoder = commands->computeCommandEncoder();
    encoder->setComputePipelineState(pipeline);
    encoder->setBuffer(out, 0, 0);
    encoder->dispatchThreadgroups(MTL::Size(1, 1, 1), MTL::Size(1, 1, 1));
    encoder->endEncoding();
    commands->commit();
    commands->waitUntilCompleted();
    const auto* reported = static_cast<const int*>(out->contents());
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(reported[i], entries[i].expected) << entries[i].what;
    for (NS::Object* o : std::initializer_list<NS::Object*>{out, pipeline, function, library, queue, device})
        o->release();
    pool->release();
}

// ---- Compile errors ---------------------------------------------------------------------------------------

TEST(MetalErrors, EachErrorDiagnosticBecomesOneLine) {
    struct Case {
        const char* label;
        const char* description;
        const char* details;
    } cases[] = {
        {"two errors with their caret lines",
         "program_source:4:16: error: use of undeclared identifier 'undefinedColour'\n"
         "    float4 a = undefinedColour;\n"
         "               ^\n"
         "program_source:5:22: error: use of undeclared identifier 'undefinedScale'\n"
         "    out[gid.x] = a * undefinedScale;\n"
         "                     ^\n"
         "2 errors generated.\n",
         "error [4:16] use of undeclared identifier 'undefinedColour': float4 a = undefinedColour;\n"
         "error [5:22] use of undeclared identifier 'undefinedScale': out[gid.x] = a * undefinedScale;\n"},
        {"a warning and a note give nothing, the error after them its line",
         "program_source:3:9: warning: unused variable 'x' [-Wunused-variable]\n"
         "    int x = 1;\n"
         "        ^\n"
         "program_source:2:6: note: declared here\n"
         "void f();\n"
         "program_source:7:5: error: expected ';' after expression\n"
         "    f()\n"
         "    ^\n",
         "error [7:5] expected ';' after expression: f()\n"},
        {"a warning only",
         "program_source:3:9: warning: unused variable 'x' [-Wunused-variable]\n    int x = 1;\n", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseMetalErrors(c.description), c.details) << c.label;
}

class MetalCompile : public HostFixture {
protected:
    void SetUp() override {
        if (!HaveCompiler()) GTEST_SKIP() << "skipped: no clang++ for the Metal stand-in";
        device_ = MTL::CreateSystemDefaultDevice();
    }
    void TearDown() override {
        if (device_) device_->release();
    }
    MTL::Device* device_ = nullptr;
};

TEST_F(MetalCompile, DiagnosticsSetTheSceneStatus) {
    const char twoErrors[] =
        "#include <metal_stdlib>\n"
        "using namespace metal;\n"
        "kernel void MainKernel(device float4* out [[buffer(0)]], uint2 gid [[thread_position_in_grid]]) {\n"
        "    float4 a = undefinedColour;\n"
        "    out[gid.x] = a * undefinedScale;\n"
        "}\n";
    const char warningOnly[] =
        "#include <metal_stdlib>\n"
        "using namespace metal;\n"
        "kernel void MainKernel(device float4* out [[buffer(0)]], uint2 gid [[thread_position_in_grid]]) {\n"
        "    int unused = 3;\n"
        "    out[gid.x] = float4(1.0f);\n"
        "}\n";
    const char noMainKernel[] =
        "#include <metal_stdlib>\n"
        "kernel void Other(device float* out [[buffer(0)]]) { out[0] = 1.0f; }\n";
    struct Case {
        const char* label;
        const char* text;
        PF_Err err;
        const char* status;  // SceneInfo's status after the compile
        const char* details;
        bool pipeline;
    } cases[] = {
        {"two errors", twoErrors, 512, "Compiling Error",
         "error [4:16] use of undeclared identifier 'undefinedColour': float4 a = undefinedColour;\n"
         "error [5:22] use of undeclared identifier 'undefinedScale': out[gid.x] = a * undefinedScale;\n",
         false},
        {"a warning only", warningOnly, 512, "Compiling Error", "", false},
        {"no function MainKernel: the status stays", noMainKernel, 512, "before", "", false},
        {"the module's own text", kMorphalith_Kernel_MetalString, 0, "before", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const long live = LiveWork();
        host_.clearDebugTexts();
        SceneInfo scene{};
        scene.status = "before";
        MTL::ComputePipelineState* pipeline = nullptr;
        testing::internal::CaptureStdout();
        NS::AutoreleasePool* pool = NS::AutoreleasePool::alloc()->init();
        EXPECT_EQ(CompileMetalPipeline(device_, c.text, &scene, &pipeline), c.err);
        pool->release();
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(scene.status, c.status);
        EXPECT_EQ(scene.details, c.details);
        EXPECT_EQ(pipeline != nullptr, c.pipeline);
        if (std::string(c.status) == "Compiling Error") {
            EXPECT_TRUE(Contains(printed, ":GPUDeviceSetup] :: Compiling errors: " + std::string(c.details)))
                << printed;
            ASSERT_EQ(host_.debugTexts().size(), 1u);
            EXPECT_EQ(host_.debugTexts()[0], c.details);
        }
        if (pipeline) pipeline->release();
        EXPECT_EQ(LiveWork(), live) << "the library and function go with the compile";
    }
}

// ---- The device through the host -----------------------------------------------------------------------

std::string SphereScene(const std::string& extra = "") {
    return R"({"composition": {"width": 64, "height": 36},
      "nulls": [{"id": 2, "position": [32, 18, 0]}])" +
           extra + R"(,
      "effect": {"params": {"Max Clip Distance": 200},
                 "slots": [{"type": "Sphere", "layer": 2, "params": {"Diameter": 10}}]}})";
}

class MetalDevice : public ::testing::Test {
protected:
    MetalDevice() : host_(MRPH_TEST_MODULE_PATH) {}
    void SetUp() override {
        if (!HaveCompiler()) GTEST_SKIP() << "skipped: no clang++ for the Metal stand-in";
        host::MetalDevice::get();  // the host's device and queue live for the process
    }
    void Open(const std::string& sceneJson) {
        ASSERT_TRUE(host_.load()) << host_.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(sceneJson, MRPH_TEST_DATA_DIR, &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(host_, scene, &error)) << error;
        job_ = std::make_unique<host::RenderJob>(host_);
    }
    void TearDown() override {
        job_.reset();
        if (host_.module().effectMain()) {
            host_.command(PF_Cmd_SEQUENCE_SETDOWN);
            host_.command(PF_Cmd_GLOBAL_SETDOWN);
        }
    }
    GlobalData* global() {
        return static_cast<GlobalData*>(host_.handles().block(host_.inData().global_data));
    }

    host::Host host_;
    std::unique_ptr<host::RenderJob> job_;
};

// Set-up keeps one pipeline in a handle and says so; frames leave nothing behind; set-down releases
// the pipeline and disposes the handle.
TEST_F(MetalDevice, SetupFramesAndSetdownLeaveNothingBehind) {
    Open(SphereScene());
    const long live = LiveWork();
    const size_t handles = host_.handles().live();
    const long withoutPool = MTLStandIn::autoreleasedWithoutPool();

    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_METAL), PF_Err_NONE) << host_.returnMessage();
    EXPECT_NE(job_->gpuData(), nullptr);
    EXPECT_EQ(host_.handles().live(), handles + 1);
    EXPECT_EQ(static_cast<uint32_t>(host_.outData().out_flags2), 0x2000000u);
    EXPECT_EQ(global()->sceneInfo->status, "Compiled Successfully");
    EXPECT_TRUE(Contains(host_.printed(), "[Morphalith] : Device type: Metal\n")) << host_.printed();
    EXPECT_TRUE(Contains(host_.printed(), "[Morphalith] : SceneStatus: Compiled Successfully\n"));
    EXPECT_EQ(MTLStandIn::liveObjects("MTL::ComputePipelineState"), 1);
    EXPECT_EQ(MTLStandIn::liveObjects("MTL::Library"), 0);
    EXPECT_EQ(MTLStandIn::liveObjects("MTL::Function"), 1) << "held by the pipeline";

    for (A_long frame : {0, 1, 2}) {
        host::FloatImage image;
        ASSERT_EQ(job_->renderFrame(frame, &image), PF_Err_NONE) << host_.returnMessage();
        mrph_test::ExpectPixel(image, 32, 18, 0.5f, 0.5f, 0.5f, 1.0f, 0.5f);  // the sphere is there
    }
    EXPECT_EQ(host_.handles().openLocks(), 0);

    EXPECT_EQ(job_->setdownDevice(), PF_Err_NONE);
    EXPECT_EQ(host_.handles().live(), handles) << "the GPU-data handle is disposed";
    job_.reset();  // and the host's worlds with the job
    EXPECT_EQ(LiveWork(), live) << "left: " << ::testing::PrintToString(MTLStandIn::liveObjects());
    EXPECT_EQ(MTLStandIn::autoreleasedWithoutPool(), withoutPool);
}

// Threads per threadgroup are (execution width 32, 12, 1); the groups cover the output, rounded up.
TEST_F(MetalDevice, ThreadgroupsCoverTheOutput) {
    Open(SphereScene());
    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_METAL), PF_Err_NONE);
    struct Case {
        int width, height;
        NS::UInteger groupsX, groupsY;
    } cases[] = {{1, 1, 1, 1}, {7, 5, 1, 1}, {32, 12, 1, 1}, {33, 13, 2, 2}, {64, 12, 2, 1}, {65, 25, 3, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        MTLStandIn::clearDispatches();
        host::FloatImage image;
        ASSERT_EQ(job_->renderFrame(0, &image, c.width, c.height), PF_Err_NONE);
        const std::vector<MTLStandIn::Dispatch> runs = MTLStandIn::dispatches();
        ASSERT_EQ(runs.size(), 1u);
        const MTLStandIn::Dispatch& d = runs[0];
        EXPECT_EQ(d.function, "MainKernel");
        EXPECT_EQ(d.threadgroups[0], c.groupsX);
        EXPECT_EQ(d.threadgroups[1], c.groupsY);
        EXPECT_EQ(d.threadgroups[2], 1u);
        EXPECT_EQ(d.threadsPerThreadgroup[0], 32u);
        EXPECT_EQ(d.threadsPerThreadgroup[1], 12u);
        EXPECT_EQ(d.threadsPerThreadgroup[2], 1u);
        // Output, one primitive, material and modifier record, one zeroed light, camera, render, scalars.
        const std::map<int, NS::UInteger> lengths = {{0, (NS::UInteger)c.width * 16 * c.height},
                                                     {1, 144},
                                                     {2, 112},
                                                     {3, 160},
                                                     {4, 96},
                                                     {5, 96},
                                                     {6, 112},
                                                     {7, 32}};
        EXPECT_EQ(d.bufferLengths, lengths);
        EXPECT_TRUE(d.textures.empty()) << "no environment, no texture";
        EXPECT_FALSE(d.failed);
    }
}

// Every pixel of an odd-sized output is written: where the sphere is not, the environment is seen.
TEST_F(MetalDevice, EveryPixelOfTheOutputIsWritten) {
    Open(SphereScene(R"(, "environment": {"color": [0.6, 0.4, 0.2, 0.5], "width": 8, "height": 4})"));
    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_METAL), PF_Err_NONE);
    for (int padding : {0, 3}) {
        job_->setRowPadding(padding);
        MTLStandIn::clearDispatches();
        host::FloatImage image;
        ASSERT_EQ(job_->renderFrame(0, &image, 37, 19), PF_Err_NONE);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) ASSERT_GT(image.at(x, y)[3], 0.4f) << x << ", " << y;
        mrph_test::ExpectPixel(image, 1, 1, 0.2f, 0.4f, 0.6f, 0.5f);
        const std::vector<MTLStandIn::Dispatch> runs = MTLStandIn::dispatches();
        ASSERT_EQ(runs.size(), 1u);
        ASSERT_EQ(runs[0].textures.count(0), 1u);
        EXPECT_EQ(runs[0].textures.at(0).width, 8u);
        EXPECT_EQ(runs[0].textures.at(0).height, 4u);
        EXPECT_EQ(runs[0].textures.at(0).bytesPerRow, (8u + padding) * 16u);
    }
}

TEST_F(MetalDevice, FailedWorkGives512) {
    Open(SphereScene());
    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_METAL), PF_Err_NONE);
    host::FloatImage image;
    MTLStandIn::failNextCommandBuffers(1, "device lost");
    EXPECT_EQ(job_->renderFrame(0, &image), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(Contains(host_.printed(), ":SmartRenderGPU] :: Metal Error device lost")) << host_.printed();
    EXPECT_EQ(host_.handles().openLocks(), 0);
    EXPECT_EQ(job_->openPixelCheckouts(), 0);
    EXPECT_EQ(job_->renderFrame(0, &image), PF_Err_NONE) << "the next frame renders";
}

// A machine without the compiler: set-up fails with the status shown, and no GPU data is made.
TEST_F(MetalDevice, CompileFailureMakesNoGpuData) {
    Open(SphereScene());
    const size_t handles = host_.handles().live();
    host_.outData().out_flags2 = 0;
    setenv("MRPH_METAL_CXX", "/nonexistent/clang++", 1);
    const PF_Err err = job_->setupDevice(PF_GPU_Framework_METAL);
    unsetenv("MRPH_METAL_CXX");
    EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(job_->gpuData(), nullptr);
    EXPECT_EQ(host_.handles().live(), handles);
    EXPECT_EQ(host_.outData().out_flags2, 0);
    EXPECT_EQ(global()->sceneInfo->status, "Compiling Error");
    EXPECT_EQ(global()->sceneInfo->details, "");
}

// ---- Machine information ---------------------------------------------------------------------------

TEST(MachineInfo, ProcessorModelFromCpuinfo) {
    struct Case {
        const char* text;
        bool found;
        const char* name;
    } cases[] = {
        {"processor\t: 0\nvendor_id\t: AuthenticAMD\nmodel name\t: AMD EPYC 9R14 96-Core Processor\n"
         "processor\t: 1\nmodel name\t: AMD EPYC 9R14 96-Core Processor\n",
         true, "AMD EPYC 9R14 96-Core Processor"},
        {"processor\t: 0\nCPU implementer\t: 0x41\nCPU part\t: 0xd0c\n", false, ""},
        {"model name\t:\n", false, ""},
    };
    for (const Case& c : cases) {
        std::string name;
        EXPECT_EQ(Machine::cpuModelName(c.text, &name), c.found) << c.text;
        EXPECT_EQ(name, c.name);
    }
}

// On the Metal path the processor the stand-in runs on names the GPU.
TEST_F(MetalDevice, GpuNameIsTheProcessorModel) {
    std::ifstream file("/proc/cpuinfo");
    std::stringstream cpuinfo;
    cpuinfo << file.rdbuf();
    std::string model;
    if (!Machine::cpuModelName(cpuinfo.str(), &model))
        GTEST_SKIP() << "skipped: /proc/cpuinfo names no model";
    Open(SphereScene());
    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_METAL), PF_Err_NONE);
    EXPECT_EQ(global()->systemInfo->gpuName, model);
    EXPECT_TRUE(Contains(host_.printed(), "[Morphalith] : GPU: " + model + ", OS: ")) << host_.printed();
}

}  // namespace
