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
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/HostWorld.h"
#include "support/TestData.h"

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
    const std::map<std::string, std::string> fill = {
        {"$1", w.deviceOf("v1")}, {"$2", w.deviceOf("v2")}, {"$os", "Red Hat Enterprise Linux"}};
    std::istringstream commands(TestData("hardening/password_scan.txt"));
    bool changed = false;
    for (std::string line; std::getline(commands, line);) {
        std::vector<std::string> words;
        std::istringstream split(line);
        for (std::string word; split >> word;)
            words.push_back(fill.count(word) ? fill.at(word) : word);
        if (words.empty() || words[0][0] == '#') continue;
        if (words[0] == "refused" && !changed) {
            // The array changes its password: every route fails, and its
            // errors must not quote a password either.
            w.admin({"user-add", "--user", HostWorld::kUser, "--password", kRefusedPassword});
            changed = true;
        }
        const bool works = words[0] == "works";
        words.erase(words.begin());
        HostRun ran = w.host(words);
        seen += ran.out + ran.err;
        EXPECT_EQ(ran.status == 0, works) << line << "\n" << ran.out << ran.err;
    }
    EXPECT_TRUE(changed);

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
