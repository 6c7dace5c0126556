// KernelSource.cpp — reads the kernels of a Metal text (name, arguments, binding attributes) and writes
// the entries that bind them, as Metal's own compiler builds its argument tables.
#include <cctype>
#include <regex>

#include "StandInInternal.h"

namespace MTLStandIn::detail {

namespace {

bool isIdentChar(char c) {
    return std::isalnum((unsigned char)c) || c == '_';
}

// The text with comments and string and character literals turned into spaces (line breaks kept), so
// that the search below sees code only, at the same offsets.
std::string codeOnly(const std::string& text) {
    std::string code = text;
    size_t i = 0;
    auto blank = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < code.size(); ++k)
            if (code[k] != '\n') code[k] = ' ';
    };
    while (i < code.size()) {
        if (text.compare(i, 2, "//") == 0) {
            size_t end = text.find('\n', i);
            if (end == std::string::npos) end = text.size();
            blank(i, end);
            i = end;
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t end = text.find("*/", i + 2);
            end = end == std::string::npos ? text.size() : end + 2;
            blank(i, end);
            i = end;
        } else if (text[i] == '"' || text[i] == '\'') {
            const char quote = text[i];
            size_t end = i + 1;
            while (end < text.size() && text[end] != quote && text[end] != '\n')
                end += text[end] == '\\' ? 2 : 1;
            end = std::min(end + 1, text.size());
            blank(i + 1, end - 1);
            i = end;
        } else {
            ++i;
        }
    }
    return code;
}

size_t skipSpace(const std::string& code, size_t i) {
    while (i < code.size() && std::isspace((unsigned char)code[i])) ++i;
    return i;
}

// The identifier at i (empty when there is none).
std::string identifierAt(const std::string& code, size_t i) {
    size_t end = i;
    while (end < code.size() && isIdentChar(code[end])) ++end;
    if (end == i || std::isdigit((unsigned char)code[i])) return "";
    return code.substr(i, end - i);
}

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// One argument of a kernel. attributes: each [[...]] group's content with its offsets in the text.
struct RawArg {
    std::string declaration;  // type and name
    struct Attribute {
        std::string content;
        size_t begin, end;  // of "[[" ... "]]"
    };
    std::vector<Attribute> attributes;
};

// Splits the argument list between open and close (exclusive) at its top-level commas.
std::vector<RawArg> splitArguments(const std::string& code, size_t open, size_t close) {
    std::vector<RawArg> args;
    RawArg current;
    int depth = 0;
    size_t start = open;
    auto finish = [&](size_t end) {
        std::string declaration;
        size_t from = start;
        for (const RawArg::Attribute& a : current.attributes) {
            declaration += code.substr(from, a.begin - from) + " ";
            from = a.end;
        }
        declaration += code.substr(from, end - from);
        current.declaration = trim(declaration);
        if (!current.declaration.empty() || !current.attributes.empty()) args.push_back(current);
        current = RawArg();
    };
    for (size_t i = open; i < close; ++i) {
        if (code.compare(i, 2, "[[") == 0) {
            const size_t end = code.find("]]", i + 2);
            if (end == std::string::npos || end >= close) break;
            current.attributes.push_back({code.substr(i + 2, end - i - 2), i, end + 2});
            i = end + 1;
            continue;
        }
        const char c = code[i];
        if (c == '(' || c == '<' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == '>' || c == ']' || c == '}') --depth;
        if (c == ',' && depth == 0) {
            finish(i);
            start = i + 1;
        }
    }
    finish(close);
    return args;
}

// The kind and index an attribute names; false for one the stand-in does not bind.
bool readAttribute(const std::string& content, ArgKind* kind, int* index) {
    static const std::regex kIndexed(R"(^\s*(buffer|texture)\s*\(\s*(\d+)\s*\)\s*$)");
    static const std::regex kPosition(
        R"(^\s*(thread_position_in_grid|threadgroup_position_in_grid|thread_position_in_threadgroup)\s*$)");
    std::smatch m;
    if (std::regex_match(content, m, kIndexed)) {
        *kind = m[1] == "buffer" ? ArgKind::Buffer : ArgKind::Texture;
        *index = std::stoi(m[2].str().substr(0, 4));
        return *index < (*kind == ArgKind::Buffer ? kMaxBufferIndex : kMaxTextureIndex);
    }
    if (std::regex_match(content, m, kPosition)) {
        *kind = m[1] == "thread_position_in_grid"        ? ArgKind::ThreadPositionInGrid
                : m[1] == "threadgroup_position_in_grid" ? ArgKind::ThreadgroupPositionInGrid
                                                         : ArgKind::ThreadPositionInThreadgroup;
        *index = 0;
        return true;
    }
    return false;
}

std::string cString(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c == '\n' ? ' ' : c;
    }
    return out;
}

