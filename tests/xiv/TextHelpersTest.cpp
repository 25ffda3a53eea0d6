#include <gtest/gtest.h>

#include "xiv/TextHelpers.h"

namespace {

struct Lookup {
    const char* text;
    const char* key;
    bool found;
    const char* value;
};

TEST(GetJsonVal, FindsValuesAnchoredOnBraceOrComma)
{
    const Lookup cases[] = {
        {"{a:1,b:2}", "a", true, "1"},
        {"{a:1,b:2}", "b", true, "2"},
        {"{a:1,b:2}", "c", false, "untouched"},
        {"{ab:1,b:2}", "b", true, "2"},      // never the tail of a longer key
        {"{a:,b:2}", "a", true, ""},
        {"{a:1", "a", false, "untouched"},   // no delimiter after the value
        {"{a:x}y,b:2}", "a", true, "x}y"},   // comma searched before brace
        {"{k:1,k:2}", "k", true, "1"},
        {",k:3,{k:4}", "k", true, "4"},      // the brace form wins everywhere
    };
    for (const Lookup& c : cases) {
        std::string value = "untouched";
        EXPECT_EQ(c.found, GetJsonVal(c.text, c.key, value)) << c.text << " " << c.key;
        EXPECT_EQ(c.value, value) << c.text << " " << c.key;
    }
}

TEST(FormatString, SkipsSpecialBytesWithTheirFollowers)
{
    EXPECT_EQ("abc", formatString("abc", false));
    EXPECT_EQ("acd", formatString("a/bcd", false));
    EXPECT_EQ("a/bcd", formatString("a/bcd", true));
    EXPECT_EQ("x", formatString("x\"", false));
    EXPECT_EQ("ad", formatString("a\tbcd", false));    // control byte: skip 3
    EXPECT_EQ("ac", deformatString("a\\bc", true));     // backslash: skip 2
    EXPECT_EQ(formatString("p\"q\\r/s\nxyz", false), deformatString("p\"q\\r/s\nxyz", false));
}

TEST(UpperCase, StringFormKeepsEmbeddedNulCStringFormStopsThere)
{
    const std::string text("xy\0z", 4);
    std::string out = "old";
    StrToUpper(text.c_str(), out);
    EXPECT_EQ("XY", out);
    std::string out2;
    EXPECT_EQ(std::string("XY\0Z", 4), StringToUpper(text, out2));
    EXPECT_EQ(std::string("XY\0Z", 4), out2);
}

TEST(SplitByDelim, KeepsEmptyPiecesAndAppends)
{
    std::vector<std::string> fields{"kept"};
    splitByDelim("a,,b,", ",", fields);
    EXPECT_EQ((std::vector<std::string>{"kept", "a", "", "b", ""}), fields);

    std::vector<std::string> whole;
    splitByDelim("no delimiter", ",", whole);
    EXPECT_EQ((std::vector<std::string>{"no delimiter"}), whole);

    std::vector<std::string> lines;
    splitByDelim("h\r\nrow\r\n", "\r\n", lines);
    EXPECT_EQ((std::vector<std::string>{"h", "row", ""}), lines);
}

}  // namespace
