// The README's table of primitive types and the size parameters each reads is the panel's own table
// (the per-type offset lists and primitiveInfoMap's names) written out: it must not drift from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "NameTables.h"
#include "PrimitiveInfo.h"

namespace {

using P = PrimitiveParamType;

// The table's rows as the panel's table gives them: per type, its size parameters in panel order, each
// under the type's own name with the generic slot parameter's name (Sphere's) in brackets where the
// two differ. Group starts and ends are no parameters of their own.
std::string rowsFromThePanelTable() {
    std::string rows;
    for (const auto& [type, title] : PrimitiveType_String) {
        if (type == PrimitiveType::None) continue;
        std::vector<P> offsets = getPrimitiveParamsMap().at(type);
        std::sort(offsets.begin(), offsets.end());
        std::string cells;
        for (P offset : offsets) {
            if (offset == P::SizeGroup || offset == P::SizeGroupEnd) continue;
            const PrimitiveInfo* generic = findPrimitiveInfo(PrimitiveType::Sphere, offset);
            const PrimitiveInfo* own = findPrimitiveInfo(resolvePrimitiveType(type), offset);
            EXPECT_NE(generic, nullptr) << title << " offset " << static_cast<int>(offset);
            if (!generic) continue;
            const std::string name = own ? own->name : generic->name;
            cells += (cells.empty() ? "" : ", ") + name + (name == generic->name ? "" : " (" + generic->name + ")");
        }
        rows += "| " + std::to_string(static_cast<int>(type)) + " | " + title + " | " + cells + " |\n";
    }
    return rows;
}

TEST(Readme, PrimitiveTableIsThePanelsTable) {
    std::ifstream in(std::string(MRPH_SOURCE_DIR) + "/README.md");
    ASSERT_TRUE(in) << "README.md not found";
    std::stringstream text;
    text << in.rdbuf();
    const std::string readme = text.str();

    const std::string begin = "|---|---|---|\n", end = "\n<!-- end of the primitive table -->";
    const size_t marker = readme.find("<!-- the primitive table");
    ASSERT_NE(marker, std::string::npos) << "README.md has no primitive table";
    const size_t first = readme.find(begin, marker);
    const size_t last = readme.find(end, marker);
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(last, std::string::npos);
    const std::string shown = readme.substr(first + begin.size(), last + 1 - first - begin.size());
    const std::string expected = rowsFromThePanelTable();
    EXPECT_EQ(shown, expected) << "README.md's primitive table should read:\n" << expected;
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 14);
}

}  // namespace
