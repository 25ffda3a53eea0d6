// Volume lookups, presence, listings, snapshots and create/delete/resize
// against the simulated array, with the xcli runs each one costs.
#include <map>

#include "SimArrayTest.h"

namespace {

using VolumesTest = SimArrayTest;
using Names = std::map<std::string, std::string>;
const char kAbsentWwn[] = "6001738000000000000000000000FFFF";

TEST_F(VolumesTest, LookupByWwnTakesOneRunWhenTheArrayKnowsWwn) {
    Volume("db_data");
    XivVol volume;
    volume.wwn = WwnOf("db_data");
    Names names;
    xiv_->GetVolumeByWWN(volume, names, error);
    EXPECT_OK();
    EXPECT_EQ(volume.name, "db_data");
    EXPECT_EQ(volume.pool_name, kPool);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));

    // Found no volume: fails, and the full listing is not tried.
    Fresh();
    XivVol absent;
    absent.wwn = kAbsentWwn;
    xiv_->GetVolumeByWWN(absent, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(text.rfind("No volume details received by the command.", 0), 0u) << text;
    EXPECT_EQ(absent.name, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));
}

TEST_F(VolumesTest, LookupByWwnFallsBackToOneFullListingAndReusesIt) {
    // WWNs compare without regard to case: the disk's is upper-case, this
    // array lists them in lower case.
    Sim({"vol-create", "--address", kAddress, "--pool", kPool, "--vol", "vol_one", "--size-gb",
         "17", "--wwn", "60017380ABCDEF0000000000000000A1"});
    Volume("vol_two");
    XivVol first, second, missing;
    first.wwn = "60017380ABCDEF0000000000000000A1";
    second.wwn = WwnOf("vol_two");
    missing.wwn = kAbsentWwn;
    Sim({"shape", "--address", kAddress, "--set", "lower-case-wwn"});
    Names names;
    // Refusals of the lookup by WWN: some arrays refuse the value, older
    // clients the argument (the last one stays for the rest of the test).
    for (const char* refusal : {"ILLEGAL_VALUE", "BAD_PARAMS", "UNKNOWN_ARGUMENTS"}) {
        if (std::string(refusal) == "UNKNOWN_ARGUMENTS")
            Sim({"refuse-wwn", "--address", kAddress});
        else
            Sim({"fault", "--address", kAddress, "--kind", "fail", "--status", refusal, "--op",
                 "vol_list"});
        names.clear();
        first.name.clear();
        xiv_->GetVolumeByWWN(first, names, error);
        EXPECT_OK() << refusal;
        EXPECT_EQ(first.name, "vol_one") << refusal;
        EXPECT_EQ(names.size(), 2u);
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}})) << refusal;
    }

    xiv_->GetVolumeByWWN(second, names, error);
    EXPECT_OK();
    EXPECT_EQ(second.name, "vol_two");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));

    // Not in the map: listed again; the caller tests the still empty name.
    xiv_->GetVolumeByWWN(missing, names, error);
    EXPECT_OK();
    EXPECT_EQ(missing.name, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}}));
}

TEST_F(VolumesTest, LookupByNameInBothForms) {
    Volume("logs");
    Volume("other");
    XivVol volume;
    volume.name = "logs";
    xiv_->GetVolumeByName(volume, error);
    EXPECT_OK();
    EXPECT_EQ(volume.wwn.size(), 32u);
    EXPECT_EQ(volume.pool_name, kPool);
    std::string wwn;
    xiv_->GetVolumeByName("logs", wwn, error);
    EXPECT_OK();
    EXPECT_EQ(wwn, volume.wwn);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}}));

    wwn = "unchanged";
    xiv_->GetVolumeByName("no_such", wwn, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    EXPECT_EQ(wwn, "unchanged");
}

