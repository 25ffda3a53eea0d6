// What the admin tool adds to the array: faults and holds, and the disks that
// initiator ports see; and concurrent xcli runs, each one transaction.
#include <future>
#include <set>

#include "SimFixture.h"

namespace simtest {
namespace {

using SimFaults = SimTest;

TEST_F(SimFaults, FaultsAnswerTheirStatusForTheirCountAndOperation) {
    runScript("faults.txt");
    EXPECT_ANY_THROW(admin("fault --address 10.0.0.99 --kind garbage"));
    admin("fault" + kAt + "--kind truncate --bytes 30");
    EXPECT_EQ(30u, xcli("vol_create vol=v1 size=17 pool=p").out.size());
    EXPECT_EQ("v1", volume("v1")["name"]) << "the command itself ran";
    // A banner around the answer leaves the XML whole between text.
    admin("fault" + kAt + "--kind banner");
    auto wrapped = xcli("host_list").out;
    auto start = wrapped.find("<XCLIRETURN"), end = wrapped.find("</XCLIRETURN>");
    ASSERT_NE(std::string::npos, end);
    EXPECT_GT(start, 0u);
    EXPECT_GT(wrapped.size(), end + 14);
    EXPECT_EQ("SUCCESS", statusOf(wrapped));
}

// The second vol_create does its work, then waits until released; the admin
// tool names the held run.
TEST_F(SimFaults, HoldKeepsTheNthRunAfterItsWorkUntilReleased) {
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

using SimConcurrentRuns = SimTest;

TEST_F(SimConcurrentRuns, RacingClientsNeverBothGetWhatOnlyOneCanHave) {
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
using SimDiskExport = SimTest;

TEST_F(SimDiskExport, PortsSeeTheirHostsMappingsAsDisksThatKeepTheirNames) {
    admin("host-create" + kAt + "--host me --fc " + kPort);
    for (auto v : {"v1", "v2", "v3"}) {
        admin("vol-create" + kAt + "--pool p --size-gb 17 --vol " + v);
        admin("map" + kAt + "--host me --vol " + v);
    }
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
    ASSERT_EQ("SUCCESS", status("unmap_vol host=me vol=v1"));
    ASSERT_EQ("SUCCESS", status("vol_create vol=v4 size=17 pool=p"));
    ASSERT_EQ("SUCCESS", status("map_vol host=me vol=v4 lun=9"));
    admin(exportDisks);
    EXPECT_EQ("", ReadFileText(catalog + "/xivd1.disk"));
    EXPECT_EQ(disk2, ReadFileText(catalog + "/xivd2.disk"));
    EXPECT_NE(std::string::npos, ReadFileText(catalog + "/xivd4.disk").find("volume=v4\n"));
    EXPECT_NE(std::string::npos, ReadFileText(catalog + "/sda.disk").find("vendor=ATA"));
}

}  // namespace
}  // namespace simtest
