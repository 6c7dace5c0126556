// The Windows module's property list tells the host the same version and flags as global set-up.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "Version.h"

namespace {

TEST(PropertyList, CarriesTheVersionAndFlagWordsOfGlobalSetup) {
    std::ifstream in(std::string(MRPH_SOURCE_DIR) + "/platform/win/Morphalith_PiPL.rc");
    ASSERT_TRUE(in.is_open());
    std::stringstream text;
    text << in.rdbuf();
    auto value = [&](const char* name) -> long long {
        std::smatch m;
        std::string s = text.str();
        if (!std::regex_search(s, m, std::regex(std::string("#define ") + name + " (0x[0-9A-Fa-f]+|[0-9]+)L")))
            return -1;
        return std::stoll(m[1].str(), nullptr, 0);
    };
    EXPECT_EQ(value("MRPH_PIPL_VERSION"), static_cast<long long>(kEffectVersionWord));
    EXPECT_EQ(value("MRPH_PIPL_OUT_FLAGS"), static_cast<long long>(kEffectOutFlags));
    EXPECT_EQ(value("MRPH_PIPL_OUT_FLAGS2"), static_cast<long long>(kEffectOutFlags2));
    EXPECT_NE(text.str().find("\"\\016QVX_Morphalith\\0\""), std::string::npos);
}

}  // namespace
