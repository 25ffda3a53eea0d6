// The array passwords must never leave the host's cipher and the xcli
// child's environment: zrso-host drives every capability of the plug-in, as
// separate processes, with passwords the test knows (one that works, one
// the array refuses), and then everything the runs left is searched: every
// program's standard output and error, every file under the host directory
// (log, database, catalogs), and every argument vector the simulator's xcli
// received.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/HostWorld.h"

namespace fs = std::filesystem;

namespace {

const char* const kRefusedPassword = "Scan-Refused-Pw-1177";

TEST(PasswordScan, NoPasswordInOutputLogsFilesOrArgumentLists) {
    if (!HostWorld::buildHasIt()) GTEST_SKIP() << "simulator, zrso-host or plug-in not built";
    HostWorldEnv env("zrso-scan");
    ScopedEnv password("XIV_XCLIPASSWORD", nullptr);
    HostWorld w(env.tmp().file("world"));
    w.defineHostObject();
    w.addVolumes(2);
    std::string seen = w.initHome();  // every output and error text
    std::string transcript;           // which commands ran, for failure messages
    auto host = [&](const std::vector<std::string>& words) {
        HostRun ran = w.host(words);
        seen += ran.out + ran.err;
        transcript += "$ " + words[0] + " -> " + std::to_string(ran.status) + "\n";
        return ran.status;
    };
    const std::string d1 = w.deviceOf("v1"), d2 = w.deviceOf("v2");

    // Every capability, with the login the array takes.
    const std::vector<std::vector<std::string>> working = {
        {"array", "list"},
        {"supported", d1},
        {"backup", d1, d2, "--cg"},
        {"backup", d1},
        {"reconcile", "1"},
        {"mount", "1"},
        {"jobs", "1"},
        {"unmount", "1"},
        {"delete", "1"},
        {"revert", "2", "--yes"},
        {"lun", "create", "--array", HostWorld::kArray, "--pool", HostWorld::kPool, "--volume",
         "scan_lun", "--size", "20G"},
        {"lun", "resize", "--array", HostWorld::kArray, "--volume", "scan_lun", "--size", "40G"},
        {"lun", "map", "--array", HostWorld::kArray, "--volume", "scan_lun", "--host", "scan_app",
         "--os", "Red Hat Enterprise Linux", "--port", "10000000C9A0E001"},
        {"lun", "resolve", "--array", HostWorld::kArray, "--volume", "scan_lun"},
        {"lun", "unmap", "--array", HostWorld::kArray, "--volume", "scan_lun", "--host", "scan_app",
         "--os", "Red Hat Enterprise Linux", "--port", "10000000C9A0E001"},
        {"lun", "delete", "--array", HostWorld::kArray, "--volume", "scan_lun", "--yes"},
        {"inventory"},
    };
    for (const auto& command : working) EXPECT_EQ(host(command), 0) << transcript << seen;

    // The array changes its password: every route fails, and its errors,
    // which quote what xcli answered, must not quote a password either.
    w.admin({"user-add", "--user", HostWorld::kUser, "--password", kRefusedPassword});
    const std::vector<std::vector<std::string>> refused = {
        {"backup", d2},
        {"reconcile", "2"},
        {"mount", "2"},
        {"lun", "create", "--array", HostWorld::kArray, "--pool", HostWorld::kPool, "--volume",
         "scan_lun2", "--size", "17G"},
        {"inventory"},
    };
    for (const auto& command : refused) EXPECT_NE(host(command), 0) << transcript;

    const std::vector<std::string> runs = w.sim().Runs();
    // The record itself, as stored.
    std::string stored;
    for (const char* file : {"runs.db", "runs.db-wal"})
        stored += ReadFileText(w.sim().state() + "/" + file);
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
    for (const auto& entry : fs::recursive_directory_iterator(w.home())) {
        if (!entry.is_regular_file()) continue;
        files += ReadFileText(entry.path().string());
        ++fileCount;
    }
    EXPECT_GE(fileCount, 3);
    EXPECT_NE(files.find("zrso_snapDevices"), std::string::npos) << "the log was not found";

    for (const char* password : {HostWorld::kPassword, kRefusedPassword}) {
        SCOPED_TRACE(password);
        EXPECT_EQ(seen.find(password), std::string::npos) << "in an output or error text";
        EXPECT_THAT(runs, ::testing::Each(::testing::Not(::testing::HasSubstr(password))))
            << "in an xcli argument list";
        EXPECT_EQ(stored.find(password), std::string::npos) << "in the simulator's run record";
        EXPECT_EQ(files.find(password), std::string::npos) << "in a file of the host directory";
    }
}

}  // namespace
