// The Windows test host's entry: the GoogleTest suites, or, with `--child MODE`, one small job that a
// test runs in a second process (another instance of a host, another Windows version, no Direct3D).
#include <gtest/gtest.h>

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GlobalData.h"
#include "Headers/MachineInfo.h"
#include "PF_GPUDevice.h"
#include "PrimitiveClipboard.h"
#include "host/CudaDevice.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#if defined(MRPH_HAVE_CUDA) && defined(MRPH_HAVE_CUDA_STANDIN)
#include "render/cuda/CudaApi.h"
#endif
#include "tests/win/wine_support.h"

namespace {

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Exit codes: 0 done, 1 a scene did not load, 2 nothing to paste, 3 the module did not load, 64 bad
// arguments.
int runChildMode(const std::vector<std::string>& args) {
    const std::string& mode = args.empty() ? std::string() : args[0];
    if (mode == "copy" && args.size() == 2) {
        const std::vector<std::uint8_t> bytes = fromHex(args[1]);
        CopyBytesToClipboard(bytes.data(), bytes.size());
        return 0;
    }
    if (mode == "paste" && args.size() == 2) {
        std::vector<std::uint8_t> bytes;
        const bool available = IsBytesInClipboard();
        if (!PasteBytesFromClipboard(bytes)) return 2;
        std::printf("available=%d\n", available ? 1 : 0);
        return wine_test::writeFile(args[1], std::string(bytes.begin(), bytes.end())) ? 0 : 1;
    }
    if (mode == "device-info" && args.size() == 1) {
        // The module must load whether or not Direct3D 9 can be had.
        HMODULE module = LoadLibraryA(wine_test::modulePath().c_str());
        if (!module) return 3;
        FreeLibrary(module);
        SystemInfo info;
        Machine::GetDeviceInfo(13, 28, &info, PF_GPU_Framework_OPENCL);
        std::printf("gpu=%s\nos=%s\nhost=%s\n", info.gpuName.c_str(), info.osVersion.c_str(), info.hostVersion.c_str());
        return 0;
    }
    if (mode == "cuda-absent" && args.size() == 1) {
        // Run from a folder without the driver stand-in: what the host says of CUDA, and an OpenCL frame.
        host::CudaDevice* cuda = host::CudaDevice::get();
        std::printf("cuda=%s\n", cuda ? "offered" : host::CudaDevice::error().c_str());
        host::Host h(wine_test::modulePath());
        if (!h.load()) return 3;
        host::Scene scene;
        std::string error;
        if (!host::loadSceneFile(wine_test::sourceFile("examples/primitives.json"), &scene, &error) ||
            !host::applyScene(h, scene, &error))
            return 1;
        host::FloatImage image;
        PF_Err err = PF_Err_NONE;
        {
            host::RenderJob job(h);
            err = job.setupDevice(PF_GPU_Framework_OPENCL);
            if (!err) err = job.renderFrame(0, &image, 64, 36);
        }
        std::printf("opencl=%d %dx%d\n", (int)err, image.width, image.height);
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        return 0;
    }
#if defined(MRPH_HAVE_CUDA) && defined(MRPH_HAVE_CUDA_STANDIN)
    if (mode == "cuda-planted" && args.size() == 2) {
        // Run from a folder without the driver, in a current folder that holds an nvcuda.dll (the
        // stand-in): the module's search must not find it there. The host's, asked afterwards (once a
        // process holds an nvcuda.dll every load by that name gives it back), shows that it is there.
        if (!SetCurrentDirectoryA(args[1].c_str())) return 64;
        std::string why;
        const std::unique_ptr<CudaDriver> driver = CudaDriver::load(CudaDriver::kLibrary, &why);
        std::printf("module=%s\n", driver ? "loaded" : why.c_str());
        std::printf("host=%s\n", host::CudaDevice::get() ? "offered" : host::CudaDevice::error().c_str());
        return 0;
    }
#endif
    std::fprintf(stderr, "unknown child mode\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") {
        _setmode(_fileno(stdout), _O_BINARY);  // "\n" stays one byte for the parent to read
        return runChildMode(std::vector<std::string>(argv + 2, argv + argc));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
