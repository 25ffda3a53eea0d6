// The command layer: how a command runs as a child process, how its output
// becomes an answer, and how the array operations build their lines.
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <tuple>

#include "TestData.h"
#include "XivTests.h"
#include "host/rt/ProcessRunner.h"
#include "xiv/Command.h"
#include "xiv/XCli.h"
#include "xiv/XCliParse.h"

namespace {

const char* const LINE = "xcli -u admin -p s3cret -m 10.0.0.1 -y -x vol_list";
// A fresh log each time: copies share where their lines go.
XivLogger logger() { return XivLogger(DebugLog()); }

// Whole logs are swept for passwords by PasswordScan; here the masking's edges.
TEST(Command, MasksThePasswordAndPrefixesTheDirectory) {
    Command withDir(LINE, "/opt/xiv", logger());
    EXPECT_EQ(std::string("/opt/xiv/") + LINE, withDir.GetCommandLine());
    EXPECT_EQ("xcli -u admin -p XXXX -m 10.0.0.1 -y -x vol_list", withDir.GetLoggedCommandLine());
    EXPECT_EQ("xcli -u a -p XXXX",
              Command("xcli -u a -p tail", "", logger()).GetLoggedCommandLine());
    // Knowing the password, all of it is masked, even when it holds " -m ".
    EXPECT_EQ(
        "xcli -u a -p XXXX -m h -x op",
        Command("xcli -u a -p pw -m x -m h -x op", "", logger(), "pw -m x").GetLoggedCommandLine());
}

TEST(Command, PasswordTravelsInTheEnvironmentNotOnTheArgumentList) {
    ScriptedXcli xcli;
    xcli.answer(Answer("SUCCESS"));
    setenv("XIV_XCLIPASSWORD", "stale", 1);  // ours must win over an inherited one
    std::string output;
    Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
    unsetenv("XIV_XCLIPASSWORD");
    EXPECT_EQ(Answer("SUCCESS"), output);
    EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "10.0.0.1", "-y",
                                        "-x", "vol_list"}),
              xcli.argv(1));
    EXPECT_EQ("s3cret", xcli.password(1));
}

TEST(Command, EveryOutputBecomesAnAnswer) {
    for (const auto& run : TestTable("xiv/outputs.txt")) {
        ScriptedXcli xcli;
        xcli.answer(run[0], std::stoi(run[2]));
        xcli.stderrText(run[1]);
        std::string output;
        Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
        EXPECT_EQ(run[3].empty() ? run[0] : Command::Envelope(run[3], run[4]), output) << run[0];
    }
}

TEST(Command, ProgramThatDoesNotStartAndPlainRuns) {
    ScriptedXcli tool;
    std::string output;
    Command(LINE, tool.dir() + "/nowhere", logger()).ExecuteCommandXML(output);
    EXPECT_EQ(0u, output.find("<XCLIRETURN STATUS=\"XCLI_NOT_INSTALLED\""));

    tool.answer("a,b\r\nc,d\r\n", 4);  // output handed back as it came, whatever the status
    EXPECT_EQ(0, Command("xiv_devlist --out csv", tool.dir(), logger()).ExecuteCommand(output));
    EXPECT_EQ("a,b\r\nc,d\r\n", output);
    EXPECT_EQ("(unset)", tool.password(1));
}

