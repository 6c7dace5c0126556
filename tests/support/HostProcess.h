// HostProcess.h — the built morphalith-host run as a child process, as a user meets it: its exit
// status, standard output and standard error read apart, in a scratch folder of its own.
#ifndef MORPHALITH_TESTS_HOST_PROCESS_H
#define MORPHALITH_TESTS_HOST_PROCESS_H

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace host_process {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A scratch folder per test, removed afterwards: out/ for what the host writes ("{dir}" in arguments),
// home/ for the child's HOME (the OpenCL runtime keeps its cache there).
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mrph-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        dir_ = root_ / "out";
        fs::create_directories(dir_);
        fs::create_directories(root_ / "home");
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs morphalith-host with the arguments ("{dir}" stands for the scratch folder) and waits for it.
    Result host(std::vector<std::string> args) {
        Result run;
        for (std::string& a : args)
            for (size_t at; (at = a.find("{dir}")) != std::string::npos;) a.replace(at, 5, dir_.string());
        std::vector<char*> argv{const_cast<char*>(MRPH_TEST_HOST_PATH)};
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        // The child sees this build's module whatever the caller's environment says, and environment_
        // on top of it.
        std::vector<std::string> env;
        auto overridden = [this](const char* entry) {
            if (std::strncmp(entry, "HOME=", 5) == 0 || std::strncmp(entry, "MORPHALITH_MODULE=", 18) == 0) return true;
            const std::string name(entry, std::strcspn(entry, "="));
            return environment_.count(name) > 0;
        };
        for (char** e = environ; *e; ++e)
            if (!overridden(*e)) env.push_back(*e);
        env.push_back("HOME=" + (root_ / "home").string());
        for (const auto& [name, value] : environment_)
            if (value) env.push_back(name + "=" + *value);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        const fs::path outPath = root_ / "stdout.txt", errPath = root_ / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << MRPH_TEST_HOST_PATH;
        if (spawned != 0) return run;
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        run.out = readFile(outPath);
        run.err = readFile(errPath);
        fs::remove(outPath);
        fs::remove(errPath);
        return run;
    }

    // The names of the files in the scratch folder.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }

    fs::path root_, dir_;
    // Variables the child gets in place of the caller's: a value, or none to leave the variable out.
    std::map<std::string, std::optional<std::string>> environment_;
};

inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) text += (text.empty() ? "" : " ") + a;
    return text;
}

}  // namespace host_process

#endif  // MORPHALITH_TESTS_HOST_PROCESS_H
