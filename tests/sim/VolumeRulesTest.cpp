// Volumes, pools and the two answer forms.
#include "SimHarness.h"

namespace simtest {
namespace {

using SimVolumeRules = SimWorld;

// One allocation unit is 2^34 bytes and shows as 17 GB.
TEST_F(SimVolumeRules, SizesRoundUpToTheAllocationUnitAndAgree) {
    const struct {
        const char* vol;
        const char* asked;  // size= in GB or size_blocks=
        const char* gb;
        const char* mib;
        const char* blocks;
    } sizes[] = {
        {"u17", "size=17", "17", "16384", "33554432"},
        {"u100", "size=100", "102", "98304", "201326592"},                 // 6 units, 96 GiB
        {"b100g", "size_blocks=209715200", "119", "114688", "234881024"},  // 100 GiB: 7 units
        {"b1", "size_blocks=1", "17", "16384", "33554432"},
    };
    for (const auto& s : sizes) {
        ASSERT_EQ("SUCCESS",
                  status({"vol_create", std::string("vol=") + s.vol, s.asked, "pool=p1"}));
        auto v = volume(s.vol);
        EXPECT_EQ(s.gb, v["size"]) << s.asked;
        EXPECT_EQ(s.mib, v["size_MiB"]) << s.asked;
        EXPECT_EQ(s.blocks, v["capacity"]) << s.asked;
        ASSERT_EQ("SUCCESS", status({"vol_delete", std::string("vol=") + s.vol}));
    }

    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=20", "pool=p1"}));
    auto v = volume("v1");
    EXPECT_EQ("34", v["size"]);
    EXPECT_EQ("p1", v["pool_name"]);
    EXPECT_EQ("no", v["locked"]);
    EXPECT_EQ("", v["snapshot_serial"]);
    ASSERT_EQ(32u, v["wwn"].size());
    EXPECT_EQ("60017380", v["wwn"].substr(0, 8));
    EXPECT_EQ(std::string::npos, v["wwn"].find_first_not_of("0123456789ABCDEF"));

    auto p = pool("p1");
    EXPECT_EQ("1003", p["hard_size"]);
    EXPECT_EQ("966656", p["hard_size_MiB"]);  // 59 units
    EXPECT_EQ("34", p["used_by_volumes"]);
    EXPECT_EQ("799", p["empty_space_hard"]);  // 1003 - 34 - 170 reserved for snapshots
    EXPECT_EQ("770048", p["empty_space_hard_MiB"]);
    EXPECT_EQ("799", p["empty_space_soft"]);

    ASSERT_EQ("SUCCESS",
              status({"vol_resize", "vol=v1", "size_blocks=67108865"}));  // 2 units and a block
    EXPECT_EQ("51", volume("v1")["size"]);
    EXPECT_EQ("51", pool("p1")["used_by_volumes"]);
    ASSERT_EQ("SUCCESS", status({"vol_delete", "vol=v1"}));
    EXPECT_EQ("0", pool("p1")["used_by_volumes"]);
    EXPECT_EQ("833", pool("p1")["empty_space_hard"]);
}

TEST_F(SimVolumeRules, CreateRefusals) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    EXPECT_EQ("VOLUME_EXISTS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    EXPECT_EQ("POOL_DOES_NOT_EXIST", status({"vol_create", "vol=v2", "size=17", "pool=p9"}));
    EXPECT_EQ("NOT_ENOUGH_SPACE", status({"vol_create", "vol=v2", "size=900", "pool=p1"}));
    EXPECT_EQ("SUCCESS",
              status({"vol_create", "vol=v2", "size=816", "pool=p1"}));  // fills it exactly
    EXPECT_EQ("NOT_ENOUGH_SPACE", status({"vol_resize", "vol=v2", "size=833"}));
}

TEST_F(SimVolumeRules, ShrinkingNeedsItsFlagAndLocksBlockResizing) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=34", "pool=p1"}));
    EXPECT_EQ("CAN_NOT_SHRINK_VOLUME", status({"vol_resize", "vol=v1", "size=17"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_resize", "vol=v1", "size=17", "shrink_volume=maybe"}));
    EXPECT_EQ("SUCCESS", status({"vol_resize", "vol=v1", "size=17", "shrink_volume=yes"}));
    EXPECT_EQ("17", volume("v1")["size"]);
    EXPECT_EQ("SUCCESS", status({"vol_lock", "vol=v1"}));
    EXPECT_EQ("yes", volume("v1")["locked"]);
    EXPECT_EQ("VOLUME_LOCKED", status({"vol_resize", "vol=v1", "size=34"}));
    EXPECT_EQ("SUCCESS", status({"vol_unlock", "vol=v1"}));
    EXPECT_EQ("no", volume("v1")["locked"]);
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_lock", "vol=gone"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_resize", "vol=gone", "size=17"}));
}

TEST_F(SimVolumeRules, DeleteIsRefusedWhileMappedOrGrouped) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"host_define", "host=h1"}));
    ASSERT_EQ("SUCCESS", status({"map_vol", "host=h1", "vol=v1", "lun=1"}));
    EXPECT_EQ("VOLUME_IS_MAPPED", status({"vol_delete", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"unmap_vol", "host=h1", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"cg_create", "cg=g", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"cg_add_vol", "cg=g", "vol=v1"}));
    EXPECT_EQ("VOLUME_BELONGS_TO_CG", status({"vol_delete", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"cg_remove_vol", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"snapshot_create", "vol=v1", "name=s1"}));
    EXPECT_EQ("VOLUME_IS_SNAPSHOT", status({"vol_delete", "vol=s1"}));
    EXPECT_EQ("SUCCESS", status({"vol_delete", "vol=v1"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_list", "vol=s1"}));  // snapshots go with the master
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_delete", "vol=v1"}));
}

TEST_F(SimVolumeRules, ListFiltersAndTheirMissingObjects) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v2", "size=17", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"cg_create", "cg=g", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"cg_add_vol", "cg=g", "vol=v2"}));
    auto all = resourcesOf(xcli({"vol_list"}).out, "volume");
    ASSERT_EQ(2u, all.size());
    EXPECT_EQ("v1", all[0]["name"]);
    auto inGroup = resourcesOf(xcli({"vol_list", "cg=g"}).out, "volume");
    ASSERT_EQ(1u, inGroup.size());
    EXPECT_EQ("v2", inGroup[0]["name"]);
    EXPECT_EQ("g", inGroup[0]["cg_name"]);
    EXPECT_EQ("CONS_GROUP_BAD_NAME", status({"vol_list", "cg=nope"}));
    EXPECT_EQ("POOL_DOES_NOT_EXIST", status({"vol_list", "pool=nope"}));

    std::string wwn = all[1]["wwn"];
    auto byWwn = resourcesOf(xcli({"vol_list", "wwn=" + wwn}).out, "volume");
    ASSERT_EQ(1u, byWwn.size());
    EXPECT_EQ("v2", byWwn[0]["name"]);
    auto unknown = xcli({"vol_list", "wwn=6001738000000000000000000000FFFF"});
    EXPECT_EQ("SUCCESS", statusOf(unknown.out));
    EXPECT_TRUE(resourcesOf(unknown.out, "volume").empty());

    ASSERT_EQ(0, admin({"refuse-wwn", "--address", "xiv-a"}).code);
    EXPECT_EQ("UNKNOWN_ARGUMENTS", status({"vol_list", "wwn=" + wwn}));
    EXPECT_EQ("SUCCESS", status({"vol_list", "vol=v2"}));
    ASSERT_EQ(0, admin({"refuse-wwn", "--address", "xiv-a", "--off"}).code);
    EXPECT_EQ("SUCCESS", status({"vol_list", "wwn=" + wwn}));
}

// A real disk's identity can stand for a simulated volume.
TEST_F(SimVolumeRules, AdminCreatesAVolumeWithAGivenWwn) {
    auto create = [&](const std::string& vol, const std::string& wwn) {
        return admin({"vol-create", "--address", "xiv-a", "--pool", "p1", "--vol", vol, "--size-gb",
                      "17", "--wwn", wwn})
            .code;
    };
    ASSERT_EQ(0, create("real", "6001405a1b2c3d4e5f60718293a4b5c6"));
    ASSERT_EQ(0, create("qemu", "5000C50015EA71AC"));
    auto found =
        resourcesOf(xcli({"vol_list", "wwn=6001405A1B2C3D4E5F60718293A4B5C6"}).out, "volume");
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("real", found[0]["name"]);
    EXPECT_EQ("5000C50015EA71AC", volume("qemu")["wwn"]);
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=own", "size=17", "pool=p1"}));
    EXPECT_EQ(1, create("twin", "5000c50015ea71ac"));  // taken
    for (const char* bad : {"5000C50015EA71A", "5000C50015EA71AG", ""})
        EXPECT_EQ(2, create("bad", bad)) << bad;
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_list", "vol=twin"}));
}

TEST_F(SimVolumeRules, ValuesAreEscapedInBothForms) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=a<b>&\"c'", "size=17", "pool=p1"}));
    auto r = xcli({"vol_list"});
    EXPECT_NE(std::string::npos, r.out.find("value=\"a&lt;b&gt;&amp;&quot;c&apos;\""));
    EXPECT_NE(std::string::npos, r.out.find("COMMAND_LINE=\"vol_list\""));
    EXPECT_EQ("a<b>&\"c'", resourcesOf(r.out, "volume").at(0)["name"]);

    auto args = xcliArgs({"vol_list", "-t", "name,wwn"});
    args[7] = "-s";
    auto csv = runProgram("xcli", args);
    std::string wwn = resourcesOf(r.out, "volume").at(0)["wwn"];
    EXPECT_EQ("\"Name\",\"WWN\"\n\"a<b>&\"\"c'\",\"" + wwn + "\"\n", csv.out);
    EXPECT_EQ(0, csv.code);

    auto csvError = xcliArgs({"vol_list", "vol=nope", "-t", "name,wwn"});
    csvError[7] = "-s";
    auto err = runProgram("xcli", csvError).out;
    EXPECT_EQ("VOLUME_BAD_NAME,", err.substr(err.rfind('\n', err.size() - 2) + 1, 16));
}

}  // namespace
}  // namespace simtest
