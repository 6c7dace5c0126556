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

ConsoleToStderr::ConsoleToStderr() {
    std::fflush(stdout);
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    const int saved = dup(STDOUT_FILENO);
    if (saved < 0) return;
    output_ = fdopen(saved, "w");
    if (!output_ || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        if (output_) std::fclose(output_);
        else close(saved);
        output_ = nullptr;
    }
}

ConsoleToStderr::~ConsoleToStderr() {
    if (!output_) return;
    std::fflush(stdout);
    std::fflush(output_);
    dup2(fileno(output_), STDOUT_FILENO);
    std::fclose(output_);
}

}  // namespace host
