#include <gtest/gtest.h>

#include "xiv/TextHelpers.h"

namespace {

TEST(TextHelpers, UpperCasingAndSplitting) {
    const std::string text("xy\0z", 4);
    EXPECT_EQ("XY", StringToUpper(text.c_str()));
    EXPECT_EQ(std::string("XY\0Z", 4), StringToUpper(text));

    std::vector<std::string> fields{"kept"};
    splitByDelim("a,,b,", ",", fields);
    EXPECT_EQ((std::vector<std::string>{"kept", "a", "", "b", ""}), fields);
}

}  // namespace