// The calls of tests/data/xiv/operations.txt; a: the arguments there.
using Args = std::vector<std::string>;
using Call = std::function<void(XCli&, const Args&, ResourceList&, XivError&)>;
#define OP(call) [](XCli& x, const Args& a, ResourceList& l, XivError& e) { x.call; }
std::string lun;
const std::map<std::string, Call> CALLS = {
    {"GetHostList", OP(GetHostList(l, e))},
    {"GetVolumeByWWN", OP(GetVolumeByWWN(a[0], l, e))},
    {"GetVolumeByName", OP(GetVolumeByName(a[0], l, e))},
    {"GetCGByName", OP(GetCGByName(a[0], l, e))},
    {"CreateConsistencyGroup", OP(CreateConsistencyGroup(a[0], a[1], e))},
    {"AddVolumetoCG", OP(AddVolumetoCG(a[0], a[1], e))},
    {"RemoveVolumeFromCG", OP(RemoveVolumeFromCG(a[0], a[1], e))},
    {"CreateCGSnapshot", OP(CreateCGSnapshot(a[0], a[1], e))},
    {"DisbandSnapGroup", OP(DisbandSnapGroup(a[0], a[1], e))},
    {"GetSnapGroupByName", OP(GetSnapGroupByName(a[0], l, e))},
    {"GetVolList", OP(GetVolList(a[0], l, e))},
    {"GetVolListInCG", OP(GetVolListInCG(a[0], l, e))},
    {"GetPoolList", OP(GetPoolList(a[0], l, e))},
    {"GetPoolByName", OP(GetPoolByName(a[0], l, e))},
    {"GetMappedVolumes", OP(GetMappedVolumes(a[0], l, e))},
    {"GetMappedHosts", OP(GetMappedHosts(a[0], l, e))},
    {"GetConnectedHosts", OP(GetConnectedHosts(l, e))},
    {"CreateSnapShot", OP(CreateSnapShot(a[0], a[1], e))},
    {"CreateSnapShotDuplicate", OP(CreateSnapShotDuplicate(a[0], a[1], e))},
    {"MapVolume", OP(MapVolume(a[0], a[1], lun = a[2], e))},
    {"UnMapVolume", OP(UnMapVolume(a[0], a[1], e))},
    {"DeleteSnapshot", OP(DeleteSnapshot(a[0], e))},
    {"RevertToSnapshot", OP(RevertToSnapshot(a[0], e))},
    {"UnlockVolume", OP(UnlockVolume(a[0], e))},
    {"LockVolume", OP(LockVolume(a[0], e))},
    {"DefineHost", OP(DefineHost(a[0], e))},
    {"AddPort", OP(AddPort(a[0], a[1], a[2] == "iscsi", e))},
    {"CreateVolume", OP(CreateVolume(a[0], a[1], std::stoll(a[2]), e))},
    {"DeleteVolume", OP(DeleteVolume(a[0], e))},
    {"ResizeVolume", OP(ResizeVolume(a[0], std::stoll(a[1]), a[2] == "shrink", e))},
    {"DeleteHost", OP(DeleteHost(a[0], e))},
};

// The answer comes between a banner and a warning: only the answer is read,
// and it is what the text ends in.
TEST(XCli, EveryOperationBuildsItsLineAndReadsItsStatus) {
    ScriptedXcli xcli;
    const std::string answer = Canned("every_kind.xml");
    const std::string trimmed = answer.substr(0, answer.rfind('>') + 1);
    int run = 0;
    for (const auto& row : TestTable("xiv/operations.txt")) {
        SCOPED_TRACE(row[1]);
        const Args args(row.begin() + 4, row.end());
        xcli.answer("banner line\n" + answer + "warning after\n");
        XCli cli("admin", "pa ss", "array1",  // a blank once split the argument list
                 xcli.dir(), XivLogger(DebugLog()));
        ResourceList list;
        XivError error;
        CALLS.at(row[0])(cli, args, list, error);
        ASSERT_EQ(++run, xcli.runs());
        EXPECT_EQ(0, error.code);
        EXPECT_EQ("SUCCESS", cli.GetResult());
        EXPECT_EQ("cmd_status = SUCCESS" + trimmed, error.text);
        std::vector<std::string> words;  // the run line: no -p, no password
        ProcessRunner::splitCommandLine("-u admin -m array1 -y -x " + row[1], &words);
        words.insert(words.begin(), xcli.dir() + "/xcli");
        EXPECT_EQ(words, xcli.argv(run));
        EXPECT_EQ(row[2], FilledKinds(list));

        std::vector<std::pair<std::string, int>> statuses{{"HOST_BAD_NAME", -1}};
        std::istringstream tolerated(row[3]);
        for (std::string s; tolerated >> s;) statuses.push_back({s, 0});
        for (const auto& [status, expected] : statuses) {
            xcli.answer(Answer(status));
            error.code = 0;
            CALLS.at(row[0])(cli, args, list, error);
            ++run;
            EXPECT_EQ(expected, error.code) << status;
            EXPECT_EQ(status, cli.GetResult());
        }
    }
}

// MapVolume from start against answers run by run (the last repeats): the
// runs, the LUN each asked for, and the outcome.
struct Mapped {
    std::vector<int> luns;
    std::string lun;
    XivError error{0, "stale"};
    Mapped(const std::string& start, const std::vector<std::string>& answers) : lun(start) {
        ScriptedXcli xcli;
        xcli.answer(Answer(answers.back()));
        for (size_t i = 0; i + 1 < answers.size(); ++i) xcli.answerFor(i + 1, Answer(answers[i]));
        XCli("admin", "pw", "array1", xcli.dir(), XivLogger(DebugLog()))
            .MapVolume("v1", "h1", lun, error);
        for (int r = 1; r <= xcli.runs(); ++r)
            luns.push_back(std::atoi(xcli.argv(r).back().c_str() + 4));
    }
};

