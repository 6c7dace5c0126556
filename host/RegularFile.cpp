#include "host/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// The Windows test host's C runtime opens files in binary mode only when asked, and has no
// close-on-exec flag. Elsewhere the open never waits: a named pipe's would until somebody writes,
// should one take the file's place after the caller looked.
#if defined(_WIN32)
#define MRPH_OPEN_FLAGS (O_RDONLY | O_BINARY)
#else
#define MRPH_OPEN_FLAGS (O_RDONLY | O_CLOEXEC | O_NONBLOCK)
#endif

namespace host {

FileRead readRegularFile(const std::string& path, uint64_t limit, std::string* bytes) {
    FileRead r;
    bytes->clear();
    const int fd = ::open(path.c_str(), MRPH_OPEN_FLAGS);
    if (fd < 0) {
        r.fault = FileRead::Fault::CannotOpen;
        r.error = errno;
        return r;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        r.fault = FileRead::Fault::CannotOpen;
        r.error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        r.fault = FileRead::Fault::NotRegular;
    } else if ((uint64_t)st.st_size > limit) {
        r.fault = FileRead::Fault::TooLarge;
        r.size = (uint64_t)st.st_size;
    } else {
        bytes->reserve((size_t)st.st_size);
        // To its end, but never past the limit, whatever it grows to meanwhile.
        char chunk[1 << 16];
        while (r.ok()) {
            const ssize_t n = ::read(fd, chunk, sizeof(chunk));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                r.fault = FileRead::Fault::CannotRead;
                r.error = errno;
            }
            if (n <= 0) break;
            bytes->append(chunk, (size_t)n);
            if (bytes->size() > limit) {
                r.fault = FileRead::Fault::TooLarge;
                r.size = bytes->size();
            }
        }
    }
    ::close(fd);
    if (!r.ok()) bytes->clear();
    return r;
}

}  // namespace host
