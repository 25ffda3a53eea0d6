#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "TestSupport.h"
#include "host/rt/ProcessRunner.h"

using hostrt_test::ScopedEnv;
using hostrt_test::TempDir;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::string& line, const char* const* env = nullptr) {
    ProcessRunner runner;
    Outcome r;
    r.out = "stale out";
    r.err = "stale err";
    r.status = runner.system(line.c_str(), &r.out, &r.err, env, true);
    return r;
}

bool processGone(pid_t pid) {
    // Killed processes may linger as zombies until their new parent reaps them.
    for (int i = 0; i < 200; ++i) {
        if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
        std::string stat = hostrt_test::readFile("/proc/" + std::to_string(pid) + "/stat");
        std::size_t close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z')
            return true;
        ::usleep(10000);
    }
    return false;
}

TEST(ProcessRunner, ArgumentsArriveWithQuotesRemoved) {
    Outcome r = run("printf [%s] plain \"two words\" \"\" a\"b c\"d");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[plain][two words][][ab cd]");
    EXPECT_THAT(r.err, IsEmpty());
}

TEST(ProcessRunner, ShellSyntaxIsPassedLiterallyAndNeverRun) {
    TempDir dir;
    std::string x = dir.file("X"), y = dir.file("Y"), z = dir.file("Z");
    Outcome r = run("printf [%s] $(touch " + x + ") `touch " + y + "` ; touch " + z + " | cat > " +
                z + " && $HOME *");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[$(touch][" + x + ")][`touch][" + y + "`][;][touch][" + z + "][|][cat][>][" +
                         z + "][&&][$HOME][*]");
    EXPECT_FALSE(hostrt_test::fileExists(x));
    EXPECT_FALSE(hostrt_test::fileExists(y));
    EXPECT_FALSE(hostrt_test::fileExists(z));
}

TEST(ProcessRunner, LargeStdoutAndStderrDoNotDeadlock) {
    const int size = 5 * 1024 * 1024;
    // Each order once: a reader that drains one stream before the other
    // blocks on whichever the child fills second.
    for (const char* order : {"head -c %d /dev/zero; head -c %d /dev/zero >&2",
                              "head -c %d /dev/zero >&2; head -c %d /dev/zero"}) {
        char script[200];
        std::snprintf(script, sizeof script, order, size, size);
        Outcome r = run(std::string("sh -c \"") + script + "\"");
        EXPECT_EQ(r.status, 0) << order;
        EXPECT_EQ(r.out.size(), static_cast<std::size_t>(size)) << order;
        EXPECT_EQ(r.err.size(), static_cast<std::size_t>(size)) << order;
    }
}

TEST(ProcessRunner, ExitStatusAndSignals) {
    EXPECT_EQ(run("sh -c \"exit 7\"").status, 7);
    EXPECT_EQ(run("true").status, 0);
    EXPECT_EQ(run("sh -c \"kill -TERM $$\"").status, 128 + SIGTERM);
    Outcome r = run("sh -c \"echo out; echo err >&2; exit 3\"");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.err, "err\n");
}

TEST(ProcessRunner, ProgramThatCannotStartGives127WithReason) {
    TempDir dir;
    hostrt_test::writeFile(dir.file("not-executable"), "#!/bin/sh\necho hi\n");
    for (std::string line : {std::string("zrso-no-such-program --flag"),
                             std::string("/nonexistent/xcli -u a"), dir.file("not-executable"),
                             std::string("\"\"")}) {
        Outcome r = run(line);
        EXPECT_EQ(r.status, ProcessRunner::NOT_STARTED) << line;
        EXPECT_THAT(r.out, IsEmpty()) << line;
        EXPECT_THAT(r.err, HasSubstr("cannot start")) << line;
    }
}

TEST(ProcessRunner, BadCommandLinesAreNotStarted) {
    for (const char* line : {"", "   ", "xcli -p \"unterminated"}) {
        Outcome r = run(line);
        EXPECT_EQ(r.status, ProcessRunner::NOT_STARTED) << line;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    ProcessRunner runner;
    EXPECT_EQ(runner.system(nullptr, nullptr, nullptr, nullptr, true), ProcessRunner::NOT_STARTED);
    // Null output holders: output is read and dropped.
    EXPECT_EQ(runner.system("sh -c \"echo a; echo b >&2; exit 4\"", nullptr, nullptr, nullptr, true), 4);
}

TEST(ProcessRunner, ExtraEnvironmentIsAddedAndOverrides) {
    ScopedEnv inherited("ZRSO_TEST_INHERITED", "from parent");
    ScopedEnv replaced("ZRSO_TEST_REPLACED", "old");
    const char* extra[] = {"ZRSO_TEST_NEW=new value", "ZRSO_TEST_REPLACED=new", "no-equals-sign",
                           nullptr};
    Outcome r = run("sh -c \"echo $ZRSO_TEST_NEW/$ZRSO_TEST_REPLACED/$ZRSO_TEST_INHERITED; env\"",
                extra);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "new value/new/from parent");
    EXPECT_EQ(r.out.find("ZRSO_TEST_REPLACED=old"), std::string::npos);
}

TEST(ProcessRunner, ChildGetsNoStdinAndNoInheritedDescriptors) {
    int fd = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(fd, 0);
    int high = ::fcntl(fd, F_DUPFD, 57);
    ::close(fd);
    Outcome r = run("ls /proc/self/fd");
    ::close(high);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find(std::to_string(high) + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(run("cat").status, 0);  // stdin is /dev/null: returns at once
}

TEST(ProcessRunner, TimeLimitKillsChildAndItsDescendants) {
    TempDir dir;
    hostrt_test::writeFile(dir.file("platform.ini"), "[~Trellis]\nnProcessTimeoutSeconds=2\n");
    ScopedEnv config("ZRSO_CONFIG", dir.file("platform.ini").c_str());
    auto start = std::chrono::steady_clock::now();
    Outcome r = run("sh -c \"sleep 60 & echo $!; sleep 60\"");
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, ProcessRunner::TIMED_OUT);
    EXPECT_LT(seconds, 30);
    EXPECT_THAT(r.err, HasSubstr("time limit"));
    pid_t grandchild = static_cast<pid_t>(std::atoi(r.out.c_str()));
    ASSERT_GT(grandchild, 0) << r.out;
    EXPECT_TRUE(processGone(grandchild));
}

TEST(ProcessRunner, DescendantHoldingThePipeDoesNotDelayTheResult) {
    auto start = std::chrono::steady_clock::now();
    Outcome r = run("sh -c \"sleep 30 & echo $!; exit 5\"");
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::steady_clock::now() - start).count();
    pid_t grandchild = static_cast<pid_t>(std::atoi(r.out.c_str()));
    if (grandchild > 0) ::kill(grandchild, SIGKILL);
    EXPECT_EQ(r.status, 5);
    EXPECT_LT(seconds, 20);
}

}  // namespace
