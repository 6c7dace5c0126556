// Linux body of Machine::GetDeviceInfo: the kernel release from uname, the GPU name from the
// OpenCL device the host offered.
#include "render/Headers/MachineInfo.h"

#include <sys/utsname.h>

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include <vector>

#include "Headers/LogsController.h"
#include "PF_GPUDevice.h"

namespace Machine {

std::string hostVersionText(short major, short minor) {
    return std::to_string((int)major) + "." + std::to_string((int)minor);
}

void GetDeviceInfo(short major, short minor, SystemInfo* info, int framework, void* device) {
    try {
        info->hostVersion = hostVersionText(major, minor);

        struct utsname name {};
        info->osVersion = uname(&name) == 0 ? std::string(name.sysname) + " " + name.release : "Unknown";
        spdlog_log("Current Linux version: " + info->osVersion);

        if (framework == PF_GPU_Framework_OPENCL && device) {
            size_t size = 0;
            cl_device_id id = static_cast<cl_device_id>(device);
            cl_int status = clGetDeviceInfo(id, CL_DEVICE_NAME, 0, nullptr, &size);
            if (status == CL_SUCCESS && size > 1) {
                std::vector<char> text(size);
                status = clGetDeviceInfo(id, CL_DEVICE_NAME, size, text.data(), nullptr);
                if (status == CL_SUCCESS) info->gpuName.assign(text.data());
            }
            if (status != CL_SUCCESS) {
                MRPH_LOG_ERROR("Failed to retrieve device name: " + std::to_string(status));
                return;
            }
        }
        spdlog_log("GPU: " + info->gpuName + ", OS: " + info->osVersion);
    } catch (...) {
        // A string that cannot be built leaves the record as it was; set-up goes on.
    }
}

}  // namespace Machine
