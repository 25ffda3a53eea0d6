// The host service object: array list and info with their size answers,
// the cipher on the way, initiators and ESX datastore disks.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostServices.h"
#include "refhost/HostTopology.h"
#include "refhost/RefhostTestSupport.h"

using namespace refhost;
using refhost_test::TestDir;

namespace {

struct FakeDisks : DeviceBackend {
    std::vector<std::string> devices;
    std::vector<std::string> removed;
    std::vector<Initiator> rescannedWith;
    std::vector<std::string> listDevices(const std::string& vendor) override {
        return vendor == "IBM" || vendor.empty() ? devices : std::vector<std::string>();
    }
    void rescan(const std::vector<std::string>& remove,
                const std::vector<Initiator>& ports) override {
        removed = remove;
        rescannedWith = ports;
    }
};

class HostServicesTest : public ::testing::Test {
protected:
    HostServicesTest() : env_(dir_), db_(dir_ / "host.db") {
        auto fake = std::make_unique<FakeDisks>();
        disks_ = fake.get();
        services_ = std::make_unique<HostServices>(db_, 42, std::move(fake));
    }

    TestDir dir_;
    refhost_test::RuntimeEnv env_;
    HostDatabase db_;
    FakeDisks* disks_;
    std::unique_ptr<HostServices> services_;
};

std::string fetchInfo(HostServices& s, const std::string& host) {
    short size = 8;
    std::vector<char> buf(8);
    short rc = s.fetchArrayInfo(host.c_str(), buf.data(), &size);
    EXPECT_GT(rc, 0);
    if (rc <= 0) return "";
    buf.assign(static_cast<size_t>(rc) + 1, '\0');
    size = rc;
    EXPECT_EQ(s.fetchArrayInfo(host.c_str(), buf.data(), &size), 0);
    return buf.data();
}

}  // namespace

TEST_F(HostServicesTest, ArrayListAndInfoAnswerTheSizeNeededThenTheText) {
    ArrayRegistry registry(db_);
    int64_t id = registry.add("xiv1", "10.1.1.1", "admin", "S3cret-1", "1310133");
    registry.add("xiv2", "xiv2.example", "ops", "S3cret-2", "7800123");

    char small[4];
    short need = services_->getArrayList("IBM XIV", ':', sizeof small, small);
    ASSERT_EQ(need, static_cast<short>(std::strlen("10.1.1.1:xiv2.example") + 1));
    std::vector<char> buf(static_cast<size_t>(need) + 1);
    ASSERT_EQ(services_->getArrayList("IBM XIV", ':', need, buf.data()), 0);
    EXPECT_STREQ(buf.data(), "10.1.1.1:xiv2.example");
    char empty[8];
    ASSERT_EQ(services_->getArrayList("Other", ':', sizeof empty, empty), 0);
    EXPECT_STREQ(empty, "");

    EXPECT_EQ(fetchInfo(*services_, "10.1.1.1"),
              "{hostid:" + std::to_string(id) +
                  ",hostName:10.1.1.1,hostUserName:admin,hostPassword:S3cret-1,arrayId:1310133,"
                  "arrayName:xiv1,arrayType:IBM XIV}");
    short size = 100;
    char info[100];
    for (const char* unknown : {"10.9.9.9", static_cast<const char*>(nullptr)})
        EXPECT_EQ(services_->fetchArrayInfo(unknown, info, &size), HostServices::kUnknownArray);
}

TEST_F(HostServicesTest, ArrayConfigAnswersTheSettingOrFailure) {
    ArrayRegistry registry(db_);
    int64_t id = registry.add("xiv1", "10.1.1.1", "admin", "pw", "1310133");
    registry.setSetting(id, "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", "/opt/xiv/xcli");
    char buf[1024] = {0};
    short size = 1023;
    EXPECT_EQ(services_->getArrayConfig(static_cast<int>(id), nullptr,
                                        "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", buf, &size),
              0);
    EXPECT_STREQ(buf, "/opt/xiv/xcli");
    size = 4;
    EXPECT_EQ(services_->getArrayConfig(static_cast<int>(id), nullptr,
                                        "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", buf, &size),
              2);
    EXPECT_EQ(size, 14);
    size = 1023;
    EXPECT_EQ(services_->getArrayConfig(999, nullptr, "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH",
                                        buf, &size),
              65535);
}

TEST_F(HostServicesTest, PasswordUnderAnotherKeyIsRefusedNotHandedOutGarbled) {
    ArrayRegistry(db_).add("xiv1", "10.1.1.1", "admin", "S3cret-1", "1310133");
    // Another host's key: 32 fresh bytes, owner-only.
    std::string key = dir_ / "cipher.key";
    ::unlink(key.c_str());
    refhost_test::writeFile(key, std::string(32, '\x5a'));
    ::chmod(key.c_str(), 0600);

    char buf[512];
    short size = sizeof buf;
    EXPECT_EQ(services_->fetchArrayInfo("10.1.1.1", buf, &size), HostServices::kCannotDecipher);
    EXPECT_EQ(refhost_test::readFile(dir_ / "debug.log").find("S3cret-1"), std::string::npos);
}

