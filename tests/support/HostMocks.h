// GoogleMock mocks of the host interfaces, for tests that check exact
// interaction. Most tests are simpler with the fakes (Fake*.h).
//
// Buffer-protocol answers: let a TextScript serve them, e.g.
//   TextScript dev("/dev/sdb");
//   EXPECT_CALL(info, getSourceDevice(_, _)).WillRepeatedly(ServeRecord(dev));
//   EXPECT_CALL(info, getProperty(6, _, _))
//       .WillRepeatedly(testing::WithArgs<1, 2>(ServeRecord(meta)));
#pragma once

#include <gmock/gmock.h>

#include <cstdarg>
#include <string>

#include "host/HostInventory.h"
#include "host/ZRSO.h"
#include "FakeSnapInfo.h"  // FormatV
#include "TextScript.h"

inline auto ServeRecord(TextScript& script) {
    return testing::Invoke(
        [&script](char* buffer, short* size) { return script.serveRecord(buffer, size); });
}

class MockSnapInfo : public ZRSO::SnapInfo {
public:
    MOCK_METHOD(int, getSnapshotId, (char*, short*), (override));
    MOCK_METHOD(int, setSnapshotName, (const char*), (override));
    MOCK_METHOD(int, getArrayLogin, (char*, short*), (override));
    MOCK_METHOD(int, selectArrayLogin, (const char*), (override));
    MOCK_METHOD(int, getHostIdentifier, (char*, short*), (override));
    MOCK_METHOD(bool, hasOption, (int), (override));
    MOCK_METHOD(unsigned int, getFlags, (), (override));
    MOCK_METHOD(int, getStatus, (), (override));
    MOCK_METHOD(int, setStatus, (int), (override));
    MOCK_METHOD(int, getSourceDevice, (char*, short*), (override));
    MOCK_METHOD(int, getSnapDevice, (char*, short*), (override));
    MOCK_METHOD(int, setSnapDevice, (const char*), (override));
    MOCK_METHOD(int, getProperty, (int, char*, short*), (override));
    MOCK_METHOD(int, setProperty, (int, const char*), (override));
    MOCK_METHOD(int, setError, (int, const char*), (override));
    // The variadic log is formatted and handed to logLine.
    void log(int level, const char* function, const char* format, ...) override
        __attribute__((format(printf, 4, 5))) {
        va_list args;
        va_start(args, format);
        std::string text = FormatV(format, args);
        va_end(args);
        logLine(level, function ? function : "(null)", text);
    }
    MOCK_METHOD(void, logLine, (int, const std::string&, const std::string&));
    MOCK_METHOD(int, getCloneNumber, (), (override));
    MOCK_METHOD(int, getConfigInt, (const char*, int*), (override));
    MOCK_METHOD(int, getConfigString, (const char*, char*, short*), (override));
    MOCK_METHOD(int, getIntProperty, (int, int*), (override));
    MOCK_METHOD(int, getHostPath, (int, char*, short*), (override));
    MOCK_METHOD(int, getDuplicateNumber, (), (override));
    MOCK_METHOD(int, getSnapshotIdText, (std::string&), (override));
};

class MockLUNInfo : public ZRSO::LUNInfo {
public:
    MOCK_METHOD(int, getVolumeName, (char*, short*), (override));
    MOCK_METHOD(int, getArrayName, (char*, short*), (override));
    MOCK_METHOD(int, getArrayControlHost, (char*, short*), (override));
    MOCK_METHOD(int, getArrayUser, (char*, short*), (override));
    MOCK_METHOD(int, getArrayPassword, (char*, short*), (override));
    MOCK_METHOD(int, setLunName, (const char*), (override));
    MOCK_METHOD(int, getPoolName, (char*, short*), (override));
    MOCK_METHOD(int, getVolumeSize, (int64_t*), (override));
    MOCK_METHOD(int, setVolumeSize, (int64_t*), (override));
    MOCK_METHOD(int, getUsedSize, (int64_t*), (override));
    MOCK_METHOD(int, setStatus, (int), (override));
    MOCK_METHOD(int, setError, (int, const char*), (override));
    MOCK_METHOD(int64_t, getJobId, (), (override));
    MOCK_METHOD(int, setVolumeName, (const std::string&), (override));
    MOCK_METHOD(int, setLunVolume, (const std::string&), (override));
    MOCK_METHOD(int, setInitiatorGroups, (std::vector<ZRSO::IGroupInfo>&, int*), (override));
    MOCK_METHOD(int, getMapRequest, (char*, short*), (override));
};

class MockZROSUtil : public ZRSO::ZROSUtil {
public:
    MOCK_METHOD(void, rescanDevices, (const char*, const char**, const char**), (override));
    MOCK_METHOD(int, listHostDevices, (const char*, const char*, char, int, char*), (override));
    MOCK_METHOD(short, getArrayList, (const char*, char, short, char*), (override));
    MOCK_METHOD(short, fetchArrayInfo, (const char*, char*, short*), (override));
    MOCK_METHOD(bool, detectHBAlist,
                (const char*, const char*, char*, short*, char*, short*, short*), (override));
    MOCK_METHOD(bool, detectHostHBA, (const char*, const char*, char*, short*, bool*),
                (override));
    MOCK_METHOD(int64_t, getJobId, (), (override));
    MOCK_METHOD(int, GetPageInforForVMwareDevice,
                (const char*, const char*, const char*, int, int, int, int, int, char*),
                (override));
    MOCK_METHOD(unsigned short, getArrayConfig, (int, void*, const char*, char*, short*),
                (override));
};

class MockHostInventory : public ZRSO::HostInventory {
public:
    MOCK_METHOD(int, getArrayList, (ZRSO::ArrayEntry***, int*), (override));
    MOCK_METHOD(int, getPoolList, (ZRSO::PoolRecord***, int*, int), (override));
    MOCK_METHOD(int, getVolumeList, (ZRSO::VolumeRecord***, int*, int), (override));
    MOCK_METHOD(int, getLunList, (ZRSO::LunRecord***, int*, int), (override));
    MOCK_METHOD(int, getArrayCredentials,
                (const char*, char*, int, char*, int, char*, int, char*, int, char*, int, char*,
                 int),
                (override));
    MOCK_METHOD(int, findPool, (ZRSO::PoolRecord**, int*, const char*, int*), (override));
    MOCK_METHOD(int, addPool,
                (int, int, const char*, uint64_t, uint64_t, const char*, int, const char*, int*,
                 int),
                (override));
    MOCK_METHOD(int, findVolume, (ZRSO::VolumeRecord**, int*, const char*, const char*, int),
                (override));
    MOCK_METHOD(int, addVolume,
                (int, int, const char*, const char*, uint64_t, uint64_t, const char*, int, int,
                 const char*),
                (override));
    MOCK_METHOD(int, findLun, (ZRSO::LunRecord**, const char*, const char*, int), (override));
    MOCK_METHOD(int, addLun,
                (int, int, const char*, const char*, uint64_t, uint64_t, const char*, int,
                 const char*),
                (override));
};
