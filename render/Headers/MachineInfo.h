// MachineInfo.h — the machine as the About header describes it: the host's effect-API version, the
// operating-system version and the GPU's model name, written into SystemInfo at every GPU device
// set-up. One interface; a body per platform (platform/linux, platform/mac, platform/win).
#ifndef MORPHALITH_RENDER_MACHINE_INFO_H
#define MORPHALITH_RENDER_MACHINE_INFO_H

#include "GlobalData.h"

namespace Machine {

// Never throws: what cannot be found ends in a log line. `device` is the framework's device
// (a cl_device_id for OpenCL) where the platform body names the GPU from it; it may be null.
void GetDeviceInfo(short major, short minor, SystemInfo* info, int framework, void* device = nullptr);

// "major.minor" in plain decimals (13.5, not 13.05).
std::string hostVersionText(short major, short minor);

// The model name of an OpenCL device; false (and a log line) when the driver cannot tell.
bool openCLDeviceName(void* device, std::string* name);

// The processor's model from the text of /proc/cpuinfo (its first "model name" line); false when the
// text has none.
bool cpuModelName(const std::string& cpuinfo, std::string* name);

// A kernel release as the About header shows a system version: its leading numbers, "6.18.44" of
// "6.18.44-fc-v1523" (the form macOS and Windows versions have); the whole text when it starts with
// no number.
std::string releaseVersionText(const std::string& release);

}  // namespace Machine

#endif  // MORPHALITH_RENDER_MACHINE_INFO_H
