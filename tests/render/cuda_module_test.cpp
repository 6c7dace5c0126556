// The real module through the stand-in host on CUDA: frames checked against numbers, against OpenCL
// and against the C++ form of the same block, on whatever driver the system's search finds (the driver
// stand-in here, a GPU's driver on a GPU machine). The module must load without any CUDA library, and
// the host must say why it offers no CUDA on a machine without a usable driver.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/CudaExpected.h"
#include "host/CudaDevice.h"
#include "host/RenderCommand.h"
#include "tests/render/cpp_frame.h"
#include "tests/render/render_support.h"
#include "tests/support/HostProcess.h"
#if defined(MRPH_HAVE_CUDA_STANDIN)
#include "CudaStandIn.h"
#endif

namespace {

// The libraries an ELF shared object names as needed (its DT_NEEDED entries).
std::vector<std::string> NeededLibraries(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> needed;
    if (bytes.size() < sizeof(Elf64_Ehdr) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0) return needed;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    auto section = [&](size_t i) {
        Elf64_Shdr s;
        std::memcpy(&s, bytes.data() + header.e_shoff + i * header.e_shentsize, sizeof(s));
        return s;
    };
    for (size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr dynamic = section(i);
        if (dynamic.sh_type != SHT_DYNAMIC) continue;
        const Elf64_Shdr strings = section(dynamic.sh_link);
        for (size_t off = 0; off + sizeof(Elf64_Dyn) <= dynamic.sh_size; off += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, bytes.data() + dynamic.sh_offset + off, sizeof(entry));
            if (entry.d_tag == DT_NEEDED) needed.emplace_back(bytes.data() + strings.sh_offset + entry.d_un.d_val);
        }
    }
    return needed;
}

TEST(CudaModule, LoadsWithoutAnyCudaLibrary) {
    const std::vector<std::string> needed = NeededLibraries(MRPH_TEST_MODULE_PATH);
    ASSERT_FALSE(needed.empty()) << "no dynamic section read from " << MRPH_TEST_MODULE_PATH;
    for (const std::string& library : needed) {
        EXPECT_EQ(library.rfind("libcuda", 0), std::string::npos) << library;  // libcuda, libcudart
        EXPECT_EQ(library.rfind("libnvidia", 0), std::string::npos) << library;
    }
}

class CudaModuleScene : public mrph_test::RenderedScene {};

TEST_F(CudaModuleScene, AnOpenCLRenderNeverLoadsTheCudaDriver) {
    if (host::CudaDevice::started()) GTEST_SKIP() << "skipped: an earlier test in this process started CUDA";
    if (!host::OpenCLDevice::get()) GTEST_SKIP() << "skipped: no OpenCL device (" << host::OpenCLDevice::error() << ")";
    Open(R"({"composition": {"width": 16, "height": 9}, "nulls": [{"id": 2}],
             "effect": {"slots": [{"type": "Sphere", "layer": 2}]}})");
    Render();
    job_.reset();
    EXPECT_FALSE(host::CudaDevice::started());
    EXPECT_EQ(dlopen("libcuda.so.1", RTLD_NOW | RTLD_NOLOAD), nullptr) << "the driver library was loaded";
}

// ---- Machines without a usable driver, as a user meets them --------------------------------------------

#if defined(MRPH_TEST_CUDA_STANDIN_DIR)
// The host as a child process with the stand-in's folders, or none, on its library path; on a machine
// whose tests run on a real driver (a GPU machine), nothing to do.
class CudaCommandLine : public host_process::CommandLine {
protected:
    void SetUp() override {
        host_process::CommandLine::SetUp();
        MrphCudaStandInApi standIn{};
        if (!host::CudaDevice::get() || !mrphCudaStandInLoad(&standIn))
            MRPH_WITHOUT_CUDA_DRIVER() << "the tests do not run on the CUDA driver stand-in";
    }
    std::string example(const char* name) const { return std::string(MRPH_SOURCE_DIR) + "/examples/" + name; }
};

