// The one UTF-8/UTF-16 codec that plug-in and host share for the host API's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utf16Text.h"

namespace {

using Units = std::vector<A_UTF16Char>;
constexpr A_UTF16Char R = 0xFFFD;

TEST(Utf16Text, Utf8ToUtf16) {
    struct Case {
        const char* label;
        std::string utf8;
        Units utf16;  // without the terminator
    } cases[] = {
        {"ascii", "Box", {'B', 'o', 'x'}},
        // U+00E9 C3 A9, U+20AC E2 82 AC, U+1F600 F0 9F 98 80 = D83D DE00
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", {0xE9, 0x20AC, 0xD83D, 0xDE00}},
        // C0 never starts a sequence, and AF alone is a stray continuation byte.
        {"overlong", "\xC0\xAF", {R, R}},
        // ED A0 80 would be the surrogate D800: ED stops at A0, then A0 and 80 are strays.
        {"encoded surrogate", "\xED\xA0\x80", {R, R, R}},
        {"truncated at the end", "a\xE2\x82", {'a', R}},
        {"truncated before ascii", "\xE2\x82z", {R, 'z'}},
        // F4 90 .. is past U+10FFFF.
        {"past the last code point", "\xF4\x90\x80\x80", {R, R, R, R}},
    };
    for (const Case& c : cases) {
        Units expected = c.utf16;
        expected.push_back(0);
        EXPECT_EQ(utf::utf8ToUtf16(c.utf8), expected) << c.label;
    }
}

TEST(Utf16Text, Utf16ToUtf8) {
    std::string out;
    const Units text = {'A', 0x20AC, 0xD83D, 0xDE00, 0};
    EXPECT_TRUE(utf::utf16ToUtf8(text.data(), text.size(), &out));
    EXPECT_EQ(out, "A\xE2\x82\xAC\xF0\x9F\x98\x80");

    out.clear();
    const Units lone = {0xD800, 'A', 0xDC00, 0};  // a high and a low surrogate, each alone
    EXPECT_TRUE(utf::utf16ToUtf8(lone.data(), lone.size(), &out));
    EXPECT_EQ(out, "\xEF\xBF\xBD" "A" "\xEF\xBF\xBD");

    // No terminator within the limit: false, and nothing past the limit is read (a high surrogate at
    // the limit is not paired with what follows it).
    out.clear();
    const Units unterminated = {'x', 0xD83D, 0xDE00};
    EXPECT_FALSE(utf::utf16ToUtf8(unterminated.data(), 2, &out));
    EXPECT_EQ(out, "x\xEF\xBF\xBD");
}

}  // namespace
