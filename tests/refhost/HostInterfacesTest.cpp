// The host's side of the interfaces the plug-in calls: records, services and
// inventory over the host database, each answer under its buffer protocol.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <memory>

#include "TempDir.h"
#include "TestData.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/HostSchema.h"
#include "refhost/HostServices.h"
#include "refhost/HostSettings.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/HostTopology.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SqlStatement.h"

using namespace refhost;

namespace {

struct FakeDisks : DeviceBackend {
    std::vector<std::string> devices, removed;
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

class HostInterfaces : public ::testing::Test {
protected:
    HostInterfaces() {
        auto fake = std::make_unique<FakeDisks>();
        disks_ = fake.get();
        services_ = std::make_unique<HostServices>(*db_, 42, std::move(fake));
        a1_ = ArrayRegistry(*db_).add("xiv1", "10.1.1.1", "admin", "Pa55-word!", "1310133");
        a2_ = ArrayRegistry(*db_).add("xiv2", "xiv2.example", "ops", "S3cret-2", "7800123");
    }
    int64_t addRecord() {
        SnapJobStore store(*db_);
        NewSnapRecord r;
        r.sourceDevice = "/dev/xivd1";
        r.hostIdentifier = "client1";
        r.hostPathMount = "{esxname:esx1}";
        r.settings["SMCONFIG_NAME_MOUNT_RETRY_INTERVAL_IN_SEC"] = "45";
        r.settings["SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH"] = "/opt/xiv";
        return store.addRecords(store.createJob("backup"), JobIdentity{7, 11, 18}, {r}).front();
    }
    TempDir dir_{"refhost"};
    ScopedEnv key_{"ZRSO_KEY_FILE", dir_.file("cipher.key")},
        log_{"ZRSO_LOG_FILE", dir_.file("debug.log")},
        config_{"ZRSO_CONFIG", dir_.file("platform.ini")};
    std::unique_ptr<HostDatabase> db_ = std::make_unique<HostDatabase>(dir_.file("host.db"));
    FakeDisks* disks_;
    std::unique_ptr<HostServices> services_;
    int64_t a1_, a2_;
};

// Every text getter: too small answers 2 with the need (NUL counted), the
// grown buffer gets the text, a null buffer only asks.
template <class Getter>
void expectBufferProtocol(Getter get, const std::string& expected) {
    char small[4];
    short size = sizeof small;
    ASSERT_EQ(get(small, &size), 2) << expected;
    ASSERT_EQ(size, static_cast<short>(expected.size() + 1));
    std::vector<char> grown(static_cast<size_t>(size), 'x');
    EXPECT_EQ(get(grown.data(), &size), 0);
    EXPECT_STREQ(grown.data(), expected.c_str());
    short asked = 0;
    EXPECT_EQ(get(nullptr, &asked), 2);
    EXPECT_EQ(asked, size);
}

using B = char*;

}  // namespace

TEST_F(HostInterfaces, SnapRecordsAnswerUnderTheBufferProtocolAndSurviveAReopen) {
    int64_t id = addRecord();
    {
        HostSnapInfo info(*db_, id);
        ASSERT_EQ(info.setProperty(6, ",SnapName:S1,ArrayId:1310133,"), 0);
        ASSERT_EQ(info.setSnapDevice("/dev/xivd7"), 0);
        info.setStatus(5);
        info.setError(61052, "not registered");
        info.setSnapshotName("G.vol");
    }
    db_ = std::make_unique<HostDatabase>(dir_.file("host.db"));
    HostSnapInfo info(*db_, id);
    std::string snapshotId;
    ASSERT_EQ(info.getSnapshotIdText(snapshotId), 0);
    const char* dir = "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH";
    const std::pair<std::function<short(B, short*)>, std::string> texts[] = {
        {[&](B b, short* s) { return info.getSourceDevice(b, s); }, "/dev/xivd1"},
        {[&](B b, short* s) { return info.getSnapshotId(b, s); }, snapshotId},
        {[&](B b, short* s) { return info.getHostIdentifier(b, s); }, "client1"},
        {[&](B b, short* s) { return info.getSnapDevice(b, s); }, "/dev/xivd7"},
        {[&](B b, short* s) { return info.getProperty(6, b, s); }, ",SnapName:S1,ArrayId:1310133,"},
        {[&](B b, short* s) { return info.getHostPath(9, b, s); }, "{esxname:esx1}"},
        {[&](B b, short* s) { return info.getConfigString(dir, b, s); }, "/opt/xiv"},
    };
    for (const auto& [get, text] : texts) expectBufferProtocol(get, text);
    EXPECT_EQ(info.getStatus(), 5);
    auto rows = SnapJobStore(*db_).records(info.jobId());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].errorCode, 61052);
    EXPECT_EQ(rows[0].snapshotName, "G.vol");

    // What does not exist is a failure (neither 0 nor 2).
    char buf[64];
    short size = sizeof buf;
    EXPECT_NE(info.getProperty(99, buf, &size), 0);
    EXPECT_NE(info.getHostPath(10, buf, &size), 0);
    EXPECT_NE(info.getConfigString("NO_SUCH_SETTING", buf, &size), 0);
    EXPECT_NE(info.getArrayLogin(buf, &size), 0);  // no array selected yet
    EXPECT_NE(info.getSourceDevice(buf, nullptr), 0);
    ASSERT_EQ(info.setProperty(6, std::string(40000, 'm').c_str()), 0);
    std::vector<char> big(32767);
    size = 32767;
    short rc = info.getProperty(6, big.data(), &size);
    EXPECT_TRUE(rc != 0 && rc != 2) << "a text too long fails, never wraps: " << rc;

    // Numbers keep the caller's default when absent or malformed.
    int value = 300;
    EXPECT_EQ(info.getConfigInt("SMCONFIG_NAME_MOUNT_RETRY_INTERVAL_IN_SEC", &value), 0);
    EXPECT_EQ(value, 45);
    value = 300;
    EXPECT_NE(info.getConfigInt(dir, &value), 0);
    EXPECT_NE(info.getConfigInt("ABSENT", &value), 0);
    EXPECT_EQ(value, 300);
    for (auto [property, expected] :
         {std::pair<int, int>{1, 7}, {11, 11}, {18, 18}, {12, info.jobId()}}) {
        int out = 0;
        EXPECT_EQ(info.getIntProperty(property, &out), 0) << property;
        EXPECT_EQ(out, expected) << property;
    }
    int out = 0;
    EXPECT_NE(info.getIntProperty(2, &out), 0);
    EXPECT_EQ(info.getDuplicateNumber(), id);  // unique per record: duplicates never collide
}

