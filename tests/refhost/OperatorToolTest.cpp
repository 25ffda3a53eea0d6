// zrso-host as an administrator meets it, end to end over the simulator and
// the real plug-in: guards on what destroys data, reasons on screen,
// checked settings, interruption, one command per job, bounded logs, help.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>

#include <csignal>

#include "refhost/RefhostTestSupport.h"
#include "support/SimArray.h"

extern char** environ;

using refhost_test::readFile;
using refhost_test::runHost;
using refhost_test::TestDir;
using refhost_test::writeFile;

namespace {

const std::string kAddress = "10.20.30.40";
const std::string kPassword = "Op-Tool-Pw7";
const std::string kPort = "21:00:00:1b:32:a0:d0:07";

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The xcli children of this world still alive: processes whose environment
// names its simulator state.
int livingChildren(const std::string& state) {
    int count = 0;
    std::string mark = "XIV_SIM_STATE=" + state;
    DIR* proc = ::opendir("/proc");
    while (dirent* e = proc ? ::readdir(proc) : nullptr) {
        pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0 || pid == ::getpid()) continue;
        std::string env = readFile("/proc/" + std::to_string(pid) + "/environ");
        for (std::size_t at = 0; (at = env.find(mark, at)) != std::string::npos; at += mark.size())
            if ((at == 0 || env[at - 1] == '\0') &&
                (at + mark.size() == env.size() || env[at + mark.size()] == '\0'))
                ++count;
    }
    if (proc) ::closedir(proc);
    return count;
}

class OperatorTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SimAvailable({"zrso-host"}) || !PluginAvailable())
            GTEST_SKIP() << "simulator or plug-in not built";
        home_ = dir_ / "home";
        sim_.Admin({"array-create", "--address", kAddress, "--serial", "1310133", "--user", "admin",
                    "--password", kPassword});
        for (const char* pool : {"p1", "p2"})
            sim_.Admin({"pool-create", "--address", kAddress, "--pool", pool, "--size-gb", "2000"});
        sim_.Admin({"vol-create", "--address", kAddress, "--pool", "p1", "--vol", "v1", "--size-gb",
                    "34"});
        sim_.Admin({"vol-create", "--address", kAddress, "--pool", "p2", "--vol", "v2", "--size-gb",
                    "17"});
        sim_.Admin({"host-create", "--address", kAddress, "--host", "me", "--fc", kPort});
        for (const char* vol : {"v1", "v2"})
            sim_.Admin({"map", "--address", kAddress, "--host", "me", "--vol", vol});
        ASSERT_EQ(
            host({"init", "--simulated", "--sim-bin", SimBinDir(), "--sim-state", sim_.state(),
                  "--fc", kPort, "--mount-retry", "5", "--sleep-scale", "0.001"})
                .status,
            0);
        writeFile(dir_ / "pw", kPassword + "\n");
        ::chmod((dir_ / "pw").c_str(), 0600);
        auto add = host({"array", "add", "xiv1", "--address", kAddress, "--user", "admin",
                         "--serial", "1310133", "--password-file", dir_ / "pw"});
        ASSERT_EQ(add.status, 0) << add.err;
        ASSERT_EQ(host({"rescan"}).status, 0);
    }

    refhost_test::RunResult host(std::vector<std::string> words) {
        words.insert(words.begin(), {"--home", home_});
        return runHost(words);
    }

    // zrso-host in the background, its output in files.
    pid_t start(const std::vector<std::string>& words) {
        std::vector<std::string> argv = {std::string(ZRSO_BIN_DIR) + "/zrso-host", "--home", home_};
        argv.insert(argv.end(), words.begin(), words.end());
        std::vector<char*> p;
        for (auto& a : argv) p.push_back(&a[0]);
        p.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, (dir_ / "bg.out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, 2, (dir_ / "bg.err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        posix_spawn(&pid, p[0], &files, nullptr, p.data(), environ);
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }

    // Waits until the simulator has started a run of the operation.
    bool runStarted(const std::string& operation) {
        for (int i = 0; i < 600; ++i, ::usleep(50000))
            for (const auto& run : sim_.Runs(kAddress))
                if (has(run, "\t" + operation + "\t")) return true;
        return false;
    }

    // Signals the background zrso-host and collects its end.
    refhost_test::RunResult stop(pid_t pid, int signal) {
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        refhost_test::RunResult r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readFile(dir_ / "bg.out");
        r.err = readFile(dir_ / "bg.err");
        return r;
    }

    int runsOf(const std::string& operation) { return sim_.CountRuns(kAddress)[operation]; }

    TestDir dir_;
    SimArray sim_;
    std::string home_;
};

}  // namespace

