#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/HostSleep.h"
#include "host/rt/ProcessRunner.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

struct Outcome {
    int status;
    std::string out = "stale", err = "stale";
};

Outcome run(const std::string& line, const char* const* env = nullptr) {
    Outcome r;
    r.status = ProcessRunner().system(line.c_str(), &r.out, &r.err, env, true);
    return r;
}

// Killed processes may stay zombies for a moment until their new parent reaps them.
bool processGone(pid_t pid) {
    for (int i = 0; i < 200; ++i, ::usleep(10000)) {
        if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
        std::string stat = ReadFileText("/proc/" + std::to_string(pid) + "/stat");
        std::size_t close = stat.rfind(')');
        if (close != std::string::npos && stat.compare(close, 3, ") Z") == 0) return true;
    }
    return false;
}

TEST(ProcessRunner, LargeStdoutAndStderrDoNotDeadlock) {
    // Both orders: a reader that drains one stream before the other blocks on
    // whichever the child fills second.
    for (std::string script : {"head -c 5000000 /dev/zero; head -c 4500000 /dev/zero >&2",
                               "head -c 4500000 /dev/zero >&2; head -c 5000000 /dev/zero"}) {
        Outcome r = run("sh -c \"" + script + "\"");
        EXPECT_EQ(r.status, 0) << script;
        EXPECT_EQ(r.out.size(), 5000000u) << script;
        EXPECT_EQ(r.err.size(), 4500000u) << script;
    }
}

TEST(ProcessRunner, ExitStatusSignalsAndNotStarted) {
    Outcome r = run("sh -c \"echo out; echo err >&2; exit 7\"");
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.err, "err\n");
    EXPECT_EQ(run("sh -c \"kill -TERM $$\"").status, 128 + SIGTERM);

    // A data file of ours stands for a program that is not executable.
    for (std::string line :
         {std::string("zrso-no-such-program -x"), std::string("/nonexistent/xcli"),
          TestDataPath("platform/sections.ini"), std::string("\"\""), std::string(""),
          std::string("  "), std::string("xcli -p \"unterminated")}) {
        r = run(line);
        EXPECT_EQ(r.status, ProcessRunner::NOT_STARTED) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_NE(r.err, "") << line;
    }
    EXPECT_THAT(run("/nonexistent/xcli").err, HasSubstr("cannot start"));
    EXPECT_EQ(ProcessRunner().system(nullptr, nullptr, nullptr, nullptr, true),
              ProcessRunner::NOT_STARTED);
    EXPECT_EQ(ProcessRunner().system("sh -c \"echo a; echo b >&2; exit 4\"", nullptr, nullptr,
                                     nullptr, true),
              4);
}

