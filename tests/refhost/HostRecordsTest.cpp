// The host's records as the plug-in reaches them: buffer protocol, what
// survives a reopen, and the passwords on their way to the plug-in.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "host/rt/PasswordCipher.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLunInfo.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/LunRequestStore.h"
#include "refhost/RefhostTestSupport.h"
#include "refhost/SnapJobStore.h"

using namespace refhost;
using refhost_test::TestDir;

namespace {

class HostRecords : public ::testing::Test {
protected:
    HostRecords() : env_(dir_) {}

    HostDatabase& db() {
        if (!db_) db_ = std::make_unique<HostDatabase>(dir_ / "host.db");
        return *db_;
    }
    void reopen() { db_.reset(); }

    int64_t addRecord(const std::string& device) {
        SnapJobStore store(db());
        int64_t job = store.createJob("backup");
        NewSnapRecord r;
        r.sourceDevice = device;
        r.hostIdentifier = "client1";
        r.hostPathMount = "{esxname:esx1}";
        r.settings["SMCONFIG_NAME_MOUNT_RETRY_INTERVAL_IN_SEC"] = "45";
        r.settings["SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH"] = "/opt/xiv";
        return store.addRecords(job, JobIdentity{7, 11, 18}, {r}).front();
    }

    TestDir dir_;
    refhost_test::RuntimeEnv env_;
    std::unique_ptr<HostDatabase> db_;
};

// Every record getter: too small answers 2 with the need (NUL counted), the
// grown buffer gets the text, a null buffer only asks.
template <class Getter>
void expectBufferProtocol(Getter get, const std::string& expected) {
    char small[4];
    short size = sizeof small;
    ASSERT_EQ(get(small, &size), 2);
    ASSERT_EQ(size, static_cast<short>(expected.size() + 1));
    std::vector<char> grown(static_cast<size_t>(size), 'x');
    EXPECT_EQ(get(grown.data(), &size), 0);
    EXPECT_STREQ(grown.data(), expected.c_str());
    short asked = 0;
    EXPECT_EQ(get(nullptr, &asked), 2);
    EXPECT_EQ(asked, size);
}

}  // namespace

TEST_F(HostRecords, SnapInfoTextGettersFollowTheBufferProtocol) {
    int64_t id = addRecord("/dev/xivd1");
    HostSnapInfo info(db(), id);
    ASSERT_EQ(info.setProperty(6, ",SnapName:S1,ArrayId:1310133,VolumeId:00AB,VolumeName:vol_1,"),
              0);
    ASSERT_EQ(info.setSnapDevice("/dev/xivd7"), 0);
    std::string snapshotId;
    ASSERT_EQ(info.getSnapshotIdText(snapshotId), 0);

    using B = char*;
    expectBufferProtocol([&](B b, short* s) { return info.getSourceDevice(b, s); }, "/dev/xivd1");
    expectBufferProtocol([&](B b, short* s) { return info.getSnapshotId(b, s); }, snapshotId);
    expectBufferProtocol([&](B b, short* s) { return info.getHostIdentifier(b, s); }, "client1");
    expectBufferProtocol([&](B b, short* s) { return info.getSnapDevice(b, s); }, "/dev/xivd7");
    expectBufferProtocol([&](B b, short* s) { return info.getProperty(6, b, s); },
                         ",SnapName:S1,ArrayId:1310133,VolumeId:00AB,VolumeName:vol_1,");
    expectBufferProtocol([&](B b, short* s) { return info.getHostPath(9, b, s); },
                         "{esxname:esx1}");
    expectBufferProtocol(
        [&](B b, short* s) {
            return info.getConfigString("SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", b, s);
        },
        "/opt/xiv");

    // What does not exist is a failure (neither 0 nor 2).
    char buf[64];
    short size = sizeof buf;
    EXPECT_NE(info.getProperty(99, buf, &size), 0);
    EXPECT_NE(info.getHostPath(10, buf, &size), 0);
    EXPECT_NE(info.getConfigString("NO_SUCH_SETTING", buf, &size), 0);
    EXPECT_NE(info.getArrayLogin(buf, &size), 0);  // no array selected yet
    EXPECT_NE(info.getSourceDevice(buf, nullptr), 0);
}

TEST_F(HostRecords, NumbersKeepDefaultsWhenAbsentOrMalformedAndLongTextsFailNotWrap) {
    int64_t id = addRecord("/dev/xivd1");
    HostSnapInfo info(db(), id);
    int value = 300;
    EXPECT_EQ(info.getConfigInt("SMCONFIG_NAME_MOUNT_RETRY_INTERVAL_IN_SEC", &value), 0);
    EXPECT_EQ(value, 45);
    value = 300;
    EXPECT_NE(info.getConfigInt("SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", &value),
              0);  // no number
    EXPECT_NE(info.getConfigInt("ABSENT", &value), 0);
    EXPECT_EQ(value, 300);

    for (auto [property, expected] :
         {std::pair<int, int>{1, 7}, {11, 11}, {18, 18}, {12, info.jobId()}}) {
        int out = 0;
        EXPECT_EQ(info.getIntProperty(property, &out), 0) << property;
        EXPECT_EQ(out, expected) << property;
    }
    int out = 0;
    EXPECT_EQ(info.getIntProperty(13, &out), 0);
    EXPECT_NE(info.getIntProperty(2, &out), 0);
    EXPECT_EQ(info.getDuplicateNumber(), id);  // unique per record: duplicates never collide

    ASSERT_EQ(info.setProperty(6, std::string(40000, 'm').c_str()), 0);
    short size = 32767;
    std::vector<char> buf(32767);
    short rc = info.getProperty(6, buf.data(), &size);
    EXPECT_TRUE(rc != 0 && rc != 2) << rc;
}

