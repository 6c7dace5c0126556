// The parts of the machine description every platform shares.
#include "render/Headers/MachineInfo.h"

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

#include <sstream>
#include <vector>

#include "Headers/LogsController.h"

namespace Machine {

std::string hostVersionText(short major, short minor) {
    return std::to_string((int)major) + "." + std::to_string((int)minor);
}

bool openCLDeviceName(void* device, std::string* name) {
    size_t size = 0;
    cl_device_id id = static_cast<cl_device_id>(device);
    cl_int status = clGetDeviceInfo(id, CL_DEVICE_NAME, 0, nullptr, &size);
    if (status == CL_SUCCESS && size > 1) {
        std::vector<char> text(size);
        status = clGetDeviceInfo(id, CL_DEVICE_NAME, size, text.data(), nullptr);
        if (status == CL_SUCCESS) name->assign(text.data());
    }
    if (status != CL_SUCCESS) {
        MRPH_LOG_ERROR("Failed to retrieve device name: " + std::to_string(status));
        return false;
    }
    return true;
}

bool cpuModelName(const std::string& cpuinfo, std::string* name) {
    std::istringstream lines(cpuinfo);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t colon = line.find(':');
        if (line.rfind("model name", 0) != 0 || colon == std::string::npos) continue;
        const size_t start = line.find_first_not_of(" \t", colon + 1);
        if (start == std::string::npos) continue;
        *name = line.substr(start);
        return true;
    }
    return false;
}

std::string releaseVersionText(const std::string& release) {
    size_t end = 0;
    while (end < release.size() && ((release[end] >= '0' && release[end] <= '9') || release[end] == '.')) ++end;
    while (end > 0 && release[end - 1] == '.') --end;
    return end > 0 ? release.substr(0, end) : release;
}

}  // namespace Machine
