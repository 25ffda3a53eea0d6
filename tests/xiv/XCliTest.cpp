#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "StandIn.h"
#include "host/rt/ProcessRunner.h"
#include "xiv/XCli.h"

namespace {

const char* const PASSWORD = "pa ss";  // a blank once split the old argument list

// Every kind with one field set to "probe": the listing's expected kind
// decides which record gets it.
const char* const ALL_KINDS =
    "<host><name value=\"probe\"/></host>"
    "<volume><name value=\"probe\"/></volume>"
    "<vol_mapping><host value=\"probe\"/></vol_mapping>"
    "<mapping><volume value=\"probe\"/></mapping>"
    "<host_connectivity><host value=\"probe\"/></host_connectivity>"
    "<cg><name value=\"probe\"/></cg>"
    "<snap_group><name value=\"probe\"/></snap_group>"
    "<pool><name value=\"probe\"/></pool>";

std::string probedKind(const std::list<ResourceNode*>& list)
{
    std::string kinds;
    for (ResourceNode* r : list) {
        if (auto* x = dynamic_cast<Host*>(r); x && x->name == "probe") kinds += "host";
        if (auto* x = dynamic_cast<XivVol*>(r); x && x->name == "probe") kinds += "volume";
        if (auto* x = dynamic_cast<VolMapping*>(r); x && x->host == "probe") kinds += "vol_mapping";
        if (auto* x = dynamic_cast<HostMapping*>(r); x && x->volume == "probe") kinds += "mapping";
        if (auto* x = dynamic_cast<HostConn*>(r); x && x->host == "probe")
            kinds += "host_connectivity";
        if (auto* x = dynamic_cast<ConsistencyGroup*>(r); x && x->name == "probe") kinds += "cg";
        if (auto* x = dynamic_cast<SnapGroup*>(r); x && x->name == "probe") kinds += "snap_group";
        if (auto* x = dynamic_cast<XivPool*>(r); x && x->name == "probe") kinds += "pool";
    }
    return kinds;
}

using Op = std::function<void(XCli&, std::list<ResourceNode*>&, int&, std::string&)>;

struct Case {
    const char* name;
    std::string operation;  // what follows "-x " on the built line
    const char* kind;       // expected kind of a listing; null: no list handed out
    std::vector<std::string> tolerated;
    Op op;
};

using L = std::list<ResourceNode*>;
using S = std::string;

std::vector<Case> cases()
{
    std::vector<Case> c = {
        {"GetHostList", " host_list", "host", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetHostList(l, e, t); }},
        {"GetVolumeByWWN", "vol_list wwn=6001738ABC", "volume", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetVolumeByWWN("6001738ABC", l, e, t); }},
        {"GetVolumeByName", "vol_list vol=\"my vol\"", "volume", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetVolumeByName("my vol", l, e, t); }},
        {"GetCGByName", "cg_list cg=\"cg1\"", "cg", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetCGByName("cg1", l, e, t); }},
        {"CreateConsistencyGroup", "cg_create cg=\"cg1\" pool=\"p1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.CreateConsistencyGroup("cg1", "p1", e, t); }},
        {"AddVolumetoCG", "cg_add_vol cg=\"cg1\" vol=\"v1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.AddVolumetoCG("cg1", "v1", e, t); }},
        {"RemoveVolumeFromCG", "cg_remove_vol vol=\"v1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.RemoveVolumeFromCG("cg1", "v1", e, t); }},
        {"CreateCGSnapshot", "cg_snapshots_create cg=\"cg1\" snap_group=\"sg1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.CreateCGSnapshot("cg1", "sg1", e, t); }},
        {"DisbandSnapGroup", "snap_group_disband snap_group=\"sg1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.DisbandSnapGroup("cg1", "sg1", e, t); }},
        {"GetSnapGroupByName", "snap_group_list snap_group=\"sg1\"", "", {"SNAPSHOT_GROUP_BAD_NAME"},
         [](XCli& x, L& l, int& e, S& t) { x.GetSnapGroupByName("sg1", l, e, t); }},
        {"GetVolList all", "vol_list ", "volume", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetVolList("", l, e, t); }},
        {"GetVolList one", "vol_list vol=\"v1\"", "volume", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetVolList("v1", l, e, t); }},
        {"GetVolListInCG", "vol_list cg=\"cg1\"", "volume", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetVolListInCG("cg1", l, e, t); }},
        {"GetPoolList", "pool_list ", "pool", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetPoolList("ignored", l, e, t); }},
        {"GetPoolByName", "pool_list pool=\"p1\"", "pool", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetPoolByName("p1", l, e, t); }},
        {"GetMappedVolumes", "mapping_list host=\"h1\"", "mapping", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetMappedVolumes("h1", l, e, t); }},
        {"GetMappedHosts", "vol_mapping_list vol=\"v1\"", "vol_mapping", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetMappedHosts("v1", l, e, t); }},
        {"GetConnectedHosts", "host_connectivity_list", "host_connectivity", {},
         [](XCli& x, L& l, int& e, S& t) { x.GetConnectedHosts(l, e, t); }},
        {"CreateSnapShot", "snapshot_create vol=\"v1\" name=\"s1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.CreateSnapShot("v1", "s1", e, t); }},
        {"CreateSnapShotDuplicate", "snapshot_duplicate snapshot=\"s1\" name=\"d1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.CreateSnapShotDuplicate("s1", "d1", e, t); }},
        {"MapVolume", " map_vol host=\"h1\" vol=\"v1\" lun=12", nullptr, {},
         [](XCli& x, L&, int& e, S& t) {
             std::string lun;
             x.MapVolume("v1", "h1", lun, e, t);
         }},
        {"UnMapVolume", "unmap_vol host=\"h1\" vol=\"v1\"", nullptr,
         {"VOLUME_BAD_NAME", "MAPPING_IS_NOT_DEFINED"},
         [](XCli& x, L&, int& e, S& t) { x.UnMapVolume("v1", "h1", e, t); }},
        {"DeleteSnapshot", "snapshot_delete snapshot=\"s1\"", nullptr, {"VOLUME_BAD_NAME"},
         [](XCli& x, L&, int& e, S& t) { x.DeleteSnapshot("s1", e, t); }},
        {"RevertToSnapshot", "snapshot_restore snapshot=\"s1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.RevertToSnapshot("s1", e, t); }},
        {"UnlockVolume", "vol_unlock vol=\"v1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.UnlockVolume("v1", e, t); }},
        {"LockVolume", "vol_lock vol=\"v1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.LockVolume("v1", e, t); }},
        {"DefineHost", "host_define host=\"h1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.DefineHost("h1", e, t); }},
        {"AddPort fc", "host_add_port host=\"h1\" fcaddress=\"2100AB\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.AddPort("h1", "2100AB", false, e, t); }},
        {"AddPort iscsi", "host_add_port host=\"h1\" iscsi_name=\"iqn.1994-05.x\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.AddPort("h1", "iqn.1994-05.x", true, e, t); }},
        {"CreateVolume", "vol_create vol=\"v1\" size=\"17179869184\" pool=\"p1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.CreateVolume("v1", "p1", 17179869184LL, e, t); }},
        {"DeleteVolume", "vol_delete vol=\"v1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.DeleteVolume("v1", e, t); }},
        {"ResizeVolume grow", "vol_resize vol=\"v1\" size=\"32\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.ResizeVolume("v1", 32, false, e, t); }},
        {"ResizeVolume shrink", "vol_resize vol=\"v1\" size=\"-1\" shrink_volume=\"yes\"", nullptr,
         {}, [](XCli& x, L&, int& e, S& t) { x.ResizeVolume("v1", -1, true, e, t); }},
        {"DeleteHost", "host_delete host=\"h1\"", nullptr, {},
         [](XCli& x, L&, int& e, S& t) { x.DeleteHost("h1", e, t); }},
    };
    return c;
}

TEST(XCli, EveryOperationBuildsItsLineAndReadsItsStatus)
{
    StandIn xcli;
    XCli cli("admin", PASSWORD, "array1", xcli.dir(), DebugLog());
    int run = 0;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        // Success: the line, the argument vector, the records of the kind.
        xcli.answer(Answer("SUCCESS", ALL_KINDS));
        LogTail tail;
        L list;
        int code = 0;
        std::string text;
        c.op(cli, list, code, text);
        ++run;
        ASSERT_EQ(run, xcli.runs());
        EXPECT_EQ(0, code);
        EXPECT_EQ("SUCCESS", cli.GetResult());
        EXPECT_EQ(0u, text.find("cmd_status = SUCCESS"));
        const std::string logged = "xcli -u admin -p XXXX -m array1 -y -x " + c.operation;
        auto lines = tail.linesOf("Command::ExecuteCommandXML");
        ASSERT_EQ(1u, lines.size());
        EXPECT_NE(std::string::npos,
                  lines[0].find("About to execute the command [" + logged + "]"));
        std::vector<std::string> words;
        ASSERT_TRUE(ProcessRunner::splitCommandLine(
            xcli.dir() + "/xcli -u admin -m array1 -y -x " + c.operation, &words));
        EXPECT_EQ(words, xcli.argv(run));
        EXPECT_EQ(PASSWORD, xcli.password(run));
        if (c.kind) {
            EXPECT_EQ(8u, list.size());
            EXPECT_EQ(c.kind, probedKind(list));
        }
        FreeResourceList(list);

        // Failure: -1 and the status name as result; tolerated names reset to 0.
        for (const std::string& status : {std::string("HOST_BAD_NAME")}) {
            xcli.answer(Answer(status));
            code = 0;
            c.op(cli, list, code, text);
            ++run;
            EXPECT_EQ(-1, code);
            EXPECT_EQ(status, cli.GetResult());
        }
        for (const std::string& status : c.tolerated) {
            xcli.answer(Answer(status));
            code = 0;
            c.op(cli, list, code, text);
            ++run;
            EXPECT_EQ(0, code) << status;
            EXPECT_EQ(status, cli.GetResult());
        }
        FreeResourceList(list);
    }
}

TEST(XCli, ErrorCodeAndTextAreOnlyEverWorsenedAndAppended)
{
    StandIn xcli;
    XCli cli("admin", "pw", "array1", xcli.dir(), DebugLog());
    xcli.answer(Answer("SUCCESS"));
    int code = -1;
    std::string text = "earlier;";
    cli.LockVolume("v1", code, text);
    EXPECT_EQ(-1, code);
    EXPECT_EQ(0u, text.find("earlier;cmd_status = SUCCESS"));
    cli.SetResult("X");
    EXPECT_EQ("X", cli.GetResult());
}

TEST(XCli, LogsCarryTheRecordsJob)
{
    StandIn xcli;
    xcli.answer(Answer("SUCCESS"));
    FakeSnapInfo snap;
    snap.job = 8123;
    FakeLunInfo lun;
    lun.job = 9123;
    LogTail tail;
    int code = 0;
    std::string text;
    XCli("a", "p", "m", xcli.dir(), &snap).DefineHost("h", code, text);
    XCli("a", "p", "m", xcli.dir(), &lun).DefineHost("h", code, text);
    auto lines = tail.linesOf("DoTheWork");
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("\t8123\t"));
    EXPECT_NE(std::string::npos, lines[1].find("\t9123\t"));
}

int lunOf(const std::vector<std::string>& argv)
{
    return argv.empty() ? -1 : std::atoi(argv.back().substr(4).c_str());
}

TEST(XCliMapVolume, TakenLunsAreRetriedAboveTheStart)
{
    for (int start : {12, 200, 250}) {
        SCOPED_TRACE(start);
        StandIn xcli;
        xcli.answer(Answer("LUN_ALREADY_IN_USE"));
        XCli cli("admin", "pw", "array1", xcli.dir(), DebugLog());
        std::string lun = std::to_string(start);
        int code = 0;
        std::string text = "stale";
        cli.MapVolume("v1", "h1", lun, code, text);
        ASSERT_EQ(15, xcli.runs());
        EXPECT_EQ(start, lunOf(xcli.argv(1)));
        for (int run = 2; run <= 15; ++run) {
            const int tried = lunOf(xcli.argv(run));
            EXPECT_GT(tried, start) << run;
            EXPECT_LE(tried, 255) << run;
        }
        EXPECT_EQ(std::to_string(start), lun);  // unchanged
        EXPECT_EQ(-1, code);
        EXPECT_EQ("LUN_ALREADY_IN_USE", cli.GetResult());
        EXPECT_EQ(std::string::npos, text.find("stale"));  // each attempt starts afresh
    }
}

TEST(XCliMapVolume, StopsAtTheFirstAnswerThatIsNotATakenLun)
{
    StandIn xcli;
    xcli.answer(Answer("SUCCESS"));
    xcli.answerFor(1, Answer("LUN_ALREADY_IN_USE"));
    xcli.answerFor(2, Answer("LUN_ALREADY_IN_USE"));
    XCli cli("admin", "pw", "array1", xcli.dir(), DebugLog());
    std::string lun;
    int code = 0;
    std::string text;
    cli.MapVolume("v1", "h1", lun, code, text);
    ASSERT_EQ(3, xcli.runs());
    EXPECT_EQ(12, lunOf(xcli.argv(1)));
    EXPECT_EQ(std::to_string(lunOf(xcli.argv(3))), lun);
    EXPECT_EQ(0, code);
    EXPECT_EQ(0u, text.find("cmd_status = SUCCESS"));  // only the last attempt's text

    // A failure other than a taken LUN also ends it, with the LUN written back.
    StandIn other;
    other.answer(Answer("HOST_BAD_NAME"));
    lun = "40";
    XCli cli2("admin", "pw", "array1", other.dir(), DebugLog());
    cli2.MapVolume("v1", "h1", lun, code, text);
    EXPECT_EQ(1, other.runs());
    EXPECT_EQ("40", lun);
    EXPECT_EQ(-1, code);
}

TEST(XCliMapVolume, NoLunLeftAboveTheStart)
{
    for (const char* start : {"255", "256", "300"}) {
        StandIn xcli;
        xcli.answer(Answer("LUN_ALREADY_IN_USE"));
        XCli cli("admin", "pw", "array1", xcli.dir(), DebugLog());
        std::string lun = start;
        int code = 0;
        std::string text;
        cli.MapVolume("v1", "h1", lun, code, text);
        EXPECT_EQ(1, xcli.runs()) << start;
        EXPECT_EQ(start, lun);
        EXPECT_EQ(-1, code);
    }
}

TEST(XCliMapVolume, OverlongLineIsNotCut)
{
    StandIn xcli;
    XCli cli("admin", "pw", "array1", xcli.dir(), DebugLog());
    std::string lun;
    int code = 0;
    std::string text;
    cli.MapVolume(std::string(5000, 'v'), "h1", lun, code, text);
    EXPECT_EQ(0, xcli.runs());
    EXPECT_EQ(-1, code);
    EXPECT_EQ("", lun);
}

TEST(GetNextRand, StaysWithinItsRange)
{
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(1, GetNextRand(1));
        const int r = GetNextRand(244);
        EXPECT_GE(r, 1);
        EXPECT_LE(r, 243);
    }
    EXPECT_EQ(1, GetNextRand(0));
}

TEST(XCliInjection, ValuesThatCouldBreakTheLineNeverRun)
{
    StandIn xcli;
    xcli.answer(Answer("SUCCESS"));
    const std::string pwned = xcli.dir() + "/pwned";
    const std::string evil = "x\"; touch " + pwned + "; \"";
    struct Attempt {
        const char* what;
        std::string user, password, address;
        std::function<void(XCli&, int&, std::string&)> op;
        const char* named;
    } attempts[] = {
        {"volume", "admin", "pw", "array1",
         [&](XCli& x, int& e, std::string& t) { x.CreateSnapShot(evil, "s1", e, t); },
         "volume name"},
        {"snapshot", "admin", "pw", "array1",
         [&](XCli& x, int& e, std::string& t) { x.CreateSnapShot("v1", "s\n1", e, t); },
         "snapshot name"},
        {"host of a map", "admin", "pw", "array1",
         [&](XCli& x, int& e, std::string& t) {
             std::string lun;
             x.MapVolume("v1", std::string("h\0x", 3), lun, e, t);
         },
         "host name"},
        {"pool", "admin", "pw", "array1",
         [&](XCli& x, int& e, std::string& t) { x.CreateVolume("v", "p\r", 1, e, t); },
         "pool name"},
        {"wwn", "admin", "pw", "array1",
         [&](XCli& x, int& e, std::string& t) {
             L l;
             x.GetVolumeByWWN("\"600\"", l, e, t);
         },
         "wwn"},
        {"user", "ad\"min", "pw", "array1",
         [&](XCli& x, int& e, std::string& t) { x.DeleteHost("h", e, t); }, "user"},
        {"password", "admin", "sec\"ret", "array1",
         [&](XCli& x, int& e, std::string& t) {
             L l;
             x.GetHostList(l, e, t);
         },
         "password"},
        {"address", "admin", "pw", "array1\n-u root",
         [&](XCli& x, int& e, std::string& t) { x.DefineHost("h", e, t); },
         "management address"},
    };
    for (auto& a : attempts) {
        XCli cli(a.user, a.password, a.address, xcli.dir(), DebugLog());
        cli.SetResult("SUCCESS");
        int code = 0;
        std::string text;
        LogTail tail;
        a.op(cli, code, text);
        EXPECT_EQ(-1, code) << a.what;
        EXPECT_NE("SUCCESS", cli.GetResult()) << a.what;
        EXPECT_NE(std::string::npos, text.find(a.named)) << a.what << ": " << text;
        EXPECT_EQ(std::string::npos, text.find("sec\"ret")) << a.what;
        EXPECT_EQ(std::string::npos, tail.text().find("sec\"ret")) << a.what;
    }
    EXPECT_EQ(0, xcli.runs());
    struct stat st;
    EXPECT_NE(0, stat(pwned.c_str(), &st));
}

}  // namespace