TEST_F(HostRecords, RecordWrittenInOneOpeningIsReadInTheNext) {
    int64_t id = addRecord("/dev/xivd1");
    {
        HostSnapInfo info(db(), id);
        info.setStatus(5);
        info.setProperty(6, ",SnapName:snap_a,");
        info.setError(61052, "not registered");
        info.setSnapshotName("G.vol");
        info.setSnapDevice("/dev/xivd4");
    }
    reopen();
    HostSnapInfo again(db(), id);
    EXPECT_EQ(again.getStatus(), 5);
    char buf[128];
    short size = sizeof buf;
    ASSERT_EQ(again.getProperty(6, buf, &size), 0);
    EXPECT_STREQ(buf, ",SnapName:snap_a,");
    auto rows = SnapJobStore(db()).records(again.jobId());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].errorCode, 61052);
    EXPECT_EQ(rows[0].snapshotName, "G.vol");
}

TEST_F(HostRecords, ArrayLoginIsSelectedBySerialInEitherFormAndHandsTheClearPassword) {
    ArrayRegistry(db()).add("xiv1", "10.1.1.1", "admin", "Pa55-word!", "1310133");
    HostSnapInfo info(db(), addRecord("/dev/xivd1"));
    EXPECT_NE(info.selectArrayLogin("7777777"), 0);
    EXPECT_NE(info.selectArrayLogin(nullptr), 0);
    ASSERT_EQ(info.selectArrayLogin("1302795"), 0);  // hex form
    std::string expected =
        "{arrayId:1310133,hostName:10.1.1.1,hostUserName:admin,hostPassword:Pa55-word!}";
    expectBufferProtocol([&](char* b, short* s) { return info.getArrayLogin(b, s); }, expected);

    // The database holds only the enciphered text.
    std::string bytes =
        refhost_test::readFile(dir_ / "host.db") + refhost_test::readFile(dir_ / "host.db-wal");
    EXPECT_EQ(bytes.find("Pa55-word!"), std::string::npos);
}

TEST_F(HostRecords, LunInfoHandsTheEncipheredPasswordThatTheRuntimeDeciphers) {
    ArrayRegistry(db()).add("xiv1", "10.1.1.1", "admin", "Pa55-word!", "1310133");
    LunRequestRow request;
    request.operation = "create";
    request.arrayName = "xiv1";
    request.volumeName = "lun_a";
    request.poolName = "pool_a";
    request.sizeBytes = 20LL << 30;
    request.mapRequest = "{\"hosts\":[]}";
    int64_t id = LunRequestStore(db()).add(SnapJobStore(db()).createJob("lun"), request);
    HostLunInfo lun(db(), id);

    using B = char*;
    expectBufferProtocol([&](B b, short* s) { return lun.getArrayControlHost(b, s); }, "10.1.1.1");
    expectBufferProtocol([&](B b, short* s) { return lun.getMapRequest(b, s); }, "{\"hosts\":[]}");

    char enc[512];
    short size = sizeof enc;
    ASSERT_EQ(lun.getArrayPassword(enc, &size), 0);
    EXPECT_EQ(std::string(enc).find("Pa55-word!"), std::string::npos);
    char plain[512];
    unsigned long plainSize = sizeof plain;
    ASSERT_NE(PasswordCipher().decrypt(enc, plain, &plainSize), 0);
    EXPECT_STREQ(plain, "Pa55-word!");

    int64_t bytes = 0;
    ASSERT_EQ(lun.getVolumeSize(&bytes), 0);
    EXPECT_EQ(bytes, 20LL << 30);
    int64_t grown = 34LL << 30;
    lun.setVolumeSize(&grown);
    std::vector<ZRSO::IGroupInfo> groups(1);
    groups[0].initiators = {"5001738000230140", "5001738000230150"};
    groups[0].sProtocol = "fcp";
    int endPoint = 0;
    lun.setInitiatorGroups(groups, &endPoint);

    LunRequestRow row = LunRequestStore(db()).get(id);
    EXPECT_EQ(row.sizeBytes, 34LL << 30);
    EXPECT_EQ(row.initiatorGroups,
              "[{\"name\":\"\",\"protocol\":\"fcp\",\"initiators\":[\"5001738000230140\","
              "\"5001738000230150\"]}]");
}

TEST_F(HostRecords, RegistryRefusesValuesTheLoginStringsCannotCarry) {
    ArrayRegistry registry(db());
    const std::vector<std::vector<std::string>> refused = {
        {"a", "10.0.0.1", "admin", "pass,word", "1310133"},
        {"a", "10.0.0.1", "admin", "pa}ss", "1310133"},
        {"a", "10.0.0.1", "admin", "pa/ss", "1310133"},
        {"a", "10.0.0.1", "admin", "pa ss", "1310133"},
        {"a", "fe80::1", "admin", "pass", "1310133"},
        {"a", "10.0.0.1", "admin", "pass", "131013"},
        {"a", "10.0.0.1", "", "pass", "1310133"}};
    for (const auto& r : refused)
        EXPECT_THROW(registry.add(r[0], r[1], r[2], r[3], r[4]), std::invalid_argument)
            << r[1] << " " << r[3];
    registry.add("a", "10.0.0.1", "admin", "pass", "1310133");
    EXPECT_THROW(registry.add("a", "10.0.0.2", "admin", "pass", "1310134"), std::invalid_argument);
    EXPECT_THROW(registry.add("b", "10.0.0.1", "admin", "pass", "1310134"), std::invalid_argument);
    EXPECT_EQ(registry.list().size(), 1u);
}
