#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/DebugLog.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::SizeIs;

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

class DebugLogTest : public ::testing::Test {
protected:
    ~DebugLogTest() override { DebugLog::setDefaultJobId(0); }
    std::vector<std::string> lines() { return split(ReadFileText(dir_.file("debug.log")), '\n'); }
    // The fields after time and pid: job, level, function, message.
    static std::vector<std::string> tail(const std::string& line) {
        auto f = split(line, '\t');
        return std::vector<std::string>(f.begin() + std::min<std::size_t>(2, f.size()), f.end());
    }
    void settings(const std::string& text) { dir_.write("platform.ini", text); }

    TempDir dir_;
    ScopedEnv logEnv_{"ZRSO_LOG_FILE", dir_.file("debug.log")};
    ScopedEnv configEnv_{"ZRSO_CONFIG", dir_.file("platform.ini")};
};

void viaVaList(DebugLog& log, long long job, const char* function, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log.handleMsgEventDebug_NEW(-1, nullptr, 0, -1, job, function, format, args);
    va_end(args);
}

TEST_F(DebugLogTest, EveryVariantWritesOneEscapedLine) {
    DebugLog log;
    log.setJobId(42);
    log.DebugLvl("Xiv::GetVolumeByWWN", 2, "About to execute [%s] %d\n", "vol_list", 3);
    log.DebugLvl("f2", -1, 7LL, "error %s", "x");
    log.Debug("f3", "normal");
    log.DebugJob(0, "f4", 8, "job %d", 8);
    viaVaList(log, 9, "f5", "va %s %d", "list", 5);
    DebugEvent().DebugLvl("f6", 0, "event");
    DebugLog::setDefaultJobId(6);
    DebugLog().DebugLvl("multi", 0, "a\nb\r\nc\n\n");
    log.DebugLvl(nullptr, -1, nullptr);
    log.DebugLvl("tab\tin\nname", 0, "msg");
    std::string big(100000, 'z');
    log.DebugLvl("big", 0, "%s!", big.c_str());
    auto all = lines();
    ASSERT_THAT(all, SizeIs(10));
    auto first = split(all[0], '\t');
    ASSERT_THAT(first, SizeIs(6));
    EXPECT_TRUE(std::regex_match(first[0], std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
        << first[0];
    EXPECT_EQ(first[1], std::to_string(::getpid()));
    const auto expected = TestTable("hostrt/debug-lines.txt");
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(tail(all[i]), expected[i]) << i;
    // A long message keeps its head and tail around a note of its length.
    std::string cut = tail(all[9]).back();
    EXPECT_EQ(cut.substr(0, 1000), big.substr(0, 1000));
    EXPECT_THAT(cut, HasSubstr("100001 bytes in all"));
    EXPECT_THAT(cut, EndsWith("zzz!"));
    EXPECT_LT(cut.size(), 5000u);
}

TEST_F(DebugLogTest, SettingsGiveThresholdAndFileAndAreReadAgainWhenChanged) {
    const std::string log = dir_.file("settings.log");
    settings("[~Trellis]\nnDebugLevel=0\n[Trellis]\nDebugLogFile=" + log + "\n");
    DebugLog().DebugLvl("f", 2, "detail");
    DebugLog().DebugLvl("f", 0, "normal");
    DebugLog().DebugLvl("f", -1, "error");
    auto all = lines();
    ASSERT_THAT(all, SizeIs(2)) << "the environment wins over the setting";
    EXPECT_EQ(tail(all[0]).back(), "normal");
    EXPECT_EQ(tail(all[1]).back(), "error");

    ScopedEnv noEnv("ZRSO_LOG_FILE", nullptr);
    // Past the file-time tick, so the destination is kept between logs.
    ::usleep(150 * 1000);
    DebugLog().DebugLvl("f", 0, "one");
    EXPECT_THAT(ReadFileText(log), EndsWith("\tf\tone\n"));
    ASSERT_EQ(::unlink(log.c_str()), 0);
    DebugLog().DebugLvl("f", 0, "two");
    EXPECT_THAT(ReadFileText(log), EndsWith("\tf\ttwo\n")) << "a removed log is made again";
    // Same size, new threshold: the changed file is read again.
    settings("[~Trellis]\nnDebugLevel=2\n[Trellis]\nDebugLogFile=" + log + "\n");
    DebugLog().DebugLvl("f", 2, "detail");
    EXPECT_THAT(ReadFileText(log), EndsWith("\tf\tdetail\n"));
}

TEST_F(DebugLogTest, ConcurrentProcessesNeverInterleaveLines) {
    const int processes = 4, perProcess = 200;
    std::string payload(3000, 'p');
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        pid_t pid = ::fork();
        if (pid == 0) {
            DebugLog log;
            for (int i = 0; i < perProcess; ++i)
                log.DebugLvl("writer", 0, "%d %s", p, payload.c_str());
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    auto all = lines();
    ASSERT_THAT(all, SizeIs(processes * perProcess));
    for (const auto& line : all) {
        auto fields = split(line, '\t');
        ASSERT_THAT(fields, SizeIs(6));
        ASSERT_EQ(fields[5].size(), 2 + payload.size());
    }
}

// A writer killed mid-line left it cut: the next process to open the log
// ends it, its missing fields empty, before its own lines.
TEST_F(DebugLogTest, ALineCutByAKilledWriterIsEndedWhole) {
    dir_.write("debug.log", "2026-01-01T00:00:00.000Z\t4711\t7\t0\tXiv::Get");
    DebugLog().DebugLvl("after", 0, "next");
    auto all = lines();
    ASSERT_THAT(all, SizeIs(2));
    EXPECT_THAT(split(all[0], '\t'), SizeIs(6));
    EXPECT_THAT(all[0], HasSubstr("Xiv::Get\t [line cut"));
    EXPECT_THAT(tail(all[1]), ElementsAre("0", "0", "after", "next"));
}

TEST_F(DebugLogTest, FilesRotateBySizeAndKeepTheirNumber) {
    settings("[~Trellis]\nnDebugLogMaxKiB=1\nnDebugLogFiles=3\n");
    DebugLog log;
    for (int i = 0; i < 100; ++i) log.DebugLvl("f", 0, "%03d %s", i, std::string(60, 'r').c_str());
    const std::string path = dir_.file("debug.log");
    for (const char* suffix : {"", ".1", ".2"}) {
        std::string text = ReadFileText(path + suffix);
        EXPECT_GT(text.size(), 0u) << suffix;
        EXPECT_LE(text.size(), 1024u) << suffix;
    }
    EXPECT_NE(::access((path + ".3").c_str(), F_OK), 0);
    EXPECT_THAT(lines().back(), HasSubstr("099 rrr")) << "the newest lines are in the log itself";
}

TEST_F(DebugLogTest, AJobsLinesOfOneFormAreBoundedAndErrorsAreToldToTheHost) {
    DebugLog log;
    for (int i = 0; i < 1005; ++i) log.DebugLvl("f", 0, 9LL, "Pool[%d].", i);
    auto all = lines();
    ASSERT_THAT(all, SizeIs(1001)) << "without a setting a form keeps a thousand lines a job";
    EXPECT_EQ(tail(all[999]).back(), "Pool[999].");
    EXPECT_THAT(tail(all[1000]).back(), HasSubstr("more than 1000 lines of the form"));

    settings("[~Trellis]\nnDebugLogFormLimit=3\n");
    std::vector<std::string> told;
    DebugLog::setErrorObserver([&](long long job, const char*, const std::string& m) {
        told.push_back(std::to_string(job) + " " + m);
    });
    for (int i = 0; i < 10; ++i) DebugLog().DebugLvl("f", 0, 7LL, "Volume[%d].", i);
    DebugLog().DebugLvl("f", 0, 8LL, "Volume[%d].", 99);   // another job has its own count
    DebugLog().DebugLvl("f", -1, 7LL, "Volume[%d].", 42);  // errors are never left out
    DebugLog::setErrorObserver(nullptr);
    all = lines();
    ASSERT_THAT(all, SizeIs(1007));
    EXPECT_EQ(tail(all[1003]).back(), "Volume[2].");
    EXPECT_THAT(tail(all[1004]).back(), HasSubstr("more than 3 lines of the form [Volume[%d].]"));
    EXPECT_THAT(tail(all[1005]), ElementsAre("8", "0", "f", "Volume[99]."));
    EXPECT_THAT(told, ElementsAre("7 Volume[42]."));
}

}  // namespace
