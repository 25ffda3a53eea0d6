// zrso-host as an operator meets it, end to end over the simulator and the
// real plug-in: guards on what destroys data, reasons on screen, checked
// settings, interruption, one command per job, help, and no password shown.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>

#include <csignal>

#include "HostWorld.h"

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class OperatorTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HostWorld::buildHasIt()) GTEST_SKIP() << "simulator or plug-in not built";
        world_ = HostWorld::ready(env_.tmp().file("world"), 2);
        v1_ = world_->deviceOf("v1");
    }

    ProgramRun host(const std::vector<std::string>& words) const { return world_->host(words); }
    void admin(std::vector<std::string> words) const {
        words.insert(words.begin() + 1, {"--address", HostWorld::kAddress});
        world_->sim().Admin(words);
    }
    int runsOf(const std::string& op) const {
        return world_->sim().CountRuns(HostWorld::kAddress)[op];
    }
    // Waits until the simulator has started a run of the operation.
    bool runStarted(const std::string& op) const {
        for (int i = 0; i < 600 && runsOf(op) == 0; ++i) ::usleep(50000);
        return runsOf(op) > 0;
    }
    // Signals zrso-host started in the background and collects its end.
    ProgramRun stop(pid_t pid, int signal) const {
        ::kill(pid, signal);
        return world_->collect(pid, "bg");
    }

    HostWorldEnv env_{"operator-tool"};
    std::unique_ptr<HostWorld> world_;
    std::string v1_;
};

}  // namespace

TEST_F(OperatorTool, GuardsRefuseShrinkingUnconfirmedChangesAndRevertWhileMounted) {
    ASSERT_EQ(host({"backup", v1_}).status, 0);
    ASSERT_EQ(host({"mount", "1"}).status, 0);
    auto mounted = host({"revert", "1", "--yes"});
    EXPECT_EQ(mounted.status, 1);
    EXPECT_TRUE(has(mounted.err, "unmount them first: zrso-host unmount 1")) << mounted.err;
    ASSERT_EQ(host({"unmount", "1"}).status, 0);

    // No terminal here (standard input is /dev/null): what asks is refused.
    const std::vector<std::string> shrink = {"lun",      "resize", "--array", "xiv1",
                                             "--volume", "v1",     "--size",  "8G"};
    auto allowed = shrink;
    allowed.push_back("--allow-shrink");
    const struct {
        std::vector<std::string> words;
        const char* says;
    } refused[] = {
        {shrink, "refused without --allow-shrink"},
        {shrink, "GiB to 8.00 GiB shrinks it"},
        {allowed, "give --yes"},
        {{"lun", "delete", "--array", "xiv1", "--volume", "v2"}, "give --yes"},
        {{"revert", "1"}, "give --yes"},
    };
    for (const auto& c : refused) {
        auto r = host(c.words);
        EXPECT_EQ(r.status, 1) << c.words[1];
        EXPECT_TRUE(has(r.err, c.says)) << r.err;
    }
    for (const char* op : {"vol_resize", "vol_delete", "snapshot_restore"})
        EXPECT_EQ(runsOf(op), 0) << op;

    // Growing needs no confirmation; a confirmed shrink goes through.
    EXPECT_EQ(host({"lun", "resize", "--array", "xiv1", "--volume", "v1", "--size", "51G"}).status,
              0);
    allowed[7] = "34G";
    allowed.push_back("--yes");
    EXPECT_EQ(host(allowed).status, 0);
}

TEST_F(OperatorTool, InterruptedBackupStopsTheXcliChildAndMarksTheJob) {
    admin({"fault", "--kind", "hang", "--seconds", "600", "--op", "snapshot_create"});
    pid_t pid = world_->startHost({"backup", v1_}, "bg");
    ASSERT_TRUE(runStarted("snapshot_create"));
    auto r = stop(pid, SIGINT);
    EXPECT_EQ(r.status, 128 + SIGINT) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "INTERRUPTED by SIGINT during snap")) << r.out;
    EXPECT_TRUE(has(r.out, "clean up with: zrso-host delete 1")) << r.out;
    EXPECT_TRUE(has(host({"jobs", "1"}).out, "interrupted"));
    // The child went with zrso-host: nothing is left to change the array.
    EXPECT_TRUE(world_->waitQuiet());
    EXPECT_FALSE(has(world_->sim().Admin({"show", "--address", HostWorld::kAddress}), "ZRS_J1"));
    EXPECT_EQ(runsOf("snapshot_create"), 1);
}

