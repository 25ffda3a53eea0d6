// zrso-host as an operator meets it, end to end over the simulator and the
// real plug-in: guards on what destroys data, reasons on screen, checked
// settings, interruption, one command per job, help, and no password shown.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>

#include "HostWorld.h"
#include "TestData.h"

namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class OperatorTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HostWorld::buildHasIt()) GTEST_SKIP() << "simulator or plug-in not built";
        world_ = HostWorld::ready(env_.tmp().file("world"), 2);
    }

    int runsOf(const std::string& op) const {
        return world_->sim().CountRuns(HostWorld::kAddress)[op];
    }
    // Runs zrso-host steps of tests/data/refhost/NAME, one a line: "$ words =>
    // STATUS" runs zrso-host; after it "out: text" / "err: text" expect the
    // text in its output / error, "-out: text" not, "out= text" the whole
    // output line ("err=": none). "tty words => STATUS" runs zrso-host with
    // just these words on a terminal whose input ends at once. "& words"
    // starts zrso-host in the background, "started OP" waits until the array
    // runs OP, "stop SIGNAL => STATUS" signals the background zrso-host and
    // collects it, "quiet" waits until no process serves the array.
    // "! words" runs the array's admin tool (its answer is the output),
    // "runs OP N" expects N runs of OP, "file PATH TEXT" the text in the
    // file, "nofile PATH" no such file, "write PATH TEXT" writes the file
    // (\n: a line end), "chmod MODE PATH" changes its mode. @volume stands
    // for the volume's device, $HOME / $ROOT for the host / world directory,
    // $PID for the background zrso-host, "" for an empty word.
    void runScript(const std::string& name) const {
        std::istringstream in(TestData("refhost/" + name));
        ProgramRun last;
        pid_t pid = 0;
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            const std::string at = name + ":" + std::to_string(++number) + ": " + line;
            if (line.empty() || line[0] == '#') continue;
            line = std::regex_replace(line, std::regex("\\$HOME"), world_->home());
            line = std::regex_replace(line, std::regex("\\$ROOT"), world_->root());
            line = std::regex_replace(line, std::regex("\\$PID"), std::to_string(pid));
            for (std::smatch m; std::regex_search(line, m, std::regex("@(\\w+)"));)
                line.replace(m.position(), m.length(), world_->deviceOf(m.str(1)));
            std::istringstream fields(line);
            std::string kind, rest;
            fields >> kind;
            std::getline(fields >> std::ws, rest);
            std::vector<std::string> words;
            std::istringstream split(rest.substr(0, rest.find(" => ")));
            for (std::string w; split >> w;) words.push_back(w == "\"\"" ? "" : w);
            if (kind == "$" || kind == "stop" || kind == "tty") {
                if (kind == "$") {
                    last = world_->host(words);
                } else if (kind == "tty") {
                    last = RunProgram(
                        {"/usr/bin/script", "-qec",
                         BuiltProgram("zrso-host") + " " + rest.substr(0, rest.find(" => ")),
                         "/dev/null"});
                } else {
                    ASSERT_GT(pid, 0) << at << ": nothing started in the background";
                    ::kill(pid, std::stoi(words.at(0)));
                    last = world_->collect(pid, "bg");
                }
                EXPECT_EQ(rest.substr(rest.find(" => ") + 4), std::to_string(last.status))
                    << at << "\n"
                    << last.out << last.err;
            } else if (kind == "&") {
                pid = world_->startHost(words, "bg");
            } else if (kind == "started") {
                for (int i = 0; i < 600 && runsOf(words.at(0)) == 0; ++i) ::usleep(50000);
                ASSERT_GT(runsOf(words.at(0)), 0) << at;
            } else if (kind == "quiet") {
                EXPECT_TRUE(world_->waitQuiet()) << at;
            } else if (kind == "!") {
                last.out = world_->admin(words);
            } else if (kind == "nofile") {
                EXPECT_NE(::access(words.at(0).c_str(), F_OK), 0) << at;
            } else if (kind == "write") {
                std::ofstream(words.at(0)) << std::regex_replace(rest.substr(rest.find(' ') + 1),
                                                                 std::regex("\\\\n"), "\n");
            } else if (kind == "chmod") {
                ::chmod(words.at(1).c_str(), std::stoi(words.at(0), nullptr, 8));
            } else if (kind == "file") {
                EXPECT_TRUE(has(ReadFileText(words.at(0)), words.at(1))) << at;
            } else if (kind == "runs") {
                EXPECT_EQ(runsOf(words.at(0)), std::stoi(words.at(1))) << at;
            } else {
                const std::string& text =
                    kind.find("out") != std::string::npos ? last.out : last.err;
                if (kind.back() == '=')
                    EXPECT_EQ(rest.empty() ? "" : rest + "\n", text) << at;
                else
                    EXPECT_EQ(kind[0] != '-', has(text, rest)) << at << "\n" << text;
            }
        }
    }

    HostWorldEnv env_{"operator-tool"};
    std::unique_ptr<HostWorld> world_;
};

}  // namespace

TEST_F(OperatorTool, GuardsRefuseShrinkingUnconfirmedChangesAndRevertWhileMounted) {
    runScript("guards.txt");
}

TEST_F(OperatorTool, InterruptedBackupStopsTheXcliChildAndMarksTheJob) {
    runScript("interrupted-backup.txt");
}

TEST_F(OperatorTool, InterruptedMountRefusesASecondCommandOnItsJob) {
    runScript("interrupted-mount.txt");
}

TEST_F(OperatorTool, FailuresPrintTheirReasonOnScreen) { runScript("failures.txt"); }

TEST_F(OperatorTool, SettingsAndArraysAreCheckedBeforeTheyAreKept) { runScript("settings.txt"); }

TEST_F(OperatorTool, UsageHelpVersionJsonQuietnessSupportedAndArrayList) { runScript("usage.txt"); }

TEST_F(OperatorTool, ADamagedHostDatabaseIsToldPlainly) { runScript("damaged-db.txt"); }

TEST_F(OperatorTool, OnARealMachineARescanAsksOnTheTerminalOrWantsYes) { runScript("rescan.txt"); }

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

TEST_F(OperatorTool, DemoRunsToTheEndInAWorldOfItsOwn) { runScript("demo.txt"); }