TEST_F(OperatorTool, GuardsRefuseShrinkingUnconfirmedChangesAndRevertWhileMounted) {
    ASSERT_EQ(host({"backup", "/dev/xivd1"}).status, 0);
    ASSERT_EQ(host({"mount", "1"}).status, 0);
    auto mounted = host({"revert", "1", "--yes"});
    EXPECT_EQ(mounted.status, 1);
    EXPECT_TRUE(has(mounted.err, "unmount them first: zrso-host unmount 1")) << mounted.err;
    ASSERT_EQ(host({"unmount", "1"}).status, 0);

    // No terminal here (standard input is /dev/null): what asks is refused.
    const struct {
        std::vector<std::string> words;
        const char* says;
    } refused[] = {
        {{"lun", "resize", "--array", "xiv1", "--volume", "v1", "--size", "17G"},
         "refused without --allow-shrink"},
        {{"lun", "resize", "--array", "xiv1", "--volume", "v1", "--size", "17G", "--allow-shrink"},
         "give --yes"},
        {{"lun", "delete", "--array", "xiv1", "--volume", "v2"}, "give --yes"},
        {{"revert", "1"}, "give --yes"},
    };
    for (const auto& c : refused) {
        auto r = host(c.words);
        EXPECT_EQ(r.status, 1) << c.words[1];
        EXPECT_TRUE(has(r.err, c.says)) << r.err;
    }
    EXPECT_TRUE(
        has(host({"lun", "resize", "--array", "xiv1", "--volume", "v1", "--size", "17G"}).err,
            "GiB to 17.00 GiB shrinks it"));
    for (const char* op : {"vol_resize", "vol_delete", "snapshot_restore"})
        EXPECT_EQ(runsOf(op), 0) << op;

    // Growing needs no confirmation; a confirmed shrink goes through.
    EXPECT_EQ(host({"lun", "resize", "--array", "xiv1", "--volume", "v1", "--size", "51G"}).status,
              0);
    EXPECT_EQ(host({"lun", "resize", "--array", "xiv1", "--volume", "v1", "--size", "34G",
                    "--allow-shrink", "--yes"})
                  .status,
              0);
}

TEST_F(OperatorTool, InterruptedBackupStopsTheXcliChildAndMarksTheJob) {
    sim_.Admin({"fault", "--address", kAddress, "--kind", "hang", "--seconds", "600", "--op",
                "snapshot_create"});
    pid_t pid = start({"backup", "/dev/xivd1"});
    ASSERT_TRUE(runStarted("snapshot_create"));
    auto r = stop(pid, SIGINT);
    EXPECT_EQ(r.status, 128 + SIGINT) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "INTERRUPTED by SIGINT during snap")) << r.out;
    EXPECT_TRUE(has(r.out, "clean up with: zrso-host delete 1")) << r.out;
    EXPECT_TRUE(has(host({"jobs", "1"}).out, "interrupted"));
    // The child went with zrso-host: nothing is left to change the array.
    EXPECT_EQ(livingChildren(sim_.state()), 0);
    EXPECT_FALSE(has(sim_.Admin({"show", "--address", kAddress}), "ZRS_J1"));
    EXPECT_EQ(runsOf("snapshot_create"), 1);
}

TEST_F(OperatorTool, InterruptedMountRefusesASecondCommandOnItsJob) {
    ASSERT_EQ(host({"backup", "/dev/xivd1", "/dev/xivd2"}).status, 0);
    sim_.Admin(
        {"fault", "--address", kAddress, "--kind", "hang", "--seconds", "600", "--op", "map_vol"});
    pid_t pid = start({"mount", "1"});
    ASSERT_TRUE(runStarted("map_vol"));
    auto second = host({"unmount", "1"});
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(has(second.err, "job 1 busy (pid " + std::to_string(pid) + ")")) << second.err;

    auto r = stop(pid, SIGTERM);
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "clean up with: zrso-host unmount 1")) << r.out;
    EXPECT_EQ(livingChildren(sim_.state()), 0);
    EXPECT_EQ(runsOf("map_vol"), 1) << "no child is started once stopping";
    // The job is free again and cleans up.
    EXPECT_EQ(host({"unmount", "1"}).status, 0);
}

