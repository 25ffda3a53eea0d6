#include <gtest/gtest.h>

#include "engine/common/AttributeText.h"

namespace {

TEST(GetJsonVal, FindsValuesAnchoredOnBraceOrComma) {
    const struct {
        const char *text, *key;
        bool found;
        const char* value;
    } cases[] = {
        {"{a:1,b:2}", "a", true, "1"},     {"{a:1,b:2}", "b", true, "2"},
        {"{a:1,b:2}", "c", false, "kept"}, {"{ab:1,b:2}", "b", true, "2"},
        {"{a:,b:2}", "a", true, ""},       {"{a:1", "a", false, "kept"},
        {"{a:x}y,b:2}", "a", true, "x}y"}, {"{k:1,k:2}", "k", true, "1"},
        {",k:3,{k:4}", "k", true, "4"},
    };
    for (const auto& c : cases) {
        std::string value = "kept";
        EXPECT_EQ(c.found, GetJsonVal(c.text, c.key, value)) << c.text << " " << c.key;
        EXPECT_EQ(c.value, value) << c.text << " " << c.key;
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
