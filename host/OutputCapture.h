// OutputCapture.h — collects what the process prints to standard output for one scope.
#ifndef MORPHALITH_HOST_OUTPUT_CAPTURE_H
#define MORPHALITH_HOST_OUTPUT_CAPTURE_H

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

}  // namespace host

#endif  // MORPHALITH_HOST_OUTPUT_CAPTURE_H
