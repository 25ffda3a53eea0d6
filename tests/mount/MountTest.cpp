// Mounting end to end: zrso_mapSnaps, zrso_isMapped and zrso_unmapSnaps
// over the reference host's records and watched services, the simulated
// array and its disks. Jobs are snapshots taken directly on the array with
// the metadata a prepare stores, so mounting is all that runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>

#include "engine/boundary/ZrsoExports.h"
#include "engine/common/XIVFilerSnapInfo.h"
#include "engine/mount/Discovery.h"
#include "engine/mount/MountDiscovery.h"
#include "engine/snapshot/SnapMetadata.h"
#include "refhost/AttributeText.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/SnapJobStore.h"
#include "support/HostWorld.h"

namespace {

using Mappings = std::vector<std::pair<std::string, int>>;
const auto isMapped = static_cast<int (*)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*)>(zrso_isMapped);
constexpr unsigned int kPassWaitMs = 1000;  // a fifth of the 5 s retry interval
const char* const kPort1 = "2100001B32A0E001";
const char* const kPort2 = "2100001B32A0E002";

class Mount : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        SetPassSleepForTesting([this](unsigned int ms) { sleeps.push_back(ms); });
    }
    void TearDown() override {
        SetPassSleepForTesting(nullptr);
        SetDebugHookPathForTesting("");
    }
    // v1..v3 in the pool, none mapped; hostObject: one holds both ports.
    void Make(bool hostObject = true, bool esx = false) {
        w = std::make_unique<HostWorld>(HostWorldOptions{hostObject, esx, "", "", 0, 3});
    }
    // One snapshot per volume; esx: the sources are esx1's datastore disks.
    int64_t SnapshotJob(const std::vector<std::string>& volumes, bool esx = false) {
        refhost::SnapJobStore store(w->database());
        const int64_t job = store.createJob("backup");
        std::vector<refhost::NewSnapRecord> records(volumes.size());
        for (size_t i = 0; i < volumes.size(); ++i) {
            records[i].sourceDevice = "/dev/src_" + volumes[i];
            records[i].hostIdentifier = refhost::clientName();
            if (esx) {
                records[i].sourceDevice = refhost::formatAttributes(
                    {{"idatype", "vmware"}, {"esxname", HostWorld::kEsx}, {"device", "src"}});
                records[i].hostIdentifier = records[i].hostPathMount =
                    refhost::formatAttributes({{"esxname", HostWorld::kEsx}});
            }
        }
        const std::vector<int64_t> ids = store.addRecords(job, refhost::JobIdentity(), records);
        for (size_t i = 0; i < volumes.size(); ++i) {
            XIVFilerSnapInfo snapshot;
            snapshot.sSnapName = "snap_" + std::to_string(ids[i]);
            snapshot.sArrayId = HostWorld::kSerial;
            snapshot.sVolumeName = volumes[i];
            snapshot.sVolumeId = w->volumeField(volumes[i], "wwn");
            ProgramRun made =
                w->xcli({"snapshot_create", "vol=" + volumes[i], "name=" + snapshot.sSnapName});
            refhost::HostSnapInfo info(w->database(), ids[i]);
            std::string error;
            if (made.status != 0 || info.selectArrayLogin(HostWorld::kSerial) != 0 ||
                !WriteMetaData(&info, snapshot, error))
                throw std::runtime_error("cannot prepare a record: " + made.out + error);
            info.setStatus(ZRSO::SNAP_SNAPPED);
        }
        return job;
    }
    static std::string Duplicate(const refhost::SnapRecordRow& row) {
        return "QS_2_" + std::to_string(row.jobId) + "_" + std::to_string(row.id) + "_duplicate";
    }
    bool Present(const std::string& volume) { return !w->volumeField(volume, "name").empty(); }
    // The last call asked once for this machine's ports and rescanned them once.
    void ExpectOneRescanHere() {
        const WatchedServices& services = w->lastServices();
        EXPECT_EQ(services.initiatorQueries, 1);
        ASSERT_EQ(services.rescans.size(), 1u);
        EXPECT_EQ(services.rescans[0].host, refhost::clientName());
        EXPECT_EQ(services.rescans[0].initiators.size(), 2u);
    }
    // The record found its disk, and the disk carries the unlocked duplicate.
    void ExpectMounted(const refhost::SnapRecordRow& row) {
        EXPECT_EQ(row.status, ZRSO::SNAP_DEVICE_FOUND) << row.errorMessage;
        EXPECT_EQ(row.errorCode, 0) << row.errorMessage;
        EXPECT_EQ(w->deviceOf(Duplicate(row)), row.snapDevice);
        EXPECT_EQ(w->volumeField(Duplicate(row), "locked"), "no");
    }

    std::unique_ptr<HostWorld> w;
    std::vector<unsigned int> sleeps;
};

