#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "StandIn.h"
#include "host/rt/ProcessRunner.h"
#include "xiv/XCli.h"

namespace {

using L = ResourceList;
using S = std::string;
using Op = std::function<void(XCli&, L&, XivError&)>;
#define OP(call)                     \
    [](XCli& x, L& l, XivError& e) { \
        (void)l;                     \
        call;                        \
    }

// Every kind with one field set to "probe": the expected kind decides which
// record gets it.
const char* const ALL_KINDS =
    "<host><name value=\"probe\"/></host><volume><name value=\"probe\"/></volume>"
    "<vol_mapping><host value=\"probe\"/></vol_mapping><mapping><volume value=\"probe\"/></mapping>"
    "<host_connectivity><host value=\"probe\"/></host_connectivity><cg><name value=\"probe\"/></cg>"
    "<snap_group><name value=\"probe\"/></snap_group><pool><name value=\"probe\"/></pool>";

template <class T, class F>
void probe(ResourceNode* r, F field, const char* kind, std::string& kinds) {
    if (auto* x = dynamic_cast<T*>(r); x && field(*x) == "probe") kinds += kind;
}

std::string probedKinds(const L& list) {
    std::string k;
    for (const auto& record : list) {
        ResourceNode* r = record.get();
        probe<Host>(
            r, [](Host& x) { return x.name; }, "host", k);
        probe<XivVol>(
            r, [](XivVol& x) { return x.name; }, "volume", k);
        probe<VolMapping>(
            r, [](VolMapping& x) { return x.host; }, "vol_mapping", k);
        probe<HostMapping>(
            r, [](HostMapping& x) { return x.volume; }, "mapping", k);
        probe<HostConn>(
            r, [](HostConn& x) { return x.host; }, "host_connectivity", k);
        probe<ConsistencyGroup>(
            r, [](ConsistencyGroup& x) { return x.name; }, "cg", k);
        probe<SnapGroup>(
            r, [](SnapGroup& x) { return x.name; }, "snap_group", k);
        probe<XivPool>(
            r, [](XivPool& x) { return x.name; }, "pool", k);
    }
    return k;
}

struct Case {
    std::string operation;  // what follows "-x " on the built line
    const char* kind;       // expected kind of a listing; null: nothing handed out
    std::vector<std::string> tolerated;
    Op op;
};

const char* const NONE = nullptr;
const std::vector<Case> CASES = {
    {" host_list", "host", {}, OP(x.GetHostList(l, e))},
    {"vol_list wwn=6001738ABC", "volume", {}, OP(x.GetVolumeByWWN("6001738ABC", l, e))},
    {"vol_list vol=\"my vol\"", "volume", {}, OP(x.GetVolumeByName("my vol", l, e))},
    {"cg_list cg=\"cg1\"", "cg", {}, OP(x.GetCGByName("cg1", l, e))},
    {"cg_create cg=\"cg1\" pool=\"p1\"", NONE, {}, OP(x.CreateConsistencyGroup("cg1", "p1", e))},
    {"cg_add_vol cg=\"cg1\" vol=\"v1\"", NONE, {}, OP(x.AddVolumetoCG("cg1", "v1", e))},
    {"cg_remove_vol vol=\"v1\"", NONE, {}, OP(x.RemoveVolumeFromCG("cg1", "v1", e))},
    {"cg_snapshots_create cg=\"cg1\" snap_group=\"sg1\"",
     NONE,
     {},
     OP(x.CreateCGSnapshot("cg1", "sg1", e))},
    {"snap_group_disband snap_group=\"sg1\"", NONE, {}, OP(x.DisbandSnapGroup("cg1", "sg1", e))},
    {"snap_group_list snap_group=\"sg1\"",
     "",
     {"SNAPSHOT_GROUP_BAD_NAME"},
     OP(x.GetSnapGroupByName("sg1", l, e))},
    {"vol_list ", "volume", {}, OP(x.GetVolList("", l, e))},
    {"vol_list vol=\"v1\"", "volume", {}, OP(x.GetVolList("v1", l, e))},
    {"vol_list cg=\"cg1\"", "volume", {}, OP(x.GetVolListInCG("cg1", l, e))},
    {"pool_list ", "pool", {}, OP(x.GetPoolList("ignored", l, e))},
    {"pool_list pool=\"p1\"", "pool", {}, OP(x.GetPoolByName("p1", l, e))},
    {"mapping_list host=\"h1\"", "mapping", {}, OP(x.GetMappedVolumes("h1", l, e))},
    {"vol_mapping_list vol=\"v1\"", "vol_mapping", {}, OP(x.GetMappedHosts("v1", l, e))},
    {"host_connectivity_list", "host_connectivity", {}, OP(x.GetConnectedHosts(l, e))},
    {"snapshot_create vol=\"v1\" name=\"s1\"", NONE, {}, OP(x.CreateSnapShot("v1", "s1", e))},
    {"snapshot_duplicate snapshot=\"s1\" name=\"d1\"",
     NONE,
     {},
     OP(x.CreateSnapShotDuplicate("s1", "d1", e))},
    {" map_vol host=\"h1\" vol=\"v1\" lun=12",
     NONE,
     {},
     OP(std::string lun; x.MapVolume("v1", "h1", lun, e))},
    {"unmap_vol host=\"h1\" vol=\"v1\"",
     NONE,
     {"VOLUME_BAD_NAME", "MAPPING_IS_NOT_DEFINED"},
     OP(x.UnMapVolume("v1", "h1", e))},
    {"snapshot_delete snapshot=\"s1\"", NONE, {"VOLUME_BAD_NAME"}, OP(x.DeleteSnapshot("s1", e))},
    {"snapshot_restore snapshot=\"s1\"", NONE, {}, OP(x.RevertToSnapshot("s1", e))},
    {"vol_unlock vol=\"v1\"", NONE, {}, OP(x.UnlockVolume("v1", e))},
    {"vol_lock vol=\"v1\"", NONE, {}, OP(x.LockVolume("v1", e))},
    {"host_define host=\"h1\"", NONE, {}, OP(x.DefineHost("h1", e))},
    {"host_add_port host=\"h1\" fcaddress=\"21AB\"",
     NONE,
     {},
     OP(x.AddPort("h1", "21AB", false, e))},
    {"host_add_port host=\"h1\" iscsi_name=\"iqn.x\"",
     NONE,
     {},
     OP(x.AddPort("h1", "iqn.x", true, e))},
    {"vol_create vol=\"v1\" size_blocks=\"17179869184\" pool=\"p1\"",
     NONE,
     {},
     OP(x.CreateVolume("v1", "p1", 17179869184LL, e))},
    {"vol_delete vol=\"v1\"", NONE, {}, OP(x.DeleteVolume("v1", e))},
    {"vol_resize vol=\"v1\" size_blocks=\"32\"", NONE, {}, OP(x.ResizeVolume("v1", 32, false, e))},
    {"vol_resize vol=\"v1\" size_blocks=\"-1\" shrink_volume=\"yes\"",
     NONE,
     {},
     OP(x.ResizeVolume("v1", -1, true, e))},
    {"host_delete host=\"h1\"", NONE, {}, OP(x.DeleteHost("h1", e))},
};

TEST(XCli, EveryOperationBuildsItsLineAndReadsItsStatus) {
    StandIn xcli;
    const char* password = "pa ss";  // a blank once split the argument list
    int run = 0;
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.operation);
        xcli.answer(Answer("SUCCESS", ALL_KINDS));
        LogCapture log;
        XCli cli("admin", password, "array1", xcli.dir(),
                 XivLogger(DebugLog()));  // logs into this capture
        L list;
        XivError error;
        int& code = error.code;
        std::string& text = error.text;
        c.op(cli, list, error);
        ASSERT_EQ(++run, xcli.runs());
        EXPECT_EQ(0, code);
        EXPECT_EQ("SUCCESS", cli.GetResult());
        EXPECT_EQ(0u, text.find("cmd_status = SUCCESS"));
        auto lines = LinesOf(log, "Command::ExecuteCommandXML");
        ASSERT_EQ(1u, lines.size());
        EXPECT_NE(std::string::npos,
                  lines[0].message.find("About to execute the command [xcli -u admin "
                                        "-p XXXX -m array1 -y -x " +
                                        c.operation + "]"));
        std::vector<std::string> words;  // the run line: no -p, no password
        ProcessRunner::splitCommandLine(
            xcli.dir() + "/xcli -u admin -m array1 -y -x " + c.operation, &words);
        EXPECT_EQ(words, xcli.argv(run));
        EXPECT_EQ(password, xcli.password(run));
        if (c.kind) {
            EXPECT_EQ(c.kind, probedKinds(list));
        }
        list.clear();

