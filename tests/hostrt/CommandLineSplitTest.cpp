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

TEST(CommandLineSplit, BlanksSeparateQuotesGroupAndAreRemoved) {
    EXPECT_THAT(split(" xcli  -u a\t-m\t\t10.0.0.1 "),
                ElementsAre("xcli", "-u", "a", "-m", "10.0.0.1"));
    EXPECT_THAT(split(" \t "), IsEmpty());
    EXPECT_THAT(split("vol=\"my vol\" a\"b c\"d \"\" \"\ttab\""),
                ElementsAre("vol=my vol", "ab cd", "", "\ttab"));
}

TEST(CommandLineSplit, EverythingElseIsLiteral) {
    EXPECT_THAT(split("$(touch x) `id` ; a|b & > < *.txt $HOME 'q u' b\\ s \\\"z\\\" l\nb"),
                ElementsAre("$(touch", "x)", "`id`", ";", "a|b", "&", ">", "<", "*.txt", "$HOME",
                            "'q", "u'", "b\\", "s", "\\z\\", "l\nb"));
}

TEST(CommandLineSplit, UnterminatedQuoteFails) {
    std::vector<std::string> words{"stale"};
    EXPECT_FALSE(ProcessRunner::splitCommandLine("xcli -p \"secret -m host", &words));
    EXPECT_THAT(words, IsEmpty());
    EXPECT_FALSE(ProcessRunner::splitCommandLine("a \"b\" \"", &words));
    EXPECT_FALSE(ProcessRunner::splitCommandLine("a", nullptr));
}

}  // namespace
