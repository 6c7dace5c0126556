// The Metal stand-in on its own: texts really compiled (diagnostics, cache), kernels run over their
// threadgroups, textures sampled, failed work reported, and objects let go when their owners do.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Metal.h"
#include "MetalStandIn.h"

namespace {

// Objects of the classes a test makes; the process's device and queues are not among them.
long LiveWork() {
    long n = 0;
    for (const auto& [kind, count] : MTLStandIn::liveObjects())
        if (kind != "MTL::Device" && kind != "MTL::CommandQueue") n += count;
    return n;
}

class MetalStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        if (MTLStandIn::compilerVersion().empty())
            GTEST_SKIP() << "skipped: no clang++ for the Metal stand-in";
        device_ = MTL::CreateSystemDefaultDevice();
        queue_ = device_->newCommandQueue();
        baseLive_ = LiveWork();  // the device's name is a string that lives as long as the device
        pool_ = NS::AutoreleasePool::alloc()->init();
    }
    void TearDown() override {
        if (!device_) return;
        pool_->release();
        queue_->release();
        device_->release();
        EXPECT_EQ(LiveWork(), baseLive_) << "objects left behind";
    }

    // The library of text (owned) and its diagnostics ("" when there are none).
    MTL::Library* Compile(const std::string& text, std::string* diagnostics) {
        NS::Error* error = nullptr;
        MTL::Library* library =
            device_->newLibrary(NS::String::string(text.c_str(), NS::UTF8StringEncoding), nullptr, &error);
        *diagnostics = error ? error->localizedDescription()->utf8String() : "";
        return library;
    }
    // The pipeline of the kernel `name` in text (owned); fails the test when there is none.
    MTL::ComputePipelineState* Pipeline(const std::string& text, const char* name) {
        std::string diagnostics;
        MTL::Library* library = Compile(text, &diagnostics);
        EXPECT_EQ(diagnostics, "");
        if (!library) return nullptr;
        MTL::Function* function = library->newFunction(NS::String::string(name, NS::UTF8StringEncoding));
        library->release();
        if (!function) return nullptr;
        NS::Error* error = nullptr;
        MTL::ComputePipelineState* pipeline = device_->newComputePipelineState(function, &error);
        function->release();
        EXPECT_EQ(error, nullptr);
        return pipeline;
    }
    MTL::Buffer* Buffer(size_t bytes) { return device_->newBuffer(bytes, MTL::ResourceStorageModeShared); }

    long baseLive_ = 0;
    MTL::Device* device_ = nullptr;
    MTL::CommandQueue* queue_ = nullptr;
    NS::AutoreleasePool* pool_ = nullptr;
};

// A text no earlier run has compiled: the cache must miss it once.
std::string FreshText() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return "#include <metal_stdlib>\nusing namespace metal;\nconstant uint kStamp = " +
           std::to_string((unsigned)(now ^ getpid()) % 4000000000u) +
           "u;\nkernel void MainKernel(device uint* out [[buffer(0)]]) { out[0] = kStamp; }\n";
}

