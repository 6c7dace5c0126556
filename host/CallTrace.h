// CallTrace.h — the host's record of what the module asked of it, in order (the --trace output).
#ifndef MORPHALITH_HOST_CALL_TRACE_H
#define MORPHALITH_HOST_CALL_TRACE_H

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace host {

class CallTrace {
public:
    void record(const std::string& line) {
        // Nothing to do takes no lock: render threads do not order each other through the trace.
        if (!keep_.load(std::memory_order_relaxed) && !echo_.load(std::memory_order_relaxed)) return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (keep_) lines_.push_back(line);
        if (echo_) std::fprintf(stderr, "[trace] %s\n", line.c_str());
    }
    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }
    void setEcho(bool echo) { echo_ = echo; }
    bool keeps() const { return keep_; }
    // Whether lines are kept for lines() (the tests read them). A long render makes thousands of
    // host calls a frame: the command line and the fuzzers keep none.
    void setKeep(bool keep) {
        std::lock_guard<std::mutex> lock(mutex_);
        keep_ = keep;
        if (!keep) lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::atomic<bool> echo_{false};
    std::atomic<bool> keep_{true};
};

}  // namespace host

#endif  // MORPHALITH_HOST_CALL_TRACE_H
