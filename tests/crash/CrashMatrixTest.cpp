// zrso-host killed (SIGKILL) at each of its xcli runs in turn, while the
// array holds that run after doing its work; then what the operator runs
// next, and the end state: nothing of the job left on the array that is not
// either cleaned by that step or named with a command that removes it, the
// host database agreeing with the array, the log and the database whole.
//
// ZRSO_CRASH_REPORT=FILE appends one JSON line per command (bench/load.sh).
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "json/JsonReader.h"
#include "support/HostWorld.h"
#include "support/TestData.h"

namespace {

const JsonValue& member(const JsonValue& v, const std::string& name) {
    static const JsonValue none;
    return v.find(name) ? *v.find(name) : none;
}

// Lines of one state that the other lacks.
std::vector<std::string> minus(const std::vector<std::string>& a,
                               const std::vector<std::string>& b) {
    std::vector<std::string> out;
    for (const auto& line : a)
        if (std::find(b.begin(), b.end(), line) == b.end()) out.push_back(line);
    return out;
}

// One case of tests/data/crash/cases.txt.
struct CrashCase {
    std::string name, label;
    std::vector<std::vector<std::string>> before;
    size_t baselineAt = 0;
    std::vector<std::string> command, next, then;
    std::string told, disagreeing;
};

void PrintTo(const CrashCase& c, std::ostream* os) { *os << c.name; }

std::vector<CrashCase> Cases() {
    std::vector<CrashCase> cases;
    std::istringstream lines(TestData("crash/cases.txt"));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::string key = line.substr(0, line.find(' ')), rest = line.substr(key.size() + 1);
        std::vector<std::string> words;
        std::istringstream split(rest);
        for (std::string word; split >> word;) words.push_back(word);
        if (key == "case") cases.emplace_back().name = rest;
        CrashCase& c = cases.at(cases.size() - 1);  // throws for a key before any case
        if (key == "label") c.label = rest;
        if (key == "before") c.before.push_back(words);
        if (key == "baseline") c.baselineAt = std::stoul(rest);
        if (key == "command") c.command = words;
        if (key == "next") c.next = words;
        if (key == "then") c.then = words;
        if (key == "told") c.told = rest;
        if (key == "disagreeing") c.disagreeing = rest;
    }
    return cases;
}

// Figures of one command's matrix, for the closing table.
struct Tally {
    int points = 0, objectsAtKill = 0, nextFailed = 0, leftReported = 0, keptReported = 0,
        hostObjectsKept = 0;
};

// Host objects the plug-in made with all their ports stay on purpose: later
// mounts and maps use them.
bool keptHostObject(const std::string& line) {
    static const std::regex kept(
        "host [A-Za-z0-9.-]+_[0-9]+ ports [0-9A-F]{16}(\\(logged in\\))?( [0-9A-F]{16}(\\(logged "
        "in\\))?)*");
    return std::regex_match(line, kept);
}

class CrashMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HostWorld::buildHasIt()) GTEST_SKIP() << "simulator or plug-in not built";
        world_ = HostWorld::ready(env_.tmp().file("world"), 2, 1);
        devices_ = {world_->deviceOf("v1"), world_->deviceOf("v2")};
    }

    std::vector<std::string> words(std::vector<std::string> w) const {
        for (auto& word : w)
            if (word == "$1" || word == "$2") word = devices_[word[1] - '1'];
        return w;
    }

    // Starts the command with its nth xcli run held, kills it there.
    void killAt(const CrashCase& c, int nth) {
        SimArray sim(world_->sim().state());
        sim.Admin({"hold", "--address", HostWorld::kAddress, "--nth", std::to_string(nth)});
        pid_t host = world_->startHost(words(c.command), "killed");
        std::string held;
        try {
            held = sim.Admin({"held", "--address", HostWorld::kAddress, "--seconds", "120"});
        } catch (const std::exception&) {
            // Killed and released all the same: nothing of this run may outlive the test.
        }
        ::kill(host, SIGKILL);
        world_->collect(host, "killed");
        sim.Admin({"release", "--address", HostWorld::kAddress});
        ASSERT_FALSE(held.empty()) << "run " << nth << " was never held";
        ASSERT_TRUE(HostWorld::waitGone(static_cast<pid_t>(std::atol(held.c_str())))) << held;
    }

    // The array against the baseline, less the host objects kept.
    std::vector<std::string> leftovers(Tally* tally = nullptr) {
        std::vector<std::string> out;
        for (const auto& line : minus(world_->arrayState(), baseline_)) {
            if (!keptHostObject(line))
                out.push_back(line);
            else if (tally)
                ++tally->hostObjectsKept;
        }
        return out;
    }

    void crashAt(const CrashCase& c, int nth, Tally& tally) {
        std::string point = c.command[0] + " killed at xcli run " + std::to_string(nth);
        killAt(c, nth);
        // Right after the kill the host says the job is unfinished and names
        // the case's next step as the command that cleans up.
        EXPECT_EQ("", world_->fileProblems(true)) << point;
        EXPECT_EQ("running", world_->hostDbValue("SELECT state FROM jobs ORDER BY id DESC LIMIT 1"))
            << point;
        std::string jobs = world_->host({"jobs"}).out;
        EXPECT_NE(std::string::npos, jobs.find("unfinished")) << point << jobs;
        EXPECT_NE(std::string::npos, jobs.find("clean up with: " + c.told)) << point << jobs;
        tally.objectsAtKill += static_cast<int>(leftovers().size());

        std::vector<std::string> next = words(c.next);
        next.insert(next.begin(), "--json");
        HostRun r = world_->host(next);
        JsonValue answer = ReadJson(r.out.data(), r.out.size());
        const JsonValue& check = member(answer, "array_check");
        ASSERT_TRUE(check.isObject())
            << point << ": the next step did not check the array: " << r.out << r.err;
        EXPECT_EQ("", member(check, "problem").asString()) << point;
        // The plug-in may fail the next step (an unmount finds no host object
        // for this machine when the kill came before it was made): then what
        // it could not clean is in the check's "left", with its removal.
        tally.nextFailed += !member(answer, "ok").asBool();
        EXPECT_EQ("0", world_->hostDbValue(
                           "SELECT count(*) FROM jobs WHERE state IN ('running', 'interrupted')"))
            << point;
        // Every removal command the host printed for what is left.
        for (const auto& left : member(check, "left").items()) {
            ++(member(left, "kept").asBool() ? tally.keptReported : tally.leftReported);
            for (const auto& command : member(left, "remove").items()) {
                HostRun removed = world_->runPrinted(command.asString());
                EXPECT_EQ(0, removed.status)
                    << point << ": " << command.asString() << ": " << removed.out << removed.err;
            }
        }
        for (const auto& line : world_->arrayState())
            if (line.find("_duplicate ") != std::string::npos &&
                line.find(" locked ") != std::string::npos)
                ADD_FAILURE() << point << ": a duplicate stays read-only: " << line;
        if (!c.then.empty()) {
            HostRun last = world_->host(words(c.then));
            EXPECT_EQ(0, last.status) << point << ": " << last.out << last.err;
        }
        for (const auto& line : leftovers(&tally))
            ADD_FAILURE() << point << ": left on the array: " << line;
        for (const auto& line : minus(baseline_, world_->arrayState()))
            ADD_FAILURE() << point << ": gone from the array: " << line;
        EXPECT_EQ("0", world_->hostDbValue(c.disagreeing))
            << point << ": the host database disagrees: " << r.out;
        EXPECT_EQ("", world_->fileProblems()) << point;
        ++tally.points;
    }

    HostWorldEnv env_{"crash"};
    std::unique_ptr<HostWorld> world_;
    std::vector<std::string> devices_, baseline_;
};

