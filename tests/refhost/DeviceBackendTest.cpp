// This machine's disks: sysfs on a real host (on a tree of the test's own),
// the simulated catalog otherwise.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "refhost/DiskCatalog.h"
#include "refhost/RefhostTestSupport.h"
#include "refhost/SimulatedDevices.h"
#include "refhost/SysfsDevices.h"

using namespace refhost;
using refhost_test::readFile;
using refhost_test::TestDir;
using refhost_test::writeFile;

namespace {

void mkdirs(const std::string& path) {
    std::string partial;
    for (size_t pos = 1; pos != std::string::npos; pos = path.find('/', pos + 1)) {
        partial = path.substr(0, path.find('/', pos));
        ::mkdir(partial.c_str(), 0755);
    }
    ::mkdir(path.c_str(), 0755);
}

void addBlockDevice(const TestDir& sys, const std::string& name, const std::string& vendor) {
    std::string dir = sys / ("block/" + name + "/device");
    mkdirs(dir);
    if (!vendor.empty()) writeFile(dir + "/vendor", vendor + "\n");
    writeFile(dir + "/delete", "");
}

}  // namespace

TEST(SysfsDevices, ListsScsiDisksOfTheVendorIgnoringPadding) {
    TestDir sys;
    addBlockDevice(sys, "sdb", "IBM     ");
    addBlockDevice(sys, "sda", "ATA     ");
    addBlockDevice(sys, "sdc", "IBM");
    addBlockDevice(sys, "loop0", "");  // no vendor: not a SCSI disk
    SysfsDevices devices(sys.path());
    EXPECT_EQ(devices.listDevices("IBM"), (std::vector<std::string>{"/dev/sdb", "/dev/sdc"}));
    EXPECT_EQ(devices.listDevices("").size(), 3u);
    EXPECT_TRUE(devices.listDevices("HP").empty());
}

TEST(SysfsDevices, RescanDeletesHandedDevicesAndScansEveryHost) {
    TestDir sys;
    addBlockDevice(sys, "sdb", "IBM");
    addBlockDevice(sys, "sdc", "IBM");
    for (const char* host : {"host0", "host1"}) {
        mkdirs(sys / (std::string("class/scsi_host/") + host));
        writeFile(sys / (std::string("class/scsi_host/") + host + "/scan"), "");
    }
    writeFile(sys / "class/scsi_host/host1/proc_name", "qla2xxx\n");
    SysfsDevices devices(sys.path());
    EXPECT_EQ(devices.scsiHosts(), (std::vector<std::string>{"host0", "host1 (qla2xxx)"}));
    devices.rescan({"/dev/sdb", "sdz"}, {});
    EXPECT_EQ(readFile(sys / "block/sdb/device/delete"), "1");
    EXPECT_EQ(readFile(sys / "block/sdc/device/delete"), "");
    for (const char* host : {"host0", "host1"})
        EXPECT_EQ(readFile(sys / (std::string("class/scsi_host/") + host + "/scan")), "- - -");

    // A handed name that would leave the block directory is refused.
    writeFile(sys / "victim", "keep");
    mkdirs(sys / "block/x");
    EXPECT_THROW(devices.rescan({"/dev/../victim", "../../victim"}, {}), std::runtime_error);
    EXPECT_EQ(readFile(sys / "victim"), "keep");
}

TEST(SysfsDevices, DiscoversFibreChannelPortsAndTheIscsiName) {
    TestDir sys;
    mkdirs(sys / "class/fc_host/host3");
    writeFile(sys / "class/fc_host/host3/port_name", "0x10000000c9a0e001\n");
    writeFile(sys / "initiatorname.iscsi",
              "## generated\nInitiatorName=iqn.1994-05.com.redhat:abc\n");
    auto ports = SysfsDevices(sys.path()).discoverInitiators(sys / "initiatorname.iscsi");
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].name, "10000000C9A0E001");
    EXPECT_EQ(ports[0].display(), "10:00:00:00:C9:A0:E0:01");
    EXPECT_TRUE(ports[1].iscsi());
    EXPECT_EQ(ports[1].name, "iqn.1994-05.com.redhat:abc");
}

TEST(SimulatedDevices, ListsCatalogDisksOfTheVendor) {
    TestDir dir;
    writeFile(dir / "xivd1.disk", "vendor=IBM     \nproduct=2810XIV         \nnaa=6001738000\n");
    writeFile(dir / "other1.disk", "vendor=HP\n");
    writeFile(dir / "notes.txt", "vendor=IBM\n");
    writeFile(dir / "bad name.disk", "vendor=IBM\n");
    SimulatedDevices devices(SimAdmin(dir / "nobin", dir / "state"), dir.path());
    EXPECT_EQ(devices.listDevices("IBM"), std::vector<std::string>{"/dev/xivd1"});
    EXPECT_EQ(devices.listDevices("").size(), 2u);

    // No port sees anything: the rescan empties the catalog without asking
    // the simulator (which is not there).
    devices.rescan({}, {});
    EXPECT_TRUE(devices.listDevices("").empty());
}

TEST(DiskCatalog, DeviceNamesAreReducedToPlainBaseNames) {
    EXPECT_EQ(deviceBaseName("/dev/sdb"), "sdb");
    EXPECT_EQ(deviceBaseName("xivd3"), "xivd3");
    for (const char* bad : {"/dev/../etc/passwd", "..", "/dev/", "a b"})
        EXPECT_EQ(deviceBaseName(bad), "") << bad;
}
