// wine_support.h — what the Windows test host's tests share: where the module and the sources are,
// the plug-in's debugger output caught in-process, child processes of this test program, and
// scratch folders.
#ifndef MORPHALITH_TESTS_WIN_WINE_SUPPORT_H
#define MORPHALITH_TESTS_WIN_WINE_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

namespace wine_test {

// This test program's folder, with a trailing backslash; Morphalith.aex is built beside it.
std::string programFolder();
std::string modulePath();
// A file of the source tree (a path relative to its root, with forward slashes).
std::string sourceFile(const std::string& relative);

// Collects what this process writes with OutputDebugString (the plug-in's console) during its life:
// the system raises the text as an exception that a vectored handler sees first.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::string text() const;
    bool contains(const std::string& piece) const { return text().find(piece) != std::string::npos; }

private:
    std::string* text_;
};

// Runs this test program again as a child: `--child MODE ARGS...` (see main.cpp), under another file
// name when `asProgram` is given: a copy of this program is made there first, beside this one or at
// that full path ("C:\\...\\name.exe"), and the child runs in the copy's folder. Returns the exit
// code, or -1 when it could not be started or ran for longer than the timeout; *output gets what it
// printed to standard output. This thread's messages are dispatched while it waits.
int runChild(const std::vector<std::string>& args, std::string* output = nullptr, const std::string& asProgram = "",
             DWORD timeoutMs = 60000);

// A new empty folder under the user's temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // With a trailing backslash.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

}  // namespace wine_test

#endif  // MORPHALITH_TESTS_WIN_WINE_SUPPORT_H
