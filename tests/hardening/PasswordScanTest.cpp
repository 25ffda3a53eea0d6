// The array passwords must never leave the host's cipher and the xcli
// child's environment: zrso-host drives every capability of the plug-in, as
// separate processes, with passwords the test knows (one that works, one
// the array refuses), and then everything the runs left is searched: every
// program's standard output and error, every file under the host directory
// (log, database, catalogs), and every argument vector the simulator's xcli
// received.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/SimArray.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char* const kLoginPassword = "Scan-Login-Pw-8841";
const char* const kRefusedPassword = "Scan-Refused-Pw-1177";
const char* const kAddress = "xiv-scan-1";
const char* const kUser = "scan_admin";
const char* const kPort1 = "2100001B32A0E001";
const char* const kPort2 = "2100001B32A0E002";

struct Ran {
    int status = -1;
    std::string out, err;
};

// Runs a program without a shell, its output and error read back from files.
Ran RunCaptured(const TempDir& dir, const std::vector<std::string>& argv) {
    static int serial = 0;
    std::string outPath = dir.file("out." + std::to_string(serial));
    std::string errPath = dir.file("err." + std::to_string(serial++));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    Ran ran;
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    ran.out = ReadFileText(outPath);
    ran.err = ReadFileText(errPath);
    return ran;
}

class PasswordScan : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SimAvailable({"zrso-host"}) || !PluginAvailable())
            GTEST_SKIP() << "simulator, zrso-host or plug-in not built";
    }

    // The simulator's admin tool; must work. Its output and error are
    // scanned as well.
    void Sim(std::vector<std::string> args) {
        args.insert(args.begin(), {BuiltProgram("xcli-sim"), "--state", state_});
        Ran ran = RunCaptured(dir_, args);
        ASSERT_EQ(ran.status, 0) << args[3] << ": " << ran.err;
        seen_ += ran.out + ran.err;
    }

    // A zrso-host command; everything it printed is kept for the scan.
    int Host(std::vector<std::string> args) {
        args.insert(args.begin(), {BuiltProgram("zrso-host"), "--home", home_});
        Ran ran = RunCaptured(dir_, args);
        seen_ += ran.out + ran.err;
        transcript_ += "$ " + args[3] + " -> " + std::to_string(ran.status) + "\n";
        return ran.status;
    }

    TempDir dir_{"zrso-scan"};
    ScopedEnv tmpdir_{"TMPDIR", dir_.path()};
    // zrso-host points the runtime at its home; nothing of the caller's leaks in.
    ScopedEnv config_{"ZRSO_CONFIG", nullptr}, key_{"ZRSO_KEY_FILE", nullptr},
        log_{"ZRSO_LOG_FILE", nullptr}, disks_{"ZRSO_SIM_DISKS", nullptr},
        passwordEnv_{"XIV_XCLIPASSWORD", nullptr};
    std::string state_ = dir_.file("sim-state");
    std::string home_ = dir_.file("host");
    std::string seen_;        // every output and error text
    std::string transcript_;  // which commands ran, for failure messages
};

