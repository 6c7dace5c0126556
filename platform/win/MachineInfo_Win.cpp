// Windows body of Machine::GetDeviceInfo, until the Direct3D 9 adapter query lands: the GPU name from
// the OpenCL device the host offered, the system from the Windows name alone.
#include <windows.h>

#include "Headers/LogsController.h"
#include "PF_GPUDevice.h"
#include "render/Headers/MachineInfo.h"

namespace Machine {

void GetDeviceInfo(short major, short minor, SystemInfo* info, int framework, void* device) {
    try {
        info->hostVersion = hostVersionText(major, minor);
        info->osVersion = "Windows";
        spdlog_log("Current Windows version: " + info->osVersion);
        if (framework == PF_GPU_Framework_OPENCL && device) {
            if (!openCLDeviceName(device, &info->gpuName)) return;
        }
        spdlog_log("GPU: " + info->gpuName + ", OS: " + info->osVersion);
    } catch (...) {
        // A string that cannot be built leaves the record as it was; set-up goes on.
    }
}

}  // namespace Machine