TEST_F(CudaCommandLine, WithoutADriverTheModuleLoadsRendersThroughOpenCLAndTheHostSaysWhyCudaIsNotOffered) {
    environment_["LD_LIBRARY_PATH"] = std::nullopt;
    const host_process::Result cuda =
        host({"render", example("primitives.json"), "-o", "{dir}/cuda.png", "--framework", "cuda"});
    // Without the stand-in's folder the system's search finds the machine's own driver, where it has one.
    if (cuda.status == 0 || !host_process::has(cuda.err, "could not be loaded"))
        GTEST_SKIP() << "skipped: this machine has a CUDA driver of its own";
    EXPECT_EQ(cuda.status, 1);
    EXPECT_EQ(cuda.err,
              "morphalith-host render: no CUDA device: the CUDA driver (libcuda.so.1) could not be loaded: "
              "libcuda.so.1: cannot open shared object file: No such file or directory\n");
    const host_process::Result opencl = host({"render", example("primitives.json"), "-o", "{dir}/opencl.png"});
    EXPECT_EQ(opencl.status, 0) << opencl.err;
    EXPECT_EQ(files(), (std::set<std::string>{"opencl.png"}));
}

// A driver that lacks an entry point the module needs: the host finds its devices, and the effect says
// at device set-up what is missing.
TEST_F(CudaCommandLine, ADriverTooOldForTheModuleIsNamedAtDeviceSetUp) {
    environment_["LD_LIBRARY_PATH"] = MRPH_TEST_CUDA_OLD_STANDIN_DIR;
    const host_process::Result cuda =
        host({"render", example("primitives.json"), "-o", "{dir}/cuda.png", "--framework", "cuda"});
    EXPECT_EQ(cuda.status, 1);
    EXPECT_TRUE(host_process::has(cuda.err, "CUDA device set-up failed"));
    EXPECT_TRUE(host_process::has(cuda.err, "GPU Assert:"));
    EXPECT_TRUE(host_process::has(cuda.err, "the CUDA driver (libcuda.so.1) has no cuTexObjectCreate: it is older "
                                            "than this effect needs; update the NVIDIA driver"))
        << cuda.err;
    EXPECT_TRUE(files().empty());
}

TEST_F(CudaCommandLine, RendersEveryExampleThroughTheDriverStandIn) {
    environment_["LD_LIBRARY_PATH"] = MRPH_TEST_CUDA_STANDIN_DIR;
    std::set<std::string> written;
    for (const char* name : {"primitives", "modifiers", "lights", "panel", "reflections"}) {
        const std::string png = std::string(name) + ".png";
        const host_process::Result cuda = host({"render", example((std::string(name) + ".json").c_str()), "-o",
                                                "{dir}/" + png, "--framework", "cuda", "--size", "160x90"});
        EXPECT_EQ(cuda.status, 0) << name << ": " << cuda.err;
        written.insert(png);
    }
    EXPECT_EQ(files(), written);
}
#endif

// ---- On a CUDA device ----------------------------------------------------------------------------------

float Smooth(float x) { return x * x * (3.0f - 2.0f * x); }

// The sphere of the OpenCL frame tests: its centre pixel is met after 78.89 pixels (see
// rendered_frame_test.cpp), so the depth pass there is smoothstep(0, 200, 78.89).
TEST_F(CudaModuleScene, DepthOfASphereAtTheCentre) {
    if (!host::CudaDevice::get()) MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA device (" << host::CudaDevice::error() << ")";
    Open(R"({"composition": {"width": 64, "height": 36, "frameRate": 30, "duration": 2},
      "nulls": [{"id": 2, "position": [32, 18, 0]}],
      "effect": {"params": {"Render Mode": "Depth", "Max Clip Distance": 200},
                 "slots": [{"type": "Sphere", "layer": 2, "params": {"Diameter": 10}}]}})",
         PF_GPU_Framework_CUDA);
    const host::FloatImage image = Render();
    const float d = Smooth(78.89f / 200);
    mrph_test::ExpectPixel(image, 32, 18, d, d, d, 1.0f);
    mrph_test::ExpectPixel(image, 0, 0, 0, 0, 0, 0, 0.0f);
}

