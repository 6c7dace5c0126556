#include "host/MemoryLimits.h"

#include <unistd.h>

#include <cstdio>

namespace host {

uint64_t machineMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? (uint64_t)pages * (uint64_t)pageSize : 0;
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