TEST_F(VolumesTest, PresenceTellsAbsentFromFailed) {
    Volume("here");
    EXPECT_TRUE(xiv_->IsVolumePresent("here", error));
    EXPECT_OK();
    EXPECT_FALSE(xiv_->IsVolumePresent("gone", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}}));

    // An empty name would list the whole array and look present.
    EXPECT_FALSE(xiv_->IsVolumePresent("", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, SnapshotOperationsAndDeletionOfGoneOnes) {
    Volume("src");
    xiv_->CreateSnapShot("src", "src.snap", error);
    EXPECT_OK();
    xiv_->CreateSnapShotDuplicate("src.snap", "src.dup", error);
    EXPECT_OK();
    xiv_->UnlockVolume("src.snap", error);
    EXPECT_OK();
    xiv_->LockVolume("src.snap", error);
    EXPECT_OK();
    xiv_->RevertToSnapshot("src.snap", error);
    EXPECT_OK();
    xiv_->CreateSnapShot("src", "src.snap", error);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_EXISTS");
    EXPECT_EQ(Runs(), (RunCounts{{"snapshot_create", 2},
                                 {"snapshot_duplicate", 1},
                                 {"vol_unlock", 1},
                                 {"vol_lock", 1},
                                 {"snapshot_restore", 1}}));

    for (const char* name : {"src.dup", "src.snap", "src.snap"}) {
        Fresh();
        xiv_->DeleteSnapshot(name, error);
        EXPECT_OK() << " deleting " << name;
    }
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");  // the last was gone already
    EXPECT_EQ(Runs(), (RunCounts{{"snapshot_delete", 3}}));

    xiv_->DeleteSnapshot("", error);
    EXPECT_EQ(code, -1);
    EXPECT_NE(text.find("Snap name is empty."), std::string::npos);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, ListingOfAllVolumes) {
    std::vector<XivVol> vols;
    xiv_->GetAllVolumes(vols, error);  // the listing needs a volume
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_COMMAND");

    Volume("a");
    Volume("b");
    Fresh();
    xiv_->GetAllVolumes(vols, error);
    EXPECT_OK();
    ASSERT_EQ(vols.size(), 2u);
    EXPECT_EQ(vols[1].pool_name, kPool);
    EXPECT_EQ(vols[1].wwn.size(), 32u);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}}));
}

TEST_F(VolumesTest, CreateDeleteAndResizeInBytesDecideByTheResult) {
    const int64_t GiB = int64_t(1) << 30;
    xiv_->CreateVolume("lun1", kPool, 100 * GiB, error);
    EXPECT_OK();
    xiv_->CreateVolume("lun1", kPool, 17 * GiB, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(ArgsOf("vol_create").at(0), "vol=lun1 size_blocks=209715200 pool=pool_a");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_create", 2}}));

    // Sizes compare in bytes as the array lists them: 100 GiB made 7 units.
    const struct {
        int64_t asked;
        bool shrinks;
        int64_t made;
    } resizes[] = {
        {113 * GiB, false, 128 * GiB},  // one byte more would already grow it
        {128 * GiB, false, 128 * GiB},
        {17 * GiB, true, 32 * GiB},
    };
    for (const auto& r : resizes) {
        Fresh();
        xiv_->ResizeVolume("lun1", r.asked, error);
        EXPECT_OK();
        int64_t bytes = 0;
        xiv_->VolumeSize("lun1", bytes, error);
        EXPECT_EQ(bytes, r.made) << r.asked;
        EXPECT_EQ(ArgsOf("vol_resize").back().find("shrink_volume=yes") != std::string::npos,
                  r.shrinks)
            << r.asked;
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}, {"vol_resize", 1}}));
    }

    // A failed lookup still runs the resize, without the flag.
    xiv_->ResizeVolume("absent", 34 * GiB, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));

    Fresh();
    xiv_->DeleteVolume("lun1", error);
    EXPECT_OK();
    xiv_->DeleteVolume("lun1", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_delete", 2}}));
}

}  // namespace
