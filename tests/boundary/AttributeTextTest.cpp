#include <gtest/gtest.h>

#include "engine/common/AttributeText.h"
#include "support/TestData.h"

namespace {

TEST(GetJsonVal, FindsValuesAnchoredOnBraceOrComma) {
    for (const auto& c : TestTable("boundary/json-values.txt")) {
        std::string value = "kept";
        EXPECT_EQ(GetJsonVal(c.at(0), c.at(1), value), c.at(2) == "1") << c[0] << " " << c[1];
        EXPECT_EQ(value, c.at(3)) << c[0] << " " << c[1];
    }
}

TEST(AttributeText, SkippingCopies) {
    EXPECT_EQ("abc", formatString("abc", false));
    EXPECT_EQ("acd", formatString("a/bcd", false));
    EXPECT_EQ("a/bcd", formatString("a/bcd", true));
    EXPECT_EQ("x", formatString("x\"", false));  // the skip runs past the end
    EXPECT_EQ("ad", formatString("a\tbcd", true));
}

}  // namespace