TEST(XCliMapVolume, TakenLunsAreRetriedAboveTheStartUntilAnotherAnswer) {
    // From 254 every step is 1, so the walk lands on 256 itself and must wrap.
    for (int start : {12, 200, 250, 254}) {
        Mapped m(std::to_string(start), {"LUN_ALREADY_IN_USE"});
        ASSERT_EQ(15u, m.luns.size());
        EXPECT_EQ(start, m.luns[0]);
        for (size_t i = 1; i < 15; ++i)
            EXPECT_TRUE(m.luns[i] > start && m.luns[i] <= 255) << m.luns[i];
        EXPECT_EQ(std::to_string(start), m.lun);  // unchanged
        EXPECT_EQ(-1, m.error.code);
        EXPECT_EQ(std::string::npos, m.error.text.find("stale"));  // each attempt starts afresh
    }
    Mapped ok("", {"LUN_ALREADY_IN_USE", "LUN_ALREADY_IN_USE", "SUCCESS"});
    ASSERT_EQ(3u, ok.luns.size());
    EXPECT_EQ(std::to_string(ok.luns[2]), ok.lun);
    EXPECT_EQ(0, ok.error.code);
    EXPECT_EQ(0u, ok.error.text.find("cmd_status = SUCCESS"));  // only the last attempt's text
    // Another failure, or no LUN left above the start: one run.
    for (auto [start, status] : {std::pair<const char*, const char*>{"40", "HOST_BAD_NAME"},
                                 {"255", "LUN_ALREADY_IN_USE"},
                                 {"256", "LUN_ALREADY_IN_USE"},
                                 {"300", "LUN_ALREADY_IN_USE"}}) {
        Mapped none(start, {status});
        EXPECT_EQ(1u, none.luns.size());
        EXPECT_EQ(start, none.lun);
        EXPECT_EQ(-1, none.error.code);
    }
}

// The one place refused values are tested: every operation passes its values
// through the same check, the login ones included.
TEST(XCliInjection, ValuesThatCouldBreakTheLineNeverRun) {
    ScriptedXcli xcli;
    const std::string pwned = xcli.dir() + "/pwned";
    const Args fine{"admin", "pw", "m"}, host{"h"};
    const std::tuple<const char*, Args, const char*, Args> attempts[] = {
        {"volume name", fine, "CreateSnapShot", {"x\"; touch " + pwned + "; \"", "s"}},
        {"snapshot name", fine, "CreateSnapShot", {"v", "s\n1"}},
        {"host name", fine, "MapVolume", {"v", std::string("h\0x", 3), ""}},
        {"pool name", fine, "CreateVolume", {"v", "p\r", "1"}},
        {"wwn", fine, "GetVolumeByWWN", {"\"600\""}},
        // A cut line could name another volume.
        {"too long", fine, "MapVolume", {std::string(5000, 'v'), "h", ""}},
        {"user", {"ad\"min", "pw", "m"}, "DefineHost", host},
        {"password", {"admin", "sec\"ret", "m"}, "DefineHost", host},
        {"management address", {"admin", "pw", "m\n-u root"}, "DefineHost", host},
    };
    for (const auto& [named, login, call, args] : attempts) {
        LogCapture log;
        XCli cli(login[0], login[1], login[2], xcli.dir(), XivLogger(DebugLog()));
        cli.SetResult("SUCCESS");
        XivError error;
        ResourceList list;
        CALLS.at(call)(cli, args, list, error);
        EXPECT_EQ(-1, error.code) << named;
        EXPECT_NE("SUCCESS", cli.GetResult()) << named;
        EXPECT_NE(std::string::npos, error.text.find(named)) << error.text;
        EXPECT_EQ(std::string::npos, (error.text + log.text()).find("sec\"ret"));  // never echoed
    }
    // Every operation that puts a value on its line refuses a broken one.
    for (const auto& row : TestTable("xiv/operations.txt")) {
        Args args(row.begin() + 4, row.end());
        bool onLine = false;
        for (auto& arg : args) {
            if (arg.empty() || row[1].find(arg) == std::string::npos) continue;
            onLine = true;
            if (arg.find_first_not_of("-0123456789") != std::string::npos) arg = "x\ny";
        }
        if (!onLine) continue;
        XCli cli("admin", "pw", "m", xcli.dir(), XivLogger(DebugLog()));
        XivError error;
        ResourceList list;
        CALLS.at(row[0])(cli, args, list, error);
        EXPECT_EQ(-1, error.code) << row[1];
    }
    EXPECT_EQ(0, xcli.runs());
    struct stat st;
    EXPECT_NE(0, stat(pwned.c_str(), &st));
}

}  // namespace