TEST_F(HostInterfaces, ArrayLoginsAndInfoGoToThePlugInOnlyUnderThisHostsKey) {
    HostSnapInfo info(*db_, addRecord());
    EXPECT_NE(info.selectArrayLogin("7777777"), 0);
    EXPECT_NE(info.selectArrayLogin(nullptr), 0);
    ASSERT_EQ(info.selectArrayLogin("1302795"), 0);  // hex form
    expectBufferProtocol(
        [&](B b, short* s) { return info.getArrayLogin(b, s); },
        "{arrayId:1310133,hostName:10.1.1.1,hostUserName:admin,hostPassword:Pa55-word!}");
    char list[32], info2[256];
    ASSERT_EQ(services_->getArrayList("IBM XIV", ':', 4, list), 22);
    ASSERT_EQ(services_->getArrayList("IBM XIV", ':', 22, list), 0);
    EXPECT_STREQ(list, "10.1.1.1:xiv2.example");
    ASSERT_EQ(services_->getArrayList("Other", ':', 4, list), 0);
    EXPECT_STREQ(list, "");
    short size = 8;
    short need = services_->fetchArrayInfo("10.1.1.1", info2, &size);
    ASSERT_GT(need, 8);
    size = need;
    ASSERT_EQ(services_->fetchArrayInfo("10.1.1.1", info2, &size), 0);
    EXPECT_EQ(std::string(info2),
              "{hostid:" + std::to_string(a1_) +
                  ",hostName:10.1.1.1,hostUserName:admin,hostPassword:Pa55-word!,arrayId:1310133,"
                  "arrayName:xiv1,arrayType:IBM XIV}");
    EXPECT_EQ(services_->fetchArrayInfo("10.9.9.9", info2, &size), HostServices::kUnknownArray);

    // Under another host's key the password is refused, not handed out garbled.
    ::unlink(dir_.file("cipher.key").c_str());
    ::chmod(dir_.write("cipher.key", std::string(32, '\x5a')).c_str(), 0600);
    size = sizeof info2;
    EXPECT_EQ(services_->fetchArrayInfo("10.1.1.1", info2, &size), HostServices::kCannotDecipher);
}

