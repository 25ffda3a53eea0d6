// The array's rules as xcli answers them: logins and the command line,
// volumes and pools, snapshots and groups, hosts, ports and mappings.
#include "SimFixture.h"

namespace simtest {
namespace {

const std::string kPw = HostWorld::kPassword, kAddr = HostWorld::kAddress;

using SimCommandLine = SimTest;

TEST_F(SimCommandLine, LoginsUsageOperationsArgumentsAndConfirmation) {
    runScript("command-line.txt");
}

// Arguments are kept as received, an empty one too; a password from the
// environment is flagged, never shown.
TEST_F(SimCommandLine, RunsAreRecordedExactlyWithoutAnEnvironmentPassword) {
    admin("runs --clear");
    {
        ScopedEnv env("XIV_XCLIPASSWORD", "hidden");
        xcli("", {"-u", "admin", "-m", kAddr, "-y", "-x", "vol_list", "vol=a b\tc", ""});
    }
    std::string runs = admin("runs" + kAt);
    EXPECT_NE(std::string::npos, runs.find("\t" + kAddr + "\tvol_list\tvol=a b\\tc\tenv\t"));
    EXPECT_NE(std::string::npos,
              runs.find("\t-u\tadmin\t-m\t" + kAddr + "\t-y\t-x\tvol_list\tvol=a b\\tc\t\n"));
    EXPECT_EQ(std::string::npos, runs.find("hidden"));
    EXPECT_EQ(0, RunProgram({BuiltProgram("xcli"), "--sim", "runs", "--clear"}).status)
        << "xcli --sim is the admin tool";
    EXPECT_EQ("", admin("runs"));
}

using SimVolumeRules = SimTest;

TEST_F(SimVolumeRules, SizesSpaceRefusalsAndFilters) { runScript("volumes.txt"); }

TEST_F(SimVolumeRules, WwnsGivenOrRefusedAndValuesEscapedInBothForms) {
    runScript("wwns.txt");
    std::vector<std::string> csvLogin = {"-u", "admin", "-p", kPw, "-m", kAddr, "-y", "-s"};
    EXPECT_EQ("\"Name\",\"Size (GB)\"\n\"a<b>&\"\"c'\",\"17\"\n",
              xcli("vol_list vol=a<b>&\"c' -t name,size", csvLogin).out);
    auto err = xcli("vol_list vol=nope -t name,wwn", csvLogin).out;
    EXPECT_EQ("VOLUME_BAD_NAME,", err.substr(err.rfind('\n', err.size() - 2) + 1, 16));
}

using SimSnapshotRules = SimTest;

TEST_F(SimSnapshotRules, SnapshotsAndGroups) {
    runScript("snapshots.txt");
    auto s = volume("sg2.v2"), d = volume("d1");
    EXPECT_FALSE(s["snapshot_time"].empty());
    EXPECT_NE(volume("v1")["wwn"], s["wwn"]);
    EXPECT_NE("", s["snapshot_serial"]);
    EXPECT_NE(s["snapshot_serial"], d["snapshot_serial"]);
}

TEST_F(SimSnapshotRules, SnapshotReserveLimitsSnapshotsOfWrittenData) {
    runScript("snapshot-reserve.txt");
}

using SimHostRules = SimTest;

TEST_F(SimHostRules, HostsPortsAndMappings) { runScript("hosts.txt"); }

}  // namespace
}  // namespace simtest
