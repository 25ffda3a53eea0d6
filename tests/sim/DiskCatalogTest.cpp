// What initiator ports see, the simulated disk catalog and xiv_devlist.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "SimHarness.h"

namespace simtest {
namespace {

const char* kPort = "21:00:00:24:ff:3a:bc:01";
const char* kPortNorm = "21000024FF3ABC01";

class SimDiskExport : public SimWorld {
protected:
    void SetUp() override {
        SimWorld::SetUp();
        for (auto v : {"v1", "v2", "v3"})
            ASSERT_EQ(0, admin({"vol-create", "--address", "xiv-a", "--pool", "p1", "--vol", v,
                                "--size-gb", "17"})
                             .code);
        ASSERT_EQ(0,
                  admin({"host-create", "--address", "xiv-a", "--host", "me", "--fc", kPort}).code);
        for (auto v : {"v1", "v2", "v3"})
            ASSERT_EQ(0, admin({"map", "--address", "xiv-a", "--host", "me", "--vol", v}).code);
    }

    std::string catalog() const { return dir_.file("disks"); }
    std::string read(const std::string& name) const {
        std::ifstream in(catalog() + "/" + name + ".disk");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    RunResult exportDisks() {
        return admin({"export-disks", "--ports", kPort, "--catalog", catalog()});
    }
};

TEST_F(SimDiskExport, PortsSeeTheirHostsMappings) {
    auto out = admin({"disks", "--ports", std::string("10000000C9AAAAAA,") + kPortNorm}).out;
    std::string wwn = volume("v2")["wwn"];
    // lun, wwn, serial, hex serial, target port, volume, bytes, address, host object
    EXPECT_NE(std::string::npos, out.find("2\t" + wwn +
                                          "\t1310133\t1302795\t5001738027950140\tv2\t"
                                          "17179869184\txiv-a\tme\n"));
    EXPECT_EQ(3, std::count(out.begin(), out.end(), '\n'));
    EXPECT_EQ("", admin({"disks", "--ports", "10000000C9AAAAAA"}).out);
}

TEST_F(SimDiskExport, ExportKeepsNamesAndDropsUnmappedDisks) {
    auto first = exportDisks();
    ASSERT_EQ(0, first.code);
    EXPECT_EQ(0u, first.out.find("xivd1\t1\t"));
    std::string disk2 = read("xivd2");
    EXPECT_NE(std::string::npos, disk2.find("vendor=IBM\n"));
    EXPECT_NE(std::string::npos, disk2.find("product=2810XIV\n"));
    EXPECT_NE(std::string::npos, disk2.find("serial=1302795"));
    EXPECT_NE(std::string::npos, disk2.find("naa=" + volume("v2")["wwn"] + "\n"));
    EXPECT_NE(std::string::npos, disk2.find("seen_by=" + std::string(kPortNorm) + "\n"));

    // Someone else's disk in the catalog is left alone.
    std::ofstream(catalog() + "/sda.disk") << "vendor=ATA\nproduct=DISK\nnaa=5000C500A1B2C3D4\n";
    ASSERT_EQ("SUCCESS", status({"unmap_vol", "host=me", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v4", "size=17", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"map_vol", "host=me", "vol=v4", "lun=9"}));
    ASSERT_EQ(0, exportDisks().code);
    EXPECT_EQ("", read("xivd1"));
    EXPECT_EQ(disk2, read("xivd2"));
    EXPECT_NE(std::string::npos, read("xivd4").find("volume=v4\n"));
    EXPECT_NE(std::string::npos, read("sda").find("vendor=ATA"));
}

TEST_F(SimDiskExport, DevlistListsCatalogDisksWithArrayNames) {
    ASSERT_EQ(0, exportDisks().code);
    auto r = runProgram("xiv_devlist", {"--out", "csv", "--xiv-only", "-u", "GB"});
    ASSERT_EQ(0, r.code);
    std::istringstream lines(r.out);
    std::string header, row;
    std::getline(lines, header);
    EXPECT_EQ("device,size (gb),paths,vol name,vol id,xiv id,xiv host", header);
    std::getline(lines, row);
    EXPECT_EQ("/dev/xivd1,17,1/1,v1," + volume("v1")["serial"] + ",1310133,me", row);
    // The name comes from the array, not from the catalog.
    EXPECT_EQ("VOLUME_IS_MAPPED", status({"vol_delete", "vol=v3"}));
    ASSERT_EQ("SUCCESS", status({"unmap_vol", "host=me", "vol=v3"}));
    ASSERT_EQ("SUCCESS", status({"vol_delete", "vol=v3"}));
    auto after = runProgram("xiv_devlist", {"--out", "csv", "--xiv-only"}).out;
    EXPECT_EQ(std::string::npos, after.find(",v3,"));
    EXPECT_NE(std::string::npos, after.find("/dev/xivd2,17,1/1,v2,"));
}

}  // namespace
}  // namespace simtest
