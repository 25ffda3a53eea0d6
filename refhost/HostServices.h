// The host service object (ZROSUtil) handed to every entry point: array list
// and logins from the registry, initiators and ESX servers from the topology,
// disks and rescans through the device back end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ZRSO.h"
#include "refhost/DeviceBackend.h"
#include "refhost/SimAdmin.h"

namespace refhost {

class HostDatabase;

class HostServices : public ZRSO::ZROSUtil {
public:
    using EventSink = std::function<void(const std::string&)>;

    // local: this machine's disks. esxAdmin/esxCatalogRoot: how ESX servers
    // are rescanned in the simulated world (absent in the real one).
    HostServices(HostDatabase& db, int64_t jobId, std::unique_ptr<DeviceBackend> local,
                 std::optional<SimAdmin> esxAdmin = std::nullopt,
                 std::string esxCatalogRoot = std::string());

    // Told about every rescan and device listing, for progress lines.
    void setEventSink(EventSink sink) { events_ = std::move(sink); }
    int rescanCount() const { return rescans_; }

    void rescanDevices(const char* host, const char** initiators, const char** devices) override;
    int listHostDevices(const char* host, const char* vendor, char separator, int size,
                        char* buffer) override;
    short getArrayList(const char* type, char separator, short size, char* buffer) override;
    short fetchArrayInfo(const char* controlHost, char* buffer, short* size) override;
    bool detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                       short* nameLength, char* types, short* typeLength, short* count) override;
    bool detectHostHBA(const char* hostIdentifier, const char* controlHost, char* buffer,
                       short* size, bool* iscsi) override;
    int64_t getJobId() override;
    int GetPageInforForVMwareDevice(const char* hostPath, const char* lunUuid,
                                    const char* nameSpace, int applicationId, int fleetId,
                                    int nameSpaceCode, int reserved, int bufferSize,
                                    char* buffer) override;
    unsigned short getArrayConfig(int controlHostId, void* reserved, const char* setting,
                                  char* buffer, short* size) override;

    // Failure answers of fetchArrayInfo.
    static constexpr short kUnknownArray = -1;
    static constexpr short kCannotDecipher = -3;
    static constexpr short kDatabaseError = -4;
    // Failure answers of GetPageInforForVMwareDevice.
    static constexpr int kNoSuchLun = 2;
    static constexpr int kBadNamespace = 22;
    static constexpr int kBufferTooSmall = 75;

    // Rescans one ESX server now (simulated world); its disks are then in
    // the topology.
    void rescanEsx(const std::string& esxName);
    // This machine's disks, as listHostDevices gives them to the plug-in.
    std::vector<std::string> listDevices();

private:
    void note(const std::string& text);

    HostDatabase& db_;
    int64_t jobId_;
    std::unique_ptr<DeviceBackend> local_;
    std::optional<SimAdmin> esxAdmin_;
    std::string esxCatalogRoot_;
    EventSink events_;
    int rescans_ = 0;
};

}  // namespace refhost
