// main.mm — the macOS bodies' test binary: GNUstep set up for this run alone, then the tests.
//
// GNUstep reads its configuration and its temporary folder from the environment the process started
// with (a later setenv is not seen), and keeps user defaults under the account's home from the
// password file, whatever HOME says. So the binary runs itself once more, as a child, with an
// environment of its own: a scratch folder holding a GNUstep.conf whose user folders lie inside it
// (GNUSTEP_CONFIG_FILE), the temporary folder where GNUstep names its message ports (TEMP, so the
// pasteboard server below is this run's alone), HOME and the runtime folder. The parent waits, removes
// the folder, and exits as the child did.
//
// In the child, before the first test, a pasteboard server of its own (gpbs) starts and the shared
// application is made (AppKit needs a window server: run under xvfb-run); after the last, the server
// stops. Child and server end with the process that started them, a runner's time-out included.
// Compiled Metal libraries and OpenCL programs are kept in the build folder, so a run compiles each
// text once.
#import <AppKit/AppKit.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LiveObjects.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kRootVariable = "MRPH_MAC_TEST_ROOT";

// Starts a program that ends when this process ends, however it ends (a test runner's time-out kills
// this process alone): the test child with its parent, the pasteboard server with the test child.
// The program is looked for on PATH; envp null: this process's environment. -1 when it cannot be
// started.
pid_t spawnTied(const char* program, char* const argv[], char* const envp[]) {
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0) return child;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the parent was gone before the tie was made
    execvpe(program, argv, envp ? envp : environ);
    _exit(127);
}

// /etc/GNUstep/GNUstep.conf with every user folder moved into the scratch folder.
void writeConfiguration(const fs::path& root) {
    std::ifstream system("/etc/GNUstep/GNUstep.conf");
    std::ostringstream conf;
    std::string line;
    while (std::getline(system, line))
        if (line.rfind("GNUSTEP_USER_", 0) != 0) conf << line << "\n";
    const std::string user = (root / "GNUstep").string();
    conf << "GNUSTEP_USER_CONFIG_FILE=" << (root / "GNUstep.user.conf").string() << "\n"
         << "GNUSTEP_USER_DEFAULTS_DIR=" << user << "/Defaults\n";
    for (const char* folder : {"APPS", "ADMIN_APPS", "WEB_APPS", "TOOLS", "ADMIN_TOOLS", "LIBRARY", "HEADERS",
                               "LIBRARIES", "DOC", "DOC_MAN", "DOC_INFO"})
        conf << "GNUSTEP_USER_DIR_" << folder << "=" << user << "/" << folder << "\n";
    std::ofstream(root / "GNUstep.conf") << conf.str();
}

// A runner's time-out or an interrupt reaches the parent: it passes it on to the child, then cleans up.
volatile pid_t g_child = 0;
void passOn(int signal) {
    if (g_child > 0) kill(g_child, signal);
}

int runChild(char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mrph-mac-tests-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    for (const char* folder : {"home", "runtime", "temp"}) fs::create_directory(root / folder);
    fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    fs::permissions(root / "temp", fs::perms::owner_all, fs::perm_options::replace);
    writeConfiguration(root);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "HOME" && name != "TEMP" && name != "TMP" && name != "XDG_RUNTIME_DIR" &&
            name != "GNUSTEP_CONFIG_FILE")
            env.push_back(entry);
    }
    env.push_back(std::string(kRootVariable) + "=" + root.string());
    env.push_back("HOME=" + (root / "home").string());
    env.push_back("XDG_RUNTIME_DIR=" + (root / "runtime").string());
    env.push_back("TEMP=" + (root / "temp").string());
    env.push_back("GNUSTEP_CONFIG_FILE=" + (root / "GNUstep.conf").string());
    env.push_back(std::string("MRPH_METAL_CACHE_DIR=") + MRPH_TEST_METAL_CACHE_DIR);
    env.push_back(std::string("POCL_CACHE_DIR=") + MRPH_TEST_POCL_CACHE_DIR);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int status = 1;
    const pid_t child = spawnTied("/proc/self/exe", argv, envp.data());
    g_child = child;
    signal(SIGTERM, passOn);
    signal(SIGINT, passOn);
    if (child < 0) {
        std::perror("fork");
    } else {
        pid_t waited;
        while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
        }
        if (waited == child) status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return status;
}

// The pasteboard server and the application, for the tests of this process.
class MacApplication : public ::testing::Environment {
public:
    void SetUp() override {
        // Without a display: given one, the server mirrors the general pasteboard into the X
        // selection, which every process on the (shared) virtual display would then write to.
        std::vector<char*> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.push_back(*e);
        env.push_back(nullptr);
        char gpbs[] = "gpbs", noFork[] = "--no-fork";
        char* argv[] = {gpbs, noFork, nullptr};
        server_ = spawnTied(gpbs, argv, env.data());
        ASSERT_GT(server_, 0) << "gpbs (gnustep-gui-runtime) could not be started";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        bool reached = false;
        while (!reached && std::chrono::steady_clock::now() < deadline) {
            @autoreleasepool {
                reached = [NSConnection rootProxyForConnectionWithRegisteredName:@"GNUstepGSPasteboardServer"
                                                                            host:nil] != nil;
            }
            if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(reached) << "the pasteboard server did not answer within 10 s";
        // Live objects are counted by class from here on (GSDebugAllocationCount), for the tests of
        // what the module lets go of.
        GSDebugAllocationActive(YES);
        @try {
            [NSApplication sharedApplication];
        } @catch (NSException* e) {
            FAIL() << "no application (run the tests under xvfb-run): " << [[e reason] UTF8String];
        }
    }
    void TearDown() override {
        if (server_ <= 0) return;
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }

private:
    pid_t server_ = -1;
};

// Each test runs inside an autorelease pool, as each event of an application does.
class PoolPerTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { pool_ = [[NSAutoreleasePool alloc] init]; }
    void OnTestEnd(const ::testing::TestInfo&) override {
        [pool_ drain];
        pool_ = nil;
    }
    NSAutoreleasePool* pool_ = nil;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv(kRootVariable)) return runChild(argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new MacApplication);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PoolPerTest);
    @autoreleasepool {
        return RUN_ALL_TESTS();
    }
}
