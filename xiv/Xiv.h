// One working connection to one XIV array: the login, the xcli client and a
// logger, with the operations the entry points need answered in terms of the
// plug-in's own records. Every operation is one or a few xcli runs.
//
// Error convention: every operation takes an error code (0 success, -1
// failure) and an error text (only appended to) as its last two arguments.
// The status name of the last answer is the object's result (GetResult).
//
// Ownership: records handed out through a list belong to the caller; every
// other record an operation receives is freed before it returns.
#pragma once

#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/rt/DebugLog.h"
#include "xiv/Resources.h"
#include "xiv/XCli.h"
#include "xiv/XCliCsv.h"
#include "xiv/XIVFilerSnapInfo.h"
#include "xiv/XivLogger.h"

namespace ZRSO {
class SnapInfo;
class LUNInfo;
}  // namespace ZRSO

class Xiv {
public:
    Xiv(const std::string& user, const std::string& password, const std::string& host,
        const std::string& xcliPath, ZRSO::SnapInfo* snapInfo);
    Xiv(const std::string& user, const std::string& password, const std::string& host,
        const std::string& xcliPath, ZRSO::LUNInfo* lunInfo);
    Xiv(const std::string& user, const std::string& password, const std::string& host,
        const std::string& xcliPath, DebugLog log);
    ~Xiv();

    Xiv(const Xiv&) = delete;
    Xiv& operator=(const Xiv&) = delete;

    std::string GetResult();
    void SetResult(std::string result);

    // --- Thin operations: one command each, its errors passed through.
    void GetMappedHosts(const std::string& volume, std::list<ResourceNode*>& mappings,
                        int& errorCode, std::string& errorText);
    void CreateSnapShot(const std::string& volume, const std::string& snapshot, int& errorCode,
                        std::string& errorText);
    void CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                 int& errorCode, std::string& errorText);
    void RevertToSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText);
    void UnlockVolume(const std::string& volume, int& errorCode, std::string& errorText);
    void LockVolume(const std::string& volume, int& errorCode, std::string& errorText);
    void CreateConsistencyGroup(const std::string& group, const std::string& pool,
                                int& errorCode, std::string& errorText);
    void AddVolumetoCG(const std::string& group, const std::string& volume, int& errorCode,
                       std::string& errorText);
    void RemoveVolumeFromCG(const std::string& group, const std::string& volume,
                            int& errorCode, std::string& errorText);
    void CreateCGSnapshot(const std::string& group, const std::string& snapGroup,
                          int& errorCode, std::string& errorText);
    void DisbandSnapGroup(const std::string& group, const std::string& snapGroup,
                          int& errorCode, std::string& errorText);

    // --- Volumes.
    // Fills sVolumeName, sCGName, sPoolName from sVolumeId. When the array's
    // client refuses a lookup by WWN, falls back to the full name/WWN listing,
    // kept in wwnToName so later lookups of the same call reuse it.
    void GetVolumeByWWN(XIVFilerSnapInfo& volume, std::map<std::string, std::string>& wwnToName,
                        int& errorCode, std::string& errorText);
    // Fills sVolumeId, sCGName, sPoolName from sVolumeName.
    void GetVolumeByName(XIVFilerSnapInfo& volume, int& errorCode, std::string& errorText);
    void GetVolumeByName(const std::string& name, std::string& wwn, int& errorCode,
                         std::string& errorText);
    void DeleteSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText);
    bool IsVolumePresent(const std::string& volume, int& errorCode, std::string& errorText);
    void GetVolumesInCG(const std::string& group, std::vector<XIVFilerSnapInfo>& volumes,
                        int& errorCode, std::string& errorText);
    void GetAllVolumes(std::vector<XIVFilerSnapInfo>& volumes, int& errorCode,
                       std::string& errorText);
    void GetAllVolumes(std::list<XivVol*>& volumes, int& errorCode, std::string& errorText);
    // Sizes in bytes: the array is asked for at least that many (it rounds
    // up to whole allocation units); VolumeSize reads back what it made.
    void CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBytes,
                      int& errorCode, std::string& errorText);
    void DeleteVolume(const std::string& volume, int& errorCode, std::string& errorText);
    // Shrinks (with the array's flag) only when the volume is larger than sizeBytes.
    void ResizeVolume(const std::string& volume, int64_t sizeBytes, int& errorCode,
                      std::string& errorText);
    // The volume's size in bytes as the array lists it.
    void VolumeSize(const std::string& volume, int64_t& sizeBytes, int& errorCode,
                    std::string& errorText);

    // --- Consistency groups and snapshot groups.
    bool IsCgPresent(const std::string& group, std::string& pool, int& errorCode,
                     std::string& errorText);
    bool IsSnapGroupPresent(const std::string& snapGroup, int& errorCode, std::string& errorText);

    // --- Pools.
    void GetAllResourcePools(std::list<XivPool*>& pools, int& errorCode, std::string& errorText);
    void GetPoolByName(const std::string& pool, std::string& poolId, int& errorCode,
                       std::string& errorText);

    // --- Host objects of this machine.
    void GetMyHostName(const std::string& fcName, const std::string& iscsiName, int& errorCode,
                       std::string& errorText);
    void GetAllMyHostNames(const std::list<std::string>& ports, std::set<std::string>& hostNames,
                           int& errorCode, std::string& errorText);
    // Moves the ports the array sees logged in from ports to loggedIn, in the
    // order of the connectivity listing.
    void GetLoggedInHBAs(std::list<std::string>& ports, std::list<std::string>& loggedIn,
                         int& errorCode, std::string& errorText);
    void GetAllHosts(std::list<Host*>& hosts, int& errorCode, std::string& errorText);
    // Defines baseName_9876, or the next lower number that is free, and adds
    // the ports. hostName: in the base name, out the created name.
    void CreateHost(const std::list<std::string>& ports, bool iscsi, std::string& hostName,
                    int& errorCode, std::string& errorText);
    void DeleteHost(const std::string& hostName, int& errorCode, std::string& errorText);

    // --- LUN mapping.
    // Mappings of the host object that owns port; an empty hostName is
    // resolved from the port and handed back.
    void GetMappedVolumes(const std::string& port, std::string& hostName,
                          std::list<ResourceNode*>& mappings, int& errorCode,
                          std::string& errorText);
    void GetHostsMapped(const std::string& volume, std::list<VolMapping*>& mappings,
                        int& errorCode, std::string& errorText);
    // The lowest LUN from 1 to 255 free on the host, "-1" when none.
    void GetUnusedLun(const std::list<std::string>& ports, std::string& hostName,
                      std::string& lun, int& errorCode, std::string& errorText);
    bool IsMapped(const std::list<std::string>& ports, std::string& hostName,
                  const std::string& volume, int& errorCode, std::string& errorText);
    void MapVolume(const std::string& volume, const std::string& hostName, std::string& lun,
                   int& errorCode, std::string& errorText);
    // Unmaps from hostName, or, when it is empty, from every host object
    // holding one of the ports.
    void UnMapVolume(const std::string& volume, const std::list<std::string>& ports,
                     const std::string& hostName, int& errorCode, std::string& errorText);

