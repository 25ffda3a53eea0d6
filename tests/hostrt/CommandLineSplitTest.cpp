#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/rt/ProcessRunner.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words{"stale"};
    EXPECT_TRUE(ProcessRunner::splitCommandLine(line, &words)) << line;
    return words;
}

TEST(CommandLineSplit, BlanksAndTabsSeparateWords) {
    EXPECT_THAT(split("xcli  -u admin\t-m\t\t10.0.0.1 "), ElementsAre("xcli", "-u", "admin", "-m", "10.0.0.1"));
    EXPECT_THAT(split(""), IsEmpty());
    EXPECT_THAT(split(" \t "), IsEmpty());
}

TEST(CommandLineSplit, DoubleQuotesGroupAndAreRemoved) {
    EXPECT_THAT(split("vol_list vol=\"my vol\" x"), ElementsAre("vol_list", "vol=my vol", "x"));
    EXPECT_THAT(split("a\"b c\"d"), ElementsAre("ab cd"));
    EXPECT_THAT(split("\"\" a \"\""), ElementsAre("", "a", ""));
    EXPECT_THAT(split("\"a\"\"b\""), ElementsAre("ab"));
    EXPECT_THAT(split("\"\ttab\t\""), ElementsAre("\ttab\t"));
}

TEST(CommandLineSplit, EverythingElseIsLiteral) {
    EXPECT_THAT(split("echo $(touch x) `id` ; ls | wc & > out < in *.txt"),
                ElementsAre("echo", "$(touch", "x)", "`id`", ";", "ls", "|", "wc", "&", ">", "out",
                            "<", "in", "*.txt"));
    EXPECT_THAT(split("'single quoted' back\\ slash \\\"q\\\""),
                ElementsAre("'single", "quoted'", "back\\", "slash", "\\q\\"));
    EXPECT_THAT(split("$HOME ~ {a,b}"), ElementsAre("$HOME", "~", "{a,b}"));
    EXPECT_THAT(split("line\nbreak"), ElementsAre("line\nbreak"));
}

TEST(CommandLineSplit, UnterminatedQuoteFails) {
    std::vector<std::string> words{"stale"};
    EXPECT_FALSE(ProcessRunner::splitCommandLine("xcli -p \"secret -m host", &words));
    EXPECT_THAT(words, IsEmpty());
    EXPECT_FALSE(ProcessRunner::splitCommandLine("\"", &words));
    EXPECT_FALSE(ProcessRunner::splitCommandLine("a \"b\" \"", &words));
    EXPECT_FALSE(ProcessRunner::splitCommandLine("a", nullptr));
}

}  // namespace
