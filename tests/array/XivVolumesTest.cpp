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
    XIVFilerSnapInfo record;
    record.sVolumeId = WwnOf("db_data");
    Names names;
    xiv_->GetVolumeByWWN(record, names, code, text);
    EXPECT_OK();
    EXPECT_EQ(record.sVolumeName, "db_data");
    EXPECT_EQ(record.sPoolName, kPool);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));

    // Found no volume: fails, and the full listing is not tried.
    Fresh();
    XIVFilerSnapInfo absent;
    absent.sVolumeId = kAbsentWwn;
    xiv_->GetVolumeByWWN(absent, names, code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(text.rfind("No volume details received by the command.", 0), 0u) << text;
    EXPECT_EQ(absent.sVolumeName, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));
}

TEST_F(VolumesTest, LookupByWwnFallsBackToOneFullListingAndReusesIt) {
    // WWNs compare without regard to case: the disk's is upper-case, this
    // array lists them in lower case.
    Sim({"vol-create", "--address", kAddress, "--pool", kPool, "--vol", "vol_one", "--size-gb",
         "17", "--wwn", "60017380ABCDEF0000000000000000A1"});
    Volume("vol_two");
    XIVFilerSnapInfo first, second, missing;
    first.sVolumeId = "60017380ABCDEF0000000000000000A1";
    second.sVolumeId = WwnOf("vol_two");
    missing.sVolumeId = kAbsentWwn;
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
        first.sVolumeName.clear();
        xiv_->GetVolumeByWWN(first, names, code, text);
        EXPECT_OK() << refusal;
        EXPECT_EQ(first.sVolumeName, "vol_one") << refusal;
        EXPECT_EQ(names.size(), 2u);
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}})) << refusal;
    }

    xiv_->GetVolumeByWWN(second, names, code, text);
    EXPECT_OK();
    EXPECT_EQ(second.sVolumeName, "vol_two");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));

    // Not in the map: listed again; the caller tests the still empty name.
    xiv_->GetVolumeByWWN(missing, names, code, text);
    EXPECT_OK();
    EXPECT_EQ(missing.sVolumeName, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}}));
}

TEST_F(VolumesTest, LookupByNameInBothForms) {
    Volume("logs");
    Volume("other");
    XIVFilerSnapInfo record;
    record.sVolumeName = "logs";
    xiv_->GetVolumeByName(record, code, text);
    EXPECT_OK();
    EXPECT_EQ(record.sVolumeId.size(), 32u);
    EXPECT_EQ(record.sPoolName, kPool);
    std::string wwn;
    xiv_->GetVolumeByName("logs", wwn, code, text);
    EXPECT_OK();
    EXPECT_EQ(wwn, record.sVolumeId);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}}));

    wwn = "unchanged";
    xiv_->GetVolumeByName("no_such", wwn, code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    EXPECT_EQ(wwn, "unchanged");
}

TEST_F(VolumesTest, PresenceTellsAbsentFromFailed) {
    Volume("here");
    EXPECT_TRUE(xiv_->IsVolumePresent("here", code, text));
    EXPECT_OK();
    EXPECT_FALSE(xiv_->IsVolumePresent("gone", code, text));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}}));

    // An empty name would list the whole array and look present.
    EXPECT_FALSE(xiv_->IsVolumePresent("", code, text));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, SnapshotOperationsAndDeletionOfGoneOnes) {
    Volume("src");
    xiv_->CreateSnapShot("src", "src.snap", code, text);
    EXPECT_OK();
    xiv_->CreateSnapShotDuplicate("src.snap", "src.dup", code, text);
    EXPECT_OK();
    xiv_->UnlockVolume("src.snap", code, text);
    EXPECT_OK();
    xiv_->LockVolume("src.snap", code, text);
    EXPECT_OK();
    xiv_->RevertToSnapshot("src.snap", code, text);
    EXPECT_OK();
    xiv_->CreateSnapShot("src", "src.snap", code, text);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_EXISTS");
    EXPECT_EQ(Runs(), (RunCounts{{"snapshot_create", 2},
                                 {"snapshot_duplicate", 1},
                                 {"vol_unlock", 1},
                                 {"vol_lock", 1},
                                 {"snapshot_restore", 1}}));

    for (const char* name : {"src.dup", "src.snap", "src.snap"}) {
        Fresh();
        xiv_->DeleteSnapshot(name, code, text);
        EXPECT_OK() << " deleting " << name;
    }
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");  // the last was gone already
    EXPECT_EQ(Runs(), (RunCounts{{"snapshot_delete", 3}}));

    xiv_->DeleteSnapshot("", code, text);
    EXPECT_EQ(code, -1);
    EXPECT_NE(text.find("Snap name is empty."), std::string::npos);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, ListingsOfAllVolumes) {
    std::vector<XIVFilerSnapInfo> records(3);
    std::list<XivVol*> vols;
    xiv_->GetAllVolumes(records, code, text);
    EXPECT_OK();
    EXPECT_TRUE(records.empty());
    xiv_->GetAllVolumes(vols, code, text);  // the pointer form needs a volume
    EXPECT_EQ(code, -1);

    Volume("a");
    Volume("b");
    Fresh();
    xiv_->GetAllVolumes(records, code, text);
    EXPECT_OK();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].sPoolName, kPool);
    EXPECT_EQ(records[1].sVolumeId.size(), 32u);
    xiv_->GetAllVolumes(vols, code, text);
    EXPECT_OK();
    EXPECT_EQ(vols.size(), 2u);
    for (XivVol* v : vols) delete v;
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 4}}));
}

TEST_F(VolumesTest, CreateDeleteAndResizeInBytesDecideByTheResult) {
    const int64_t GiB = int64_t(1) << 30;
    xiv_->CreateVolume("lun1", kPool, 100 * GiB, code, text);
    EXPECT_OK();
    xiv_->CreateVolume("lun1", kPool, 17 * GiB, code, text);
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
        xiv_->ResizeVolume("lun1", r.asked, code, text);
        EXPECT_OK();
        int64_t bytes = 0;
        xiv_->VolumeSize("lun1", bytes, code, text);
        EXPECT_EQ(bytes, r.made) << r.asked;
        EXPECT_EQ(ArgsOf("vol_resize").back().find("shrink_volume=yes") != std::string::npos,
                  r.shrinks)
            << r.asked;
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}, {"vol_resize", 1}}));
    }

    // A failed lookup still runs the resize, without the flag.
    xiv_->ResizeVolume("absent", 34 * GiB, code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));

    Fresh();
    xiv_->DeleteVolume("lun1", code, text);
    EXPECT_OK();
    xiv_->DeleteVolume("lun1", code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_delete", 2}}));
}

}  // namespace