// A second mount of the mapped snapshots maps nothing new and finds the same disks.
TEST_F(Mount, SnapshotsTakeTheLowestFreeLunsInRecordOrderOnce) {
    Make();
    for (const char* source : {"v1", "v3"})
        w->admin({"map", "--host", HostWorld::kHostObject, "--vol", source, "--lun",
                  std::string(source + 1)});
    const int64_t job = SnapshotJob({"v1", "v2", "v3"});

    for (int mount = 0; mount < 2; ++mount) {
        w->sim().ClearRuns(HostWorld::kAddress);
        sleeps.clear();
        EXPECT_EQ(w->call(zrso_mapSnaps, job), 0);
        const auto rows = w->rows(job);
        const int luns[] = {2, 4, 5};
        for (size_t i = 0; i < rows.size(); ++i) {
            ExpectMounted(rows[i]);
            EXPECT_EQ(w->mappings(Duplicate(rows[i])),
                      (Mappings{{HostWorld::kHostObject, luns[i]}}));
        }
        EXPECT_NE(rows[0].snapDevice, rows[1].snapDevice);
        EXPECT_NE(rows[1].snapDevice, rows[2].snapDevice);
        ExpectOneRescanHere();
        EXPECT_EQ(sleeps, std::vector<unsigned int>{kPassWaitMs});
    }
    RunCounts runs = w->sim().CountRuns(HostWorld::kAddress);
    EXPECT_EQ(runs["snapshot_duplicate"] + runs["vol_unlock"] + runs["map_vol"], 0);
}

// A device name carrying a password reaches the debug hook and the log masked.
TEST_F(Mount, HostObjectIsCreatedWhenNoneHoldsThePortsAndNoPasswordIsLogged) {
    Make(false);
    TempDir hookDir("mount-hook");
    SetDebugHookPathForTesting(hookDir.write("hook", ""));
    const int64_t job = SnapshotJob({"v1"});
    w->nextServices(job).extraDevices.push_back("{idatype:odd,hostPassword:Sekr3tPw}");

    EXPECT_EQ(w->call(zrso_mapSnaps, job), 0);
    const auto row = w->rows(job)[0];
    ExpectMounted(row);
    const std::string created = refhost::clientName() + "_9876";
    EXPECT_EQ(w->mappings(Duplicate(row)), (Mappings{{created, 1}}));
    const std::string shown = w->admin({"show"});
    EXPECT_NE(shown.find(kPort1), std::string::npos) << shown;
    EXPECT_NE(shown.find(kPort2), std::string::npos) << shown;
    EXPECT_EQ(w->logText().find("Sekr3tPw"), std::string::npos);
    EXPECT_NE(w->logText().find("hostPassword:***}"), std::string::npos);
}

