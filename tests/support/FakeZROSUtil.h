// Host services answering from scriptable fields; the questions about arrays
// and pages are recorded.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Recorded.h"
#include "TextScript.h"
#include "host/ZRSO.h"

struct FakeInitiator {
    std::string name;  // as the host lists it (Fibre Channel names may carry colons)
    bool iscsi = false;
};

class FakeZROSUtil : public ZRSO::ZROSUtil {
public:
    // --- answers ---------------------------------------------------------
    // Disks listHostDevices reports (joined with the separator asked for);
    // the script adds per-call protocol answers on top.
    std::vector<std::string> hostDevices;
    TextScript hostDevicesScript;
    // Control hosts getArrayList reports (joined with the separator asked for).
    std::vector<std::string> arrays;
    TextScript arrayListScript;
    // fetchArrayInfo per control host; an unknown one answers -1.
    std::map<std::string, TextScript> arrayInfos;
    // detectHBAlist: the host's initiators.
    std::vector<FakeInitiator> initiators;
    // detectHostHBA: the ESX server's initiator text (record protocol:
    // too small -> false with the need in *size; failure -> false, *size 0).
    TextScript hostHBA;
    bool hostHBAIscsi = false;
    int64_t jobId = 4242;
    // GetPageInforForVMwareDevice per namespace ("NAA", "UNKNOWN"); absent
    // namespace or a non-zero pageResult: that answer, nothing written.
    std::map<std::string, std::string> vmwarePages;
    int pageResult = 0;
    // getArrayConfig per (control host id, setting); absent: 65535.
    std::map<std::pair<int, std::string>, std::string> arrayConfig;

    // --- recorded calls --------------------------------------------------
    std::vector<std::string> arrayListTypes;
    std::vector<std::string> arrayInfoAsks;
    // "hostPath|lunUuid|nameSpace|applicationId|fleetId|nameSpaceCode|reserved|bufferSize"
    std::vector<std::string> pageAsks;
    std::vector<int> configAsks;  // the buffer size offered

    // --- ZRSO::ZROSUtil --------------------------------------------------
    void rescanDevices(const char*, const char**, const char**) override {}
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
};