        std::vector<std::pair<std::string, int>> statuses{{"HOST_BAD_NAME", -1}};
        for (const std::string& s : c.tolerated) statuses.push_back({s, 0});
        for (const auto& [status, expected] : statuses) {
            xcli.answer(Answer(status));
            code = 0;
            c.op(cli, list, error);
            ++run;
            EXPECT_EQ(expected, code) << status;
            EXPECT_EQ(status, cli.GetResult());
        }
        list.clear();
    }
}

struct Mapped {
    int runs;
    std::vector<int> luns;
    std::string lun;
    int code;
    std::string text;
};

// MapVolume against a stand-in answering `answers` run by run (the last repeats).
Mapped mapVolume(const std::string& start, const std::vector<std::string>& answers) {
    StandIn xcli;
    xcli.answer(Answer(answers.back()));
    for (size_t i = 0; i + 1 < answers.size(); ++i) xcli.answerFor(i + 1, Answer(answers[i]));
    XCli cli("admin", "pw", "array1", xcli.dir(), XivLogger(DebugLog()));
    Mapped m{0, {}, start, 0, "stale"};
    XivError error{m.code, m.text};
    cli.MapVolume("v1", "h1", m.lun, error);
    m.code = error.code;
    m.text = error.text;
    m.runs = xcli.runs();
    for (int r = 1; r <= m.runs; ++r) m.luns.push_back(std::atoi(xcli.argv(r).back().c_str() + 4));
    return m;
}

