// The display names of primitive types, render passes and operations, and the OpenCL status texts.
#include <gtest/gtest.h>

#include "NameTables.h"

namespace {

TEST(NameTables, EnumerationNamesAreInValueOrder) {
    ASSERT_EQ(PrimitiveType_String.size(), 15u);
    for (size_t i = 0; i < PrimitiveType_String.size(); ++i)
        EXPECT_EQ(static_cast<size_t>(PrimitiveType_String[i].first), i);
    EXPECT_EQ(PrimitiveType_String[0].second, "None");
    EXPECT_EQ(PrimitiveType_String[3].second, "Box");
    EXPECT_EQ(PrimitiveType_String[7].second, "Pie Cylinder");
    EXPECT_EQ(PrimitiveType_String[13].second, "Polygon");  // the kernel's Hex

    ASSERT_EQ(RenderPass_String.size(), 4u);
    ASSERT_EQ(OperationType_String.size(), 3u);
    for (size_t i = 0; i < RenderPass_String.size(); ++i) EXPECT_EQ(static_cast<size_t>(RenderPass_String[i].first), i + 1);
    for (size_t i = 0; i < OperationType_String.size(); ++i)
        EXPECT_EQ(static_cast<size_t>(OperationType_String[i].first), i + 1);
    EXPECT_EQ(RenderPass_String[3].second, "Ambient Occlusion");
    EXPECT_EQ(OperationType_String[1].second, "Subtraction");
}

TEST(NameTables, OpenCLTextsCoverExactlyTheStandardCodes) {
    EXPECT_EQ(clErrorMap.size(), 59u);
    for (int code = 1; code >= -80; --code) {
        bool expected = (code <= 0 && code >= -19) || (code <= -30 && code >= -68);
        EXPECT_EQ(clErrorMap.count(code) == 1, expected) << code;
    }
    EXPECT_EQ(clErrorMap.at(0), "Success");
    EXPECT_EQ(clErrorMap.at(-11), "Build program failure");
    EXPECT_EQ(clErrorMap.at(-19), "Kernel argument information not available");
    EXPECT_EQ(clErrorMap.at(-30), "Invalid value");
    EXPECT_EQ(clErrorMap.at(-48), "Invalid kernel");
    EXPECT_EQ(clErrorMap.at(-68), "Invalid device partition count");
}

}  // namespace