private:
    // Owns the records of one listing for the span of an operation.
    struct OwnedList {
        std::list<ResourceNode*> items;
        OwnedList() = default;
        OwnedList(const OwnedList&) = delete;
        OwnedList& operator=(const OwnedList&) = delete;
        ~OwnedList() { FreeResourceList(items); }
    };

    // The first record of kind T; a listing may carry records of other kinds.
    template <class T>
    static T* FirstOf(const std::list<ResourceNode*>& items) {
        for (ResourceNode* node : items)
            if (T* record = dynamic_cast<T*>(node)) return record;
        return nullptr;
    }

    // Moves the records of kind T, in order, to the caller's list and frees
    // the rest. Returns how many were handed over.
    template <class T>
    static size_t HandOver(std::list<ResourceNode*>& from, std::list<T*>& to) {
        size_t moved = 0;
        while (!from.empty()) {
            ResourceNode* node = from.front();
            if (T* record = dynamic_cast<T*>(node)) {
                to.push_back(record);
                ++moved;
            } else {
                delete node;
            }
            from.pop_front();
        }
        return moved;
    }

    // The first volume that a listing by name gives into listed; null, with
    // the failure recorded (an empty listing as VOLUME_BAD_NAME), when none.
    XivVol* FindVolume(const std::string& name, OwnedList& listed, int& errorCode,
                       std::string& errorText);

    XCli xcli_;
    XCliCsv xcliCsv_;

public:
    // The array's host object that stands for this machine; set by
    // GetMyHostName or by a caller that names the host.
    std::string sMyHostName;

private:
    XivLogger logger_;
};