TEST(XCliMapVolume, TakenLunsAreRetriedAboveTheStart) {
    for (int start : {12, 200, 250}) {
        Mapped m = mapVolume(std::to_string(start), {"LUN_ALREADY_IN_USE"});
        ASSERT_EQ(15, m.runs);
        EXPECT_EQ(start, m.luns[0]);
        for (int i = 1; i < 15; ++i) {
            EXPECT_GT(m.luns[i], start);
            EXPECT_LE(m.luns[i], 255);
        }
        EXPECT_EQ(std::to_string(start), m.lun);  // unchanged
        EXPECT_EQ(-1, m.code);
        EXPECT_EQ(std::string::npos, m.text.find("stale"));  // each attempt starts afresh
    }
}

TEST(XCliMapVolume, EndsAtTheFirstAnswerThatIsNotATakenLun) {
    Mapped ok = mapVolume("", {"LUN_ALREADY_IN_USE", "LUN_ALREADY_IN_USE", "SUCCESS"});
    ASSERT_EQ(3, ok.runs);
    EXPECT_EQ(12, ok.luns[0]);
    EXPECT_EQ(std::to_string(ok.luns[2]), ok.lun);
    EXPECT_EQ(0, ok.code);
    EXPECT_EQ(0u, ok.text.find("cmd_status = SUCCESS"));  // only the last attempt's text

    Mapped failed = mapVolume("40", {"HOST_BAD_NAME"});
    EXPECT_EQ(1, failed.runs);
    EXPECT_EQ("40", failed.lun);
    EXPECT_EQ(-1, failed.code);

    for (const char* start : {"255", "256", "300"}) {  // no LUN left above the start
        Mapped none = mapVolume(start, {"LUN_ALREADY_IN_USE"});
        EXPECT_EQ(1, none.runs);
        EXPECT_EQ(start, none.lun);
        EXPECT_EQ(-1, none.code);
    }
}

TEST(XCliInjection, ValuesThatCouldBreakTheLineNeverRun) {
    StandIn xcli;
    const std::string pwned = xcli.dir() + "/pwned";
    const std::string evil = "x\"; touch " + pwned + "; \"";
    std::string lun;
    L l;
    using Op = std::function<void(XCli&, XivError&)>;
    const std::pair<const char*, Op> attempts[] = {
        {"volume name", [&](XCli& x, XivError& e) { x.CreateSnapShot(evil, "s", e); }},
        {"snapshot name", [&](XCli& x, XivError& e) { x.CreateSnapShot("v", "s\n1", e); }},
        {"host name", [&](XCli& x, XivError& e) { x.MapVolume("v", S("h\0x", 3), lun, e); }},
        {"pool name", [&](XCli& x, XivError& e) { x.CreateVolume("v", "p\r", 1, e); }},
        {"wwn", [&](XCli& x, XivError& e) { x.GetVolumeByWWN("\"600\"", l, e); }},
        // A cut line could name another volume.
        {"too long", [&](XCli& x, XivError& e) { x.MapVolume(S(5000, 'v'), "h", lun, e); }},
    };
    const char* logins[][4] = {{"user", "ad\"min", "pw", "m"},
                               {"password", "admin", "sec\"ret", "m"},
                               {"management address", "admin", "pw", "m\n-u root"}};
    auto expectRefused = [&](const char* named, const char* const login[3], const Op& op) {
        LogCapture log;
        XCli cli(login[0], login[1], login[2], xcli.dir(), XivLogger(DebugLog()));
        cli.SetResult("SUCCESS");
        XivError error;
        int& code = error.code;
        std::string& text = error.text;
        op(cli, error);
        EXPECT_EQ(-1, code) << named;
        EXPECT_NE("SUCCESS", cli.GetResult()) << named;
        EXPECT_NE(std::string::npos, text.find(named)) << text;
        EXPECT_EQ(std::string::npos, (text + log.text()).find("sec\"ret"));  // never echoed
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
