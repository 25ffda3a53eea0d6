#include <gtest/gtest.h>

#include "TempDir.h"
#include "host/rt/PlatformConfig.h"

namespace {

class PlatformConfigTest : public ::testing::Test {
protected:
    void settings(const std::string& text) { dir_.write("platform.ini", text); }
    std::string text(const char* section, const char* key) {
        std::string v = "<absent>";
        PlatformConfig().getString(section, key, &v);
        return v;
    }

    TempDir dir_;
    std::string path_ = dir_.file("platform.ini");
    ScopedEnv env_{"ZRSO_CONFIG", path_.c_str()};
};

TEST_F(PlatformConfigTest, SectionsKeysCommentsAndBlanks) {
    settings(
        "\xEF\xBB\xBF; comment\ntop=level\n[Trellis]\r\n"
        "  XCLI_BINARY_LOCATION = /opt/xiv        ; texts\r\n"
        "# XCLI_BINARY_LOCATION=/commented\nPassword=a;b#c\nEmpty=\nno equals sign\n"
        "Twice=first\nTwice=second\n[ ~Trellis ]\nXCLI_BINARY_LOCATION=/other\n");
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

TEST_F(PlatformConfigTest, OnlyWellFormedIntegersAreIntegers) {
    settings(
        "[~Trellis]\nplus=+12\nminus= -7  ; note\nmax=2147483647\nmin=-2147483648\n"
        "over=2147483648\nunder=-2147483649\nhuge=99999999999999999999\n"
        "trailing=12x\nhex=0x10\nspace=1 2\nsign=-\nempty=\nfloat=1.5\n");
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

TEST_F(PlatformConfigTest, FileIsReadFreshAndMayBeMissing) {
    EXPECT_EQ(text("Trellis", "k"), "<absent>");
    PlatformConfig config;
    settings("[Trellis]\nk=one\n");
    EXPECT_EQ(text("Trellis", "k"), "one");
    settings("[Trellis]\nk=two\n");
    std::string v;
    EXPECT_NE(config.getString("Trellis", "k", &v), 0);
    EXPECT_EQ(v, "two");
    ScopedEnv unset("ZRSO_CONFIG", nullptr);
    EXPECT_EQ(PlatformConfig::path(), "/etc/zrso/platform.ini");
}

}  // namespace
