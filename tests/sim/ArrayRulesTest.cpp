// The array's rules as xcli answers them: logins and the command line,
// volumes and pools, snapshots and groups, hosts, ports and mappings.
#include "SimFixture.h"

namespace simtest {
namespace {

const std::string kPw = HostWorld::kPassword, kAddr = HostWorld::kAddress;

using SimCommandLine = SimTest;

TEST_F(SimCommandLine, LoginsAddressesAndUsage) {
    auto noUser = xcli("vol_list", {"-p", kPw, "-m", kAddr, "-y", "-x"});
    EXPECT_EQ("Missing user.\n", noUser.out);
    EXPECT_NE(0, noUser.status);
    const std::vector<std::string> envLogin = {"-u", "admin", "-m", kAddr, "-y", "-x"};
    EXPECT_EQ("Missing password.\n", xcli("vol_list", envLogin).out);
    {
        ScopedEnv env("XIV_XCLIPASSWORD", kPw);
        EXPECT_EQ("SUCCESS", statusOf(xcli("vol_list", envLogin).out));
    }
    admin("user-add" + kAt + "--user ops --password pw");
    const struct {
        std::vector<std::string> login;
        const char* status;
    } logins[] = {
        {{"-u", "admin", "-p", "wrong", "-m", kAddr, "-y", "-x"}, "INCORRECT_PASSWORD"},
        {{"-u", "nobody", "-p", kPw, "-m", kAddr, "-y", "-x"}, "USER_NAME_DOES_NOT_EXIST"},
        {{"-u", "admin", "-p", kPw, "-m", "10.0.0.99", "-y", "-x"}, "NO_CONNECTION"},
        {{"-u", "ops", "-p", "pw", "-m", kAddr, "-y", "-x"}, "SUCCESS"},
    };
    for (const auto& l : logins) EXPECT_EQ(l.status, statusOf(xcli("host_list", l.login).out));
    EXPECT_NE(std::string::npos, xcli("vol_list", logins[2].login).out.find("<DESCRIPTION>"));
    // Unknown options, or no output form, are usage errors without XML.
    for (std::vector<std::string> usage :
         {std::vector<std::string>{"-q", "-x"}, {}, {"-x", "-s"}}) {
        usage.insert(usage.begin(), {"-u", "admin", "-p", kPw, "-m", kAddr});
        auto r = xcli("vol_list", usage);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ("", r.out);
    }
}

TEST_F(SimCommandLine, StrictAboutOperationsArgumentsAndConfirmation) {
    runScript("command-line.txt");
    ASSERT_EQ("SUCCESS", status("vol_create vol=v1 size=17 pool=p"));
    auto unconfirmed = xcli("vol_delete vol=v1", {"-u", "admin", "-p", kPw, "-m", kAddr, "-x"});
    EXPECT_EQ("COMMAND_REQUIRES_CONFIRMATION", statusOf(unconfirmed.out));
    EXPECT_EQ("v1", volume("v1")["name"]);
}

TEST_F(SimCommandLine, RunsAreRecordedExactlyWithoutAnEnvironmentPassword) {
    admin("runs --clear");
    RunProgram({BuiltProgram("xcli"), "-u", "admin", "-p", kPw, "-m", kAddr, "-y", "-x", "vol_list",
                "vol=a b\tc"});
    {
        ScopedEnv env("XIV_XCLIPASSWORD", "hidden");
        RunProgram({BuiltProgram("xcli"), "-u", "admin", "-m", kAddr, "-y", "-x", "", "host_list"});
    }
    std::string runs = admin("runs" + kAt);
    std::string first = runs.substr(0, runs.find('\n')), second = runs.substr(first.size() + 1);
    EXPECT_NE(std::string::npos, first.find("\t" + kAddr + "\tvol_list\tvol=a b\\tc\toption\t"));
    EXPECT_NE(std::string::npos, first.find("\t-u\tadmin\t-p\t" + kPw + "\t-m\t" + kAddr +
                                            "\t-y\t-x\tvol_list\tvol=a b\\tc"));
    // The empty argument is kept as received; the env password is flagged, never shown.
    EXPECT_NE(std::string::npos, second.find("\tenv\t"));
    EXPECT_NE(std::string::npos, second.find("\t-x\t\thost_list\n"));
    EXPECT_EQ(std::string::npos, runs.find("hidden"));
    EXPECT_EQ(0, RunProgram({BuiltProgram("xcli"), "--sim", "runs", "--clear"}).status)
        << "xcli --sim is the admin tool";
    EXPECT_EQ("", admin("runs"));
}

using SimVolumeRules = SimTest;

TEST_F(SimVolumeRules, SizesSpaceRefusalsAndFilters) { runScript("volumes.txt"); }

TEST_F(SimVolumeRules, WwnsGivenOrRefusedAndValuesEscapedInBothForms) {
    ASSERT_EQ("SUCCESS", status("vol_create vol=v1 size=17 pool=p"));
    std::string wwn = volume("v1")["wwn"];
    EXPECT_EQ("v1", list("vol_list wwn=" + wwn, "volume").at(0)["name"]);
    admin("refuse-wwn" + kAt);
    EXPECT_EQ("UNKNOWN_ARGUMENTS", status("vol_list wwn=" + wwn));
    admin("refuse-wwn" + kAt + "--off");
    EXPECT_EQ("SUCCESS", status("vol_list wwn=" + wwn));

    // A real disk's identity can stand for a simulated volume.
    std::string create = "vol-create" + kAt + "--pool p --size-gb 17 --vol ";
    admin(create + "real --wwn 6001405a1b2c3d4e5f60718293a4b5c6");
    admin(create + "qemu --wwn 5000C50015EA71AC");
    EXPECT_EQ("real",
              list("vol_list wwn=6001405A1B2C3D4E5F60718293A4B5C6", "volume").at(0)["name"]);
    for (const char* refused : {"twin --wwn 5000c50015ea71ac", "bad --wwn 5000C50015EA71A",
                                "bad --wwn 5000C50015EA71AG", "bad --wwn"})
        EXPECT_ANY_THROW(admin(create + refused)) << refused;

    // Both answer forms escape what they carry.
    ASSERT_EQ("SUCCESS", status("vol_delete vol=v1"));
    ASSERT_EQ("SUCCESS", status("vol_create vol=a<b>&\"c' size=17 pool=p"));
    auto xml = xcli("vol_list vol=a<b>&\"c'").out;
    EXPECT_NE(std::string::npos, xml.find("value=\"a&lt;b&gt;&amp;&quot;c&apos;\""));
    EXPECT_NE(std::string::npos, xml.find("COMMAND_LINE=\"vol_list vol=a&lt;b&gt;"));
    std::vector<std::string> csvLogin = {"-u", "admin", "-p", kPw, "-m", kAddr, "-y", "-s"};
    auto csv = xcli("vol_list vol=a<b>&\"c' -t name,wwn", csvLogin);
    EXPECT_EQ(
        "\"Name\",\"WWN\"\n\"a<b>&\"\"c'\",\"" + resourcesOf(xml, "volume").at(0)["wwn"] + "\"\n",
        csv.out);
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
