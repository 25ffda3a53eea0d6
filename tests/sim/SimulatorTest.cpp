// The simulator's programs over one array of a HostWorld, driven as the
// plug-in drives them: a command line per run, its answer's status checked.
// The array's rules as xcli answers them (logins and the command line,
// volumes and pools, snapshots and groups, hosts, ports and mappings) and
// what the admin tool adds: faults and holds, the disks that initiator ports
// see, and concurrent xcli runs, each one transaction.
#include <gtest/gtest.h>

#include <future>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "HostWorld.h"
#include "TestData.h"

namespace {

using Resource = std::map<std::string, std::string>;
// The admin tool's option naming the world's array.
const std::string kAt = std::string(" --address ") + HostWorld::kAddress + " ";

// Words of a line split at blanks (none of our values holds one).
std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string statusOf(const std::string& xml) {
    std::smatch m;
    return std::regex_search(xml, m, std::regex("<XCLIRETURN STATUS=\"([^\"]*)\"")) ? m.str(1) : "";
}

// The world's array with a pool "p" of 1003 GB and a 170 GB snapshot
// reserve; ZRSO_SIM_DISKS names a catalog of the test's own.
class Simulator : public ::testing::Test {
protected:
    Simulator()
        : world_(std::make_unique<HostWorld>(dir_.file("world"))),
          state_("XIV_SIM_STATE", world_->sim().state()) {
        admin("pool-create" + kAt + "--pool p --size-gb 1000 --snapshot-size-gb 170");
    }
    std::string admin(const std::string& line) const { return world_->sim().Admin(words(line)); }
    // xcli with the array's login and -y -x, then the words of line.
    ProgramRun xcli(const std::string& line, const std::vector<std::string>& login = {}) const {
        std::vector<std::string> argv = {BuiltProgram("xcli")};
        if (login.empty())
            argv.insert(argv.end(), {"-u", HostWorld::kUser, "-p", HostWorld::kPassword, "-m",
                                     HostWorld::kAddress, "-y", "-x"});
        argv.insert(argv.end(), login.begin(), login.end());
        for (auto& w : words(line)) argv.push_back(w);
        return RunProgram(argv);
    }
    std::string status(const std::string& line) const { return statusOf(xcli(line).out); }
    // Runs a rule script of tests/data/sim, a step a line: "xcli words =>
    // STATUS field=value -field ~text exit=N" expects the status ("none": no
    // XML answer), each field=value in the answer, no -field, the text
    // anywhere in the output and the exit status;
    // words starting with an option are xcli's whole command line, login
    // included. "! admin words" runs the admin tool on the array, "!!" expects
    // it to refuse; "#" starts a comment.
    void runScript(const std::string& name) const {
        std::istringstream in(TestData("sim/" + name));
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            auto w = words(line);
            const std::string at = name + ":" + std::to_string(++number);
            if (w.empty() || w[0][0] == '#') continue;
            if (w[0] == "!" || w[0] == "!!") {
                std::vector<std::string> args(w.begin() + 1, w.end());
                if (w[0] == "!") world_->admin(args);
                if (w[0] == "!!") {
                    EXPECT_ANY_THROW(world_->admin(args)) << at;
                }
                continue;
            }
            auto arrow = line.find(" => ");
            ASSERT_NE(arrow, std::string::npos) << at;
            auto expected = words(line.substr(arrow + 4));
            const std::string command = line.substr(0, arrow);
            auto ran = command[0] == '-' ? xcli("", words(command)) : xcli(command);
            EXPECT_EQ(expected[0] == "none" ? "" : expected[0], statusOf(ran.out))
                << at << " " << line;
            for (std::size_t i = 1; i < expected.size(); ++i) {
                const std::string& f = expected[i];
                if (f.rfind("exit=", 0) == 0)
                    EXPECT_EQ(f.substr(5), std::to_string(ran.status)) << at;
                else if (f[0] == '~')
                    EXPECT_NE(std::string::npos, ran.out.find(f.substr(1))) << at << " " << f;
                else if (f[0] == '-')
                    EXPECT_EQ(std::string::npos, ran.out.find("<" + f.substr(1) + " "))
                        << at << " " << f;
                else
                    EXPECT_NE(std::string::npos,
                              ran.out.find("<" + f.substr(0, f.find('=')) + " value=\"" +
                                           f.substr(f.find('=') + 1) + "\""))
                        << at << " " << f;
            }
        }
    }
    // Every <element> of the answer to line with its fields (values as written).
    std::vector<Resource> list(const std::string& line, const std::string& element) const {
        const std::string xml = xcli(line).out;
        std::vector<Resource> out;
        const std::regex field("<(\\w+) value=\"([^\"]*)\"");
        const std::string open = "<" + element + ">", close = "</" + element + ">";
        for (auto p = xml.find(open); p != std::string::npos; p = xml.find(open, p + 1)) {
            std::string body = xml.substr(p, xml.find(close, p) - p);
            Resource r;
            for (std::sregex_iterator f(body.begin(), body.end(), field), end; f != end; ++f)
                r[f->str(1)] = f->str(2);
            out.push_back(r);
        }
        return out;
    }
    Resource volume(const std::string& name) const {
        auto all = list("vol_list vol=" + name, "volume");
        return all.empty() ? Resource{} : all.front();
    }