TEST_F(HostInterfaces, RegistryRefusesValuesTheLoginStringsCannotCarry) {
    ArrayRegistry registry(*db_);
    for (const auto& r : TestTable("refhost/refused-arrays.txt"))
        EXPECT_THROW(registry.add(r[0], r[1], r[2], r[3], r[4]), std::invalid_argument) << r[3];
    EXPECT_EQ(registry.list().size(), 2u);
    registry.setSetting(a1_, "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", "/opt/xiv/xcli");
    const char* key = "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH";
    expectBufferProtocol(
        [&](B b, short* s) {
            return services_->getArrayConfig(static_cast<int>(a1_), nullptr, key, b, s);
        },
        "/opt/xiv/xcli");
    char buf[64];
    short size = sizeof buf;
    EXPECT_EQ(services_->getArrayConfig(999, nullptr, key, buf, &size), 65535);
}

TEST_F(HostInterfaces, DevicesAreListedWithGrowthAndRescannedWithThisMachinesPorts) {
    HostTopology(*db_).addInitiator(HostTopology::kLocal, parseInitiator("fc", "5001738012340140"));
    for (int i = 1; i <= 300; ++i) disks_->devices.push_back("/dev/xivd" + std::to_string(i));
    char small[16];
    int need = services_->listHostDevices("client", "IBM", '|', sizeof small, small);
    std::vector<char> all(static_cast<size_t>(need));
    ASSERT_EQ(services_->listHostDevices("client", "IBM", '|', need, all.data()), 0);
    EXPECT_EQ(std::string(all.data()).substr(0, 21), "/dev/xivd1|/dev/xivd2");
    EXPECT_EQ(static_cast<size_t>(need), std::strlen(all.data()) + 1);
    const char* remove[] = {"/dev/xivd4", "/dev/xivd5", nullptr};
    services_->rescanDevices("client", nullptr, remove);
    EXPECT_EQ(disks_->removed, (std::vector<std::string>{"/dev/xivd4", "/dev/xivd5"}));
    ASSERT_EQ(disks_->rescannedWith.size(), 1u);
    EXPECT_EQ(disks_->rescannedWith[0].name, "5001738012340140");
}

// New volumes and LUN records are linked by temporary ids that start again
// at -1 for each array (the collection of both is tested end to end).
TEST_F(HostInterfaces, AVolumeNotAddedLeavesNoTemporaryIdBehind) {
    HostInventoryDb inv(*db_);
    int p1 = 0, p2 = 0;
    ASSERT_EQ(inv.addPool(a1_, a1_, "p1", 1000, 300, "", 0, "", &p1, 0), 0);
    ASSERT_EQ(inv.addPool(a2_, a2_, "p1", 500, 0, "", 0, "", &p2, 0), 0);
    ASSERT_EQ(inv.addVolume(-1, a1_, "v1", "v1", 17, 2, "", 0, p1, ""), 0);
    ASSERT_EQ(inv.addVolume(-2, a1_, "v2", "v2", 34, 0, "", 0, p1, ""), 0);
    ASSERT_EQ(inv.addVolume(-1, a2_, "w1", "w1", 17, 0, "", 0, p2, ""), 0);
    ASSERT_EQ(inv.addLun(-1, -1, "w1", "w1", 17ULL << 20, 0, "", 0, ""), 0);
    ASSERT_NE(inv.addVolume(-2, a2_, "w1", "w1", 17, 0, "", 0, p2, ""), 0);
    EXPECT_NE(inv.addLun(-2, -2, "w1", "w1", 0, 0, "", 0, ""), 0)
        << "-2 must not point at v2 of the earlier array";
    SqlStatement joined(*db_,
                        "SELECT COUNT(*) FROM inv_luns l JOIN inv_volumes v ON v.id = "
                        "l.volume_record_id AND v.name = l.name");
    ASSERT_TRUE(joined.step());
    EXPECT_EQ(joined.integer(0), 1);
}

TEST_F(HostInterfaces, TransactionsRollBackUnlessCommittedAndNewerFilesAreRefused) {
    HostDatabase& db = *db_;
    {
        Transaction tx(db);
        db.exec("INSERT INTO host_settings VALUES('a', '1')");
    }  // no commit
    EXPECT_FALSE(HostSettings(db).has("a"));
    {
        Transaction outer(db);
        db.exec("INSERT INTO host_settings VALUES('b', '1')");
        {
            Transaction inner(db);
            db.exec("INSERT INTO host_settings VALUES('c', '1')");
        }  // the inner step failed
        EXPECT_THROW(outer.commit(), HostDbError);
    }
    EXPECT_FALSE(db.inTransaction());
    EXPECT_FALSE(HostSettings(db).has("b"));
    EXPECT_FALSE(HostSettings(db).has("c"));
    db.exec(("PRAGMA user_version=" + std::to_string(currentSchemaVersion() + 1)).c_str());
    EXPECT_THROW(HostDatabase(dir_.file("host.db")), HostDbError);
}