// The expression that passes one bound argument in an entry.
std::string argumentExpression(const KernelArg& arg) {
    switch (arg.kind) {
        case ArgKind::Buffer:
            return "__mtl::buffer_arg<" + arg.type + ">::get(L->buffers[" + std::to_string(arg.index) + "])";
        case ArgKind::Texture:
            return "__mtl::texture_arg<" + arg.type + ">(L->textures[" + std::to_string(arg.index) + "])";
        case ArgKind::ThreadPositionInGrid:
            return "__mtl::position_arg<" + arg.type + ">(__mtl_grid)";
        case ArgKind::ThreadgroupPositionInGrid:
            return "__mtl::position_arg<" + arg.type + ">(__mtl_group)";
        case ArgKind::ThreadPositionInThreadgroup:
            return "__mtl::position_arg<" + arg.type + ">(__mtl_tid)";
    }
    return "";
}

}  // namespace

std::string entrySymbol(const std::string& kernel) {
    return "__mtl_entry_" + kernel;
}

PreparedSource prepareSource(const std::string& text) {
    PreparedSource out;
    out.program = text;
    const std::string code = codeOnly(text);
    std::string entries, faults;

    for (size_t i = 0; i < code.size(); ++i) {
        if (!isIdentChar(code[i]) || (i > 0 && isIdentChar(code[i - 1])) || identifierAt(code, i) != "kernel")
            continue;
        size_t p = skipSpace(code, i + 6);
        if (identifierAt(code, p) != "void") continue;
        p = skipSpace(code, p + 4);
        const std::string name = identifierAt(code, p);
        if (name.empty()) continue;
        p = skipSpace(code, p + name.size());
        if (p >= code.size() || code[p] != '(') continue;
        int depth = 0;
        size_t close = p;
        for (; close < code.size(); ++close) {
            if (code[close] == '(') ++depth;
            if (code[close] == ')' && --depth == 0) break;
        }
        if (close >= code.size()) continue;

        KernelEntry kernel;
        kernel.name = name;
        std::vector<std::string> problems;
        for (const RawArg& raw : splitArguments(code, p + 1, close)) {
            KernelArg arg{ArgKind::Buffer, 0, "", ""};
            size_t nameEnd = raw.declaration.size();
            size_t nameBegin = nameEnd;
            while (nameBegin > 0 && isIdentChar(raw.declaration[nameBegin - 1])) --nameBegin;
            arg.name = raw.declaration.substr(nameBegin);
            arg.type = trim(raw.declaration.substr(0, nameBegin));
            bool bound = false;
            for (const RawArg::Attribute& a : raw.attributes) {
                ArgKind kind;
                int index = 0;
                if (!readAttribute(a.content, &kind, &index)) continue;
                arg.kind = kind;
                arg.index = index;
                bound = true;
                for (size_t k = a.begin; k < a.end; ++k) out.program[k] = ' ';
            }
            if (arg.name.empty() || arg.type.empty()) {
                problems.push_back("an argument of kernel '" + name + "' is not a type and a name");
            } else if (!bound) {
                problems.push_back(
                    "argument '" + arg.name + "' of kernel '" + name +
                    "' has no [[buffer(i)]], [[texture(i)]] or thread-position attribute that the "
                    "stand-in binds");
            }
            kernel.args.push_back(arg);
        }
        i = close;
        if (!problems.empty()) {
            for (const std::string& problem : problems)
                faults += "static_assert(false, \"" + cString(problem) + "\");\n";
            continue;
        }

        std::string call;
        for (size_t a = 0; a < kernel.args.size(); ++a)
            call += std::string(a ? ",\n            " : "") + argumentExpression(kernel.args[a]);
        entries += "extern \"C\" __attribute__((visibility(\"default\"))) void " + entrySymbol(name) +
                   "(const __mtl_launch* L) {\n"
                   "    const uint3 __mtl_group = uint3(L->group[0], L->group[1], L->group[2]);\n"
                   "    for (uint __mtl_z = 0; __mtl_z < L->threads[2]; ++__mtl_z)\n"
                   "    for (uint __mtl_y = 0; __mtl_y < L->threads[1]; ++__mtl_y)\n"
                   "    for (uint __mtl_x = 0; __mtl_x < L->threads[0]; ++__mtl_x) {\n"
                   "        const uint3 __mtl_tid = uint3(__mtl_x, __mtl_y, __mtl_z);\n"
                   "        const uint3 __mtl_grid = __mtl_group * uint3(L->threads[0], L->threads[1], "
                   "L->threads[2]) + __mtl_tid;\n"
                   "        (void)__mtl_grid;\n"
                   "        (void)__mtl_tid;\n"
                   "        " +
                   name + "(" + call +
                   ");\n"
                   "    }\n"
                   "}\n";
        out.kernels.push_back(kernel);
    }

    if (!out.program.empty() && out.program.back() != '\n') out.program += '\n';
    out.program += "#line 1 \"mtl_entry\"\n" + faults + entries;
    return out;
}

}  // namespace MTLStandIn::detail
