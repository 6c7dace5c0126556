// SPBasic.h — the host's basic suite: the one door through which every other suite is reached.
#ifndef MORPHALITH_SDK_SP_BASIC_H
#define MORPHALITH_SDK_SP_BASIC_H

#include "HostTypes.h"

typedef int32_t SPErr;
enum { kSPNoError = 0, kSPSuiteNotFoundError = 0x53214e46 /* '!S!F' */ };

struct SPBasicSuite {
    // Gives the suite of that exact name and version in *suite, or an error and a null pointer.
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    int32_t (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
    SPErr (*Undefined)(void);
};

#endif  // MORPHALITH_SDK_SP_BASIC_H
