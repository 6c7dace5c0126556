// OneLine.h — a message from a library or from the effect, fit for the host's one-line reports: each
// run of line ends becomes one blank, and trailing blanks go.
#ifndef MORPHALITH_HOST_ONE_LINE_H
#define MORPHALITH_HOST_ONE_LINE_H

#include <string>

namespace host {

inline std::string oneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') {
            line.push_back(text[i]);
        } else if (i == 0 || (text[i - 1] != '\n' && text[i - 1] != '\r')) {
            line.push_back(' ');
        }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace host

#endif  // MORPHALITH_HOST_ONE_LINE_H
