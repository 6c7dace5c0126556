// FuzzHost.h — what every libFuzzer target of the project shares: the stand-in host with this build's
// module, a check that stops the run (a crash libFuzzer keeps) when an input breaks a promise, and the
// host's balance check turned into such a stop.
#ifndef MORPHALITH_TESTS_FUZZ_HOST_H
#define MORPHALITH_TESTS_FUZZ_HOST_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Host.h"

namespace fuzz {

// An input broke a promise: say which, and end the run as a crash, so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

inline void require(bool holds, const std::string& what) {
    if (!holds) fail(what);
}

// Once per process, before the first input: commands that leave anything held stop the run, and the
// module's log lines (one per repaired record, say) go nowhere instead of slowing every input down.
inline void setUpProcess() {
    host::Host::setBalanceHandler([](const std::string& fault) { fail("host: " + fault); });
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
}

// A host with this build's module loaded (the path the build gives, or $MORPHALITH_MODULE).
inline host::Host* loadedHost() {
    auto* h = new host::Host(MRPH_FUZZ_MODULE_PATH);
    h->setCaptureOutput(false);
    h->trace().setKeep(false);
    require(h->load(), "the module does not load: " + h->error());
    return h;
}

}  // namespace fuzz

#endif  // MORPHALITH_TESTS_FUZZ_HOST_H
