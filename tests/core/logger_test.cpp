// The console line, the "_DebugLog" switch, the log file on the desktop and the saved log.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "Headers/LogsController.h"
#include "Version.h"
#include "host/OutputCapture.h"

namespace fs = std::filesystem;

namespace {

std::string g_modulePath;

PF_Err FakePlatformData(PF_ProgPtr, PF_PlatDataID which, void* data) {
    if (which != PF_PlatData_EXE_FILE_PATH_W) return PF_Err_BAD_CALLBACK_PARAM;
    auto* out = static_cast<A_UTF16Char*>(data);
    for (size_t i = 0; i < g_modulePath.size(); ++i) out[i] = static_cast<unsigned char>(g_modulePath[i]);
    out[g_modulePath.size()] = 0;
    return PF_Err_NONE;
}

A_char* Strcpy(A_char* out, const A_char* in) { return std::strcpy(out, in); }

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A temporary HOME, a fake host identity, and the logger's settings put back afterwards.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Logger::getInstance()->getData();
        const char* home = std::getenv("HOME");
        hadHome_ = home != nullptr;
        if (home) oldHome_ = home;
        char pattern[] = "/tmp/morphalith-home-XXXXXX";
        home_ = mkdtemp(pattern);
        setenv("HOME", home_.c_str(), 1);

        utils_.ansi.strcpy = Strcpy;
        utils_.get_platform_data = FakePlatformData;
        in_.utils = &utils_;
        in_.appl_id = MRPH_FOURCC('F', 'X', 'T', 'C');
        in_.version = {13, 28};
        out_.my_version = kEffectVersionWord;
    }
    void TearDown() override {
        Logger::getInstance()->getData() = saved_;
        if (hadHome_) setenv("HOME", oldHome_.c_str(), 1);
        else unsetenv("HOME");
        fs::remove_all(home_);
    }

    PF_Err init(const std::string& modulePath) {
        g_modulePath = modulePath;
        host::OutputCapture console;
        PF_Err err = LoggerInit(&in_, &out_, "Morphalith", "Quorvex-Labs");
        printed_ = console.finish();
        return err;
    }

    fs::path logFile() const { return fs::path(home_) / "Desktop" / "Quorvex-Labs" / "Morphalith.log"; }

    LogsData saved_;
    bool hadHome_ = false;
    std::string oldHome_, home_, printed_;
    PF_UtilCallbacks utils_{};
    PF_InData in_{};
    PF_OutData out_{};
};

const char* kStamp = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ";