// This process's compile folders in the cache folder (other test processes compile there too).
std::vector<std::string> WorkFolders() {
    const std::string prefix = "build." + std::to_string(getpid()) + ".";
    std::vector<std::string> names;
    if (DIR* dir = opendir(MTLStandIn::cacheFolder().c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
                names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

// ---- Compiling ----------------------------------------------------------------------------------------

// Lines 4 and 5 each name an identifier that does not exist: 'u' stands in column 16 and 22.
const char kTwoErrors[] =
    "#include <metal_stdlib>\n"
    "using namespace metal;\n"
    "kernel void MainKernel(device float4* out [[buffer(0)]], uint2 gid [[thread_position_in_grid]]) {\n"
    "    float4 a = undefinedColour;\n"
    "    out[gid.x] = a * undefinedScale;\n"
    "}\n";

const char kWarningOnly[] =
    "#include <metal_stdlib>\n"
    "using namespace metal;\n"
    "kernel void MainKernel(device float4* out [[buffer(0)]], uint2 gid [[thread_position_in_grid]]) {\n"
    "    int unused = 3;\n"
    "    out[gid.x] = float4(1.0f);\n"
    "}\n";

TEST_F(MetalStandIn, DiagnosticsComeBackAsTheErrorsDescription) {
    struct Case {
        const char* label;
        const char* text;
        bool library;
        std::vector<std::string> lines;  // each must appear in the description
    } cases[] = {
        {"two errors: no library",
         kTwoErrors,
         false,
         {"program_source:4:16: error: use of undeclared identifier 'undefinedColour'\n    float4 a = "
          "undefinedColour;\n",
          "program_source:5:22: error: use of undeclared identifier 'undefinedScale'\n"
          "    out[gid.x] = a * undefinedScale;\n"}},
        {"a warning only: a library, and the warning",
         kWarningOnly,
         true,
         {"program_source:4:9: warning: unused variable 'unused'"}},
        {"an argument without a binding attribute",
         "#include <metal_stdlib>\nkernel void K(device float* out) { out[0] = 1.0f; }\n",
         false,
         {"mtl_entry:1:1: error:", "argument 'out' of kernel 'K' has no [[buffer(i)]]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string diagnostics;
        MTL::Library* library = Compile(c.text, &diagnostics);
        EXPECT_EQ(library != nullptr, c.library);
        for (const std::string& line : c.lines)
            EXPECT_NE(diagnostics.find(line), std::string::npos) << diagnostics;
        if (library) library->release();
    }
}

TEST_F(MetalStandIn, CleanCompilesAreCachedAndWarningsAreNot) {
    const std::string text = FreshText();
    std::string diagnostics;
    const MTLStandIn::CompileCounts before = MTLStandIn::compileCounts();
    MTL::Library* first = Compile(text, &diagnostics);
    MTL::Library* second = Compile(text, &diagnostics);
    MTL::Library* warned = Compile(kWarningOnly, &diagnostics);
    MTL::Library* warnedAgain = Compile(kWarningOnly, &diagnostics);
    const MTLStandIn::CompileCounts after = MTLStandIn::compileCounts();
    ASSERT_TRUE(first && second && warned && warnedAgain);
    EXPECT_EQ(after.compilerRuns - before.compilerRuns, 3) << "the fresh text once, the warning text twice";
    EXPECT_EQ(after.cacheHits - before.cacheHits, 1);
    for (MTL::Library* l : {first, second, warned, warnedAgain}) l->release();
    EXPECT_EQ(WorkFolders().size(), 0u) << "no work folder is left in " << MTLStandIn::cacheFolder();
}

// Processes (here threads) compiling the same new text at once each get a whole library.
TEST_F(MetalStandIn, SimultaneousCompilesOfOneTextAllSucceed) {
    const std::string text = FreshText();
    std::vector<int> ok(6, 0);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < ok.size(); ++i)
        threads.emplace_back([&, i] {
            NS::AutoreleasePool* pool = NS::AutoreleasePool::alloc()->init();
            NS::Error* error = nullptr;
            MTL::Library* library = device_->newLibrary(
                NS::String::string(text.c_str(), NS::UTF8StringEncoding), nullptr, &error);
            MTL::Function* function =
                library ? library->newFunction(NS::String::string("MainKernel", NS::UTF8StringEncoding))
                        : nullptr;
            ok[i] = !error && function;
            if (function) function->release();
            if (library) library->release();
            pool->release();
        });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < ok.size(); ++i) EXPECT_EQ(ok[i], 1) << "thread " << i;
    EXPECT_EQ(WorkFolders().size(), 0u);
}

// ---- Running -------------------------------------------------------------------------------------------

const char kVisitText[] =
    "#include <metal_stdlib>\n"
    "using namespace metal;\n"
    "struct Grid { uint width; uint height; };\n"
    "kernel void Visit(device uint* visits [[buffer(0)]], device uint* groups [[buffer(1)]],\n"
    "                  device uint* threads [[buffer(2)]], constant Grid& grid [[buffer(3)]],\n"
    "                  uint3 pos [[thread_position_in_grid]], uint3 group [[threadgroup_position_in_grid]],\n"
    "                  uint3 tid [[thread_position_in_threadgroup]]) {\n"
    "    const uint i = (pos.z * grid.height + pos.y) * grid.width + pos.x;\n"
    "    visits[i] += 1;\n"
    "    groups[i] = group.x + 100 * group.y + 10000 * group.z;\n"
    "    threads[i] = tid.x + 100 * tid.y + 10000 * tid.z;\n"
    "}\n";

// Every thread of every threadgroup runs once, at position group * size + thread.
TEST_F(MetalStandIn, ThreadgroupsCoverTheGridOnce) {
    MTL::ComputePipelineState* pipeline = Pipeline(kVisitText, "Visit");
    ASSERT_NE(pipeline, nullptr);
    struct Case {
        MTL::Size groups, threads;
    } cases[] = {
        {{1, 1, 1}, {1, 1, 1}}, {{3, 2, 1}, {5, 3, 1}}, {{2, 2, 2}, {4, 1, 2}}, {{1, 1, 1}, {32, 12, 1}}};
    for (const Case& c : cases) {
        const uint32_t w = (uint32_t)(c.groups.width * c.threads.width),
                       h = (uint32_t)(c.groups.height * c.threads.height),
                       d = (uint32_t)(c.groups.depth * c.threads.depth);
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " x " + std::to_string(d));
        const size_t cells = (size_t)w * h * d;
        MTL::Buffer* visits = Buffer(cells * 4);
        MTL::Buffer* groups = Buffer(cells * 4);
        MTL::Buffer* threads = Buffer(cells * 4);
        const uint32_t grid[2] = {w, h};
        MTL::Buffer* gridBuffer = device_->newBuffer(grid, sizeof(grid), MTL::ResourceStorageModeShared);

        MTL::CommandBuffer* commands = queue_->commandBuffer();
        MTL::ComputeCommandEncoder* encoder = commands->computeCommandEncoder();
        encoder->setComputePipelineState(pipeline);
        MTL::Buffer* bound[4] = {visits, groups, threads, gridBuffer};
        for (NS::UInteger i = 0; i < 4; ++i) encoder->setBuffer(bound[i], 0, i);
        encoder->dispatchThreadgroups(c.groups, c.threads);
        encoder->endEncoding();
        commands->commit();
        commands->waitUntilCompleted();
        EXPECT_EQ(commands->status(), MTL::CommandBufferStatusCompleted);

        const auto* v = static_cast<const uint32_t*>(visits->contents());
        const auto* g = static_cast<const uint32_t*>(groups->contents());
        const auto* t = static_cast<const uint32_t*>(threads->contents());
        const uint32_t tx = (uint32_t)c.threads.width, ty = (uint32_t)c.threads.height,
                       tz = (uint32_t)c.threads.depth;
        for (uint32_t z = 0; z < d; ++z)
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x) {
                    const size_t i = ((size_t)z * h + y) * w + x;
                    ASSERT_EQ(v[i], 1u) << "(" << x << ", " << y << ", " << z << ")";
                    ASSERT_EQ(g[i], x / tx + 100 * (y / ty) + 10000 * (z / tz));
                    ASSERT_EQ(t[i], x % tx + 100 * (y % ty) + 10000 * (z % tz));
                }
        for (MTL::Buffer* b : bound) b->release();
    }
    pipeline->release();
}

// A 2 x 2 texture A B / C D over a buffer whose rows are three texels long, sampled with linear
// filtering and zero outside: texel centres sit at (i + 0.5) / 2.
TEST_F(MetalStandIn, TexturesSampleLinearlyWithZeroOutside) {
    const char text[] =
        "#include <metal_stdlib>\n"
        "using namespace metal;\n"
        "kernel void Sample(device float4* out [[buffer(0)]], device const float2* uv [[buffer(1)]],\n"
        "                   texture2d<float> image [[texture(0)]], uint i [[thread_position_in_grid]]) {\n"
        "    constexpr sampler s(coord::normalized, address::clamp_to_zero, filter::linear);\n"
        "    out[i] = is_null_texture(image) ? float4(-1.0f) : image.sample(s, uv[i]);\n"
        "}\n";
    MTL::ComputePipelineState* pipeline = Pipeline(text, "Sample");
    ASSERT_NE(pipeline, nullptr);
    struct Case {
        float u, v;
        float expected[4];
    } cases[] = {
        {0.25f, 0.25f, {1, 0, 0, 0}},           {0.75f, 0.75f, {0, 0, 0, 1}},  {0.25f, 0.75f, {0, 0, 1, 0}},
        {0.5f, 0.5f, {.25f, .25f, .25f, .25f}}, {0.0f, 0.25f, {.5f, 0, 0, 0}}, {1.0f, 0.75f, {0, 0, 0, .5f}},
    };
    const size_t n = sizeof(cases) / sizeof(cases[0]);
    const float texels[2][3][4] = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {9, 9, 9, 9}},
                                   {{0, 0, 1, 0}, {0, 0, 0, 1}, {9, 9, 9, 9}}};
    MTL::Buffer* pixels = device_->newBuffer(texels, sizeof(texels), MTL::ResourceStorageModeShared);
    MTL::TextureDescriptor* descriptor =
        MTL::TextureDescriptor::texture2DDescriptor(MTL::PixelFormatRGBA32Float, 2, 2, false);
    MTL::Texture* texture = pixels->newTexture(descriptor, 0, 48);
    ASSERT_NE(texture, nullptr);
    std::vector<float> uv;
    for (const Case& c : cases) uv.insert(uv.end(), {c.u, c.v});
    MTL::Buffer* uvBuffer = device_->newBuffer(uv.data(), uv.size() * 4, MTL::ResourceStorageModeShared);

    for (MTL::Texture* bound : {texture, (MTL::Texture*)nullptr}) {
        MTL::Buffer* out = Buffer(n * 16);
        MTL::CommandBuffer* commands = queue_->commandBuffer();
        MTL::ComputeCommandEncoder* encoder = commands->computeCommandEncoder();
        encoder->setComputePipelineState(pipeline);
        encoder->setBuffer(out, 0, 0);
        encoder->setBuffer(uvBuffer, 0, 1);
        encoder->setTexture(bound, 0);
        encoder->dispatchThreadgroups(MTL::Size(1, 1, 1), MTL::Size(n, 1, 1));
        encoder->endEncoding();
        commands->commit();
        commands->waitUntilCompleted();
        const auto* result = static_cast<const float*>(out->contents());
        for (size_t i = 0; i < n; ++i)
            for (int k = 0; k < 4; ++k)
                EXPECT_FLOAT_EQ(result[i * 4 + k], bound ? cases[i].expected[k] : -1.0f)
                    << "uv (" << cases[i].u << ", " << cases[i].v << ") channel " << k
                    << (bound ? "" : ", no texture");
        out->release();
    }
    // Rows that do not fit in the 96-byte buffer, or are shorter than two texels, give no texture.
    EXPECT_EQ(pixels->newTexture(descriptor, 0, 80), nullptr);
    EXPECT_EQ(pixels->newTexture(descriptor, 32, 48), nullptr);
    EXPECT_EQ(pixels->newTexture(descriptor, 0, 16), nullptr);
    texture->release();
    pixels->release();
    uvBuffer->release();
    pipeline->release();
}

