#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <regex>

#include "TestSupport.h"
#include "host/rt/DebugLog.h"

using ::testing::ElementsAre;
using ::testing::SizeIs;

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep)) parts.push_back(part);
    return parts;
}

class DebugLogTest : public ::testing::Test {
protected:
    ~DebugLogTest() override { DebugLog::setDefaultJobId(0); }
    std::vector<std::string> lines() {
        return split(hostrt_test::readFile(dir_.file("debug.log")), '\n');
    }
    // The fields after time and pid: job, level, function, message.
    std::vector<std::string> tail(const std::string& line) {
        auto f = split(line, '\t');
        return std::vector<std::string>(f.begin() + std::min<std::size_t>(2, f.size()), f.end());
    }

    hostrt_test::TempDir dir_;
    hostrt_test::ScopedEnv logEnv_{"ZRSO_LOG_FILE", dir_.file("debug.log").c_str()};
    hostrt_test::ScopedEnv configEnv_{"ZRSO_CONFIG", dir_.file("platform.ini").c_str()};
};

void viaVaList(DebugLog& log, long long job, const char* function, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log.handleMsgEventDebug_NEW(-1, nullptr, 0, -1, job, function, format, args);
    va_end(args);
}

TEST_F(DebugLogTest, EveryVariantWritesOneFormattedLine) {
    DebugLog log;
    log.setJobId(42);
    log.DebugLvl("Xiv::GetVolumeByWWN", 2, "About to execute [%s] %d\n", "vol_list", 3);
    log.DebugLvl("f2", -1, 7LL, "error %s", "x");
    log.Debug("f3", "normal");
    log.DebugJob(0, "f4", 8, "job %d", 8);
    viaVaList(log, 9, "f5", "va %s %d", "list", 5);
    DebugEvent().DebugLvl("f6", 0, "event");
    auto all = lines();
    ASSERT_THAT(all, SizeIs(6));
    auto first = split(all[0], '\t');
    ASSERT_THAT(first, SizeIs(6));
    EXPECT_TRUE(std::regex_match(first[0], std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
        << first[0];
    EXPECT_EQ(first[1], std::to_string(::getpid()));
    EXPECT_THAT(tail(all[0]),
                ElementsAre("42", "2", "Xiv::GetVolumeByWWN", "About to execute [vol_list] 3"));
    EXPECT_THAT(tail(all[1]), ElementsAre("7", "-1", "f2", "error x"));
    EXPECT_THAT(tail(all[2]), ElementsAre("42", "0", "f3", "normal"));
    EXPECT_THAT(tail(all[3]), ElementsAre("8", "0", "f4", "job 8"));
    EXPECT_THAT(tail(all[4]), ElementsAre("9", "-1", "f5", "va list 5"));
    EXPECT_THAT(tail(all[5]), ElementsAre("0", "0", "f6", "event"));
}

TEST_F(DebugLogTest, LineBreaksNullsAndLongMessagesStayOneLine) {
    DebugLog log;
    log.DebugLvl("multi", 0, "a\nb\r\nc\n\n");
    log.DebugLvl(nullptr, -1, nullptr);
    log.DebugLvl("tab\tin\nname", 0, "msg");
    std::string big(100000, 'z');
    log.DebugLvl("big", 0, "%s!", big.c_str());
    auto all = lines();
    ASSERT_THAT(all, SizeIs(4));
    EXPECT_EQ(tail(all[0]).back(), "a\\nb\\r\\nc");
    EXPECT_THAT(tail(all[1]), ElementsAre("0", "-1", "NULL", "NULL"));
    EXPECT_THAT(tail(all[2]), ElementsAre("0", "0", "tab in name", "msg"));
    // A long message keeps its head and tail around a note of its length.
    EXPECT_EQ(tail(all[3]).back().substr(0, 1000), big.substr(0, 1000));
    EXPECT_THAT(tail(all[3]).back(), ::testing::HasSubstr("100001 bytes in all"));
    EXPECT_THAT(tail(all[3]).back(), ::testing::EndsWith("zzz!"));
    EXPECT_LT(tail(all[3]).back().size(), 5000u);
}

TEST_F(DebugLogTest, CopiesShareTheJob) {
    DebugLog::setDefaultJobId(5);
    DebugLog first;
    DebugLog copy(first), assigned;
    assigned = copy;
    EXPECT_EQ(first.getJobId(), 5);
    copy.setJobId(77);
    EXPECT_EQ(first.getJobId(), 77);
    EXPECT_EQ(assigned.getJobId(), 77);
    DebugLog::setDefaultJobId(6);
    EXPECT_EQ(first.getJobId(), 77) << "the default applies to new logs only";
    EXPECT_EQ(DebugLog().getJobId(), 6);
}

TEST_F(DebugLogTest, SettingsGiveThresholdAndFile) {
    hostrt_test::writeFile(
        dir_.file("platform.ini"),
        "[~Trellis]\nnDebugLevel=0\n[Trellis]\nDebugLogFile=" + dir_.file("settings.log") + "\n");
    DebugLog log;
    log.DebugLvl("f", 2, "detail");
    log.DebugLvl("f", 0, "normal");
    log.DebugLvl("f", -1, "error");
    auto all = lines();
    ASSERT_THAT(all, SizeIs(2)) << "the environment wins over the setting";
    EXPECT_EQ(tail(all[0]).back(), "normal");
    EXPECT_EQ(tail(all[1]).back(), "error");

    hostrt_test::ScopedEnv noEnv("ZRSO_LOG_FILE", nullptr);
    DebugLog().DebugLvl("f", 0, "to settings file");
    EXPECT_THAT(hostrt_test::readFile(dir_.file("settings.log")),
                ::testing::EndsWith("\tf\tto settings file\n"));
}

TEST_F(DebugLogTest, NewLogsFollowTheSettingsAndTheLogFileOnceSettled) {
    hostrt_test::ScopedEnv noEnv("ZRSO_LOG_FILE", nullptr);
    const std::string settings = dir_.file("platform.ini"), log = dir_.file("settings.log");
    hostrt_test::writeFile(settings,
                           "[~Trellis]\nnDebugLevel=0\n[Trellis]\nDebugLogFile=" + log + "\n");
    // Past the file-time tick, so the destination is kept between logs.
    ::usleep(150 * 1000);
    DebugLog().DebugLvl("f", 0, "one");
    ASSERT_EQ(::unlink(log.c_str()), 0);
    DebugLog().DebugLvl("f", 0, "two");
    EXPECT_THAT(hostrt_test::readFile(log), ::testing::EndsWith("\tf\ttwo\n"))
        << "a removed log is made again";
    // Same size, new threshold: the changed file is read again.
    hostrt_test::writeFile(settings,
                           "[~Trellis]\nnDebugLevel=2\n[Trellis]\nDebugLogFile=" + log + "\n");
    DebugLog().DebugLvl("f", 2, "detail");
    EXPECT_THAT(hostrt_test::readFile(log), ::testing::EndsWith("\tf\tdetail\n"));
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
    hostrt_test::writeFile(dir_.file("debug.log"),
                           "2026-01-01T00:00:00.000Z\t4711\t7\t0\tXiv::Get");
    DebugLog log;
    log.DebugLvl("after", 0, "next");
    auto all = lines();
    ASSERT_THAT(all, SizeIs(2));
    EXPECT_THAT(split(all[0], '\t'), SizeIs(6));
    EXPECT_THAT(all[0], ::testing::HasSubstr("Xiv::Get\t [line cut"));
    EXPECT_THAT(tail(all[1]), ElementsAre("0", "0", "after", "next"));
}

TEST_F(DebugLogTest, FilesRotateBySizeAndKeepTheirNumber) {
    hostrt_test::writeFile(dir_.file("platform.ini"),
                           "[~Trellis]\nnDebugLogMaxKiB=1\nnDebugLogFiles=3\n");
    DebugLog log;
    for (int i = 0; i < 100; ++i) log.DebugLvl("f", 0, "%03d %s", i, std::string(60, 'r').c_str());
    const std::string path = dir_.file("debug.log");
    for (const char* suffix : {"", ".1", ".2"}) {
        std::string text = hostrt_test::readFile(path + suffix);
        EXPECT_GT(text.size(), 0u) << suffix;
        EXPECT_LE(text.size(), 1024u) << suffix;
    }
    EXPECT_FALSE(hostrt_test::fileExists(path + ".3"));
    EXPECT_THAT(lines().back(), ::testing::HasSubstr("099 rrr"))
        << "the newest lines are in the log itself";
}

TEST_F(DebugLogTest, AJobsLinesOfOneFormAreBoundedAndErrorsAreToldToTheHost) {
    hostrt_test::writeFile(dir_.file("platform.ini"), "[~Trellis]\nnDebugLogFormLimit=3\n");
    std::vector<std::string> told;
    DebugLog::setErrorObserver([&](long long job, const char*, const std::string& m) {
        told.push_back(std::to_string(job) + " " + m);
    });
    DebugLog log;
    for (int i = 0; i < 10; ++i) log.DebugLvl("f", 0, 7LL, "Volume[%d].", i);
    log.DebugLvl("f", 0, 8LL, "Volume[%d].", 99);   // another job has its own count
    log.DebugLvl("f", -1, 7LL, "Volume[%d].", 42);  // errors are never left out
    DebugLog::setErrorObserver(nullptr);
    auto all = lines();
    ASSERT_THAT(all, SizeIs(6));
    EXPECT_EQ(tail(all[2]).back(), "Volume[2].");
    EXPECT_THAT(tail(all[3]).back(),
                ::testing::HasSubstr("more than 3 lines of the form [Volume[%d].]"));
    EXPECT_THAT(tail(all[4]), ElementsAre("8", "0", "f", "Volume[99]."));
    EXPECT_THAT(told, ElementsAre("7 Volume[42]."));
}

}  // namespace
