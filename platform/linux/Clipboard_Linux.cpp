// Clipboard_Linux.cpp — the primitive clipboard as a file named after the private type, shared by every
// process of the user: in the user's runtime folder ($XDG_RUNTIME_DIR), or, where none is set, in a
// folder of the user's own under the temporary folder ($TMPDIR, else /tmp) that nobody else may enter.
// A copy replaces the file in one rename, so a paste in another process reads the old records or the
// new ones, never a mix.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "Headers/LogsController.h"
#include "PrimitiveClipboard.h"

namespace {

constexpr off_t kLargestPayload = static_cast<off_t>(kLargestClipboardPayload);

void logFailure(const char* where, const std::string& what) {
    MRPH_LOG_ERROR_IN(where, what + ": " + std::strerror(errno));
}

// The folder of the store, or "" when there is none that is safe to use.
std::string storeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return runtime;

    const char* tmp = std::getenv("TMPDIR");
    const std::string folder =
        std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/morphalith-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        logFailure("storeFolder", "cannot make " + folder);
        return "";
    }
    // Someone else's folder, or a link to one, would hand them our records or us theirs.
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        MRPH_LOG_ERROR_IN("storeFolder", folder + " is not a private folder of this user");
        return "";
    }
    return folder;
}

std::string storeFile(const std::string& folder) {
    return folder + "/" + kPrimitiveClipboardType;
}

bool writeAll(int fd, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The store's file opened for reading, with its size; -1 when what stands there is not a regular file.
// Any process of the user's may leave anything at the path: a named pipe would block its reader's open
// until somebody writes, and a device may do anything when opened. So nothing but a regular file is
// opened, and the open itself never waits, should the path change between the look and the open.
int openStore(off_t* size) {
    const std::string folder = storeFolder();
    if (folder.empty()) return -1;
    const std::string file = storeFile(folder);
    struct stat seen {};
    if (lstat(file.c_str(), &seen) != 0 || !S_ISREG(seen.st_mode)) return -1;
    const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    *size = info.st_size;
    return fd;
}

}  // namespace

void CopyBytesToClipboard(const void* bytes, std::size_t size) {
    const std::string folder = storeFolder();
    if (folder.empty()) return;
    const std::string file = storeFile(folder);
    if (size == 0 || !bytes) {
        // Nothing copied: the clipboard holds nothing.
        if (unlink(file.c_str()) != 0 && errno != ENOENT)
            logFailure("CopyBytesToClipboard", "cannot empty " + file);
        return;
    }
    std::string temporary = file + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        logFailure("CopyBytesToClipboard", "cannot write in " + folder);
        return;
    }
    const bool written = writeAll(fd, static_cast<const unsigned char*>(bytes), size);
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.c_str(), file.c_str()) != 0) {
        logFailure("CopyBytesToClipboard", "cannot store the records in " + file);
        unlink(temporary.c_str());
    }
}

bool PasteBytesFromClipboard(std::vector<std::uint8_t>& bytes) {
    off_t size = 0;
    const int fd = openStore(&size);
    if (fd < 0) return false;
    if (size <= 0 || size > kLargestPayload) {
        if (size > kLargestPayload)
            MRPH_LOG_ERROR_IN("PasteBytesFromClipboard", "the clipboard holds " + std::to_string(size) +
                                                             " bytes, more than a copy writes");
        close(fd);
        return false;
    }
    // Never more than a copy writes, whatever the file grows to meanwhile.
    std::vector<std::uint8_t> data(static_cast<size_t>(size));
    size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got == 0) return false;
    data.resize(got);
    bytes = std::move(data);
    return true;
}

// Asked for every new look of the panel and after every button: the same test as a paste makes, without
// reading a byte.
bool IsBytesInClipboard() {
    off_t size = 0;
    const int fd = openStore(&size);
    if (fd < 0) return false;
    close(fd);
    return size > 0 && size <= kLargestPayload;
}
