// LogsController.h — the plug-in's one logger.
//
// Every line goes to the console as "[" tag "] : " text. When the module's path carries "_DebugLog"
// the line is also appended, time-stamped, to <desktop>/Quorvex-Labs/Morphalith.log. There are no
// levels: an error line is a message that starts with "ERROR [file:line:function] :: ".
//
// The writers are defined here with internal linkage, so every unit carries its own copy; all
// copies share the one Logger instance.
#ifndef MORPHALITH_CORE_LOGS_CONTROLLER_H
#define MORPHALITH_CORE_LOGS_CONTROLLER_H

#include <cstdio>
#include <ctime>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "PF_Effect.h"

#if defined(_WIN32)
extern "C" __declspec(dllimport) void __stdcall OutputDebugStringA(const char* lpOutputString);
#endif

struct LogsData {
    char path[260];    // the log file's full path
    char folder[260];  // the log folder, ending with a separator
    char tag[255];     // shown in every line's prefix
    bool writeToFile;

    LogsData() : path{}, folder{}, tag{}, writeToFile(false) {}
};

class Logger {
public:
    static Logger* getInstance() {
        if (!instance) createInstance();
        return instance.get();
    }
    LogsData& getData() { return data; }

private:
    Logger() = default;
    static void createInstance() { instance.reset(new Logger()); }

    LogsData data;
    static std::unique_ptr<Logger> instance;
};

namespace {

// Console print of the text unchanged.
[[maybe_unused]] void OutputDebugString(const char* text) {
#if defined(_WIN32)
    ::OutputDebugStringA(text);
#else
    std::fputs(text, stdout);
#endif
}

#if !defined(_WIN32)
[[maybe_unused]] void OutputDebugStringA(const char* text) { OutputDebugString(text); }
#endif

[[maybe_unused]] void output_debug(const std::ostringstream& stream) {
    std::string text = stream.str();
    if (!text.empty() && text.back() != '\n') text += "\n";
    OutputDebugString(text.c_str());
}

// Appends "<local time> <message>\n" to the file at path (opened and closed for every line).
[[maybe_unused]] void simple_log(const std::string& message, const std::string& path) {
    std::ofstream file(path, std::ios::out | std::ios::app);
    if (!file.is_open()) {
        OutputDebugString("Failed to open log file.\n");
        return;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);
    file << stamp << " " << message << "\n";
}

[[maybe_unused]] void spdlog_log(std::string message) {
    try {
        LogsData& data = Logger::getInstance()->getData();
        if (!message.empty()) {
            std::string line("[");
            line.append(data.tag).append("] : ").append(message);
            message.swap(line);
        }
        if (!message.empty() && message.back() != '\n') {
            OutputDebugString((message + "\n").c_str());
        } else {
            OutputDebugString(message.c_str());
            if (!message.empty()) message.pop_back();
        }
        if (data.writeToFile) simple_log(message, data.path);
    } catch (const std::exception& e) {
        std::ostringstream note;
        note << "Log failed: " << e.what();
        output_debug(note);
    }
}

[[maybe_unused]] void spdlog_log(std::stringstream stream) {
    try {
        spdlog_log(stream.str());
    } catch (const std::exception& e) {
        std::ostringstream note;
        note << "Log failed: " << e.what();
        output_debug(note);
    }
}

// The last component of a source path, for error lines.
[[maybe_unused]] std::string sourceFileName(const char* path) {
    std::string p(path);
    size_t cut = p.find_last_of("/\\");
    return cut == std::string::npos ? p : p.substr(cut + 1);
}

[[maybe_unused]] std::string errorLine(const char* file, int line, const char* function, const std::string& text) {
    return "ERROR [" + sourceFileName(file) + ":" + std::to_string(line) + ":" + function + "] :: " + text;
}

}  // namespace

// Writes one error line naming this source line and the enclosing function.
#define MRPH_LOG_ERROR(text) spdlog_log(errorLine(__FILE__, __LINE__, __func__, (text)))
// The same, for a caller that names the function itself.
#define MRPH_LOG_ERROR_IN(function, text) spdlog_log(errorLine(__FILE__, __LINE__, (function), (text)))

// Decodes the host's version word into major, minor and fix.
struct VersionNumbers {
    long major, minor, fix;
};
VersionNumbers decodeVersion(A_u_long versionWord);

// Configures the logger for this module: tag, file path, and whether lines also go to the file.
PF_Err LoggerInit(PF_InData* in_data, PF_OutData* out_data, const std::string& name, const std::string& maker);
// "ae13", "premiere13" or "13": which host, and its API major version.
std::string appid(const PF_InData* in_data);
// The plug-in module's own path, as the host reports it (UTF-16 narrowed to bytes).
std::string getModulePath(PF_InData* in_data);
// Appends a block of text to the saved-log file on the desktop; its path, or "" when it cannot be written.
std::string saveLogs(PF_InData* in_data, PF_OutData* out_data, std::string text);

#endif  // MORPHALITH_CORE_LOGS_CONTROLLER_H