TEST_F(OperatorTool, InterruptedMountRefusesASecondCommandOnItsJob) {
    ASSERT_EQ(host({"backup", v1_, world_->deviceOf("v2")}).status, 0);
    admin({"fault", "--kind", "hang", "--seconds", "600", "--op", "map_vol"});
    pid_t pid = world_->startHost({"mount", "1"}, "bg");
    ASSERT_TRUE(runStarted("map_vol"));
    auto second = host({"unmount", "1"});
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(has(second.err, "job 1 busy (pid " + std::to_string(pid) + ")")) << second.err;

    auto r = stop(pid, SIGTERM);
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "clean up with: zrso-host unmount 1")) << r.out;
    EXPECT_TRUE(world_->waitQuiet());
    EXPECT_EQ(runsOf("map_vol"), 1) << "no child is started once stopping";
    // The job is free again and cleans up.
    EXPECT_EQ(host({"unmount", "1"}).status, 0);
}

TEST_F(OperatorTool, FailuresPrintTheirReasonOnScreen) {
    admin({"pool-create", "--pool", "p2", "--size-gb", "100"});
    admin({"vol-create", "--pool", "p2", "--vol", "w", "--size-gb", "17"});
    admin({"map", "--host", HostWorld::kHostObject, "--vol", "w"});
    ASSERT_EQ(host({"rescan"}).status, 0);
    auto group = host({"backup", "--cg", v1_, world_->deviceOf("w")});
    EXPECT_EQ(group.status, 1);
    EXPECT_TRUE(has(group.out, "from different pools")) << group.out;
    EXPECT_TRUE(has(group.out, "details: " + world_->home() + "/zrso-host.log")) << group.out;

    for (const char* device : {"/dev/null", "/dev/xivd9"}) {
        auto r = host({"backup", device});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(has(r.err, "no job was made")) << r.err;
    }
    EXPECT_EQ(host({"jobs", "2"}).status, 1) << "only the group job exists";

    ASSERT_EQ(host({"config", "set", "process-timeout", "1"}).status, 0);
    admin({"fault", "--kind", "hang", "--seconds", "30", "--op", "vol_list"});
    auto slow = host({"backup", v1_});
    EXPECT_EQ(slow.status, 1);
    EXPECT_TRUE(has(slow.out, "exceeded the time limit of 1 s")) << slow.out;
    ASSERT_EQ(host({"config", "set", "process-timeout", ""}).status, 0);  // back to the default

    auto exists = host({"--json", "lun", "create", "--array", "xiv1", "--pool", "p1", "--volume",
                        "v1", "--size", "17G"});
    EXPECT_EQ(exists.status, 1);
    EXPECT_TRUE(
        has(exists.out,
            "\"error\":{\"code\":70003,\"status\":\"VOLUME_EXISTS\",\"message\":\"a volume of"))
        << exists.out;
    EXPECT_FALSE(has(exists.out, "XCLIRETURN"));

    admin({"user-add", "--user", HostWorld::kUser, "--password", "changed-on-the-array"});
    auto inventory = host({"inventory"});
    EXPECT_EQ(inventory.status, 1);
    for (const char* says :
         {"xiv1   not collected", "the array refused the login", "zrso-host array passwd xiv1"})
        EXPECT_TRUE(has(inventory.out, says)) << inventory.out;
}