const char kFillText[] =
    "#include <metal_stdlib>\n"
    "using namespace metal;\n"
    "kernel void Fill(device float* out [[buffer(0)]], device const float* in [[buffer(1)]],\n"
    "                 uint i [[thread_position_in_grid]]) { out[i] = in[i] * 2.0f; }\n";

// Work that cannot run completes with an error, read once the command buffer is done.
TEST_F(MetalStandIn, FailedWorkReportsAnError) {
    MTL::ComputePipelineState* pipeline = Pipeline(kFillText, "Fill");
    ASSERT_NE(pipeline, nullptr);
    MTL::Buffer* out = Buffer(64 * 4);
    MTL::Buffer* in = Buffer(64 * 4);
    struct Case {
        const char* label;
        bool bindInput;
        MTL::Size threads;
        int injected;
        const char* description;
    } cases[] = {
        {"a buffer the kernel reads is not bound", false, {4, 1, 1}, 0, "Fill: no buffer bound at index 1"},
        {"33 x 32 threads in a group", true, {33, 32, 1}, 0, "exceeds 1024"},
        {"a device fault", true, {4, 1, 1}, 1, "device lost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        MTLStandIn::failNextCommandBuffers(c.injected, "device lost");
        MTL::CommandBuffer* commands = queue_->commandBuffer();
        MTL::ComputeCommandEncoder* encoder = commands->computeCommandEncoder();
        encoder->setComputePipelineState(pipeline);
        encoder->setBuffer(out, 0, 0);
        if (c.bindInput) encoder->setBuffer(in, 0, 1);
        encoder->dispatchThreadgroups(MTL::Size(1, 1, 1), c.threads);
        encoder->endEncoding();
        commands->commit();
        commands->waitUntilCompleted();
        EXPECT_EQ(commands->status(), MTL::CommandBufferStatusError);
        ASSERT_NE(commands->error(), nullptr);
        EXPECT_NE(std::string(commands->error()->localizedDescription()->utf8String()).find(c.description),
                  std::string::npos)
            << commands->error()->localizedDescription()->utf8String();
    }
    out->release();
    in->release();
    pipeline->release();
}

// What a command buffer binds stays alive until its work is done, even when its maker has let go.
TEST_F(MetalStandIn, CommandBufferKeepsWhatItBindsUntilDone) {
    MTL::ComputePipelineState* pipeline = Pipeline(kFillText, "Fill");
    ASSERT_NE(pipeline, nullptr);
    const float values[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    MTL::Buffer* in = device_->newBuffer(values, sizeof(values), MTL::ResourceStorageModeShared);
    MTL::Buffer* out = Buffer(sizeof(values));
    const long buffers = MTLStandIn::liveObjects("MTL::Buffer");

    MTL::CommandBuffer* commands = queue_->commandBuffer();
    MTL::ComputeCommandEncoder* encoder = commands->computeCommandEncoder();
    encoder->setComputePipelineState(pipeline);
    encoder->setBuffer(out, 0, 0);
    encoder->setBuffer(in, 0, 1);
    encoder->dispatchThreadgroups(MTL::Size(1, 1, 1), MTL::Size(4, 1, 1));
    encoder->endEncoding();
    in->release();
    pipeline->release();
    EXPECT_EQ(MTLStandIn::liveObjects("MTL::Buffer"), buffers) << "the input lives on in the command buffer";
    commands->commit();
    commands->waitUntilCompleted();
    EXPECT_EQ(MTLStandIn::liveObjects("MTL::Buffer"), buffers - 1) << "and goes once the work is done";
    EXPECT_EQ(MTLStandIn::liveObjects("MTL::ComputePipelineState"), 0);
    const auto* result = static_cast<const float*>(out->contents());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(result[i], 2.0f * values[i]);
    out->release();
}

}  // namespace
