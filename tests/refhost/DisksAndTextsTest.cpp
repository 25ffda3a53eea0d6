// This machine's disks as the host finds and reads them (sysfs on a real
// machine, on a tree of the test's own; the simulated catalog otherwise), and
// the texts the host checks before they reach a command or the plug-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "TempDir.h"
#include "TestData.h"
#include "refhost/ArraySerial.h"
#include "refhost/AttributeText.h"
#include "refhost/BufferReply.h"
#include "refhost/CommandArgs.h"
#include "refhost/DiskInquiry.h"
#include "refhost/HostTopology.h"
#include "refhost/SimulatedDevices.h"
#include "refhost/SysfsDevices.h"

using namespace refhost;

TEST(SysfsDevices, ListsRescansAndDiscoversWithoutLeavingTheTree) {
    TempDir sys("sysfs");
    std::filesystem::copy(TestDataPath("sysfs"), sys.path(),
                          std::filesystem::copy_options::recursive);
    SysfsDevices devices(sys.path());
    EXPECT_EQ(devices.listDevices("IBM"), (std::vector<std::string>{"/dev/sdb", "/dev/sdc"}));
    EXPECT_EQ(devices.listDevices("").size(), 3u);
    EXPECT_EQ(devices.scsiHosts(), (std::vector<std::string>{"host0", "host1 (qla2xxx)"}));
    devices.rescan({"/dev/sdb", "sdz"}, {});
    EXPECT_EQ(ReadFileText(sys.file("block/sdb/device/delete")), "1");
    EXPECT_EQ(ReadFileText(sys.file("block/sdc/device/delete")), "");
    for (const char* host : {"host0", "host1"})
        EXPECT_EQ(ReadFileText(sys.file(std::string("class/scsi_host/") + host + "/scan")),
                  "- - -");
    EXPECT_THROW(devices.rescan({"/dev/../victim", "../../victim"}, {}), std::runtime_error);
    EXPECT_EQ(ReadFileText(sys.file("victim")), "keep");

    auto ports = devices.discoverInitiators(sys.file("initiatorname.iscsi"));
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].display(), "10:00:00:00:C9:A0:E0:01");
    EXPECT_TRUE(ports[1].iscsi());
    EXPECT_EQ(ports[1].name, "iqn.1994-05.com.redhat:abc");
}

TEST(SimulatedDevices, ListsCatalogDisksOfTheVendorAndEmptiesWhenNoPortSees) {
    TempDir dir("catalog");
    dir.write("xivd1.disk", "vendor=IBM     \nproduct=2810XIV         \nnaa=6001738000\n");
    dir.write("other1.disk", "vendor=HP\n");
    dir.write("notes.txt", "vendor=IBM\n");
    dir.write("bad name.disk", "vendor=IBM\n");
    SimulatedDevices devices(SimAdmin(dir.file("nobin"), dir.file("state")), dir.path());
    EXPECT_EQ(devices.listDevices("IBM"), std::vector<std::string>{"/dev/xivd1"});
    EXPECT_EQ(devices.listDevices("").size(), 2u);
    devices.rescan({}, {});  // without asking the simulator, which is not there
    EXPECT_TRUE(devices.listDevices("").empty());
}

TEST(DiskInquiry, LogicalUnitNaaIsFoundWithinThePageOnly) {
    for (const auto& c : TestTable("refhost/naa-pages.txt")) {
        std::vector<unsigned char> page(512, 0xEE);
        std::istringstream words(c[2]);
        std::size_t at = 0;
        for (std::string w; words >> w;)
            for (std::size_t i = 0; i < w.size(); i += 2)
                page.at(at++) = static_cast<unsigned char>(std::stoi(w.substr(i, 2), nullptr, 16));
        EXPECT_EQ(logicalUnitNaa(page.data(), std::stoul(c[0])), c[1] == "-" ? "" : c[1]) << c[2];
    }
}

TEST(DiskInquiry, DisksTellVendorProductArraySerialsAndNaa) {
    ScopedEnv catalog("ZRSO_SIM_DISKS", TestDataPath("simdisk"));
    for (const auto& c : TestTable("refhost/identities.txt")) {
        DiskIdentity d = identifyDisk(c[0]);
        EXPECT_EQ((std::vector<std::string>{d.vendor, d.product, d.unitSerial, d.arraySerial,
                                            d.arrayHexSerial, d.naa}),
                  std::vector<std::string>(c.begin() + 1, c.begin() + 7));
        for (auto part = c.begin() + 7; part != c.end(); ++part) {
            EXPECT_EQ(*part == "-", d.problem.empty()) << c[0] << ": " << d.problem;
            EXPECT_TRUE(*part == "-" || d.problem.find(*part) != std::string::npos) << *part;
        }
    }
    EXPECT_NE(deviceMissing("/dev/zrso-no-such-disk"), "");
    EXPECT_EQ(deviceMissing("/dev/xivd1"), "");
    EXPECT_FALSE(diskGone("/dev/xivd1"));
}

TEST(HostText, SerialsSizesAndValuesAreCheckedBeforeUse) {
    using Args = std::vector<std::string>;
    const std::map<std::string, std::function<std::string(const Args&)>> call = {
        {"hexSerial", [](const Args& a) { return hexSerial(a.at(0)); }},
        {"decimalSerial", [](const Args& a) { return decimalSerial(a.at(0)); }},
        {"serialMatches",
         [](const Args& a) { return serialMatches(a.at(0), a.at(1)) ? "yes" : "no"; }},
        {"parseSize", [](const Args& a) { return std::to_string(parseSize(a.at(0))); }},
        {"attributeValue",
         [](const Args& a) { return attributeValueProblem(a.at(0)).empty() ? "" : "!"; }},
        {"parseInitiator", [](const Args& a) { return parseInitiator(a.at(0), a.at(1)).name; }},
    };
    for (const auto& c : TestTable("refhost/texts.txt")) {
        std::string answer;
        try {
            answer = call.at(c[0])(Args(c.begin() + 1, c.end() - 1));
        } catch (const std::invalid_argument&) {
            answer = "!";
        } catch (const UsageError&) {
            answer = "usage error";
        }
        EXPECT_EQ(answer.empty() ? "-" : answer, c.back()) << c[0] << " " << c[1];
    }
    EXPECT_NE(attributeValueProblem("a\nb"), "");

    // Service answers count the terminating NUL.
    char buf[4];
    EXPECT_EQ(replyService("abc", buf, 4), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(replyService("abcd", buf, 4), 5);
    EXPECT_EQ(replyService(std::string(40000, 'x'), buf, 4), kServiceTooLong);
    EXPECT_EQ(replyService(std::string(40000, 'x'), nullptr, 0, 1 << 20), 40001);
}
