// LogLines.h — the module's console output as lines to compare whole: the "[Morphalith] : " prefix
// taken off, and an error line's source line number written "*" ("ERROR [File.mm:*:Function] :: text").
#ifndef MORPHALITH_TESTS_MAC_LOG_LINES_H
#define MORPHALITH_TESTS_MAC_LOG_LINES_H

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace mac_test {

inline std::vector<std::string> LogLines(const std::string& printed, const std::string& tag = "Morphalith") {
    static const std::regex kLineNumber(R"(^ERROR \[([^:\]]+):[0-9]+:)");
    const std::string prefix = "[" + tag + "] : ";
    std::vector<std::string> lines;
    std::istringstream in(printed);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) != 0) continue;  // GNUstep's own notes, say
        lines.push_back(std::regex_replace(line.substr(prefix.size()), kLineNumber, "ERROR [$1:*:"));
    }
    return lines;
}

// Whether the lines hold this one.
inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

}  // namespace mac_test

#endif  // MORPHALITH_TESTS_MAC_LOG_LINES_H