TEST_F(LoggerTest, LineShapesOnConsoleAndFile) {
    LogsData& data = Logger::getInstance()->getData();
    std::strcpy(data.tag, "Morphalith");
    std::string file = home_ + "/lines.log";
    std::strcpy(data.path, file.c_str());
    data.writeToFile = true;

    struct Case {
        std::string message, console, fileLine;
    };
    const Case cases[] = {
        {"abc", "[Morphalith] : abc\n", "[Morphalith] : abc"},
        {"abc\n", "[Morphalith] : abc\n", "[Morphalith] : abc"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        fs::remove(file);
        host::OutputCapture console;
        spdlog_log(c.message);
        EXPECT_EQ(console.finish(), c.console) << "message \"" << c.message << "\"";
        std::string written = readFile(file);
        EXPECT_TRUE(std::regex_match(written, std::regex(std::string("^") + kStamp +
                                                         std::regex_replace(c.fileLine, std::regex("[\\[\\]]"),
                                                                            "\\$&") +
                                                         "\n$")))
            << "file got \"" << written << "\" for \"" << c.message << "\"";
    }
}

TEST_F(LoggerTest, UnopenableFileCostsOnlyTheFileCopy) {
    LogsData& data = Logger::getInstance()->getData();
    std::strcpy(data.tag, "T");
    std::strcpy(data.path, (home_ + "/no/such/folder/x.log").c_str());
    data.writeToFile = true;
    host::OutputCapture console;
    spdlog_log("kept");
    EXPECT_EQ(console.finish(), "[T] : kept\nFailed to open log file.\n");
}

TEST_F(LoggerTest, DebugLogMarkerInTheModulePathSwitchesFileLoggingOn) {
    fs::create_directories(logFile().parent_path());
    std::ofstream(logFile()) << "old run\n";

    ASSERT_EQ(init("/Applications/Plug-ins/_DebugLog/Morphalith.plugin"), PF_Err_NONE);
    EXPECT_TRUE(Logger::getInstance()->getData().writeToFile);
    EXPECT_EQ(std::string(Logger::getInstance()->getData().path), logFile().string());
    std::string written = readFile(logFile());
    // The old log is gone; the folder existed, so no creation line.
    std::regex expected(std::string("^") + kStamp + "\\[Morphalith\\] : Welcome!\n" + kStamp +
                        "\\[Morphalith\\] : Morphalith, v1\\.1\\.0 in ae13\n$");
    EXPECT_TRUE(std::regex_match(written, expected)) << written;
    EXPECT_EQ(printed_, "[Morphalith] : Welcome!\n[Morphalith] : Morphalith, v1.1.0 in ae13\n");
}

TEST_F(LoggerTest, MissingLogFolderIsCreatedAndSaidSo) {
    ASSERT_EQ(init("/p/_DebugLog/Morphalith.plugin"), PF_Err_NONE);
    std::string folder = (fs::path(home_) / "Desktop" / "Quorvex-Labs").string() + "/";
    std::string written = readFile(logFile());
    std::string first = written.substr(0, written.find('\n'));
    EXPECT_TRUE(std::regex_match(first, std::regex(std::string("^") + kStamp + "\\[Morphalith\\] : Folder \"" +
                                                   folder + "\" doesn't exists\\. Creating\\.\\.\\.$")))
        << first;
    EXPECT_NE(written.find("Welcome!"), std::string::npos);
}

TEST_F(LoggerTest, MarkerAtTheStartOrAbsentLeavesTheFileAlone) {
    for (const char* path : {"_DebugLog/Morphalith.plugin", "/Applications/Morphalith.plugin", ""}) {
        ASSERT_EQ(init(path), PF_Err_NONE);
        EXPECT_FALSE(Logger::getInstance()->getData().writeToFile) << path;
        EXPECT_FALSE(fs::exists(logFile())) << path;
    }
}

TEST_F(LoggerTest, NoHomeMeansConsoleOnly) {
    unsetenv("HOME");
    ASSERT_EQ(init("/p/_DebugLog/Morphalith.plugin"), PF_Err_NONE);
    EXPECT_FALSE(Logger::getInstance()->getData().writeToFile);
    EXPECT_EQ(std::string(Logger::getInstance()->getData().path), "");
    EXPECT_NE(printed_.find("Welcome!"), std::string::npos);
    EXPECT_EQ(saveLogs(&in_, &out_, "build log"), "");
}

TEST_F(LoggerTest, UncreatableFolderNeverFailsTheCommand) {
    // HOME is a plain file: nothing can be made below it.
    std::string blocker = home_ + "/file";
    std::ofstream(blocker) << "x";
    setenv("HOME", blocker.c_str(), 1);
    EXPECT_EQ(init("/p/_DebugLog/Morphalith.plugin"), PF_Err_NONE);
    EXPECT_FALSE(Logger::getInstance()->getData().writeToFile);
    EXPECT_NE(printed_.find("Welcome!"), std::string::npos);
    EXPECT_EQ(saveLogs(&in_, &out_, "build log"), "");
}

TEST_F(LoggerTest, OverlongHomeNeverOverrunsTheFields) {
    std::string deep = home_ + "/" + std::string(300, 'd');
    setenv("HOME", deep.c_str(), 1);
    EXPECT_EQ(init("/p/_DebugLog/Morphalith.plugin"), PF_Err_NONE);
    EXPECT_FALSE(Logger::getInstance()->getData().writeToFile);
    EXPECT_LT(std::strlen(Logger::getInstance()->getData().path), sizeof(LogsData::path));
}

TEST_F(LoggerTest, SavedLogCollapsesRunsOfLineEnds) {
    std::string path = saveLogs(&in_, &out_, "a\n\n\nb\n\n");
    fs::path expectedPath = fs::path(home_) / "Desktop" / "Quorvex Labs" / "Morphalith.log";
    ASSERT_EQ(path, expectedPath.string());
    std::string written = readFile(path);
    std::regex expected(
        "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} :: \\[MRPH\\] :: Morphalith, v1\\.1\\.0 in AE "
        "v13\\.28\na\nb\n\n$");
    EXPECT_TRUE(std::regex_match(written, expected)) << written;
}

TEST_F(LoggerTest, HostIdentification) {
    struct Case {
        A_long appl;
        A_short major;
        const char* id;
    };
    const Case cases[] = {{MRPH_FOURCC('F', 'X', 'T', 'C'), 13, "ae13"},
                          {MRPH_FOURCC('P', 'r', 'M', 'r'), 13, "premiere13"},
                          {MRPH_FOURCC('A', 'B', 'C', 'D'), 13, "13"},
                          {MRPH_FOURCC('F', 'X', 'T', 'C'), -2, "ae-2"}};
    for (const Case& c : cases) {
        in_.appl_id = c.appl;
        in_.version.major = c.major;
        EXPECT_EQ(appid(&in_), c.id);
    }
}

TEST(VersionWord, DecodesToOneOneZero) {
    VersionNumbers v = decodeVersion(558594);
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 1);
    EXPECT_EQ(v.fix, 0);
    VersionNumbers big = decodeVersion(PF_VERSION(13, 7, 3, PF_Stage_BETA, 1));
    EXPECT_EQ(big.major, 13);
    EXPECT_EQ(big.minor, 7);
    EXPECT_EQ(big.fix, 3);
}

}  // namespace
