// Device information on Windows: the GPU model parsed from adapter descriptions, the Direct3D 9
// adapter that wine reports read at GPU device set-up, the module without Direct3D 9, and the
// system version under the Windows versions wine can pretend to be.
#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <cstring>
#include <new>
#include <string>

#include "GlobalData.h"
#include "Handlers.h"
#include "PF_Suites.h"
#include "host/RenderJob.h"
#include "tests/support/HostFixture.h"
#include "platform/win/GpuModel_Win.h"
#include "tests/win/wine_support.h"

namespace {

TEST(GpuModel, ParsedFromAdapterDescriptions) {
    // The last family word followed (after optional blanks) by digits, and the letters right after them.
    const struct {
        const char* description;
        const char* model;
    } cases[] = {
        {"NVIDIA GeForce RTX 3080", "RTX 3080"},
        {"NVIDIA GeForce GTX 1080 Ti", "GTX 1080"},
        {"NVIDIA GeForce GTX 970M", "GTX 970M"},
        {"NVIDIA GeForce RTX 2080Ti", "RTX 2080Ti"},
        {"NVIDIA GeForce 9800 GT", "GeForce 9800"},
        {"NVIDIA Quadro RTX 4000", "RTX 4000"},
        {"NVIDIA Quadro P4000", "NVIDIA Quadro P4000"},
        {"AMD Radeon RX 6800 XT", "RX 6800"},
        {"Radeon RX5700XT", "RX 5700XT"},
        {"AMD Radeon Pro 5500M", "AMD Radeon Pro 5500M"},
        {"AMD Radeon Navi 10", "Navi 10"},
        {"Intel(R) UHD Graphics 630", "Intel(R) UHD Graphics 630"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Machine::ParseGpuModel(c.description), c.model) << c.description;
}

// What wine's Direct3D 9 calls its adapter, read here the way any program would.
std::string adapterDescription() {
    HMODULE d3d9 = LoadLibraryA("d3d9.dll");
    if (!d3d9) return "";
    auto create = reinterpret_cast<IDirect3D9*(WINAPI*)(UINT)>(reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
    std::string description;
    if (IDirect3D9* d3d = create ? create(D3D_SDK_VERSION) : nullptr) {
        D3DADAPTER_IDENTIFIER9 id{};
        if (SUCCEEDED(d3d->GetAdapterIdentifier(0, 0, &id))) description = id.Description;
        d3d->Release();
    }
    FreeLibrary(d3d9);
    return description;
}

// GPU device set-up through EffectMain names the adapter, marked with the framework.
TEST(DeviceInfo, SetUpNamesTheDirect3DAdapterWithTheFramework) {
    const std::string description = adapterDescription();
    ASSERT_FALSE(description.empty()) << "wine's Direct3D 9 gives no adapter (is there a display?)";
    host::Host h(wine_test::modulePath());
    ASSERT_TRUE(h.load()) << h.error();
    ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    {
        host::RenderJob job(h);
        wine_test::DebugOutputCapture console;
        ASSERT_EQ(job.setupDevice(PF_GPU_Framework_OPENCL), PF_Err_NONE) << h.returnMessage();
        const auto* global = static_cast<const GlobalData*>(h.handles().block(h.inData().global_data));
        const SystemInfo& info = *global->systemInfo;
        EXPECT_EQ(info.gpuName, Machine::ParseGpuModel(description) + " OpenCL");
        EXPECT_EQ(info.hostVersion, "13.28");
        EXPECT_TRUE(console.contains("[Morphalith] : GPU Description: " + description + "\n")) << console.text();
        EXPECT_TRUE(console.contains("[Morphalith] : GPU: " + info.gpuName + ", OS: " + info.osVersion + "\n"))
            << console.text();
    }
    EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
}

// A Windows host never offers a Metal device; a record that says Metal anyway gets nothing set up: no
// GPU data, no output flags, no error line, and 0.
PF_Err MetalDeviceCount(PF_ProgPtr, A_u_long* count) {
    *count = 1;
    return PF_Err_NONE;
}
PF_Err MetalDeviceInfo(PF_ProgPtr, A_u_long, PF_GPUDeviceInfo* info) {
    std::memset(info, 0, sizeof(*info));
    info->device_framework = PF_GPU_Framework_METAL;
    info->compatibleB = TRUE;
    return PF_Err_NONE;
}
PF_Err NoWorldData(PF_ProgPtr, PF_EffectWorld*, void** pixels) {
    *pixels = nullptr;
    return PF_Err_NONE;
}
const PF_GPUDeviceSuite1 kMetalDevices = {MetalDeviceCount, MetalDeviceInfo, NoWorldData};

class MetalOnWindows : public HostFixture {};

TEST_F(MetalOnWindows, DeviceSetUpSetsNothingUpAndAnswersZero) {
    host_.suites().add(kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, &kMetalDevices);
    const PF_HandleSuite1* handles = host_.handles().suite();
    PF_Handle global = handles->host_new_handle(sizeof(GlobalData));
    new (handles->host_lock_handle(global)) GlobalData();
    handles->host_unlock_handle(global);
    in()->global_data = global;
    PF_GPUDeviceSetupInput input{PF_GPU_Framework_METAL, 0};
    PF_GPUDeviceSetupOutput output{};
    PF_GPUDeviceSetupExtra extra{&input, &output};
    out()->out_flags2 = 0;
    {
        wine_test::DebugOutputCapture console;
        EXPECT_EQ(GPUDeviceSetup(in(), out(), &extra), PF_Err_NONE);
        EXPECT_EQ(console.text().find("ERROR"), std::string::npos) << console.text();
    }
    EXPECT_EQ(output.gpu_data, nullptr);
    EXPECT_EQ(out()->out_flags2, 0);
    EXPECT_EQ(host_.handles().openLocks(), 0);
    EXPECT_EQ(GlobalSetdown(in(), out(), nullptr, nullptr), PF_Err_NONE);
}

// Settings wine keeps in the registry per program name, for a copy of this program run as a second
// process. The copy, like a current host, declares itself ready for Windows 10 in its manifest.
class WineSettings : public ::testing::Test {
protected:
    static constexpr const char* kProgram = "morphalith_settings_probe.exe";
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\morphalith_settings_probe.exe";

    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

    // Sets value `name` of the program's key (or of its subkey) and runs the copy's device-info job.
    std::string deviceInfoWith(const std::string& subkey, const char* name, const char* value) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        HKEY key = nullptr;
        const std::string path = std::string(kKey) + (subkey.empty() ? "" : "\\" + subkey);
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
        RegCloseKey(key);
        std::string printed;
        EXPECT_EQ(wine_test::runChild({"device-info"}, &printed, kProgram), 0) << printed;
        return printed;
    }
};

// Direct3D 9 switched off: the module still loads, and the name stays empty.
TEST_F(WineSettings, WithoutDirect3D9TheModuleLoadsAndTheNameStaysEmpty) {
    const std::string printed = deviceInfoWith("DllOverrides", "d3d9", "");
    EXPECT_NE(printed.find("gpu=\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("host=13.28\n"), std::string::npos) << printed;
}

TEST_F(WineSettings, WindowsVersionIsMajorDotMinor) {
    const struct {
        const char* wine;
        const char* osVersion;
    } cases[] = {{"win10", "10.0"}, {"win7", "6.1"}, {"winxp64", "5.2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wine);
        const std::string printed = deviceInfoWith("", "Version", c.wine);
        EXPECT_NE(printed.find(std::string("os=") + c.osVersion + "\n"), std::string::npos) << printed;
    }
}

}  // namespace
