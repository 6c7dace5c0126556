// Windows body of Machine::GetDeviceInfo: the GPU from the Direct3D 9 adapter description, the
// system from GetVersionExA.
#include <windows.h>
#include <d3d9.h>

#include <regex>

#include "Headers/LogsController.h"
#include "PF_GPUDevice.h"
#include "platform/win/GpuModel_Win.h"
#include "render/Headers/MachineInfo.h"

namespace Machine {

namespace {

// d3d9.dll is loaded only for the query, so the module still loads where Direct3D 9 is missing.
bool readAdapterIdentifier(D3DADAPTER_IDENTIFIER9* id) {
    HMODULE d3d9 = LoadLibraryExA("d3d9.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!d3d9) return false;
    using CreateFunction = IDirect3D9*(WINAPI*)(UINT);
    auto create = reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
    bool read = false;
    if (IDirect3D9* d3d = create ? create(D3D_SDK_VERSION) : nullptr) {
        read = SUCCEEDED(d3d->GetAdapterIdentifier(0, 0, id));
        d3d->Release();
    }
    FreeLibrary(d3d9);
    return read;
}

}  // namespace

std::string ParseGpuModel(const std::string& description) {
    const std::regex pattern(".*(GeForce|Quadro|Radeon|RX|GTX|RTX|Navi)\\s*([0-9]+)([A-Za-z]*)\\s*.*",
                             std::regex::ECMAScript);
    std::smatch match;
    if (!std::regex_search(description, match, pattern)) return description;
    return match[1].str() + " " + match[2].str() + match[3].str();
}

void GetDeviceInfo(short major, short minor, SystemInfo* info, int framework, void* /*device*/) {
    try {
        info->hostVersion = hostVersionText(major, minor);

        D3DADAPTER_IDENTIFIER9 id{};
        if (readAdapterIdentifier(&id)) {
            spdlog_log(std::string("GPU DeviceName: ") + id.DeviceName);
            spdlog_log(std::string("GPU Driver: ") + id.Driver);
            spdlog_log(std::string("GPU Description: ") + id.Description);
            // Rebuilt from the description each time: only the newest framework word stays.
            info->gpuName = ParseGpuModel(id.Description);
            if (framework == PF_GPU_Framework_CUDA) info->gpuName += " CUDA";
            else if (framework == PF_GPU_Framework_OPENCL) info->gpuName += " OpenCL";
        }

        // The extended record is the one whose size the query is given: it writes all of it.
        OSVERSIONINFOEXA version{};
        version.dwOSVersionInfoSize = sizeof(version);
        static_assert(sizeof(OSVERSIONINFOEXA) == 156);
        GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
        info->osVersion = std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion);

        spdlog_log("GPU: " + info->gpuName + ", OS: " + info->osVersion);
    } catch (...) {
        // A string that cannot be built leaves the record as it was; set-up goes on.
    }
}

}  // namespace Machine