TEST_F(OperatorTool, FailuresPrintTheirReasonOnScreen) {
    auto group = host({"backup", "--cg", "/dev/xivd1", "/dev/xivd2"});
    EXPECT_EQ(group.status, 1);
    EXPECT_TRUE(has(group.out, "from different pools")) << group.out;
    EXPECT_TRUE(has(group.out, "details: " + home_ + "/zrso-host.log")) << group.out;

    for (const char* device : {"/dev/null", "/dev/xivd9"}) {
        auto r = host({"backup", device});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(has(r.err, "no job was made")) << r.err;
    }
    EXPECT_EQ(host({"jobs", "2"}).status, 1) << "only the group job exists";

    ASSERT_EQ(host({"config", "set", "process-timeout", "1"}).status, 0);
    sim_.Admin(
        {"fault", "--address", kAddress, "--kind", "hang", "--seconds", "30", "--op", "vol_list"});
    auto slow = host({"backup", "/dev/xivd1"});
    EXPECT_EQ(slow.status, 1);
    EXPECT_TRUE(has(slow.out, "exceeded the time limit of 1 s")) << slow.out;
    ASSERT_EQ(host({"config", "set", "process-timeout", "\"\""}).status, 0);  // back to the default

    auto exists = host({"--json", "lun", "create", "--array", "xiv1", "--pool", "p1", "--volume",
                        "v1", "--size", "17G"});
    EXPECT_EQ(exists.status, 1);
    EXPECT_TRUE(
        has(exists.out,
            "\"error\":{\"code\":70003,\"status\":\"VOLUME_EXISTS\",\"message\":\"a volume of"))
        << exists.out;
    EXPECT_FALSE(has(exists.out, "XCLIRETURN"));

    sim_.Admin({"user-add", "--address", kAddress, "--user", "admin", "--password",
                "changed-on-the-array"});
    auto inventory = host({"inventory"});
    EXPECT_EQ(inventory.status, 1);
    EXPECT_TRUE(has(inventory.out, "xiv1   not collected")) << inventory.out;
    EXPECT_TRUE(has(inventory.out, "the array refused the login")) << inventory.out;
    EXPECT_TRUE(has(inventory.out, "zrso-host array passwd xiv1")) << inventory.out;
}

