// The command layer: how a command runs as a child process, how its output
// becomes an answer, and how the array operations build their lines.
#include <sys/stat.h>

#include <cstdlib>
#include <functional>

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
    for (const char* inner : {"", "with blank"}) {
        ScriptedXcli xcli(inner);
        xcli.answer(Answer("SUCCESS"));
        setenv("XIV_XCLIPASSWORD", "stale", 1);  // ours must win over an inherited one
        LogCapture log;
        std::string output;
        Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
        unsetenv("XIV_XCLIPASSWORD");
        EXPECT_EQ(Answer("SUCCESS"), output);
        EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "10.0.0.1",
                                            "-y", "-x", "vol_list"}),
                  xcli.argv(1));
        EXPECT_EQ("s3cret", xcli.password(1));
        EXPECT_EQ(std::string::npos, log.text().find("s3cret"));
    }
}

TEST(Command, EveryOutputBecomesAnAnswer) {
    const std::string real = Answer("VOLUME_BAD_NAME");
    const struct {
        std::string out, err;
        int status;
        std::string expected;
    } outcomes[] = {
        {"Missing user. Missing password.\n", "err", 1,
         Command::Envelope("MISSING_PASSWORD", "Missing user. Missing password.\n")},
        {"Missing user.", "who?", 1, Command::Envelope("MISSING_USERNAME", "who?")},
        {real, "", 5, real},  // a real answer, whatever the exit status
        {"", "boom", 3,
         Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON", "output = err = boom  rc = 3")},
        {"<b>plain & text</b>", "", 0,
         Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON",
                           "output = <b>plain & text</b>err =   rc = 0")},
    };
    for (const auto& o : outcomes) {
        ScriptedXcli xcli;
        xcli.answer(o.out, o.status);
        xcli.stderrText(o.err);
        std::string output;
        Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
        EXPECT_EQ(o.expected, output) << o.out;
    }
}

TEST(Command, ProgramThatDoesNotStartAndPlainRuns) {
    ScriptedXcli tool;
    std::string output;
    Command(LINE, tool.dir() + "/nowhere", logger()).ExecuteCommandXML(output);
    EXPECT_EQ(0u, output.find("<XCLIRETURN STATUS=\"XCLI_NOT_INSTALLED\""));
    EXPECT_EQ(127, Command(LINE, tool.dir() + "/nowhere", logger()).ExecuteCommand(output));

    tool.answer("a,b\r\nc,d\r\n", 4);  // output handed back as it came, whatever the status
    EXPECT_EQ(0, Command("xiv_devlist --out csv", tool.dir(), logger()).ExecuteCommand(output));
    EXPECT_EQ("a,b\r\nc,d\r\n", output);
    EXPECT_EQ("(unset)", tool.password(1));
}

// How a broken answer fails is ParseOutput's.
TEST(DoTheWork, ParsesTheTrimmedAnswerAndAppendsToTheText) {
    ScriptedXcli xcli;
    const std::string body = "<volume><name value=\"v1\"/></volume>";
    xcli.answer("banner line\n" + Answer("SUCCESS", body) + "\nwarning after\n");
    std::string output, status, result;
    XivError error{5, "before;"};  // the code is left alone on success
    ResourceList list;
    DoTheWork(LINE, output, "s3cret", "volume", list, error, status, result, xcli.dir(), logger());
    EXPECT_EQ(5, error.code);
    EXPECT_EQ("SUCCESS", result);
    EXPECT_EQ("before;cmd_status = SUCCESS" + Answer("SUCCESS", body), error.text);
    EXPECT_EQ((std::vector<std::string>{"volume name=v1 vol_name=v1"}), Dump(list));
}

struct Case {
    std::string operation;  // what follows "-x " on the built line
    const char* kind;       // the kind a listing fills; null: nothing handed out
    std::vector<std::string> tolerated;
    std::function<void(XCli&, ResourceList&, XivError&)> op;
};
#define C(line, kind, tolerated, call)                                               \
    {                                                                                \
        line, kind, tolerated, [](XCli& x, ResourceList& l, XivError& e) { x.call; } \
    }