TEST_F(OperatorTool, SettingsAndArraysAreCheckedBeforeTheyAreKept) {
    EXPECT_TRUE(has(host({"init", "--simulated"}).err, "already a host directory"));
    const std::string fresh = env_.tmp().file("fresh");
    for (const auto& option : std::vector<std::vector<std::string>>{
             {"--sim-bin", "/nonexistent"}, {"--mount-retry", "-5"}, {"--sleep-scale", "0"}}) {
        std::vector<std::string> words = {BuiltProgram("zrso-host"),
                                          "--home",
                                          fresh,
                                          "init",
                                          "--simulated",
                                          option[0],
                                          option[1]};
        EXPECT_EQ(RunProgram(words).status, 2) << option[0];
        EXPECT_NE(::access((fresh + "/host.db").c_str(), F_OK), 0) << option[0];
    }
    for (const auto& kv :
         std::vector<std::pair<std::string, std::string>>{{"xcli-dir", "/nonexistent"},
                                                          {"log-level", "7"},
                                                          {"mount-retry", "x"},
                                                          {"no-such-key", "1"}})
        EXPECT_EQ(host({"config", "set", kv.first, kv.second}).status, 2) << kv.first;
    ASSERT_EQ(host({"config", "set", "log-level", "0"}).status, 0);
    EXPECT_TRUE(has(ReadFileText(world_->home() + "/platform.ini"), "nDebugLevel=0"));

    // A duplicate is refused before the password is read (the file is not there).
    const std::string pw = world_->root() + "/array.pw";
    auto twice = host({"array", "add", "again", "--address", "10.9.9.9", "--user", "admin",
                       "--serial", HostWorld::kSerial, "--password-file", pw + ".missing"});
    EXPECT_TRUE(has(twice.err, "already registered as xiv1")) << twice.err;
    world_->sim().Admin({"array-create", "--address", "10.9.9.9", "--serial", "1320001", "--user",
                         "admin", "--password", HostWorld::kPassword});
    ::chmod(pw.c_str(), 0644);
    auto wrong = host({"array", "add", "other", "--address", "10.9.9.9", "--user", "admin",
                       "--serial", "1320002", "--password-file", pw});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(has(wrong.err, "has serial 1320001, not 1320002")) << wrong.err;
    EXPECT_TRUE(has(wrong.err, "can be read by others")) << wrong.err;

    const std::string bad = env_.tmp().write("bad.pw", "not-it\n");
    auto passwd = host({"array", "passwd", "xiv1", "--password-file", bad});
    EXPECT_EQ(passwd.status, 1);
    EXPECT_TRUE(has(passwd.err, "refused the login")) << passwd.err;
    EXPECT_EQ(host({"array", "test", "xiv1"}).status, 0) << "the old password stays";
}

TEST_F(OperatorTool, ArraysAreListedWithoutThePasswordAnywhere) {
    auto table = host({"array", "list"});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_TRUE(has(table.out, "xiv1")) << table.out;
    EXPECT_TRUE(has(table.out, "stored")) << table.out;
    auto json = host({"--json", "array", "list"});
    EXPECT_TRUE(has(json.out, std::string("\"address\":\"") + HostWorld::kAddress + "\""))
        << json.out;
    ASSERT_EQ(host({"backup", v1_}).status, 0);
    std::string everything = table.out + table.err + json.out + json.err;
    for (const char* file : {"zrso-host.log", "host.db", "host.db-wal", "platform.ini"})
        everything += ReadFileText(world_->home() + "/" + file);
    EXPECT_FALSE(has(everything, HostWorld::kPassword));
    EXPECT_EQ(host({"array", "remove", "xiv1"}).status, 0);
    EXPECT_EQ(host({"array", "remove", "xiv1"}).status, 1);
}

