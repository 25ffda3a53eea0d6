#include <gtest/gtest.h>

#include "TestSupport.h"
#include "host/rt/PlatformConfig.h"

using hostrt_test::ScopedEnv;
using hostrt_test::TempDir;

namespace {

class PlatformConfigTest : public ::testing::Test {
protected:
    PlatformConfigTest() : env_("ZRSO_CONFIG", dir_.file("platform.ini").c_str()) {}
    void settings(const std::string& text) { hostrt_test::writeFile(dir_.file("platform.ini"), text); }
    std::string text(const char* section, const char* key) {
        std::string v = "<absent>";
        PlatformConfig().getString(section, key, &v);
        return v;
    }
    bool integer(const char* key, int* v) { return PlatformConfig().getRegInt("~Trellis", key, v); }

    TempDir dir_;
    ScopedEnv env_;
};

TEST_F(PlatformConfigTest, SectionsKeysCommentsAndBlanks) {
    settings("\xEF\xBB\xBF; leading comment\n"
             "top=level\n"
             "[Trellis]\r\n"
             "  XCLI_BINARY_LOCATION = /opt/xiv        ; texts\r\n"
             "# XCLI_BINARY_LOCATION=/commented\n"
             "Password=a;b#c\n"
             "Empty=\n"
             "no equals sign\n"
             "Twice=first\n"
             "Twice=second\n"
             "[ ~Trellis ]\n"
             "nMountRetrySeconds=45   # integers\n"
             "XCLI_BINARY_LOCATION=/other\n");
    EXPECT_EQ(text("Trellis", "XCLI_BINARY_LOCATION"), "/opt/xiv");
    EXPECT_EQ(text("~Trellis", "XCLI_BINARY_LOCATION"), "/other");
    EXPECT_EQ(text("Trellis", "Password"), "a;b#c");
    EXPECT_EQ(text("Trellis", "Empty"), "");
    EXPECT_EQ(text("Trellis", "Twice"), "second");
    EXPECT_EQ(text("", "top"), "level");
    EXPECT_EQ(text("Trellis", "xcli_binary_location"), "<absent>") << "keys are case-sensitive";
    EXPECT_EQ(text("trellis", "XCLI_BINARY_LOCATION"), "<absent>");
    EXPECT_EQ(text("Trellis", "top"), "<absent>");
    EXPECT_EQ(text("Trellis", "no equals sign"), "<absent>");
    int v = 0;
    EXPECT_TRUE(integer("nMountRetrySeconds", &v));
    EXPECT_EQ(v, 45);

    std::string out;
    EXPECT_EQ(PlatformConfig().getString(nullptr, "k", &out), 0);
    EXPECT_EQ(PlatformConfig().getString("Trellis", nullptr, &out), 0);
    EXPECT_NE(PlatformConfig().getString("Trellis", "Empty", nullptr), 0);
}

TEST_F(PlatformConfigTest, OnlyWellFormedIntegersAreIntegers) {
    settings("[~Trellis]\nplus=+12\nminus=-7\nmax=2147483647\nmin=-2147483648\n"
             "over=2147483648\nunder=-2147483649\nhuge=99999999999999999999\n"
             "trailing=12x\nhex=0x10\nspace=1 2\nsign=-\nempty=\nfloat=1.5\n");
    int v = 99;
    EXPECT_TRUE(integer("plus", &v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(integer("minus", &v));
    EXPECT_EQ(v, -7);
    EXPECT_TRUE(integer("max", &v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(integer("min", &v));
    EXPECT_EQ(v, -2147483647 - 1);
    v = 99;
    for (const char* bad : {"over", "under", "huge", "trailing", "hex", "space", "sign", "empty",
                            "float", "missing"}) {
        EXPECT_FALSE(integer(bad, &v)) << bad;
        EXPECT_EQ(v, 99) << bad;
    }
}

TEST_F(PlatformConfigTest, FileIsReadFreshAndMayBeMissing) {
    std::string v;
    EXPECT_EQ(PlatformConfig().getString("Trellis", "k", &v), 0);
    PlatformConfig config;
    settings("[Trellis]\nk=one\n");
    EXPECT_EQ(text("Trellis", "k"), "one");
    settings("[Trellis]\nk=two\n");
    EXPECT_NE(config.getString("Trellis", "k", &v), 0);
    EXPECT_EQ(v, "two");
    EXPECT_EQ(PlatformConfig::path(), dir_.file("platform.ini"));
}

TEST(PlatformConfigPath, DefaultsWhenUnset) {
    ScopedEnv env("ZRSO_CONFIG", nullptr);
    EXPECT_EQ(PlatformConfig::path(), "/etc/zrso/platform.ini");
}

}  // namespace