TEST(ProcessRunner, EnvironmentDescriptorsAndStdin) {
    ScopedEnv inherited("ZRSO_TEST_INHERITED", "parent");
    ScopedEnv replaced("ZRSO_TEST_REPLACED", "old");
    const char* extra[] = {"ZRSO_TEST_NEW=new value", "ZRSO_TEST_REPLACED=new", "no-equals",
                           nullptr};
    Outcome r =
        run("sh -c \"echo $ZRSO_TEST_NEW/$ZRSO_TEST_REPLACED/$ZRSO_TEST_INHERITED; env\"", extra);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "new value/new/parent");
    EXPECT_EQ(r.out.find("ZRSO_TEST_REPLACED=old"), std::string::npos);

    int fd = ::open("/dev/null", O_RDONLY);  // deliberately not close-on-exec
    int high = ::fcntl(fd, F_DUPFD, 57);
    ::close(fd);
    ASSERT_GE(high, 57);
    r = run("ls /proc/self/fd");
    ::close(high);
    EXPECT_EQ(r.out.find("\n" + std::to_string(high) + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(run("cat").status, 0) << "stdin is /dev/null, so cat ends at once";
}

TEST(ProcessRunner, TimeLimitKillsChildAndItsDescendants) {
    ScopedEnv config("ZRSO_CONFIG", TestDataPath("platform/time-limit.ini"));
    Outcome r = run("sh -c \"sleep 60 & echo $!; sleep 5; echo late\"");
    EXPECT_EQ(r.status, ProcessRunner::TIMED_OUT);
    EXPECT_THAT(r.out, Not(HasSubstr("late"))) << "killed at the limit, not waited for";
    EXPECT_THAT(r.err, HasSubstr("time limit"));
    pid_t grandchild = static_cast<pid_t>(std::atoi(r.out.c_str()));
    ASSERT_GT(grandchild, 0) << r.out;
    EXPECT_TRUE(processGone(grandchild));

    // A descendant still holding the pipe does not delay the result.
    r = run("sh -c \"sleep 30 & echo $!; exit 5\"");
    EXPECT_EQ(r.status, 5);
    grandchild = static_cast<pid_t>(std::atoi(r.out.c_str()));
    ASSERT_GT(grandchild, 0) << r.out;
    EXPECT_EQ(::kill(grandchild, SIGKILL), 0) << "the result came before the descendant ended";
}

TEST(ProcessRunner, StopRequestStopsTheChildRefusesNewOnesAndEndsSleeps) {
    TempDir dir;
    ScopedEnv unscaled("ZRSO_SLEEP_SCALE", nullptr);
    std::string pidFile = dir.file("pid");
    // Asks to stop once the child has said who it is, as a signal handler would.
    std::thread stopper([&] {
        for (int i = 0; i < 3000 && ReadFileText(pidFile).empty(); ++i) ::usleep(10000);
        ProcessRunner::requestStop();
    });
    Outcome r = run("sh -c \"sleep 300 & echo $! > " + pidFile + "; wait\"");
    stopper.join();
    EXPECT_EQ(r.status, ProcessRunner::STOPPED);
    EXPECT_THAT(r.err, HasSubstr("stopped"));
    EXPECT_TRUE(processGone(static_cast<pid_t>(std::atoi(ReadFileText(pidFile).c_str()))));

    double told = 0;
    setHostSleepObserver([&](double seconds) { told = seconds; });
    hostSleep(3600 * 1000, __FILE__, __LINE__);  // returns: the stop stands
    EXPECT_EQ(told, 3600);
    hostSleep(4000000000u, __FILE__, __LINE__);
    setHostSleepObserver(nullptr);
    EXPECT_EQ(told, 7 * 24 * 3600) << "a single sleep is at most a week";
    r = run("echo never");
    EXPECT_EQ(r.status, ProcessRunner::STOPPED);
    EXPECT_EQ(r.out, "");

    ProcessRunner::clearStop();
    EXPECT_EQ(run("echo again").out, "again\n");
}

TEST(HostSleep, ScaleShortensTheWaitAndBadScalesAreIgnored) {
    std::vector<double> told;
    setHostSleepObserver([&](double seconds) { told.push_back(seconds); });
    for (const auto& c : TestTable("hostrt/sleep-scales.txt")) {
        ScopedEnv env("ZRSO_SLEEP_SCALE", c[0]);
        auto start = std::chrono::steady_clock::now();
        hostSleep(std::stoul(c[1]), __FILE__, __LINE__);
        EXPECT_GE(std::chrono::steady_clock::now() - start,
                  std::chrono::duration<double>(std::stod(c[2])))
            << "slept at least as long: " << c[0];
        ASSERT_FALSE(told.empty());
        EXPECT_DOUBLE_EQ(told.back(), std::stod(c[2])) << c[0];
    }
    told.clear();
    ScopedEnv none("ZRSO_SLEEP_SCALE", "0");
    hostSleep(600000, __FILE__, __LINE__);
    setHostSleepObserver(nullptr);
    EXPECT_TRUE(told.empty()) << "scale 0: no wait at all";
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words{"stale"};
    EXPECT_TRUE(ProcessRunner::splitCommandLine(line, &words)) << line;
    return words;
}

TEST(CommandLineSplit, BlanksSeparateQuotesGroupAndEverythingElseIsLiteral) {
    EXPECT_THAT(split(" xcli  -u a\t-m\t\t10.0.0.1 "),
                ElementsAre("xcli", "-u", "a", "-m", "10.0.0.1"));
    EXPECT_THAT(split(" \t "), IsEmpty());
    EXPECT_THAT(split("vol=\"my vol\" a\"b c\"d \"\" \"\ttab\""),
                ElementsAre("vol=my vol", "ab cd", "", "\ttab"));
    EXPECT_THAT(split("$(touch x) `id` ; a|b & > < *.txt $HOME 'q u' b\\ s \\\"z\\\" l\nb"),
                ElementsAre("$(touch", "x)", "`id`", ";", "a|b", "&", ">", "<", "*.txt", "$HOME",
                            "'q", "u'", "b\\", "s", "\\z\\", "l\nb"));
    std::vector<std::string> words{"stale"};
    EXPECT_FALSE(ProcessRunner::splitCommandLine("xcli -p \"secret -m host", &words));
    EXPECT_THAT(words, IsEmpty()) << "an unterminated quote fails";
    EXPECT_FALSE(ProcessRunner::splitCommandLine("a \"b\" \"", &words));
    EXPECT_FALSE(ProcessRunner::splitCommandLine("a", nullptr));
}

}  // namespace
