// Every test process gets a HOME of its own under the temporary folder, removed at the end: the
// module writes its log and the saved kernel-build log below HOME, and no test may leave files in
// the user's own home. Tests that look at those files set a HOME of their own on top of this one.
// The runtime folder ($XDG_RUNTIME_DIR, where the primitive clipboard lives) is a folder of that home
// too, so no test reads or writes the user's clipboard; host processes the tests start inherit both.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

class PrivateHome : public ::testing::Environment {
public:
    void SetUp() override {
        if (const char* home = std::getenv("HOME")) {
            hadHome_ = true;
            oldHome_ = home;
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "morphalith-home-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << "no private HOME could be made under " << pattern;
        home_ = pattern;
        setenv("HOME", home_.c_str(), 1);

        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
            hadRuntime_ = true;
            oldRuntime_ = runtime;
        }
        const std::string runtime = home_ + "/runtime";
        ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0) << "no private runtime folder could be made at " << runtime;
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }

    void TearDown() override {
        if (hadHome_) setenv("HOME", oldHome_.c_str(), 1);
        else unsetenv("HOME");
        if (hadRuntime_) setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else unsetenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        if (!home_.empty()) std::filesystem::remove_all(home_, ignored);
    }

private:
    bool hadHome_ = false, hadRuntime_ = false;
    std::string oldHome_, home_, oldRuntime_;
};

[[maybe_unused]] ::testing::Environment* const kPrivateHome = ::testing::AddGlobalTestEnvironment(new PrivateHome);

}  // namespace
