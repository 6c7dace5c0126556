// Every test process gets a HOME of its own under the temporary folder, removed at the end: the
// module writes its log and the saved kernel-build log below HOME, and no test may leave files in
// the user's own home. Tests that look at those files set a HOME of their own on top of this one.
#include <gtest/gtest.h>

#include <stdlib.h>

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
    }

    void TearDown() override {
        if (hadHome_) setenv("HOME", oldHome_.c_str(), 1);
        else unsetenv("HOME");
        std::error_code ignored;
        if (!home_.empty()) std::filesystem::remove_all(home_, ignored);
    }

private:
    bool hadHome_ = false;
    std::string oldHome_, home_;
};

[[maybe_unused]] ::testing::Environment* const kPrivateHome = ::testing::AddGlobalTestEnvironment(new PrivateHome);

}  // namespace
