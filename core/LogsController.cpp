#include "Headers/LogsController.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "ReturnMessage.h"

#if defined(_WIN32)
#include "platform/win/DesktopFolder_Win.h"
#endif

std::unique_ptr<Logger> Logger::instance;

namespace {

// Field widths of the log paths while they are assembled.
constexpr size_t kMaxAssembledPath = 255;

// The user's desktop folder, or "" when it cannot be known.
std::string desktopFolder() {
#if defined(_WIN32)
    return windowsDesktopFolder();
#else
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "";
    return std::string(home) + "/Desktop";
#endif
}

std::string localStamp(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[80];
    std::strftime(stamp, sizeof(stamp), format, &local);
    return stamp;
}

// Every run of line ends becomes one (build logs come with blank lines between their entries).
std::string collapseLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\n' || out.empty() || out.back() != '\n') out.push_back(c);
    return out;
}

void copyField(char* field, size_t size, const std::string& text) {
    std::strncpy(field, text.c_str(), size - 1);
    field[size - 1] = '\0';
}

}  // namespace

VersionNumbers decodeVersion(A_u_long v) {
    return {static_cast<long>(((v >> 19) & 7) + ((v >> 26) & 15) * 8), static_cast<long>((v >> 15) & 15),
            static_cast<long>((v >> 11) & 15)};
}

std::string appid(const PF_InData* in_data) {
    std::string id;
    if (in_data->appl_id == MRPH_FOURCC('F', 'X', 'T', 'C')) id = "ae";
    else if (in_data->appl_id == MRPH_FOURCC('P', 'r', 'M', 'r')) id = "premiere";
    return id + std::to_string(static_cast<A_short>(in_data->version.major));
}

std::string getModulePath(PF_InData* in_data) {
    if (!in_data || !in_data->utils || !in_data->utils->get_platform_data) return "";
    std::vector<A_UTF16Char> wide(4096, 0);
    if (in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_EXE_FILE_PATH_W, wide.data()) !=
        PF_Err_NONE)
        return "";
    wide.back() = 0;  // never read past the buffer, whatever the host wrote
    std::string path;
    for (A_UTF16Char unit : wide) {
        if (unit == 0) break;
        path.push_back(static_cast<char>(unit & 0xFF));
    }
    return path;
}

PF_Err LoggerInit(PF_InData* in_data, PF_OutData* out_data, const std::string& name, const std::string& maker) {
    try {
        LogsData& data = Logger::getInstance()->getData();
        VersionNumbers version = decodeVersion(out_data->my_version);
        char versionText[1024];
        std::snprintf(versionText, sizeof(versionText), "%s, v%ld.%ld.%ld in %s", name.c_str(), version.major,
                      version.minor, version.fix, appid(in_data).c_str());

        std::string desktop = desktopFolder();
        std::string folder = desktop.empty() ? "" : desktop + "/" + maker + "/";
        std::string file = folder.empty() ? "" : folder + name + ".log";
        // Without a desktop, or with a path too long for the fields, the log stays on the console.
        bool pathFits = !file.empty() && folder.size() <= kMaxAssembledPath && file.size() <= kMaxAssembledPath;

        copyField(data.path, sizeof(data.path), pathFits ? file : "");
        copyField(data.folder, sizeof(data.folder), pathFits ? folder : "");
        copyField(data.tag, sizeof(data.tag), name);

        long marker = static_cast<int32_t>(getModulePath(in_data).find("_DebugLog"));
        data.writeToFile = pathFits && marker >= 1;

        if (data.writeToFile) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);  // an old log is discarded
            if (!std::filesystem::exists(folder, ignored)) {
                std::error_code made;
                std::filesystem::create_directories(folder, made);
                if (made) {
                    // The log stays on the console; the command that asked for it goes on.
                    data.writeToFile = false;
                    MRPH_LOG_ERROR("Cannot create the log folder \"" + folder + "\": " + made.message());
                } else {
                    spdlog_log("Folder \"" + folder + "\" doesn't exists. Creating...");
                }
            }
        }

        spdlog_log("Welcome!");
        spdlog_log(std::string(versionText));
        return PF_Err_NONE;
    } catch (const std::exception& e) {
        std::string message = std::string("An error occurred in LoggerInit:\n") + e.what();
        MRPH_LOG_ERROR(message);
        setReturnMessage(in_data, out_data, message);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

std::string saveLogs(PF_InData* in_data, PF_OutData* out_data, std::string text) {
    VersionNumbers version = decodeVersion(out_data->my_version);
    char versionLine[1024];
    std::snprintf(versionLine, sizeof(versionLine), "%s, v%ld.%ld.%ld in AE v%ld.%ld", "Morphalith", version.major,
                  version.minor, version.fix, static_cast<long>(in_data->version.major),
                  static_cast<long>(in_data->version.minor));

    std::string desktop = desktopFolder();
    if (desktop.empty()) return "";
#if defined(_WIN32)
    std::string folder = desktop + "\\Quorvex Labs\\";
#else
    std::string folder = desktop + "/Quorvex Labs/";
#endif
    std::string file = folder + "Morphalith.log";
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) return "";

    std::ofstream out(file, std::ios::out | std::ios::app);
    if (!out.is_open()) return "";
    out << localStamp("%Y-%m-%d %H:%M:%S :: [MRPH] :: ") << versionLine << "\n";
    out << collapseLineEnds(text) << "\n";
    return file;
}
