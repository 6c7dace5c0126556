// Compiler.cpp — a library from Metal text: clang++ compiles the prepared text against metal_stdlib
// into a shared object, which is loaded with dlopen. Clean compiles are kept in a cache folder, keyed
// by a hash of everything that decides the result, and written there by an atomic rename, so that
// processes compiling the same text at once never see half a file.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "StandInInternal.h"

extern "C" char** environ;
extern const char kMetalShimText[];  // metal_stdlib, embedded at build time

namespace MTLStandIn {

namespace {

// clang++ as the build found it; MRPH_METAL_CXX wins.
#ifndef MRPH_METAL_DEFAULT_CXX
#define MRPH_METAL_DEFAULT_CXX "clang++"
#endif

// Options of every compile; a change here changes every cache key.
const char* const kCompileOptions[] = {"-std=c++17",  "-x",
                                       "c++",         "-O2",
                                       "-ffast-math", "-fPIC",
                                       "-shared",     "-fvisibility=hidden",
                                       "-Wall",       "-fno-color-diagnostics",
                                       "-isystem",    "include"};

std::atomic<long> g_compilerRuns{0}, g_cacheHits{0};

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Runs argv in folder cwd (empty: here), its standard output and error together into *output.
// Returns the exit status, or -1 when it could not be started or did not exit normally.
int run(const std::vector<std::string>& argv, const std::string& cwd, std::string* output) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return -1;
    }
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(pipeFds[0], chunk, sizeof(chunk));
        if (n > 0)
            output->append(chunk, (size_t)n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// FNV-1a over 128 bits: enough to tell apart every text a cache folder will ever see.
struct Hash128 {
    unsigned __int128 value = ((unsigned __int128)0x6c62272e07bb0142ULL << 64) | 0x62b821756295c58dULL;
    void add(const std::string& bytes) {
        const unsigned __int128 prime =
            ((unsigned __int128)0x0000000001000000ULL << 64) | 0x000000000000013BULL;
        for (unsigned char c : bytes) {
            value ^= c;
            value *= prime;
        }
        value ^= 0xff;  // a separator no text byte sequence can imitate by moving the boundary
        value *= prime;
    }
    std::string hex() const {
        char text[33];
        std::snprintf(text, sizeof(text), "%016llx%016llx", (unsigned long long)(value >> 64),
                      (unsigned long long)value);
        return text;
    }
};

bool makeFolders(const std::string& path) {
    std::string partial;
    std::stringstream parts(path);
    std::string part;
    if (!path.empty() && path[0] == '/') partial = "/";
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        partial += part + "/";
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    return (bool)file;
}

// A fresh folder for one compile, named after the process, inside the cache folder when it can be
// made (so the result can be renamed into place), else in the temporary folder.
std::string makeWorkFolder(const std::string& cache, bool* inCache) {
    std::string base = cache + "/build." + std::to_string(getpid()) + ".XXXXXX";
    *inCache = makeFolders(cache) && mkdtemp(base.data()) != nullptr;
    if (*inCache) return base;
    std::string tmp = env("TMPDIR");
    base = (tmp.empty() ? "/tmp" : tmp) + "/morphalith-metal.XXXXXX";
    return mkdtemp(base.data()) ? base : "";
}

void removeWorkFolder(const std::string& folder) {
    for (const char* name : {"/program_source", "/include/metal_stdlib", "/library.so"})
        unlink((folder + name).c_str());
    rmdir((folder + "/include").c_str());
    rmdir(folder.c_str());
}

// Loads a compiled library and finds its kernels' entries.
std::shared_ptr<MTL::CompiledCode> load(const std::string& path, const detail::PreparedSource& source,
                                        std::string* error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        *error = std::string("the compiled library could not be loaded: ") + (why ? why : path.c_str());
        return nullptr;
    }
    auto code = std::make_shared<MTL::CompiledCode>();
    code->handle = handle;
    code->kernels = source.kernels;
    for (const detail::KernelEntry& k : source.kernels)
        code->entries.push_back(
            reinterpret_cast<detail::EntryFunction>(dlsym(handle, detail::entrySymbol(k.name).c_str())));
    return code;
}

}  // namespace