TEST_F(Mount, DiskThatNeverAppearsIsReportedAfterSixPasses) {
    Make();
    const int64_t job = SnapshotJob({"v1", "v2"});
    w->nextServices(job).hiddenVolumes.insert(Duplicate(w->rows(job)[1]));

    EXPECT_EQ(w->call(zrso_mapSnaps, job), 2);
    const auto rows = w->rows(job);
    ExpectMounted(rows[0]);
    EXPECT_EQ(rows[1].status, ZRSO::SNAP_DUPLICATE_MAPPED);
    EXPECT_EQ(rows[1].errorCode, 60509);
    EXPECT_EQ(rows[1].errorMessage,
              "Could not find device corresponding to duplicate [" + Duplicate(rows[1]) + "]");
    EXPECT_EQ(w->lastServices().rescans.size(), 6u);
    EXPECT_EQ(sleeps, std::vector<unsigned int>(6, kPassWaitMs));
}

TEST_F(Mount, VMwareSourceIsMappedHereAndOnTheEsxServerAndUnmappedFromBoth) {
    Make(true, true);
    const int64_t job = SnapshotJob({"v1"}, true);
    const std::string esxHost = refhost::formatAttributes({{"esxname", HostWorld::kEsx}});

    EXPECT_EQ(w->call(zrso_mapSnaps, job), 0);
    const auto row = w->rows(job)[0];
    const std::string duplicate = Duplicate(row);
    EXPECT_EQ(row.status, ZRSO::SNAP_DEVICE_FOUND) << row.errorMessage;
    // The disk found is the ESX server's datastore disk of the duplicate.
    EXPECT_NE(row.snapDevice.find("esxname:esx1"), std::string::npos) << row.snapDevice;
    Mappings mappings = w->mappings(duplicate);
    std::sort(mappings.begin(), mappings.end());
    EXPECT_EQ(mappings, (Mappings{{HostWorld::kEsxHostObject, 1}, {HostWorld::kHostObject, 1}}));
    const auto& rescans = w->lastServices().rescans;
    EXPECT_TRUE(std::any_of(rescans.begin(), rescans.end(), [&](const WatchedServices::Rescan& r) {
        return r.host == esxHost && r.initiators == std::vector<std::string>{HostWorld::kEsxPort};
    }));

    // Mapped counts only while both host objects have it.
    EXPECT_EQ(w->call(isMapped, job), 0);
    EXPECT_EQ(w->rows(job)[0].status, ZRSO::SNAP_DUPLICATE_MAPPED);
    const std::string esxObject = std::string("host=") + HostWorld::kEsxHostObject;
    ASSERT_EQ(w->xcli({"unmap_vol", "vol=" + duplicate, esxObject}).status, 0);
    EXPECT_EQ(w->call(isMapped, job), 0);
    EXPECT_EQ(w->rows(job)[0].status, ZRSO::SNAP_DUPLICATE_EXISTS);

    ASSERT_EQ(w->xcli({"map_vol", "vol=" + duplicate, esxObject, "lun=1"}).status, 0);
    EXPECT_EQ(w->call(zrso_unmapSnaps, job), 0);
    EXPECT_TRUE(w->mappings(duplicate).empty());
    EXPECT_FALSE(Present(duplicate));
    ASSERT_EQ(w->lastServices().rescans.size(), 1u);
    EXPECT_EQ(w->lastServices().rescans[0].host, esxHost);
}

