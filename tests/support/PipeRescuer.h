// PipeRescuer.h — a watch on a named pipe for tests of code that must never wait on one: after two
// seconds a writer is let in whenever a reader waits at the other end, so that the reader's open
// returns and the test fails where it would hang.
#ifndef MORPHALITH_TESTS_SUPPORT_PIPE_RESCUER_H
#define MORPHALITH_TESTS_SUPPORT_PIPE_RESCUER_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>

class PipeRescuer {
public:
    explicit PipeRescuer(std::string pipe) : pipe_(std::move(pipe)), thread_([this] { watch(); }) {}
    ~PipeRescuer() {
        stop_ = true;
        thread_.join();
    }
    PipeRescuer(const PipeRescuer&) = delete;
    PipeRescuer& operator=(const PipeRescuer&) = delete;

    // Whether a reader had to be let go.
    bool rescued() const { return rescued_; }

private:
    void watch() {
        const auto start = std::chrono::steady_clock::now();
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) continue;
            struct stat info {};
            if (stat(pipe_.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode)) continue;
            // Opens only while a reader waits at the other end.
            const int fd = open(pipe_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                rescued_ = true;
                close(fd);
            }
        }
    }

    std::string pipe_;
    std::atomic<bool> stop_{false}, rescued_{false};
    std::thread thread_;
};

#endif  // MORPHALITH_TESTS_SUPPORT_PIPE_RESCUER_H
