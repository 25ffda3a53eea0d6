#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "xiv/XivErrors.h"

namespace {

TEST(XivErrors, TableShape)
{
    EXPECT_EQ(47u, sizeof xiv_errors / sizeof xiv_errors[0]);
    EXPECT_STREQ("VOLUME_BAD_NAME", xiv_errors[0].name);
    EXPECT_STREQ("", xiv_errors[37].name);
    EXPECT_EQ(44103, xiv_errors[37].code);
    EXPECT_STREQ("CONS_GROUP_EMPTY", xiv_errors[46].name);
    // Codes are unique except the four login failures.
    std::multiset<int> codes;
    for (const XivErrorEntry& row : xiv_errors) codes.insert(row.code);
    EXPECT_EQ(4u, codes.count(61053));
    EXPECT_EQ(47u - 3u, std::set<int>(codes.begin(), codes.end()).size());
}

TEST(XivErrors, Lookups)
{
    struct Case {
        const char* name;
        int code;
        const char* description;
    } cases[] = {
        {"VOLUME_BAD_NAME", 61017, "Volume or Snapshot Not found on array."},
        {"MISSING_USERNAME", 61053, "USer name not given."},
        {"INCORRECT_PASSWORD", 61053, "Incorrect password."},
        {"XCLI_NOT_INSTALLED", 61050,
         "XCLI command is not installed or not in path. If installed, please set "
         "Trellis\\XCLI_BINARY_LOCATION."},
        {"CONS_GROUP_EMPTY", 61065, "Operation is not allowed on an empty Consistency Group."},
        {"MAPPING_IS_NOT_DEFINED", 61056,
         "Mapping between given host and volume does not exist"},
        {"VOLUME_DATA_MIGRATION_UNSYNCHRONIZED", 61023, ""},
        {"volume_bad_name", 44103, ""},
        {"VOLUME_BAD_NAME ", 44103, ""},
        {"", 44103, ""},
        {"SUCCESS", 44103, ""},
        {"XCLI_COMMAND_FAILED_UNKNOWN_REASON", 44103, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, XivErrStrToInt(c.name)) << c.name;
        EXPECT_STREQ(c.description, XivErrStrToDesc(c.name)) << c.name;
    }
}

}  // namespace