    TempDir dir_{"sim-tests"};
    std::unique_ptr<HostWorld> world_;
    ScopedEnv state_, disks_{"ZRSO_SIM_DISKS", dir_.file("disks")};
};

const std::string kAddr = HostWorld::kAddress;

TEST_F(Simulator, LoginsUsageOperationsArgumentsAndConfirmation) { runScript("command-line.txt"); }

// Arguments are kept as received, an empty one too; a password from the
// environment is flagged, never shown.
TEST_F(Simulator, RunsAreRecordedExactlyWithoutAnEnvironmentPassword) {
    admin("runs --clear");
    ScopedEnv env("XIV_XCLIPASSWORD", "hidden");
    xcli("", {"-u", "admin", "-m", kAddr, "-y", "-x", "vol_list", "vol=a b\tc", ""});
    std::string runs = admin("runs" + kAt);
    EXPECT_NE(std::string::npos, runs.find("\t" + kAddr + "\tvol_list\tvol=a b\\tc\tenv\t"));
    EXPECT_NE(std::string::npos,
              runs.find("\t-u\tadmin\t-m\t" + kAddr + "\t-y\t-x\tvol_list\tvol=a b\\tc\t\n"));
    EXPECT_EQ(std::string::npos, runs.find("hidden"));
    EXPECT_EQ(0, RunProgram({BuiltProgram("xcli"), "--sim", "runs", "--clear"}).status)
        << "xcli --sim is the admin tool";
    EXPECT_EQ("", admin("runs"));
}

TEST_F(Simulator, SizesSpaceRefusalsAndFilters) { runScript("volumes.txt"); }

TEST_F(Simulator, WwnsGivenOrRefusedAndValuesEscapedInBothForms) { runScript("wwns.txt"); }

TEST_F(Simulator, SnapshotsAndGroups) {
    runScript("snapshots.txt");
    auto s = volume("sg2.v2"), d = volume("d1");
    EXPECT_FALSE(s["snapshot_time"].empty());
    EXPECT_NE(volume("v1")["wwn"], s["wwn"]);
    EXPECT_NE("", s["snapshot_serial"]);
    EXPECT_NE(s["snapshot_serial"], d["snapshot_serial"]);
}

TEST_F(Simulator, SnapshotReserveLimitsSnapshotsOfWrittenData) {
    runScript("snapshot-reserve.txt");
}

TEST_F(Simulator, HostsPortsAndMappings) { runScript("hosts.txt"); }

TEST_F(Simulator, FaultsAnswerTheirStatusForTheirCountAndOperation) {
    runScript("faults.txt");
    EXPECT_ANY_THROW(admin("fault --address 10.0.0.99 --kind garbage"));
    admin("fault" + kAt + "--kind truncate --bytes 30");
    EXPECT_EQ(30u, xcli("vol_create vol=v1 size=17 pool=p").out.size());
    EXPECT_EQ("v1", volume("v1")["name"]) << "the command itself ran";
}

// The second vol_create does its work, then waits until released; the admin
// tool names the held run.
TEST_F(Simulator, HoldKeepsTheNthRunAfterItsWorkUntilReleased) {
    admin("hold" + kAt + "--op vol_create --nth 2");
    EXPECT_EQ("SUCCESS", status("host_list"));
    EXPECT_EQ("SUCCESS", status("vol_create vol=v1 size=17 pool=p"));
    EXPECT_ANY_THROW(admin("held" + kAt + "--seconds 0"));
    auto second =
        std::async(std::launch::async, [&] { return xcli("vol_create vol=v2 size=17 pool=p"); });
    // Run with close-on-exec pipes, which the held xcli must not inherit.
    std::string held = RunProgram({BuiltProgram("xcli-sim"), "held", "--address",
                                   HostWorld::kAddress, "--seconds", "60"})
                           .out;
    EXPECT_NE(held.find("\tvol_create\tvol=v2 size=17 pool=p\n"), std::string::npos) << held;
    EXPECT_EQ("v2", volume("v2")["name"]) << "done before the answer";
    admin("release" + kAt);
    EXPECT_EQ("SUCCESS", statusOf(second.get().out));
    EXPECT_EQ("SUCCESS", status("vol_create vol=v3 size=17 pool=p"));
}