class CrashCases : public CrashMatrix, public ::testing::WithParamInterface<CrashCase> {};

TEST_P(CrashCases, EveryKillEndsCleanAfterTheNextStep) {
    const CrashCase& c = GetParam();
    // The steps before; the array's state after baselineAt of them.
    world_->save("start");
    for (size_t i = 0; i <= c.before.size(); ++i) {
        if (i == c.baselineAt) baseline_ = world_->arrayState();
        if (i == c.before.size()) break;
        const auto& step = c.before[i];
        if (step[0] == "xcli") {
            world_->xcli(std::vector<std::string>(step.begin() + 1, step.end()));
            continue;
        }
        HostRun r = world_->host(words(step));
        ASSERT_EQ(0, r.status) << step[0] << ": " << r.out << r.err;
    }
    world_->save("ready");

    world_->sim().ClearRuns(HostWorld::kAddress);
    HostRun uninterrupted = world_->host(words(c.command));
    EXPECT_EQ(0, uninterrupted.status) << uninterrupted.out << uninterrupted.err;
    const int runs = static_cast<int>(world_->sim().Runs(HostWorld::kAddress).size());
    world_->restore("ready");
    ASSERT_GT(runs, 0);
    Tally tally;
    for (int nth = 1; nth <= runs; ++nth) {
        crashAt(c, nth, tally);
        world_->restore("ready");
    }
    world_->restore("start");
    if (const char* path = std::getenv("ZRSO_CRASH_REPORT"))
        std::ofstream(path, std::ios::app)
            << "{\"command\":\"" << c.label << "\",\"next\":\"" << c.next[0] << " " << c.next[1]
            << "\",\"points\":" << tally.points << ",\"objects_at_kill\":" << tally.objectsAtKill
            << ",\"next_failed\":" << tally.nextFailed
            << ",\"left_reported\":" << tally.leftReported
            << ",\"kept_reported\":" << tally.keptReported
            << ",\"host_objects_kept\":" << tally.hostObjectsKept << "}\n";
}

INSTANTIATE_TEST_SUITE_P(Commands, CrashCases, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<CrashCase>& info) {
                             return info.param.name;
                         });

// Kills at moments spread over a command's run, not only at its xcli runs:
// inside a write of the debug log or a transaction of the host database,
// neither comes apart, and the step that cleans up ends a cut log line.
TEST_F(CrashMatrix, KillsAtAnyMomentLeaveLogAndDatabaseWhole) {
#ifdef ZRSO_SANITIZED
    constexpr int kKills = 8;  // every process is several times slower
#else
    constexpr int kKills = 20;
#endif
    ASSERT_EQ(0, world_->host({"backup", devices_[0]}).status);
    world_->save("ready");
    struct {
        std::vector<std::string> command, cleanup;
    } commands[] = {{{"backup", "--cg", devices_[0], devices_[1]}, {"delete", "2"}},
                    {{"mount", "1"}, {"unmount", "1"}}};
    for (const auto& c : commands) {
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(0, world_->host(c.command).status) << c.command[0];
        auto span = std::chrono::steady_clock::now() - start;
        for (int i = 0; i < kKills; ++i) {
            std::string point =
                c.command[0] + " killed after " + std::to_string(i) + "/" + std::to_string(kKills);
            world_->restore("ready");
            pid_t host = world_->startHost(c.command, "killed");
            std::this_thread::sleep_for(span * i / kKills);
            ::kill(host, SIGKILL);
            world_->collect(host, "killed");
            ASSERT_TRUE(world_->waitQuiet());
            EXPECT_EQ("", world_->fileProblems(true)) << point;
            world_->host(c.cleanup);
            EXPECT_EQ("", world_->fileProblems()) << point;
        }
    }
    world_->restore("ready");
}

}  // namespace
