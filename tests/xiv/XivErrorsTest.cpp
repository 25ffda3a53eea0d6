#include <gtest/gtest.h>

#include "xiv/XivErrors.h"

namespace {

TEST(XivErrors, LookupsTakeTheFirstExactName)
{
    EXPECT_EQ(47u, sizeof xiv_errors / sizeof xiv_errors[0]);
    const struct {
        const char* name;
        int code;
        const char* description;
    } cases[] = {
        {"VOLUME_BAD_NAME", 61017, "Volume or Snapshot Not found on array."},
        {"MISSING_USERNAME", 61053, "USer name not given."},
        {"XCLI_NOT_INSTALLED", 61050,
         "XCLI command is not installed or not in path. If "
         "installed, please set Trellis\\XCLI_BINARY_LOCATION."},
        {"CONS_GROUP_EMPTY", 61065, "Operation is not allowed on an empty Consistency Group."},
        {"MAPPING_IS_NOT_DEFINED", 61056, "Mapping between given host and volume does not exist"},
        {"VOLUME_DATA_MIGRATION_UNSYNCHRONIZED", 61023, ""},
        {"volume_bad_name", 44103, ""},
        {"VOLUME_BAD_NAME ", 44103, ""},
        {"", 44103, ""},  // the unnamed row's code; no description
        {"SUCCESS", 44103, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.code, XivErrStrToInt(c.name)) << c.name;
        EXPECT_STREQ(c.description, XivErrStrToDesc(c.name)) << c.name;
    }
}

}  // namespace