TEST_F(HostServicesTest, InitiatorListIsAskedForItsLengthsThenFilled) {
    HostTopology topology(db_);
    topology.addInitiator(HostTopology::kLocal, parseInitiator("fc", "50:01:73:80:12:34:01:40"));
    topology.addInitiator(HostTopology::kLocal,
                          parseInitiator("iscsi", "iqn.2005-03.org.open-iscsi:c1"));

    short nameLength = 0, typeLength = 0, count = 0;
    ASSERT_TRUE(services_->detectHBAlist("client", "10.1.1.1", nullptr, &nameLength, nullptr,
                                         &typeLength, &count));
    std::string expected = "50:01:73:80:12:34:01:40,iqn.2005-03.org.open-iscsi:c1";
    EXPECT_EQ(nameLength, static_cast<short>(expected.size() + 1));
    EXPECT_EQ(typeLength, 2);
    EXPECT_EQ(count, 2);

    std::vector<char> names(static_cast<size_t>(nameLength)),
        types(static_cast<size_t>(typeLength));
    short tooShort = nameLength - 1;
    EXPECT_FALSE(services_->detectHBAlist("client", "", names.data(), &tooShort, types.data(),
                                          &typeLength, &count));
    EXPECT_EQ(tooShort, nameLength);
    ASSERT_TRUE(services_->detectHBAlist("client", "", names.data(), &nameLength, types.data(),
                                         &typeLength, &count));
    EXPECT_STREQ(names.data(), expected.c_str());
    EXPECT_EQ(types[0], 0);
    EXPECT_NE(types[1], 0);
}

TEST_F(HostServicesTest, EsxServerAnswersWithItsPortAndDatastoreDisks) {
    HostTopology topology(db_);
    topology.addEsxServer("esx1");
    topology.addInitiator("esx1", parseInitiator("fc", "2100001B32E51001"));
    EsxDisk disk;
    disk.esxName = "esx1";
    disk.device = "esxd1";
    disk.naa = "6001738CFC9035E80000000000012345";
    disk.lun = 3;
    disk.lunUuid = vmwareLunUuid(disk.naa, disk.lun);
    disk.arraySerial = "1310133";
    disk.targetWwpn = "5001738027950140";
    topology.replaceEsxDisks("esx1", {disk});

    std::string identifier = "{esxname:esx1,user:root}";
    char small[4];
    short size = sizeof small;
    bool iscsi = true;
    EXPECT_FALSE(services_->detectHostHBA(identifier.c_str(), "", small, &size, &iscsi));
    ASSERT_EQ(size, 24);
    std::vector<char> port(static_cast<size_t>(size));
    ASSERT_TRUE(services_->detectHostHBA(identifier.c_str(), "", port.data(), &size, &iscsi));
    EXPECT_STREQ(port.data(), "21:00:00:1B:32:E5:10:01");
    EXPECT_FALSE(iscsi);
    size = 64;
    EXPECT_FALSE(services_->detectHostHBA("{esxname:nowhere}", "", port.data(), &size, &iscsi));
    EXPECT_EQ(size, 0);

    // The datastore disk as a VMware device string the plug-in can read.
    char list[2048];
    ASSERT_EQ(services_->listHostDevices(identifier.c_str(), "IBM", '|', sizeof list, list), 0);
    std::string device = list;
    EXPECT_EQ(device.find("{idatype:vmware,vendor:IBM,lunuuid:" + disk.lunUuid), 0u) << device;
    EXPECT_NE(device.find(",targetidentifier:50:01:73:80:27:95:01:40,type:fc,"), std::string::npos);

    char page[4096];
    ASSERT_EQ(services_->GetPageInforForVMwareDevice("esx1", disk.lunUuid.c_str(), "NAA", 1, 1, 3,
                                                     42, sizeof page, page),
              0);
    EXPECT_EQ(std::string(page), "01030010" + disk.naa);
    ASSERT_EQ(services_->GetPageInforForVMwareDevice("esx1", disk.lunUuid.c_str(), "UNKNOWN", 1, 1,
                                                     5, 42, sizeof page, page),
              0);
    EXPECT_STREQ(page, "");
    EXPECT_EQ(services_->GetPageInforForVMwareDevice("esx1", "02000000", "NAA", 1, 1, 3, 42,
                                                     sizeof page, page),
              HostServices::kNoSuchLun);
    EXPECT_EQ(services_->GetPageInforForVMwareDevice("esx1", disk.lunUuid.c_str(), "NAA", 1, 1, 3,
                                                     42, 16, page),
              HostServices::kBufferTooSmall);
}

TEST_F(HostServicesTest, LocalDevicesAreListedWithGrowthAndRescannedWithOurPorts) {
    HostTopology(db_).addInitiator(HostTopology::kLocal, parseInitiator("fc", "2100001B32A0D001"));
    for (int i = 1; i <= 300; ++i) disks_->devices.push_back("/dev/xivd" + std::to_string(i));
    char small[16];
    int need = services_->listHostDevices("client", "IBM", '|', sizeof small, small);
    ASSERT_GT(need, 16);
    std::vector<char> buf(static_cast<size_t>(need));
    ASSERT_EQ(services_->listHostDevices("client", "IBM", '|', need, buf.data()), 0);
    EXPECT_EQ(std::string(buf.data()).substr(0, 21), "/dev/xivd1|/dev/xivd2");
    EXPECT_EQ(static_cast<size_t>(need), std::strlen(buf.data()) + 1);

    const char* initiators[] = {"2100001B32A0D001", nullptr};
    const char* remove[] = {"/dev/xivd4", "/dev/xivd5", nullptr};
    services_->rescanDevices("client", initiators, remove);
    EXPECT_EQ(disks_->removed, (std::vector<std::string>{"/dev/xivd4", "/dev/xivd5"}));
    services_->rescanDevices("client", nullptr, nullptr);
    EXPECT_TRUE(disks_->removed.empty());
    ASSERT_EQ(disks_->rescannedWith.size(), 1u);
    EXPECT_EQ(disks_->rescannedWith[0].name, "2100001B32A0D001");
}
