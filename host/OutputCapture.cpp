#include "host/OutputCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace host {

OutputCapture::OutputCapture() {
    std::fflush(stdout);
    FILE* temp = std::tmpfile();
    if (!temp) return;
    tempFd_ = dup(fileno(temp));
    std::fclose(temp);
    savedFd_ = dup(STDOUT_FILENO);
    if (tempFd_ < 0 || savedFd_ < 0 || dup2(tempFd_, STDOUT_FILENO) < 0) {
        if (tempFd_ >= 0) close(tempFd_);
        if (savedFd_ >= 0) close(savedFd_);
        tempFd_ = savedFd_ = -1;
    }
}

OutputCapture::~OutputCapture() { finish(); }

std::string OutputCapture::finish() {
    if (done_ || tempFd_ < 0) return "";
    done_ = true;
    std::fflush(stdout);
    dup2(savedFd_, STDOUT_FILENO);
    close(savedFd_);
    std::string text;
    lseek(tempFd_, 0, SEEK_SET);
    char buffer[4096];
    ssize_t n;
    while ((n = read(tempFd_, buffer, sizeof(buffer))) > 0) text.append(buffer, static_cast<size_t>(n));
    close(tempFd_);
    return text;
}

}  // namespace host
