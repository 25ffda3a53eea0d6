// This machine's disks as the host finds and reads them (sysfs on a real
// machine, on a tree of the test's own; the simulated catalog otherwise), and
// the texts the host checks before they reach a command or the plug-in.
#include <gtest/gtest.h>

#include <filesystem>

#include "SimDisks.h"
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
    using Bytes = std::vector<unsigned char>;
    const Bytes naa = {0x01, 0x03, 0x00, 0x08, 0x50, 0x01, 0x73, 0x80, 0x02, 0x79, 0x50, 0xA1};
    const Bytes ascii = {0x02, 0x00, 0x00, 0x04, 'd', 'i', 's', 'k'};
    const Bytes portNaa = {0x61, 0x93, 0x00, 0x08, 0x50, 0, 0, 0, 0, 0, 0, 1};
    const Bytes overlong = {0x02, 0x00, 0x00, 0xF0, 'x'};
    const struct {
        const char* what;
        std::vector<Bytes> descriptors;
        int pageLengthDelta;   // added to the true page length
        int transferredDelta;  // added to the true page size
        const char* expected;
    } cases[] = {
        {"NAA first", {naa}, 0, 0, "50017380027950A1"},
        {"after an ASCII and a target port designator",
         {ascii, portNaa, naa},
         0,
         0,
         "50017380027950A1"},
        {"none of the logical unit", {ascii, portNaa}, 0, 0, ""},
        {"cut by the transfer", {naa}, 0, -1, ""},
        {"cut by the page length", {naa}, -1, 0, ""},
        {"page length beyond the transfer", {naa}, 200, 0, "50017380027950A1"},
        {"a descriptor claiming more than the page", {overlong, naa}, 0, 0, ""},
        {"no descriptor", {}, 0, 0, ""},
    };
    for (const auto& c : cases) {
        Bytes page = {0x00, 0x83, 0x00, 0x00};
        for (const auto& d : c.descriptors) page.insert(page.end(), d.begin(), d.end());
        int length = static_cast<int>(page.size()) - 4 + c.pageLengthDelta;
        page[2] = static_cast<unsigned char>(length >> 8);
        page[3] = static_cast<unsigned char>(length);
        Bytes buffer(page);
        buffer.resize(512, 0xEE);  // beyond the transfer: never read
        EXPECT_EQ(logicalUnitNaa(buffer.data(),
                                 static_cast<unsigned int>(page.size() + c.transferredDelta)),
                  c.expected)
            << c.what;
    }
    EXPECT_EQ(logicalUnitNaa(naa.data(), 3), "");
}

TEST(DiskInquiry, DisksTellVendorProductArraySerialsAndNaa) {
    SimDisks disks;
    DiskIdentity xiv =
        identifyDisk(disks.add("xivd1", SimDisks::Xiv("13027950a1", "50017380027950A1")));
    EXPECT_EQ(xiv.vendor + " " + xiv.product + " " + xiv.unitSerial, "IBM 2810XIV 13027950a1");
    EXPECT_EQ(xiv.arraySerial + " " + xiv.arrayHexSerial + " " + xiv.naa,
              "1310133 1302795 50017380027950A1");
    EXPECT_EQ(xiv.problem, "");
    ::SimDisk other;
    other.vendor = "HP";
    other.serial = "1302795";
    other.naa = "600508B4000000000000000000000001";
    DiskIdentity hp = identifyDisk(disks.add("hpd1", other));
    EXPECT_EQ(hp.arraySerial, "") << "only an XIV volume's serial names an array";
    EXPECT_EQ(hp.naa, other.naa);
    ::SimDisk broken = SimDisks::Xiv("XYZ");
    broken.extra["fail"] = "vpd83";
    DiskIdentity bad = identifyDisk(disks.add("xivd2", broken));
    EXPECT_EQ(bad.arraySerial + bad.naa, "");
    EXPECT_NE(bad.problem.find("no array serial"), std::string::npos) << bad.problem;
    EXPECT_NE(bad.problem.find("no NAA name"), std::string::npos) << bad.problem;
    EXPECT_NE(deviceMissing("/dev/zrso-no-such-disk"), "");
    EXPECT_EQ(deviceMissing("/dev/xivd1"), "");
    EXPECT_FALSE(diskGone("/dev/xivd1"));
}

TEST(HostText, SerialsSizesAndValuesAreCheckedBeforeUse) {
    for (auto [decimal, hex] :
         {std::pair<const char*, const char*>{"1310133", "1302795"}, {"7800001", "7800001"}}) {
        EXPECT_EQ(hexSerial(decimal), hex);
        EXPECT_TRUE(serialMatches(decimal, hex)) << decimal;
    }
    EXPECT_TRUE(serialMatches("1343981", "130abcd"));  // hex compared without case
    EXPECT_EQ(decimalSerial("130abcd"), "1343981");
    for (const char* bad : {"131013", "13a0133"}) EXPECT_EQ(hexSerial(bad), "") << bad;
    for (const char* bad : {"1A02795", "130279G", "130279", "13027950"})
        EXPECT_EQ(decimalSerial(bad), "") << bad;
    EXPECT_FALSE(serialMatches("1310133", "10133"));
    EXPECT_FALSE(serialMatches("1310133", ""));

    EXPECT_EQ(parseSize("17gib"), 17LL << 30);
    EXPECT_EQ(parseSize("512M"), 512LL << 20);
    EXPECT_EQ(parseSize("1073741823"), (1LL << 30) - 1);
    for (const char* bad : {"5X", "-1G", "99999999999T"})
        EXPECT_THROW(parseSize(bad), UsageError) << bad;

    // Values the plug-in's attribute strings could not carry are refused.
    EXPECT_EQ(attributeValueProblem("Plain-Value_1.x:y"), "");
    for (const char* bad : {"a,b", "a}b", "a{b", "a\"b", "a\\b", "a/b", "a\nb"})
        EXPECT_NE(attributeValueProblem(bad), "") << bad;
    EXPECT_EQ(parseInitiator("fc", "21:00:00:1b:32:a0:d0:01").name, "2100001B32A0D001");
    for (auto [type, name] : {std::pair<const char*, const char*>{"fc", "2100001B32A0D0"},
                              {"fc", "2100001B32A0D0ZZ"},
                              {"iscsi", "iqn.a,b"},
                              {"sas", "x"}})
        EXPECT_THROW(parseInitiator(type, name), std::invalid_argument) << type << " " << name;

    // Service answers count the terminating NUL.
    char buf[4];
    EXPECT_EQ(replyService("abc", buf, 4), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(replyService("abcd", buf, 4), 5);
    EXPECT_EQ(replyService(std::string(40000, 'x'), buf, 4), kServiceTooLong);
    EXPECT_EQ(replyService(std::string(40000, 'x'), nullptr, 0, 1 << 20), 40001);
}
