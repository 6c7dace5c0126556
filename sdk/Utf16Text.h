// Utf16Text.h — the host API's text is zero-terminated UTF-16 (A_UTF16Char); plug-in and host keep
// UTF-8 strings. One codec for both sides of the boundary: whatever is not valid on the way in becomes
// U+FFFD, never an exception or a read past the text.
#ifndef MORPHALITH_SDK_UTF16_TEXT_H
#define MORPHALITH_SDK_UTF16_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "HostTypes.h"

namespace utf {

constexpr uint32_t kReplacement = 0xFFFD;

// UTF-8 as code points. A broken sequence (a stray continuation byte, a truncated or overlong sequence,
// a surrogate, anything past U+10FFFF) becomes one U+FFFD for its longest valid start.
inline std::vector<uint32_t> decodeUtf8(std::string_view text) {
    std::vector<uint32_t> out;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t cp = 0;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0F;
            if (c == 0xE0) low = 0xA0;   // no overlong forms
            if (c == 0xED) high = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k < length && i + k < n; ++k) {
            const unsigned char cc = s[i + k];
            const unsigned char lo = k == 1 ? low : 0x80, hi = k == 1 ? high : 0xBF;
            if (cc < lo || cc > hi) break;
            cp = (cp << 6) | (cc & 0x3F);
        }
        out.push_back(k == length ? cp : kReplacement);
        i += k;
    }
    return out;
}

inline void appendUtf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Zero-terminated UTF-16 of at most `limit` units (the terminator included) appended to `out` as UTF-8;
// a lone surrogate becomes U+FFFD. False when no terminator comes within the limit.
inline bool utf16ToUtf8(const A_UTF16Char* units, size_t limit, std::string* out) {
    for (size_t i = 0; i < limit; ++i) {
        uint32_t cp = units[i];
        if (cp == 0) return true;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < limit && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        appendUtf8(cp, out);
    }
    return false;
}

// UTF-8 as zero-terminated UTF-16.
inline std::vector<A_UTF16Char> utf8ToUtf16(std::string_view text) {
    std::vector<A_UTF16Char> out;
    for (uint32_t cp : decodeUtf8(text)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<A_UTF16Char>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<A_UTF16Char>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<A_UTF16Char>(cp));
        }
    }
    out.push_back(0);
    return out;
}

}  // namespace utf

#endif  // MORPHALITH_SDK_UTF16_TEXT_H
