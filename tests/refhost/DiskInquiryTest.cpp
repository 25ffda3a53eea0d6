// What the host reads from its disks for `disks`: the logical unit's NAA
// name from identification pages of every shape, and the identity of a disk
// through the runtime's device tree.
#include <gtest/gtest.h>

#include <vector>

#include "SimDisks.h"
#include "refhost/DiskInquiry.h"

using namespace refhost;

TEST(DiskInquiry, LogicalUnitNaaIsFoundWithinThePageOnly) {
    const std::vector<unsigned char> naa = {0x01, 0x03, 0x00, 0x08, 0x50, 0x01,
                                            0x73, 0x80, 0x02, 0x79, 0x50, 0xA1};
    const std::vector<unsigned char> ascii = {0x02, 0x00, 0x00, 0x04, 'd', 'i', 's', 'k'};
    const std::vector<unsigned char> portNaa = {0x61, 0x93, 0x00, 0x08, 0x50, 0, 0, 0, 0, 0, 0, 1};
    struct Case {
        const char* what;
        std::vector<std::vector<unsigned char>> descriptors;
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
        {"a descriptor claiming more than the page",
         {{0x02, 0x00, 0x00, 0xF0, 'x'}, naa},
         0,
         0,
         ""},
        {"no descriptor", {}, 0, 0, ""},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> page = {0x00, 0x83, 0x00, 0x00};
        for (const auto& d : c.descriptors) page.insert(page.end(), d.begin(), d.end());
        int length = static_cast<int>(page.size()) - 4 + c.pageLengthDelta;
        page[2] = static_cast<unsigned char>(length >> 8);
        page[3] = static_cast<unsigned char>(length);
        std::vector<unsigned char> buffer(page);
        buffer.resize(512, 0xEE);  // beyond the transfer: never read
        unsigned int transferred = static_cast<unsigned int>(page.size() + c.transferredDelta);
        EXPECT_EQ(logicalUnitNaa(buffer.data(), transferred), c.expected) << c.what;
    }
    EXPECT_EQ(logicalUnitNaa(naa.data(), 3), "");
}

TEST(DiskInquiry, DisksTellVendorProductArraySerialsAndNaa) {
    SimDisks disks;
    DiskIdentity xiv =
        identifyDisk(disks.add("xivd1", SimDisks::Xiv("13027950a1", "50017380027950A1")));
    EXPECT_EQ(xiv.vendor, "IBM");
    EXPECT_EQ(xiv.product, "2810XIV");
    EXPECT_EQ(xiv.unitSerial, "13027950a1");
    EXPECT_EQ(xiv.arraySerial, "1310133");
    EXPECT_EQ(xiv.arrayHexSerial, "1302795");
    EXPECT_EQ(xiv.naa, "50017380027950A1");
    EXPECT_EQ(xiv.problem, "");

    SimDisk other;
    other.vendor = "HP";
    other.product = "HSV300";
    other.serial = "1302795";
    other.naa = "600508B4000000000000000000000001";
    DiskIdentity hp = identifyDisk(disks.add("hpd1", other));
    EXPECT_EQ(hp.arraySerial, "");  // only an XIV volume's serial names an array
    EXPECT_EQ(hp.naa, other.naa);

    SimDisk broken = SimDisks::Xiv("XYZ");
    broken.extra["fail"] = "vpd83";
    DiskIdentity bad = identifyDisk(disks.add("xivd2", broken));
    EXPECT_EQ(bad.arraySerial, "");
    EXPECT_EQ(bad.naa, "");
    EXPECT_NE(bad.problem.find("no array serial"), std::string::npos) << bad.problem;
    EXPECT_NE(bad.problem.find("no NAA name"), std::string::npos) << bad.problem;

    EXPECT_NE(identifyDisk("/dev/zrso-no-such-disk").problem, "");
    EXPECT_NE(deviceMissing("/dev/zrso-no-such-disk"), "");
    EXPECT_EQ(deviceMissing("/dev/xivd1"), "");
    EXPECT_FALSE(diskGone("/dev/xivd1"));  // answers: not gone
}