TEST_F(OperatorTool, UsageHelpVersionJsonAndQuietness) {
    for (auto words : std::vector<std::vector<std::string>>{
             {"array", "frobnicate"}, {"backup"}, {"mount", "notanumber"}})
        EXPECT_EQ(host(words).status, 2) << words[0];
    EXPECT_EQ(host({"mount", "999"}).status, 1);
    auto help = host({"help", "lun", "resize"});
    EXPECT_EQ(help.status, 0);
    for (const char* says : {"usage: zrso-host lun resize --array A --volume V --size SIZE",
                             "--allow-shrink", "example:\n  zrso-host lun resize"})
        EXPECT_TRUE(has(help.out, says)) << help.out;
    EXPECT_EQ(host({"lun", "resize", "--help"}).out, help.out);
    EXPECT_NE(host({"backup", "--help"}).out, help.out);
    auto version = host({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(has(version.out, "zrso-host ")) << version.out;
    EXPECT_TRUE(has(version.out, "plug-in 1.0.0")) << version.out;

    auto quiet = host({"-q", "backup", v1_});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    auto json = host({"--json", "jobs", "1"});
    EXPECT_TRUE(has(json.out, "\"snap_device\":")) << json.out;
    EXPECT_TRUE(has(json.out, "\"status\":5,\"state\":\"snapped\"")) << json.out;
    EXPECT_EQ(host({"--json", "jobs", "99"}).out,
              "{\"error\":{\"code\":0,\"status\":\"\",\"message\":\"no job 99\"}}\n");
}

TEST_F(OperatorTool, SupportedAsksThePlugInAboutADisk) {
    env_.tmp().write("world/home/disks/hpd1.disk",
                     "vendor=HP\nproduct=HSV300\nrevision=1\nserial=XYZ\n"
                     "naa=600508B4000000000000000000000001\n");
    auto yes = host({"supported", v1_});
    EXPECT_EQ(yes.status, 0) << yes.out << yes.err;
    EXPECT_TRUE(has(yes.out, "an IBM XIV volume")) << yes.out;
    EXPECT_EQ(host({"supported", "/dev/hpd1"}).status, 1);
    EXPECT_EQ(host({"supported", "/dev/null"}).status, 1);
    EXPECT_EQ(host({"--json", "supported", v1_}).out,
              "{\"device\":\"" + v1_ + "\",\"supported\":true,\"present\":true}\n");
    auto missing = host({"--plugin", env_.tmp().file("no-such.so"), "supported", v1_});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(has(missing.err, "cannot load the plug-in")) << missing.err;
}

TEST_F(OperatorTool, ADamagedOrMissingHostDatabaseIsToldPlainly) {
    const std::string db = world_->home() + "/host.db";
    env_.tmp().write("world/home/host.db", std::string(8192, 'Z'));
    ::unlink((db + "-wal").c_str());
    ::unlink((db + "-shm").c_str());
    auto r = host({"array", "list"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "damaged or not a database")) << r.err;
    auto none =
        RunProgram({BuiltProgram("zrso-host"), "--home", env_.tmp().file("nothing"), "jobs"});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(has(none.err, "zrso-host init")) << none.err;
}

TEST_F(OperatorTool, CtrlCAtThePasswordPromptRestoresTheEcho) {
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string bin = BuiltProgram("zrso-host"), home = world_->home();
        ::execl(bin.c_str(), bin.c_str(), "--home", home.c_str(), "array", "passwd", "xiv1",
                nullptr);
        ::_exit(127);
    }
    std::string seen;
    char buf[256];
    while (!has(seen, "Password for")) {
        ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    termios during{}, after{};
    ::tcgetattr(master, &during);
    EXPECT_EQ(during.c_lflag & ECHO, 0u) << seen;
    char ctrlC = 3;
    ASSERT_EQ(::write(master, &ctrlC, 1), 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::tcgetattr(master, &after);
    ::close(master);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + SIGINT);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
}

// On a real machine a rescan probes every SCSI bus: zrso-host says so and goes
// on only when told. Neither case here writes to the machine's scan files.
TEST(OperatorToolRescan, OnARealMachineAsksOnTheTerminalOrWantsYes) {
    TempDir dir("refhost");
    const std::string bin = BuiltProgram("zrso-host"), home = dir.file("home");
    ASSERT_EQ(RunProgram({bin, "--home", home, "init"}).status, 0);
    auto script = RunProgram({bin, "--home", home, "rescan"});  // standard input: /dev/null
    EXPECT_EQ(script.status, 2);
    EXPECT_TRUE(has(script.out, "to the scan file of")) << script.out;
    EXPECT_TRUE(has(script.err, "pass --yes")) << script.err;
    // script(1) gives it a terminal whose input ends at once: no answer is no.
    auto terminal =
        RunProgram({"/usr/bin/script", "-qec", bin + " --home " + home + " rescan", "/dev/null"});
    EXPECT_EQ(terminal.status, 1) << terminal.out << terminal.err;
    EXPECT_TRUE(has(terminal.out, "Rescan now? [y/N]")) << terminal.out;
    EXPECT_TRUE(has(terminal.out, "rescan not done")) << terminal.out;
}

TEST(OperatorToolDemo, RunsToTheEndInAFreshWorld) {
    if (!HostWorld::buildHasIt()) GTEST_SKIP() << "simulator or plug-in not built";
    HostWorldEnv env("demo");
    auto r = RunProgram({BuiltProgram("zrso-host"), "demo"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "demo finished")) << r.out;
    EXPECT_TRUE(has(r.out, "/dev/xivd1: IBM XIV volume")) << r.out;
    EXPECT_FALSE(has(r.out, "FAILED")) << r.out;
}