std::string compilerPath() {
    const std::string chosen = env("MRPH_METAL_CXX");
    return chosen.empty() ? MRPH_METAL_DEFAULT_CXX : chosen;
}

std::string compilerVersion() {
    static std::mutex lock;
    static std::map<std::string, std::string> versions;  // by compiler path
    const std::string path = compilerPath();
    std::lock_guard<std::mutex> guard(lock);
    auto it = versions.find(path);
    if (it != versions.end()) return it->second;
    std::string output;
    if (run({path, "--version"}, "", &output) != 0) output.clear();
    const std::string line = output.substr(0, output.find('\n'));
    versions[path] = line;
    return line;
}

std::string cacheFolder() {
    const std::string chosen = env("MRPH_METAL_CACHE_DIR");
    if (!chosen.empty()) return chosen;
    const std::string xdg = env("XDG_CACHE_HOME");
    if (!xdg.empty()) return xdg + "/morphalith/metal";
    const std::string home = env("HOME");
    if (!home.empty()) return home + "/.cache/morphalith/metal";
    return "/tmp/morphalith-metal-cache-" + std::to_string(getuid());
}

const char* shimText() {
    return kMetalShimText;
}

CompileCounts compileCounts() {
    return CompileCounts{g_compilerRuns.load(), g_cacheHits.load()};
}

namespace detail {

CompileOutcome compileLibrary(const std::string& text) {
    CompileOutcome outcome;
    const PreparedSource source = prepareSource(text);
    const std::string compiler = compilerPath();
    const std::string version = compilerVersion();
    if (version.empty()) {
        outcome.diagnostics = "no Metal compiler: \"" + compiler +
                              "\" could not be run (install clang, or set "
                              "MRPH_METAL_CXX to a clang++)";
        return outcome;
    }

    Hash128 key;
    key.add(source.program);
    key.add(kMetalShimText);
    key.add(version);
    for (const char* option : kCompileOptions) key.add(option);
    const std::string cache = cacheFolder();
    const std::string cached = cache + "/" + key.hex() + ".so";

    if (access(cached.c_str(), R_OK) == 0) {
        std::string error;
        outcome.code = load(cached, source, &error);
        if (outcome.code) {
            g_cacheHits += 1;
            return outcome;
        }
        unlink(cached.c_str());  // unreadable: made again below
    }

    bool inCache = false;
    const std::string work = makeWorkFolder(cache, &inCache);
    if (work.empty() || !makeFolders(work + "/include") ||
        !writeFile(work + "/program_source", source.program) ||
        !writeFile(work + "/include/metal_stdlib", kMetalShimText)) {
        if (!work.empty()) removeWorkFolder(work);
        outcome.diagnostics = "the Metal compile could not write its files under " + cache;
        return outcome;
    }

    std::vector<std::string> argv = {compiler};
    for (const char* option : kCompileOptions) argv.push_back(option);
    argv.insert(argv.end(), {"program_source", "-o", "library.so"});
    g_compilerRuns += 1;
    const int status = run(argv, work, &outcome.diagnostics);

    if (status != 0) {
        if (outcome.diagnostics.empty())
            outcome.diagnostics =
                "the Metal compiler \"" + compiler + "\" stopped with status " + std::to_string(status);
    } else if (outcome.diagnostics.empty() && inCache &&
               rename((work + "/library.so").c_str(), cached.c_str()) == 0) {
        outcome.code = load(cached, source, &outcome.diagnostics);
    } else {
        // Warnings (or no cache): loaded from the work folder, whose file may go once it is mapped.
        std::string error;
        outcome.code = load(work + "/library.so", source, &error);
        if (!outcome.code) outcome.diagnostics += error;
    }
    removeWorkFolder(work);
    return outcome;
}

}  // namespace detail

}  // namespace MTLStandIn

namespace MTL {

CompiledCode::~CompiledCode() {
    if (handle) dlclose(handle);
}

}  // namespace MTL
