#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "TempDir.h"
#include "TestData.h"
#include "json/JsonReader.h"

namespace {

JsonValue Read(const std::string& text, bool* complete = nullptr) {
    return ReadJson(text.data(), text.size(), complete);
}

bool Valid(const std::string& text) {
    bool complete = false;
    Read(text, &complete);
    return complete;
}

// The value of the string literal, or "<refused>".
std::string StringOf(const std::string& literal) {
    bool complete = false;
    const JsonValue v = Read("[" + literal + "]", &complete);
    return complete ? v.items()[0].asString() : "<refused>";
}

TEST(JsonReader, ReadsEveryKindOfValue) {
    const JsonValue v = Read(
        " \t\r\n{ \"s\" : \"text\", \"n\" : -12.5e+3, \"t\": true,"
        " \"f\":false, \"z\":null, \"a\":[1, [], {}],"
        " \"o\":{\"in\":\"v\"}, \"s\":\"again\" } \n");
    ASSERT_EQ(v.members().size(), 8u);
    EXPECT_EQ(v.find("s")->asString(), "again");  // a repeated name: the last counts
    EXPECT_EQ(v.find("n")->numberText(), "-12.5e+3");
    EXPECT_TRUE(v.find("t")->asBool());
    EXPECT_TRUE(v.find("f")->isBool() && !v.find("f")->asBool());
    EXPECT_TRUE(v.find("z")->isNull());
    ASSERT_EQ(v.find("a")->items().size(), 3u);
    EXPECT_TRUE(v.find("a")->items()[2].isObject());
    EXPECT_EQ(v.find("o")->find("in")->asString(), "v");
    EXPECT_EQ(v.find("n")->asString(), "");  // wrong kind: empty, no throw
}

// The valid_ and invalid_ requests of tests/data/json (also map request
// fuzz seeds): strict syntax, escapes and UTF-8 only.
TEST(JsonReader, AcceptsStrictSyntaxAndWellFormedTextOnly) {
    int files = 0;
    for (const auto& f : std::filesystem::directory_iterator(TestDataPath("json"))) {
        const std::string name = f.path().filename();
        const bool valid = name.rfind("valid_", 0) == 0;
        if (!valid && name.rfind("invalid_", 0) != 0) continue;
        EXPECT_EQ(valid, Valid(ReadFileText(f.path()))) << name;
        ++files;
    }
    EXPECT_GT(files, 50);
    const std::string digits(5000, '9');  // huge numbers are only text
    for (const std::string& huge : {digits, "-0." + digits, std::string("1e99999999999999999999")})
        EXPECT_EQ(Read(huge).numberText(), huge);
}

TEST(JsonReader, DecodesEscapesAndKeepsUtf8) {
    EXPECT_EQ(StringOf(R"("a\"b\\c\/d\b\f\n\r\t")"), "a\"b\\c/d\b\f\n\r\t");
    EXPECT_EQ(StringOf(R"("\u0041\u00e9\u20AC")"), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(StringOf(R"("\uD83D\uDE00")"), "\xF0\x9F\x98\x80");  // one pair, one code point
    EXPECT_EQ(StringOf(R"("\udbff\udfff")"), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(StringOf("\"\xC3\xA9\xED\x9F\xBF\xF4\x8F\xBF\xBF\""),
              "\xC3\xA9\xED\x9F\xBF\xF4\x8F\xBF\xBF");
}

TEST(JsonReader, KeepsMembersReadBeforeASyntaxError) {
    for (const auto& cut : TestTable("json_cut.txt")) {
        bool complete = true;
        const JsonValue v = Read(cut[0], &complete);
        EXPECT_FALSE(complete) << cut[0];
        EXPECT_EQ(std::to_string(v.isArray() ? v.items().size() : v.members().size()), cut[1])
            << cut[0];
    }
    EXPECT_EQ(Read(R"({"b":{"c":[1,2]},"d":[1,2)").find("b")->find("c")->items().size(), 2u);
}

TEST(JsonReader, BoundsNesting) {
    const int max = kJsonMaxDepth;
    EXPECT_TRUE(Valid(std::string(max, '[') + std::string(max, ']')));
    EXPECT_FALSE(Valid(std::string(max + 1, '[') + std::string(max + 1, ']')));
    std::string objects;
    for (int i = 0; i < max; ++i) objects += "{\"k\":";
    objects += "1" + std::string(max, '}');
    EXPECT_TRUE(Valid(objects));
    EXPECT_FALSE(Valid("[" + objects + "]"));
    // Far deeper than a stack would take: stops at the bound, earlier members survive.
    EXPECT_EQ(Read(R"({"a":1,"deep":)" + std::string(1000000, '[')).members().size(), 1u);
}

TEST(JsonReader, NeverReadsPastTheGivenLength) {
    const std::string doc = R"({"h":[{"n":"h\u00e9)"
                            "\xC3\xA9\xF0\x9F\x98\x80"
                            R"(","v":[true,false,null,-1.5e3],"e":"\uD83D\uDE00"}]})";
    ASSERT_TRUE(Valid(doc));
    // Every proper prefix in a block of exactly its size: the address
    // sanitizer catches a read beyond it.
    for (std::size_t n = 0; n < doc.size(); ++n) {
        std::unique_ptr<char[]> exact(new char[n + (n == 0)]);
        doc.copy(exact.get(), n);
        bool complete = true;
        ReadJson(exact.get(), n, &complete);
        EXPECT_FALSE(complete) << n;
    }
    bool complete = false;
    ReadJson((doc + "]]").data(), doc.size(), &complete);  // the length decides
    EXPECT_TRUE(complete);
    EXPECT_TRUE(ReadJson(nullptr, 10, &complete).isNull());
    EXPECT_FALSE(complete);
}

}  // namespace
