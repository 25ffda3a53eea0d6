#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>

#include "TestSupport.h"
#include "host/rt/SimDiskCatalog.h"

using hostrt_test::TempDir;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    while (d) {
        struct dirent* e = ::readdir(d);
        if (!e) break;
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    if (d) ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SimDiskCatalog, WriteReadListRemove) {
    TempDir dir;
    SimDiskCatalog catalog(dir.file("catalog"));  // created on first write
    std::string err;
    SimDiskCatalog::Fields fields = {{"vendor", "IBM"}, {"serial", "1302795 1A"}, {"seen_by", ""}};
    ASSERT_TRUE(catalog.write("xivd2", fields, &err)) << err;
    ASSERT_TRUE(catalog.write("xivd1", {{"vendor", "HP"}}, &err)) << err;
    ASSERT_TRUE(catalog.write("xivd1", {{"vendor", "IBM"}}, &err)) << err;  // replaces
    EXPECT_EQ(hostrt_test::readFile(catalog.entryPath("xivd2")),
              "vendor=IBM\nserial=1302795 1A\nseen_by=\n");
    EXPECT_THAT(filesIn(dir.file("catalog")), ElementsAre("xivd1.disk", "xivd2.disk"))
        << "no temporary files stay behind";

    hostrt_test::writeFile(dir.file("catalog/.xivd3.tmp"), "vendor=IBM\n");
    hostrt_test::writeFile(dir.file("catalog/notes.txt"), "");
    EXPECT_THAT(catalog.list(), ElementsAre("xivd1", "xivd2"));

    SimDiskCatalog::Fields back;
    ASSERT_TRUE(catalog.read("xivd2", &back, &err));
    EXPECT_EQ(back, fields);
    EXPECT_EQ(SimDiskCatalog::value(back, "serial"), "1302795 1A");
    EXPECT_EQ(SimDiskCatalog::value(back, "absent"), "");

    EXPECT_TRUE(catalog.remove("xivd1", &err));
    EXPECT_TRUE(catalog.remove("xivd1", &err)) << "already gone is fine";
    EXPECT_THAT(catalog.list(), ElementsAre("xivd2"));
    EXPECT_FALSE(catalog.read("xivd1", &back, &err));
    EXPECT_FALSE(err.empty());
}

TEST(SimDiskCatalog, ReadToleratesHandWrittenEntries) {
    TempDir dir;
    hostrt_test::writeFile(dir.file("sdx.disk"),
                           "# by hand\r\nvendor = IBM \r\n\nnonsense line\n=novalue\nlun=1\nlun=2");
    SimDiskCatalog catalog(dir.path());
    SimDiskCatalog::Fields fields;
    std::string err;
    ASSERT_TRUE(catalog.read("sdx", &fields, &err)) << err;
    EXPECT_EQ(SimDiskCatalog::value(fields, "vendor"), "IBM");
    EXPECT_EQ(SimDiskCatalog::value(fields, "lun"), "2");
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
    EXPECT_FALSE(err.empty());
    EXPECT_THAT(filesIn(dir.path()), IsEmpty());
    EXPECT_TRUE(SimDiskCatalog::validName("xivd12"));
    EXPECT_TRUE(SimDiskCatalog::validName("dm-0"));
    EXPECT_FALSE(SimDiskCatalog::validName(std::string(201, 'a')));
}

}  // namespace
