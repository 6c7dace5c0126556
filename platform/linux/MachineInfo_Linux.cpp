// Linux body of Machine::GetDeviceInfo: the kernel release's version from uname, the GPU name from the
// OpenCL device the host offered or, for Metal, whose stand-in runs on the processor, the processor's
// model (in place of the accelerator's model a Mac reads from its I/O registry).
#include "render/Headers/MachineInfo.h"

#include <sys/utsname.h>

#include <fstream>
#include <sstream>

#include "Headers/LogsController.h"
#include "PF_GPUDevice.h"

namespace Machine {

void GetDeviceInfo(short major, short minor, SystemInfo* info, int framework, void* device) {
    try {
        info->hostVersion = hostVersionText(major, minor);

        // The About header gives the version 50 pixels: the release's numbers, as a Mac's "14.2.1". The
        // log keeps the system's whole name.
        struct utsname name {};
        const bool named = uname(&name) == 0;
        info->osVersion = named ? releaseVersionText(name.release) : "Unknown";
        spdlog_log("Current Linux version: " + (named ? std::string(name.sysname) + " " + name.release : "Unknown"));

        if (framework == PF_GPU_Framework_OPENCL && device) {
            if (!openCLDeviceName(device, &info->gpuName)) return;
        }
        if (framework == PF_GPU_Framework_METAL) {
            std::ifstream file("/proc/cpuinfo");
            std::stringstream cpuinfo;
            cpuinfo << file.rdbuf();
            if (!cpuModelName(cpuinfo.str(), &info->gpuName)) {
                MRPH_LOG_ERROR("Failed to retrieve device name");
                return;
            }
        }
        spdlog_log("GPU: " + info->gpuName + ", OS: " + info->osVersion);
    } catch (...) {
        // A string that cannot be built leaves the record as it was; set-up goes on.
    }
}

}  // namespace Machine
