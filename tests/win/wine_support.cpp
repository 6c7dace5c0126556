#include "tests/win/wine_support.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace wine_test {

namespace {

std::mutex g_captureLock;
std::vector<std::string*> g_captures;

LONG CALLBACK catchDebugString(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: the length with its terminating zero, then the text.
    const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const size_t length = record->ExceptionInformation[0] > 0 ? record->ExceptionInformation[0] - 1 : 0;
    std::lock_guard<std::mutex> guard(g_captureLock);
    for (std::string* capture : g_captures) capture->append(text, length);
    return EXCEPTION_CONTINUE_EXECUTION;
}

std::string commandArg(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string programFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of("\\/") + 1);
}

std::string modulePath() { return programFolder() + "Morphalith.aex"; }

// The source tree is reached through wine's drive for the Unix root.
std::string sourceFile(const std::string& relative) { return std::string("Z:") + MRPH_SOURCE_DIR + "/" + relative; }

DebugOutputCapture::DebugOutputCapture() : text_(new std::string()) {
    // One handler for the process, first in line; it feeds every capture alive.
    static void* const handler = AddVectoredExceptionHandler(1, catchDebugString);
    (void)handler;
    std::lock_guard<std::mutex> guard(g_captureLock);
    g_captures.push_back(text_);
}

DebugOutputCapture::~DebugOutputCapture() {
    std::lock_guard<std::mutex> guard(g_captureLock);
    std::erase(g_captures, text_);
    delete text_;
}

std::string DebugOutputCapture::text() const {
    std::lock_guard<std::mutex> guard(g_captureLock);
    return *text_;
}

int runChild(const std::vector<std::string>& args, std::string* output, const std::string& asProgram,
             DWORD timeoutMs) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program = self;
    if (!asProgram.empty()) {
        const bool fullPath = asProgram.size() > 1 && asProgram[1] == ':';
        program = fullPath ? asProgram : programFolder() + asProgram;
        if (!CopyFileA(self, program.c_str(), FALSE)) return -1;
    }
    std::string commandLine = commandArg(program) + " --child";
    for (const std::string& a : args) commandLine += " " + commandArg(a);

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    // A copy elsewhere runs in its own folder, which it also searches for libraries.
    const std::string folder = program.substr(0, program.find_last_of("\\/") + 1);
    const BOOL started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        asProgram.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    int code = -1;
    if (started) {
        std::string printed;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        char buffer[4096];
        for (;;) {
            DWORD available = 0, got = 0;
            if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                if (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) printed.append(buffer, got);
                continue;
            }
            // Messages are pumped meanwhile, as a host's UI thread does: the child's clipboard calls send
            // messages to this process's clipboard owner window.
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT) == WAIT_OBJECT_0) {
                while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) printed.append(buffer, got);
                DWORD exitCode = 0;
                GetExitCodeProcess(process.hProcess, &exitCode);
                code = static_cast<int>(exitCode);
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, INFINITE);
                break;
            }
        }
        if (output) *output = printed;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    if (!asProgram.empty()) DeleteFileA(program.c_str());
    return code;
}

ScratchFolder::ScratchFolder() {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "mrph-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "\\";
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace wine_test
