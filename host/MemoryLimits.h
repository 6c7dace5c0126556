// MemoryLimits.h — refusing an allocation the machine cannot hold before it is tried, with the size it
// needed, instead of failing half-way (or being killed) later.
#ifndef MORPHALITH_HOST_MEMORY_LIMITS_H
#define MORPHALITH_HOST_MEMORY_LIMITS_H

#include <cstdint>
#include <string>

namespace host {

// The machine's physical memory in bytes (0 when it cannot be told).
uint64_t machineMemory();

// "512 bytes", "3.5 MB", "6.0 GB" (powers of 1024, as memory is counted).
std::string byteSize(uint64_t bytes);

// Whether `bytes` for `what` fit in the machine's memory; when not, why, with both sizes
// ("the 20000x20000 image needs 6.0 GB, more than this machine's 23.4 GB of memory").
bool fitsInMemory(uint64_t bytes, const std::string& what, std::string* why);

}  // namespace host

#endif  // MORPHALITH_HOST_MEMORY_LIMITS_H