TEST_F(PasswordScan, NoPasswordInOutputLogsFilesOrArgumentLists) {
    fs::create_directories(state_);
    Sim({"array-create", "--address", kAddress, "--serial", "1310133", "--user", kUser,
         "--password", kLoginPassword});
    Sim({"pool-create", "--address", kAddress, "--pool", "scan_pool", "--size-gb", "1020",
         "--snapshot-size-gb", "340"});
    for (const char* v : {"scan_vol_1", "scan_vol_2"})
        Sim({"vol-create", "--address", kAddress, "--pool", "scan_pool", "--vol", v, "--size-gb",
             "17"});
    Sim({"host-create", "--address", kAddress, "--host", "scan_client", "--fc",
         std::string(kPort1) + "," + kPort2});
    for (const char* v : {"scan_vol_1", "scan_vol_2"})
        Sim({"map", "--address", kAddress, "--host", "scan_client", "--vol", v});
    Sim({"port-login", "--address", kAddress, "--port", kPort1});

    ASSERT_EQ(Host({"init", "--simulated", "--sim-bin", SimBinDir(), "--sim-state", state_, "--fc",
                    kPort1, "--fc", kPort2, "--mount-retry", "5", "--sleep-scale", "0.01"}),
              0);
    std::string passwordFile = dir_.write("password", std::string(kLoginPassword) + "\n");
    ASSERT_EQ(Host({"array", "add", "scan-xiv", "--address", kAddress, "--user", kUser, "--serial",
                    "1310133", "--password-file", passwordFile}),
              0);
    fs::remove(passwordFile);
    ASSERT_EQ(Host({"rescan"}), 0);

    // Every capability, with the login the array takes.
    const std::vector<std::vector<std::string>> working = {
        {"array", "list"},
        {"supported", "/dev/xivd1"},
        {"backup", "/dev/xivd1", "/dev/xivd2", "--cg"},
        {"backup", "/dev/xivd1"},
        {"reconcile", "1"},
        {"mount", "1"},
        {"jobs", "1"},
        {"unmount", "1"},
        {"delete", "1"},
        {"revert", "2", "--yes"},
        {"lun", "create", "--array", "scan-xiv", "--pool", "scan_pool", "--volume", "scan_lun",
         "--size", "20G"},
        {"lun", "resize", "--array", "scan-xiv", "--volume", "scan_lun", "--size", "40G"},
        {"lun", "map", "--array", "scan-xiv", "--volume", "scan_lun", "--host", "scan_app", "--os",
         "Red Hat Enterprise Linux", "--port", "10000000C9A0E001"},
        {"lun", "resolve", "--array", "scan-xiv", "--volume", "scan_lun"},
        {"lun", "unmap", "--array", "scan-xiv", "--volume", "scan_lun", "--host", "scan_app",
         "--os", "Red Hat Enterprise Linux", "--port", "10000000C9A0E001"},
        {"lun", "delete", "--array", "scan-xiv", "--volume", "scan_lun", "--yes"},
        {"inventory"},
    };
    for (const auto& command : working) EXPECT_EQ(Host(command), 0) << transcript_ << seen_;

    // The array changes its password: every route fails, and its errors,
    // which quote what xcli answered, must not quote a password either.
    Sim({"user-add", "--address", kAddress, "--user", kUser, "--password", kRefusedPassword});
    const std::vector<std::vector<std::string>> refused = {
        {"backup", "/dev/xivd2"},
        {"reconcile", "2"},
        {"mount", "2"},
        {"lun", "create", "--array", "scan-xiv", "--pool", "scan_pool", "--volume", "scan_lun2",
         "--size", "17G"},
        {"inventory"},
    };
    for (const auto& command : refused) EXPECT_NE(Host(command), 0) << transcript_;

    const std::vector<std::string> runs = SimArray(state_).Runs();
    // The record itself, as stored.
    std::string stored;
    for (const char* file : {"runs.db", "runs.db-wal"}) stored += ReadFileText(state_ + "/" + file);
    EXPECT_FALSE(stored.empty());
    // Every xcli run took its password from the environment, none from -p.
    for (const std::string& line : runs) {
        const std::vector<std::string> fields = RunFields(line);
        ASSERT_GE(fields.size(), 6u) << line;
        EXPECT_EQ(fields[4], "env") << line;
        for (size_t i = 5; i < fields.size(); ++i) EXPECT_NE(fields[i], "-p") << line;
    }
    EXPECT_GT(runs.size(), 40u);

    // Everything the host directory holds: log, database, settings, catalogs.
    std::string files;
    int fileCount = 0;
    for (const auto& entry : fs::recursive_directory_iterator(home_)) {
        if (!entry.is_regular_file()) continue;
        files += ReadFileText(entry.path().string());
        ++fileCount;
    }
    EXPECT_GE(fileCount, 3);
    EXPECT_NE(files.find("zrso_snapDevices"), std::string::npos) << "the log was not found";

    for (const char* password : {kLoginPassword, kRefusedPassword}) {
        SCOPED_TRACE(password);
        EXPECT_EQ(seen_.find(password), std::string::npos) << "in an output or error text";
        EXPECT_THAT(runs, ::testing::Each(::testing::Not(::testing::HasSubstr(password))))
            << "in an xcli argument list";
        EXPECT_EQ(stored.find(password), std::string::npos) << "in the simulator's run record";
        EXPECT_EQ(files.find(password), std::string::npos) << "in a file of the host directory";
    }
}

}  // namespace
