// The host's side of every entry point, against a scripted plug-in: what
// each step hands over, what it reads back, the exit status, and that the
// host database carries a job from one process to the next.
#include <gtest/gtest.h>

#include "refhost/RefhostTestSupport.h"
#include "support/SimArray.h"

using refhost_test::readFile;
using refhost_test::runHost;
using refhost_test::TestDir;
using refhost_test::writeFile;

namespace {

class HostSteps : public ::testing::Test {
protected:
    void SetUp() override {
        plugin_ = std::string(ZRSO_LIB_DIR) + "/refhost_fake_plugin.so";
        if (!refhost_test::exists(plugin_))
            plugin_ = std::string(ZRSO_LIB_DIR) + "/librefhost_fake_plugin.so";
        home_ = dir_ / "home";
        // Simulated world without ports: no rescan reaches a real bus.
        ASSERT_EQ(host({"init", "--simulated", "--sim-bin", SimBinDir()}).status, 0);
        // The scripted plug-in's devices, so that backups find them.
        for (const char* d : {"fake1", "fake2", "fake3", "fakebad", "fakemissing"})
            writeFile(home_ + "/disks/" + d + ".disk", "");
        writeFile(dir_ / "pw", "Fake-Pw-1\n");
        ASSERT_EQ(host({"array", "add", "xiv1", "--address", "10.1.1.1", "--user", "admin",
                        "--serial", "1310133", "--password-file", dir_ / "pw", "--no-verify"})
                      .status,
                  0);
    }

    refhost_test::RunResult host(std::vector<std::string> words) {
        words.insert(words.begin(), {"--home", home_, "--plugin", plugin_});
        return runHost(words);
    }

    std::string jobJson(int job) { return host({"--json", "jobs", std::to_string(job)}).out; }

    TestDir dir_;
    std::string home_;
    std::string plugin_;
};

}  // namespace

TEST_F(HostSteps, BackupInOneProcessThenEveryStepInLaterOnes) {
    auto backup = host({"backup", "/dev/fake1", "/dev/fake2"});
    ASSERT_EQ(backup.status, 0) << backup.out << backup.err;
    EXPECT_NE(backup.out.find("record 2 (/dev/fake2): snapped"), std::string::npos) << backup.out;
    EXPECT_NE(jobJson(1).find("\"status\":5"), std::string::npos);

    auto reconcile = host({"reconcile", "1"});
    EXPECT_EQ(reconcile.status, 0) << reconcile.out;
    auto mount = host({"--json", "mount", "1"});
    ASSERT_EQ(mount.status, 0) << mount.out << mount.err;
    EXPECT_NE(mount.out.find("\"snap_device\":\"/dev/fake-dup-1\""), std::string::npos)
        << mount.out;
    EXPECT_NE(mount.out.find("\"ok\":true"), std::string::npos);
    EXPECT_NE(mount.err.find("mount job 1"), std::string::npos);  // progress on stderr

    // A second mount starts again from the snapshot, not from "mounted".
    EXPECT_EQ(host({"mount", "1"}).status, 0);
    EXPECT_EQ(host({"unmount", "1", "--keep"}).status, 0);
    EXPECT_EQ(host({"mount", "1"}).status, 0);
    EXPECT_EQ(host({"unmount", "1"}).status, 0);
    EXPECT_EQ(host({"delete", "1"}).status, 0);
    EXPECT_EQ(host({"revert", "1", "--yes"}).status, 0);
    std::string jobs = host({"jobs"}).out;
    EXPECT_NE(jobs.find("revert"), std::string::npos) << jobs;
    EXPECT_NE(jobs.find("reverted"), std::string::npos) << jobs;
}

