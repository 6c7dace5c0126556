#include "host/MemoryLimits.h"

#if defined(_WIN32)
#include <windows.h>  // the Windows test host (tests/win)
#else
#include <unistd.h>
#endif

#include <cstdio>

namespace host {

uint64_t machineMemory() {
#if defined(_WIN32)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? (uint64_t)status.ullTotalPhys : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? (uint64_t)pages * (uint64_t)pageSize : 0;
#endif
}

std::string byteSize(uint64_t bytes) {
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = (double)bytes / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 5) {
        value /= 1024.0;
        unit += 1;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f %s", value, kUnits[unit]);
    return text;
}

bool fitsInMemory(uint64_t bytes, const std::string& what, std::string* why) {
    const uint64_t machine = machineMemory();
    if (machine == 0 || bytes <= machine) return true;
    *why = what + " needs " + byteSize(bytes) + ", more than this machine's " + byteSize(machine) + " of memory";
    return false;
}

}  // namespace host
