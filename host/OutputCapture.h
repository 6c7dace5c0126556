// OutputCapture.h — what the process prints to standard output: collected for one scope
// (OutputCapture, for tests), or sent to standard error (ConsoleToStderr, for the command line).
#ifndef MORPHALITH_HOST_OUTPUT_CAPTURE_H
#define MORPHALITH_HOST_OUTPUT_CAPTURE_H

#include <cstdio>
#include <string>

namespace host {

class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Stops capturing and returns the text (and echoes nothing).
    std::string finish();

private:
    int savedFd_ = -1;
    int tempFd_ = -1;
    bool done_ = false;
};

// The module writes its console lines to standard output. For the life of this object they go to
// standard error instead, and the host's own output goes to output(), the original standard output:
// so a command's result can be piped or redirected without the log lines running through it.
// Standard output is made line-buffered, so log lines and the host's messages on standard error stay
// in the order they were written.
class ConsoleToStderr {
public:
    ConsoleToStderr();
    ~ConsoleToStderr();
    ConsoleToStderr(const ConsoleToStderr&) = delete;
    ConsoleToStderr& operator=(const ConsoleToStderr&) = delete;

    // The stream for the command's own output (stdout itself if the descriptors could not be set up).
    FILE* output() const { return output_ ? output_ : stdout; }

private:
    FILE* output_ = nullptr;
};

}  // namespace host

#endif  // MORPHALITH_HOST_OUTPUT_CAPTURE_H