TEST_F(Mount, IsMappedReportsExistingAndMappedDuplicatesAndAsksForInitiatorsOnce) {
    Make();
    const int64_t job = SnapshotJob({"v1", "v2", "v3"});
    const auto rows = w->rows(job);
    for (size_t i = 1; i < rows.size(); ++i)
        ASSERT_EQ(w->xcli({"snapshot_duplicate", "snapshot=snap_" + std::to_string(rows[i].id),
                           "name=" + Duplicate(rows[i])})
                      .status,
                  0);
    ASSERT_EQ(w->xcli({"map_vol", "vol=" + Duplicate(rows[2]),
                       std::string("host=") + HostWorld::kHostObject, "lun=7"})
                  .status,
              0);

    std::list<std::string> hosts{"stale"}, esx{"stale"};
    EXPECT_EQ(w->call([&](ZRSO::SnapInfo** i, short c,
                          ZRSO::ZROSUtil* o) { return zrso_isMapped(i, c, o, hosts, esx); },
                      job),
              0);
    const auto after = w->rows(job);
    EXPECT_EQ(after[0].status, ZRSO::SNAP_SNAPPED);  // no duplicate: untouched
    EXPECT_EQ(after[1].status, ZRSO::SNAP_DUPLICATE_EXISTS);
    EXPECT_EQ(after[2].status, ZRSO::SNAP_DUPLICATE_MAPPED);
    EXPECT_EQ(std::set<std::string>(hosts.begin(), hosts.end()),
              (std::set<std::string>{kPort1, kPort2}));
    EXPECT_TRUE(esx.empty());
    EXPECT_EQ(w->lastServices().initiatorQueries, 1);
}

// Each port belongs to a host object of its own.
class Unmount : public Mount {
protected:
    void SetUp() override {
        Mount::SetUp();
        if (IsSkipped()) return;
        Make(false);
        w->admin({"host-create", "--host", "host_a", "--fc", kPort1});
        w->admin({"host-create", "--host", "host_b", "--fc", kPort2});
        job = SnapshotJob({"v1", "v2"});
        ASSERT_EQ(w->call(zrso_mapSnaps, job), 0);
        mounted = w->rows(job);
    }

    int64_t job = 0;
    std::vector<refhost::SnapRecordRow> mounted;
};

TEST_F(Unmount, UnmapsFromEveryHostObjectHoldingThePortsDeletesAndDropsTheDisks) {
    const std::string first = Duplicate(mounted[0]);
    const auto mapped = w->mappings(first);
    ASSERT_EQ(mapped.size(), 1u);
    const std::string other = mapped[0].first == "host_a" ? "host_b" : "host_a";
    ASSERT_EQ(w->xcli({"map_vol", "vol=" + first, "host=" + other, "lun=9"}).status, 0);

    EXPECT_EQ(w->call(zrso_unmapSnaps, job), 0);
    for (const auto& row : w->rows(job)) {
        EXPECT_EQ(row.status, ZRSO::SNAP_UNMAPPED) << row.errorMessage;
        EXPECT_TRUE(w->mappings(Duplicate(row)).empty());
        EXPECT_FALSE(Present(Duplicate(row)));
    }
    ExpectOneRescanHere();
    EXPECT_EQ(w->lastServices().rescans.at(0).devices,
              (std::vector<std::string>{mounted[0].snapDevice, mounted[1].snapDevice}));
}

TEST_F(Unmount, UnmapFailureOnOneRecordStillHandlesTheNext) {
    w->admin({"fault", "--kind", "fail", "--op", "unmap_vol", "--status", "HOST_BAD_NAME"});

    EXPECT_EQ(w->call(zrso_unmapSnaps, job), 2);
    const auto rows = w->rows(job);
    EXPECT_EQ(rows[0].status, ZRSO::SNAP_UNMAP_FAILED);
    EXPECT_EQ(rows[0].errorCode, 61044);
    EXPECT_EQ(rows[0].errorMessage.rfind("Unable to unmap duplicate of the snap:[snap_", 0), 0u)
        << rows[0].errorMessage;
    EXPECT_EQ(w->mappings(Duplicate(rows[0])).size(), 1u);
    EXPECT_EQ(rows[1].status, ZRSO::SNAP_UNMAPPED);
    EXPECT_FALSE(Present(Duplicate(rows[1])));
    // Only the unmapped record's disk is dropped.
    EXPECT_EQ(w->lastServices().rescans.at(0).devices,
              std::vector<std::string>{mounted[1].snapDevice});
}

}  // namespace