TEST_F(OperatorTool, SettingsAndArraysAreCheckedBeforeTheyAreKept) {
    EXPECT_TRUE(has(host({"init", "--simulated"}).err, "already a host directory"));
    const std::vector<std::vector<std::string>> bad = {
        {"--sim-bin", "/nonexistent"}, {"--mount-retry", "-5"}, {"--sleep-scale", "0"}};
    for (const auto& option : bad) {
        std::vector<std::string> words = {"--home", dir_ / "fresh", "init", "--simulated"};
        words.insert(words.end(), option.begin(), option.end());
        EXPECT_EQ(runHost(words).status, 2) << option[0];
        EXPECT_FALSE(refhost_test::exists(dir_ / "fresh/host.db")) << option[0];
    }
    for (const auto& kv :
         std::vector<std::pair<std::string, std::string>>{{"xcli-dir", "/nonexistent"},
                                                          {"log-level", "7"},
                                                          {"mount-retry", "x"},
                                                          {"no-such-key", "1"}})
        EXPECT_EQ(host({"config", "set", kv.first, kv.second}).status, 2) << kv.first;
    ASSERT_EQ(host({"config", "set", "log-level", "0"}).status, 0);
    EXPECT_TRUE(has(readFile(home_ + "/platform.ini"), "nDebugLevel=0"));

    // A duplicate is refused before the password is read (the file is not there).
    auto twice = host({"array", "add", "again", "--address", "10.9.9.9", "--user", "admin",
                       "--serial", "1310133", "--password-file", dir_ / "missing"});
    EXPECT_TRUE(has(twice.err, "already registered as xiv1")) << twice.err;
    sim_.Admin({"array-create", "--address", "10.9.9.9", "--serial", "1320001", "--user", "admin",
                "--password", kPassword});
    ::chmod((dir_ / "pw").c_str(), 0644);
    auto wrong = host({"array", "add", "other", "--address", "10.9.9.9", "--user", "admin",
                       "--serial", "1320002", "--password-file", dir_ / "pw"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(has(wrong.err, "has serial 1320001, not 1320002")) << wrong.err;
    EXPECT_TRUE(has(wrong.err, "can be read by others")) << wrong.err;

    writeFile(dir_ / "bad", "not-it\n");
    auto passwd = host({"array", "passwd", "xiv1", "--password-file", dir_ / "bad"});
    EXPECT_EQ(passwd.status, 1);
    EXPECT_TRUE(has(passwd.err, "refused the login")) << passwd.err;
    EXPECT_EQ(host({"array", "test", "xiv1"}).status, 0) << "the old password stays";
}

TEST_F(OperatorTool, HelpVersionJsonAndQuietness) {
    auto help = host({"help", "lun", "resize"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(has(help.out, "usage: zrso-host lun resize --array A --volume V --size SIZE"))
        << help.out;
    EXPECT_TRUE(has(help.out, "--allow-shrink")) << help.out;
    EXPECT_TRUE(has(help.out, "example:\n  zrso-host lun resize")) << help.out;
    EXPECT_EQ(host({"lun", "resize", "--help"}).out, help.out);
    EXPECT_NE(host({"backup", "--help"}).out, help.out);

    auto version = host({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(has(version.out, "zrso-host ")) << version.out;
    EXPECT_TRUE(has(version.out, "plug-in 1.0.0")) << version.out;

    auto quiet = host({"-q", "backup", "/dev/xivd1"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    auto json = host({"--json", "jobs", "1"});
    EXPECT_TRUE(has(json.out, "\"snap_device\":")) << json.out;
    EXPECT_TRUE(has(json.out, "\"status\":5,\"state\":\"snapped\"")) << json.out;
    auto missing = host({"--json", "jobs", "99"});
    EXPECT_EQ(missing.out, "{\"error\":{\"code\":0,\"status\":\"\",\"message\":\"no job 99\"}}\n");
}

TEST_F(OperatorTool, CtrlCAtThePasswordPromptRestoresTheEcho) {
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string bin = std::string(ZRSO_BIN_DIR) + "/zrso-host";
        ::execl(bin.c_str(), bin.c_str(), "--home", home_.c_str(), "array", "passwd", "xiv1",
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
    termios during{};
    ::tcgetattr(master, &during);
    EXPECT_EQ(during.c_lflag & ECHO, 0u) << seen;
    char ctrlC = 3;
    ASSERT_EQ(::write(master, &ctrlC, 1), 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    termios after{};
    ::tcgetattr(master, &after);
    ::close(master);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + SIGINT);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
}

TEST(OperatorToolLog, HundredThousandVolumeInventoryWritesUnderOneMiB) {
    if (!SimAvailable({"zrso-host"}) || !PluginAvailable())
        GTEST_SKIP() << "simulator or plug-in not built";
    TestDir dir;
    SimArray sim;
    sim.Admin({"array-create", "--address", kAddress, "--serial", "1310133", "--user", "admin",
               "--password", kPassword});
    sim.Admin({"vol-bulk", "--address", kAddress, "--pools", "10", "--vols", "100000"});
    std::string home = dir / "home";
    ASSERT_EQ(runHost({"--home", home, "init", "--simulated", "--sim-bin", SimBinDir(),
                       "--sim-state", sim.state()})
                  .status,
              0);
    writeFile(dir / "pw", kPassword + "\n");
    ASSERT_EQ(runHost({"--home", home, "array", "add", "big", "--address", kAddress, "--user",
                       "admin", "--serial", "1310133", "--password-file", dir / "pw"})
                  .status,
              0);
    std::size_t before = readFile(home + "/zrso-host.log").size();
    auto r = runHost({"--home", home, "inventory"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.err, "pool bulk_pool_0001: 10000 volumes")) << r.err;
    EXPECT_LT(readFile(home + "/zrso-host.log").size() - before, 1u << 20);
}