using T = std::vector<std::string>;
const char* const NO = nullptr;
std::string lun;
const std::vector<Case> CASES = {
    C(" host_list", "host", {}, GetHostList(l, e)),
    C("vol_list wwn=6001738ABC", "volume", {}, GetVolumeByWWN("6001738ABC", l, e)),
    C("vol_list vol=\"my vol\"", "volume", {}, GetVolumeByName("my vol", l, e)),
    C("cg_list cg=\"cg1\"", "cg", {}, GetCGByName("cg1", l, e)),
    C("cg_create cg=\"cg1\" pool=\"p1\"", NO, {}, CreateConsistencyGroup("cg1", "p1", e)),
    C("cg_add_vol cg=\"cg1\" vol=\"v1\"", NO, {}, AddVolumetoCG("cg1", "v1", e)),
    C("cg_remove_vol vol=\"v1\"", NO, {}, RemoveVolumeFromCG("cg1", "v1", e)),
    C("cg_snapshots_create cg=\"cg1\" snap_group=\"sg1\"", NO, {},
      CreateCGSnapshot("cg1", "sg1", e)),
    C("snap_group_disband snap_group=\"sg1\"", NO, {}, DisbandSnapGroup("cg1", "sg1", e)),
    C("snap_group_list snap_group=\"sg1\"", "", T{"SNAPSHOT_GROUP_BAD_NAME"},
      GetSnapGroupByName("sg1", l, e)),
    C("vol_list ", "volume", {}, GetVolList("", l, e)),
    C("vol_list vol=\"v1\"", "volume", {}, GetVolList("v1", l, e)),
    C("vol_list cg=\"cg1\"", "volume", {}, GetVolListInCG("cg1", l, e)),
    C("pool_list ", "pool", {}, GetPoolList("ignored", l, e)),
    C("pool_list pool=\"p1\"", "pool", {}, GetPoolByName("p1", l, e)),
    C("mapping_list host=\"h1\"", "mapping", {}, GetMappedVolumes("h1", l, e)),
    C("vol_mapping_list vol=\"v1\"", "vol_mapping", {}, GetMappedHosts("v1", l, e)),
    C("host_connectivity_list", "host_connectivity", {}, GetConnectedHosts(l, e)),
    C("snapshot_create vol=\"v1\" name=\"s1\"", NO, {}, CreateSnapShot("v1", "s1", e)),
    C("snapshot_duplicate snapshot=\"s1\" name=\"d1\"", NO, {},
      CreateSnapShotDuplicate("s1", "d1", e)),
    C(" map_vol host=\"h1\" vol=\"v1\" lun=12", NO, {}, MapVolume("v1", "h1", lun = "", e)),
    C("unmap_vol host=\"h1\" vol=\"v1\"", NO, (T{"VOLUME_BAD_NAME", "MAPPING_IS_NOT_DEFINED"}),
      UnMapVolume("v1", "h1", e)),
    C("snapshot_delete snapshot=\"s1\"", NO, T{"VOLUME_BAD_NAME"}, DeleteSnapshot("s1", e)),
    C("snapshot_restore snapshot=\"s1\"", NO, {}, RevertToSnapshot("s1", e)),
    C("vol_unlock vol=\"v1\"", NO, {}, UnlockVolume("v1", e)),
    C("vol_lock vol=\"v1\"", NO, {}, LockVolume("v1", e)),
    C("host_define host=\"h1\"", NO, {}, DefineHost("h1", e)),
    C("host_add_port host=\"h1\" fcaddress=\"21AB\"", NO, {}, AddPort("h1", "21AB", false, e)),
    C("host_add_port host=\"h1\" iscsi_name=\"iqn.x\"", NO, {}, AddPort("h1", "iqn.x", true, e)),
    C("vol_create vol=\"v1\" size_blocks=\"17179869184\" pool=\"p1\"", NO, {},
      CreateVolume("v1", "p1", 17179869184LL, e)),
    C("vol_delete vol=\"v1\"", NO, {}, DeleteVolume("v1", e)),
    C("vol_resize vol=\"v1\" size_blocks=\"32\"", NO, {}, ResizeVolume("v1", 32, false, e)),
    C("vol_resize vol=\"v1\" size_blocks=\"-1\" shrink_volume=\"yes\"", NO, {},
      ResizeVolume("v1", -1, true, e)),
    C("host_delete host=\"h1\"", NO, {}, DeleteHost("h1", e)),
};