// Every example through CUDA and through OpenCL, in the beauty and the depth pass. The tolerance is the
// one the Metal comparison holds (render/metal_opencl_agreement_test.cpp): the two forms' compilers
// order and fuse the arithmetic differently, so a few rays grazing an edge land on its other side. The
// driver stand-in runs the C++ form, whose environment filtering is exact where a GPU's texture unit
// weighs texels with 8 fractional bits.
TEST(CudaAgainstOpenCL, EveryExample) {
    if (!host::CudaDevice::get()) MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA device (" << host::CudaDevice::error() << ")";
    if (!host::OpenCLDevice::get()) GTEST_SKIP() << "skipped: no OpenCL device (" << host::OpenCLDevice::error() << ")";
    struct Case {
        const char* example;
        A_long frame;  // modifiers.json turns and twists over time: a frame in the middle
    } cases[] = {{"primitives", 0}, {"modifiers", 45}, {"lights", 0}, {"panel", 0}, {"reflections", 0}};
    for (const Case& c : cases) {
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::loadSceneFile(std::string(MRPH_SOURCE_DIR) + "/examples/" + c.example + ".json", &scene,
                                        &error))
            << error;
        for (int pass : {1, 3}) {
            SCOPED_TRACE(std::string(c.example) + (pass == 1 ? ", beauty" : ", depth"));
            const host::FloatImage opencl = mrph_test::RenderInOwnHost(scene, PF_GPU_Framework_OPENCL, pass, c.frame, 320, 180);
            const host::FloatImage cuda = mrph_test::RenderInOwnHost(scene, PF_GPU_Framework_CUDA, pass, c.frame, 320, 180);
            ASSERT_EQ(opencl.bgra.size(), cuda.bgra.size());
            const mrph_test::Difference d = mrph_test::Compare(opencl, cuda);
            EXPECT_LE(d.mean, 1e-3);
            EXPECT_LE(d.outliers, 0.001);
            std::printf("%s, pass %d: mean difference %.3g, %.3f %% of pixels over 0.01\n", c.example, pass, d.mean,
                        100 * d.outliers);
        }
    }
}

// Reflections of an environment map: the same block through CUDA and through the C++ form. The
// hardware's bilinear weights have 8 fractional bits, so a lookup may differ by up to 1/256 of the
// step between texels; a ray grazing an edge may hit on one side and miss on the other.
TEST_F(CudaModuleScene, ReflectionsMatchTheCppFormOfTheSameBlock) {
    if (!host::CudaDevice::get()) MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA device (" << host::CudaDevice::error() << ")";
    ASSERT_TRUE(host_.load()) << host_.error();
    host::Scene scene;
    std::string error;
    ASSERT_TRUE(host::loadSceneFile(MRPH_SOURCE_DIR "/examples/reflections.json", &scene, &error)) << error;
    ASSERT_TRUE(host::applyScene(host_, scene, &error)) << error;
    job_ = std::make_unique<host::RenderJob>(host_);
    ASSERT_EQ(job_->setupDevice(PF_GPU_Framework_CUDA), PF_Err_NONE) << host_.returnMessage();

    host::FloatImage cuda, again, env;
    ASSERT_EQ(job_->renderFrame(0, &cuda, 160, 90), PF_Err_NONE) << host_.returnMessage();
    ASSERT_NE(job_->environmentWorld(), nullptr);
    ASSERT_TRUE(job_->environmentWorld()->download(&env.bgra));
    env.width = job_->environmentWorld()->def()->width;
    env.height = job_->environmentWorld()->def()->height;
    // A second frame at the same time reads the cached environment array.
    ASSERT_EQ(job_->renderFrame(0, &again, 160, 90), PF_Err_NONE) << host_.returnMessage();
    EXPECT_EQ(again.bgra, cuda.bgra);

    ASSERT_EQ(job_->preRender(0, 160, 90), PF_Err_NONE);
    auto* block = static_cast<PluginInputParams*>(const_cast<void*>(job_->preRenderData()));
    const host::FloatImage cpp = mrph_test::RenderBlockCpp(&host_.inData(), block, 160, 90, &env);
    const mrph_test::ImageDifference d = mrph_test::CompareImages(cuda, cpp, 1e-2f);
    ASSERT_TRUE(d.sameSize);
    EXPECT_LE(d.pixelsOver, d.pixels / 500) << "largest difference " << d.largest;
}

}  // namespace
