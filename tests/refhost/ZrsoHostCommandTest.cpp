// zrso-host as an administrator runs it: separate processes over one host
// directory, the real plug-in loaded by path, and the demo.
#include <gtest/gtest.h>

#include "refhost/RefhostTestSupport.h"
#include "support/SimArray.h"

using refhost_test::readFile;
using refhost_test::runHost;
using refhost_test::RunResult;
using refhost_test::TestDir;
using refhost_test::writeFile;

namespace {

const std::string kPassword = "Zq7-unique-Pw";

class ZrsoHostCommand : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = dir_ / "home";
        auto r = host(
            {"init", "--simulated", "--sim-bin=" + SimBinDir(), "--fc", "21:00:00:1b:32:a0:d0:01"});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    refhost_test::RunResult host(std::vector<std::string> words) {
        words.insert(words.begin(), {"--home", home_});
        return runHost(words);
    }

    void addArray() {
        writeFile(dir_ / "pw", kPassword + "\n");
        auto r = host({"array", "add", "xiv1", "--address", "10.1.1.1", "--user", "admin",
                       "--serial", "1310133", "--password-file", dir_ / "pw", "--no-verify"});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    TestDir dir_;
    std::string home_;
};

}  // namespace

TEST_F(ZrsoHostCommand, ArraysAreListedWithoutThePasswordAnywhere) {
    addArray();
    auto table = host({"array", "list"});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("xiv1"), std::string::npos);
    EXPECT_NE(table.out.find("stored"), std::string::npos);
    auto json = host({"--json", "array", "list"});
    ASSERT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"address\":\"10.1.1.1\""), std::string::npos) << json.out;

    std::string everything = table.out + table.err + json.out + json.err +
                             readFile(home_ + "/zrso-host.log") + readFile(home_ + "/host.db") +
                             readFile(home_ + "/host.db-wal") + readFile(home_ + "/platform.ini");
    EXPECT_EQ(everything.find(kPassword), std::string::npos);

    auto duplicate = host({"array", "add", "xiv1", "--address", "10.1.1.2", "--user", "admin",
                           "--serial", "1310134", "--password-file", dir_ / "pw"});
    EXPECT_EQ(duplicate.status, 1);
    EXPECT_NE(duplicate.err.find("already registered"), std::string::npos);
    EXPECT_EQ(host({"array", "remove", "xiv1"}).status, 0);
    EXPECT_EQ(host({"array", "remove", "xiv1"}).status, 1);
}

TEST_F(ZrsoHostCommand, UsageAndDamagedDatabaseGiveClearErrors) {
    for (auto words :
         {std::vector<std::string>{"array", "frobnicate"}, {"backup"}, {"mount", "notanumber"}})
        EXPECT_EQ(host(words).status, 2) << words[0];
    EXPECT_EQ(host({"mount", "999"}).status, 1);

    writeFile(home_ + "/host.db", std::string(8192, 'Z'));
    ::unlink((home_ + "/host.db-wal").c_str());
    ::unlink((home_ + "/host.db-shm").c_str());
    auto r = host({"array", "list"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("damaged or not a database"), std::string::npos) << r.err;

    TestDir empty;
    auto none = runHost({"--home", empty / "nothing", "jobs"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("zrso-host init"), std::string::npos);
}

TEST_F(ZrsoHostCommand, SupportedAsksThePlugInAboutASimulatedDisk) {
    if (!PluginAvailable()) GTEST_SKIP() << "plug-in not built";
    writeFile(home_ + "/disks/xivd9.disk",
              "vendor=IBM\nproduct=2810XIV\nrevision=10.2\nserial=130279500123\n"
              "naa=6001738CFC9035E80000000000012345\n");
    writeFile(home_ + "/disks/hpd1.disk",
              "vendor=HP\nproduct=HSV300\nrevision=1\nserial=XYZ\nnaa="
              "600508B4000000000000000000000001\n");
    auto yes = host({"supported", "/dev/xivd9"});
    EXPECT_EQ(yes.status, 0) << yes.out << yes.err;
    EXPECT_NE(yes.out.find("an IBM XIV volume"), std::string::npos);
    EXPECT_EQ(host({"supported", "/dev/hpd1"}).status, 1);
    EXPECT_EQ(host({"supported", "/dev/null"}).status, 1);
    auto json = host({"--json", "supported", "/dev/xivd9"});
    EXPECT_EQ(json.out, "{\"device\":\"/dev/xivd9\",\"supported\":true,\"present\":true}\n");

    auto missing = host({"--plugin", dir_ / "no-such.so", "supported", "/dev/xivd9"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot load the plug-in"), std::string::npos);
}

// On a real machine a rescan probes every SCSI bus: zrso-host says so and goes
// on only when told. Neither case here writes to the machine's scan files.
TEST(ZrsoHostRescan, OnARealMachineAsksOnTheTerminalOrWantsYes) {
    TestDir dir;
    const std::string home = dir / "home";
    ASSERT_EQ(runHost({"--home", home, "init"}).status, 0);

    auto script = runHost({"--home", home, "rescan"});  // standard input: not a terminal
    EXPECT_EQ(script.status, 2);
    EXPECT_NE(script.out.find("to the scan file of"), std::string::npos) << script.out;
    EXPECT_NE(script.err.find("pass --yes"), std::string::npos) << script.err;

    // script(1) gives it a terminal whose input ends at once: no answer is no.
    RunResult terminal;
    std::string line = "script -qec \"" + std::string(ZRSO_BIN_DIR) + "/zrso-host --home " + home +
                       " rescan\" /dev/null";
    terminal.status =
        ProcessRunner().system(line.c_str(), &terminal.out, &terminal.err, nullptr, true);
    EXPECT_EQ(terminal.status, 1) << terminal.out << terminal.err;
    EXPECT_NE(terminal.out.find("Rescan now? [y/N]"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("rescan not done"), std::string::npos) << terminal.out;
}

TEST(ZrsoHostDemo, RunsToTheEndInAFreshWorld) {
    if (!SimAvailable() || !PluginAvailable()) GTEST_SKIP() << "simulator or plug-in not built";
    TestDir tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    auto r = runHost({"demo"});
    unsetenv("TMPDIR");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("demo finished"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("/dev/xivd1: IBM XIV volume"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("FAILED"), std::string::npos) << r.out;
}