TEST_F(Simulator, RacingClientsNeverBothGetWhatOnlyOneCanHave) {
    constexpr int kClients = 12, kRoom = 5;  // volumes of 17 GB that fit in p2
    ASSERT_EQ("SUCCESS", status("host_define host=h1"));
    admin("pool-create" + kAt + "--pool p2 --size-gb 85");
    std::vector<std::string> maps, creates;
    for (int i = 0; i < kClients; ++i) {
        std::string v = "v" + std::to_string(i);
        ASSERT_EQ("SUCCESS", status("vol_create size=17 pool=p vol=" + v));
        maps.push_back("map_vol host=h1 lun=7 vol=" + v);
        creates.push_back("vol_create size=17 pool=p2 vol=n" + std::to_string(i));
    }
    const struct {
        const std::vector<std::string>& commands;
        int winners;
        std::string losers;
    } cases[] = {{maps, 1, "LUN_ALREADY_IN_USE"}, {creates, kRoom, "NOT_ENOUGH_SPACE"}};
    for (const auto& c : cases) {
        std::vector<std::future<HostRun>> runs;
        for (const auto& line : c.commands)
            runs.push_back(std::async(std::launch::async, [this, line] { return xcli(line); }));
        std::map<std::string, int> seen;
        for (auto& r : runs) ++seen[statusOf(r.get().out)];
        EXPECT_EQ(c.winners, seen["SUCCESS"]) << c.losers;
        EXPECT_EQ(kClients - c.winners, seen[c.losers]) << c.losers;
    }
    // What the winners made is whole: one mapping at LUN 7, distinct serials.
    auto mappings = list("mapping_list host=h1", "mapping");
    ASSERT_EQ(1u, mappings.size());
    EXPECT_EQ("7", mappings[0]["lun"]);
    std::set<std::string> serials;
    for (auto& v : list("vol_list", "volume")) serials.insert(v["serial"]);
    EXPECT_EQ(static_cast<size_t>(kClients + kRoom), serials.size());
}

const char* kPort = "21:00:00:24:ff:3a:bc:01";

// Ports see their host's mappings; exported to the disk catalog they keep
// their names (xiv_devlist over them is read end to end by the identity tests).

TEST_F(Simulator, PortsSeeTheirHostsMappingsAsDisksThatKeepTheirNames) {
    runScript("disk-export.txt");
    auto seen = admin("disks --ports 10000000C9AAAAAA,21000024FF3ABC01");
    // lun, wwn, serial, hex serial, target port, volume, bytes, address, host object
    EXPECT_NE(std::string::npos, seen.find("2\t" + volume("v2")["wwn"] +
                                           "\t1310133\t1302795\t5001738027950140\tv2\t"
                                           "17179869184\t" +
                                           HostWorld::kAddress + std::string("\tme\n")));
    EXPECT_EQ(3, std::count(seen.begin(), seen.end(), '\n'));
    EXPECT_EQ("", admin("disks --ports 10000000C9AAAAAA"));

    const std::string catalog = dir_.file("disks"),
                      exportDisks =
                          std::string("export-disks --ports ") + kPort + " --catalog " + catalog;
    EXPECT_EQ(0u, admin(exportDisks).find("xivd1\t1\t"));
    std::string disk2 = ReadFileText(catalog + "/xivd2.disk");
    for (std::string line :
         {"vendor=IBM\n", "product=2810XIV\n", "serial=1302795", "seen_by=21000024FF3ABC01\n"})
        EXPECT_NE(std::string::npos, disk2.find(line)) << line;
    EXPECT_NE(std::string::npos, disk2.find("naa=" + volume("v2")["wwn"] + "\n"));
    // Someone else's disk in the catalog is left alone; unmapped disks go.
    dir_.write("disks/sda.disk", "vendor=ATA\nproduct=DISK\nnaa=5000C500A1B2C3D4\n");
    runScript("disk-remap.txt");
    admin(exportDisks);
    EXPECT_EQ("", ReadFileText(catalog + "/xivd1.disk"));
    EXPECT_EQ(disk2, ReadFileText(catalog + "/xivd2.disk"));
    EXPECT_NE(std::string::npos, ReadFileText(catalog + "/xivd4.disk").find("volume=v4\n"));
    EXPECT_NE(std::string::npos, ReadFileText(catalog + "/sda.disk").find("vendor=ATA"));
}

}  // namespace
