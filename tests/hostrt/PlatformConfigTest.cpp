#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/PlatformConfig.h"

namespace {

std::string text(const char* section, const char* key) {
    std::string v = "-";
    PlatformConfig().getString(section, key, &v);
    return v;
}

// Sections, keys, comments and blanks; only well-formed integers are integers,
// and a refused one leaves the caller's value alone.
TEST(PlatformConfig, TextsAndIntegersAreFoundAsTheFileHoldsThem) {
    for (const auto& row : TestTable("platform/lookups.txt")) {
        ScopedEnv env("ZRSO_CONFIG", TestDataPath("platform/" + row[0]));
        std::string got = "-";
        int v = 99;
        if (row[1] == "text")
            PlatformConfig().getString(row[2].c_str(), row[3].c_str(), &got);
        else if (PlatformConfig().getRegInt(row[2].c_str(), row[3].c_str(), &v))
            got = std::to_string(v);
        else
            EXPECT_EQ(v, 99) << row[3];
        EXPECT_EQ(got, row[4]) << row[0] << " [" << row[2] << "] " << row[3];
    }
    EXPECT_EQ(PlatformConfig().getString(nullptr, "k", nullptr), 0);
}

TEST(PlatformConfig, FileIsReadFreshAndMayBeMissing) {
    TempDir dir;
    ScopedEnv env("ZRSO_CONFIG", dir.file("platform.ini").c_str());
    EXPECT_EQ(text("Trellis", "k"), "-");
    PlatformConfig config;
    dir.write("platform.ini", "[Trellis]\nk=one\n");
    EXPECT_EQ(text("Trellis", "k"), "one");
    dir.write("platform.ini", "[Trellis]\nk=two\n");
    std::string v;
    EXPECT_NE(config.getString("Trellis", "k", &v), 0);
    EXPECT_EQ(v, "two");
    ScopedEnv unset("ZRSO_CONFIG", nullptr);
    EXPECT_EQ(PlatformConfig::path(), "/etc/zrso/platform.ini");
}

}  // namespace
