#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/PlatformConfig.h"

namespace {

std::string text(const char* section, const char* key) {
    std::string v = "<absent>";
    PlatformConfig().getString(section, key, &v);
    return v;
}

TEST(PlatformConfig, SectionsKeysCommentsAndBlanks) {
    ScopedEnv env("ZRSO_CONFIG", TestDataPath("platform/sections.ini").c_str());
    EXPECT_EQ(text("Trellis", "XCLI_BINARY_LOCATION"), "/opt/xiv");
    EXPECT_EQ(text("~Trellis", "XCLI_BINARY_LOCATION"), "/other");
    EXPECT_EQ(text("Trellis", "Password"), "a;b#c");
    EXPECT_EQ(text("Trellis", "Empty"), "");
    EXPECT_EQ(text("Trellis", "Twice"), "second");
    EXPECT_EQ(text("", "top"), "level");
    EXPECT_EQ(text("Trellis", "xcli_binary_location"), "<absent>");
    EXPECT_EQ(text("trellis", "XCLI_BINARY_LOCATION"), "<absent>");
    EXPECT_EQ(text("Trellis", "top"), "<absent>");
    EXPECT_EQ(PlatformConfig().getString(nullptr, "k", nullptr), 0);
}

TEST(PlatformConfig, OnlyWellFormedIntegersAreIntegers) {
    ScopedEnv env("ZRSO_CONFIG", TestDataPath("platform/integers.ini").c_str());
    std::pair<const char*, int> good[] = {
        {"plus", 12}, {"minus", -7}, {"max", 2147483647}, {"min", -2147483647 - 1}};
    for (auto& g : good) {
        int v = 0;
        EXPECT_TRUE(PlatformConfig().getRegInt("~Trellis", g.first, &v)) << g.first;
        EXPECT_EQ(v, g.second);
    }
    for (const char* bad : {"over", "under", "huge", "trailing", "hex", "space", "sign", "empty",
                            "float", "missing"}) {
        int v = 99;
        EXPECT_FALSE(PlatformConfig().getRegInt("~Trellis", bad, &v)) << bad;
        EXPECT_EQ(v, 99) << bad;
    }
}

TEST(PlatformConfig, FileIsReadFreshAndMayBeMissing) {
    TempDir dir;
    ScopedEnv env("ZRSO_CONFIG", dir.file("platform.ini").c_str());
    EXPECT_EQ(text("Trellis", "k"), "<absent>");
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
