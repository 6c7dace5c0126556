// RegularFile.h — the bytes of a file the user named (a scene, an image): only a regular file is
// read, and nothing else that may stand at the path (a named pipe, a device, a directory) blocks the
// host or is read.
#ifndef MORPHALITH_HOST_REGULAR_FILE_H
#define MORPHALITH_HOST_REGULAR_FILE_H

#include <cstdint>
#include <string>

namespace host {

struct FileRead {
    enum class Fault { None, CannotOpen, NotRegular, TooLarge, CannotRead };
    Fault fault = Fault::None;
    int error = 0;      // errno of CannotOpen and CannotRead
    uint64_t size = 0;  // TooLarge: the file's size, or what was read of it before it passed the limit
    bool ok() const { return fault == Fault::None; }
};

// The whole of the regular file at `path` into *bytes, never more than `limit` bytes of it: a file
// larger than that, or one that grows past it while it is read, is TooLarge. The open never waits.
FileRead readRegularFile(const std::string& path, uint64_t limit, std::string* bytes);

}  // namespace host

#endif  // MORPHALITH_HOST_REGULAR_FILE_H