TEST_F(HostSteps, PartialFailuresGiveExitStatusOneAndOnlyPreparedRecordsAreSnapped) {
    auto backup = host({"--json", "backup", "/dev/fake1", "/dev/fakebad"});
    EXPECT_EQ(backup.status, 1);
    EXPECT_NE(backup.out.find("\"result\":2"), std::string::npos) << backup.out;
    std::string job = jobJson(1);
    EXPECT_NE(job.find("\"status\":5,\"state\":\"snapped\""), std::string::npos) << job;
    EXPECT_NE(job.find("\"status\":2,\"state\":\"prepare failed\""), std::string::npos) << job;
    EXPECT_NE(job.find("\"error\":{\"code\":61002"), std::string::npos) << job;

    auto none = host({"backup", "/dev/fakebad"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err.find("snap job"), std::string::npos) << none.err;  // nothing to snap

    ASSERT_EQ(host({"backup", "/dev/fakemissing"}).status, 0);
    auto reconcile = host({"reconcile", "3"});
    EXPECT_EQ(reconcile.status, 1);
    EXPECT_NE(reconcile.out.find("snapshot missing"), std::string::npos) << reconcile.out;
}

TEST_F(HostSteps, ConsistencyGroupChoiceReachesTheRecordsAsTheirSetting) {
    ASSERT_EQ(host({"backup", "--cg", "/dev/fake1", "/dev/fake2"}).status, 0);
    ASSERT_EQ(host({"backup", "/dev/fake3"}).status, 0);
    // The scripted prepare names each snapshot after the setting it read.
    EXPECT_NE(jobJson(1).find("\"snapshot\":\"group-snapshot\""), std::string::npos) << jobJson(1);
    EXPECT_NE(jobJson(2).find("\"snapshot\":\"single-snapshot\""), std::string::npos) << jobJson(2);
}

TEST_F(HostSteps, LunRequestsReportTheOutcomeTheyRecord) {
    auto create = host({"--json", "lun", "create", "--array", "xiv1", "--pool", "p1", "--volume",
                        "lun1", "--size", "20G"});
    ASSERT_EQ(create.status, 0) << create.out << create.err;
    EXPECT_NE(create.out.find("\"size_bytes\":" + std::to_string(34LL << 30)), std::string::npos)
        << create.out;
    auto map = host({"lun", "map", "--array", "xiv1", "--volume", "lun1", "--host", "app1", "--os",
                     "Linux", "--port", "10000000C9A0E001,10000000C9A0E002"});
    EXPECT_EQ(map.status, 0) << map.out;
    auto resolve = host({"lun", "resolve", "--array", "xiv1", "--volume", "lun1"});
    EXPECT_EQ(resolve.status, 0);
    EXPECT_NE(resolve.out.find("\"initiators\":[\"5001738027950140\"]"), std::string::npos)
        << resolve.out;
    // No array to ask for the present size: resized unchecked, as allowed.
    EXPECT_EQ(host({"lun", "resize", "--array", "xiv1", "--volume", "lun1", "--size", "40G",
                    "--allow-shrink", "--yes"})
                  .status,
              0);
    EXPECT_EQ(host({"lun", "unmap", "--array", "xiv1", "--volume", "lun1", "--host", "app1", "--os",
                    "Linux", "--port", "10000000C9A0E001"})
                  .status,
              0);
    EXPECT_EQ(host({"lun", "delete", "--array", "xiv1", "--volume", "lun1", "--yes"}).status, 0);

    EXPECT_EQ(
        host({"lun", "create", "--array", "nope", "--pool", "p", "--volume", "v", "--size", "1G"})
            .status,
        1);
    EXPECT_EQ(
        host({"lun", "create", "--array", "xiv1", "--pool", "p", "--volume", "v", "--size", "1Q"})
            .status,
        2);
    EXPECT_EQ(
        host({"lun", "map", "--array", "xiv1", "--volume", "v", "--host", "h", "--os", "Linux"})
            .status,
        2);
}

TEST_F(HostSteps, InventoryLandsInTheHostDatabaseAndIsShown) {
    auto first = host({"--json", "inventory"});
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_NE(first.out.find("\"pool\":\"fake_pool\""), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\"volume\":\"fake_vol\""), std::string::npos);
    EXPECT_NE(first.out.find("\"luns\":1"), std::string::npos);
    // A second collection finds what the first stored instead of adding it again.
    auto second = host({"inventory"});
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(second.out.find("fake_vol"), second.out.rfind("fake_vol")) << second.out;
}
