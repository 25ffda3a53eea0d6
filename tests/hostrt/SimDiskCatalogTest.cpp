#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TempDir.h"
#include "host/rt/SimDiskCatalog.h"

using ::testing::ElementsAre;

TEST(SimDiskCatalog, WriteReadListRemove) {
    TempDir dir;
    SimDiskCatalog catalog(dir.file("catalog/sub"));  // created on first write
    std::string err;
    SimDiskCatalog::Fields fields = {{"vendor", "IBM"}, {"serial", "1302795 1A"}, {"seen_by", ""}};
    ASSERT_TRUE(catalog.write("xivd2", fields, &err)) << err;
    ASSERT_TRUE(catalog.write("xivd1", {{"vendor", "HP"}}, &err)) << err;
    ASSERT_TRUE(catalog.write("xivd1", {{"vendor", "IBM"}}, &err)) << err;  // replaces
    EXPECT_EQ(ReadFileText(catalog.entryPath("xivd2")),
              "vendor=IBM\nserial=1302795 1A\nseen_by=\n");
    dir.write("catalog/sub/.xivd3.tmp", "vendor=IBM\n");
    dir.write("catalog/sub/notes.txt", "");
    EXPECT_THAT(catalog.list(), ElementsAre("xivd1", "xivd2"));

    SimDiskCatalog::Fields back;
    ASSERT_TRUE(catalog.read("xivd2", &back, &err));
    EXPECT_EQ(back, fields);
    EXPECT_TRUE(catalog.remove("xivd1", &err));
    EXPECT_TRUE(catalog.remove("xivd1", &err)) << "already gone is fine";
    EXPECT_THAT(catalog.list(), ElementsAre("xivd2"));
    EXPECT_FALSE(catalog.read("xivd1", &back, &err));

    // Hand-written entries: blanks, CR, comments and junk lines.
    dir.write("catalog/sub/sdx.disk", "# by hand\r\nvendor = IBM \r\n\njunk\n=x\nlun=1\nlun=2");
    ASSERT_TRUE(catalog.read("sdx", &back, &err));
    EXPECT_EQ(SimDiskCatalog::value(back, "vendor"), "IBM");
    EXPECT_EQ(SimDiskCatalog::value(back, "lun"), "2");
    EXPECT_EQ(SimDiskCatalog::value(back, "absent"), "");
}

TEST(SimDiskCatalog, RejectsNamesAndFieldsThatCouldEscapeOrInject) {
    TempDir dir;
    SimDiskCatalog catalog(dir.path());
    std::string err;
    for (const char* name : {"", ".", "..", "../x", "a/b", ".hidden", "sp ace", "nl\n"})
        EXPECT_FALSE(catalog.write(name, {{"vendor", "IBM"}}, &err)) << name;
    EXPECT_FALSE(catalog.write("ok", {{"vendor", "IBM\nfail=inquiry"}}, &err));
    EXPECT_FALSE(catalog.write("ok", {{"a=b", "c"}}, &err));
    EXPECT_FALSE(catalog.write("ok", {{"", "c"}}, &err));
    EXPECT_NE(err, "");
    EXPECT_TRUE(catalog.list().empty());
    EXPECT_TRUE(SimDiskCatalog::validName("dm-0"));
    EXPECT_FALSE(SimDiskCatalog::validName(std::string(201, 'a')));
}