TEST(XCli, EveryOperationBuildsItsLineAndReadsItsStatus) {
    ScriptedXcli xcli;
    const char* password = "pa ss";  // a blank once split the argument list
    int run = 0;
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.operation);
        xcli.answer(Canned("every_kind.xml"));
        XCli cli("admin", password, "array1", xcli.dir(), XivLogger(DebugLog()));
        ResourceList list;
        XivError error;
        c.op(cli, list, error);
        ASSERT_EQ(++run, xcli.runs());
        EXPECT_EQ(0, error.code);
        EXPECT_EQ("SUCCESS", cli.GetResult());
        EXPECT_EQ(0u, error.text.find("cmd_status = SUCCESS"));
        std::vector<std::string> words;  // the run line: no -p, no password
        ProcessRunner::splitCommandLine(
            xcli.dir() + "/xcli -u admin -m array1 -y -x " + c.operation, &words);
        EXPECT_EQ(words, xcli.argv(run));
        EXPECT_EQ(c.kind ? c.kind : FilledKinds(list), FilledKinds(list));
        list.clear();

        std::vector<std::pair<std::string, int>> statuses{{"HOST_BAD_NAME", -1}};
        for (const std::string& s : c.tolerated) statuses.push_back({s, 0});
        for (const auto& [status, expected] : statuses) {
            xcli.answer(Answer(status));
            error.code = 0;
            c.op(cli, list, error);
            ++run;
            EXPECT_EQ(expected, error.code) << status;
            EXPECT_EQ(status, cli.GetResult());
        }
        list.clear();
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
    EXPECT_EQ(12, ok.luns[0]);
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
    const std::string evil = "x\"; touch " + pwned + "; \"";
    std::string lun;
    ResourceList l;
    using Op = std::function<void(XCli&, XivError&)>;
    const std::pair<const char*, Op> attempts[] = {
        {"volume name", [&](XCli& x, XivError& e) { x.CreateSnapShot(evil, "s", e); }},
        {"snapshot name", [&](XCli& x, XivError& e) { x.CreateSnapShot("v", "s\n1", e); }},
        {"host name",
         [&](XCli& x, XivError& e) { x.MapVolume("v", std::string("h\0x", 3), lun, e); }},
        {"pool name", [&](XCli& x, XivError& e) { x.CreateVolume("v", "p\r", 1, e); }},
        {"wwn", [&](XCli& x, XivError& e) { x.GetVolumeByWWN("\"600\"", l, e); }},
        // A cut line could name another volume.
        {"too long",
         [&](XCli& x, XivError& e) { x.MapVolume(std::string(5000, 'v'), "h", lun, e); }},
    };
    const char* logins[][4] = {{"user", "ad\"min", "pw", "m"},
                               {"password", "admin", "sec\"ret", "m"},
                               {"management address", "admin", "pw", "m\n-u root"}};
    auto expectRefused = [&](const char* named, const char* const login[3], const Op& op) {
        LogCapture log;
        XCli cli(login[0], login[1], login[2], xcli.dir(), XivLogger(DebugLog()));
        cli.SetResult("SUCCESS");
        XivError error;
        op(cli, error);
        EXPECT_EQ(-1, error.code) << named;
        EXPECT_NE("SUCCESS", cli.GetResult()) << named;
        EXPECT_NE(std::string::npos, error.text.find(named)) << error.text;
        EXPECT_EQ(std::string::npos, (error.text + log.text()).find("sec\"ret"));  // never echoed
    };
    const char* const fine[] = {"admin", "pw", "m"};
    for (const auto& [named, op] : attempts) expectRefused(named, fine, op);
    for (const auto& login : logins)
        expectRefused(login[0], login + 1, [](XCli& x, XivError& e) { x.DefineHost("h", e); });
    EXPECT_EQ(0, xcli.runs());
    struct stat st;
    EXPECT_NE(0, stat(pwned.c_str(), &st));
}

}  // namespace
