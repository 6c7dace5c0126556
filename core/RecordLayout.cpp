// RecordLayout.cpp — pins the byte layout of the scene records on the host side.
// The device compilers are checked against the same table (tests and the CUDA build).
#include <cstddef>

#include "Morphalith_Kernel_Data.h"
#include "Morphalith_Kernel_Layout.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#define MRPH_CHECK_RECORD(name, size) \
    static_assert(sizeof(name) == (size) && alignof(name) == 16, #name " size");
#define MRPH_CHECK_MEMBER(record, member, offset) \
    static_assert(offsetof(record, member) == (offset), #record "." #member " offset");
MRPH_RECORD_LAYOUT(MRPH_CHECK_RECORD, MRPH_CHECK_MEMBER)
#pragma GCC diagnostic pop

static_assert(sizeof(KFloat3) == 16 && alignof(KFloat3) == 16);
static_assert(sizeof(KFloat4x4) == 64 && alignof(KFloat4x4) == 16);
static_assert(sizeof(KBool) == 1);
