// One working connection to one XIV array: the login, the xcli client and a
// logger, with the operations the entry points need answered in terms of
// records. Every operation is one or a few xcli runs.
//
// Error convention: every operation takes an error (code 0 success, -1
// failure; text only appended to) as its last argument. The status name of
// the last answer is the object's result (GetResult).
//
// Listings are appended to the caller's vector; records of other kinds an
// answer may carry are left out.
#pragma once

#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "xiv/Resources.h"
#include "xiv/XCli.h"
#include "xiv/XCliCsv.h"
#include "xiv/XivError.h"
#include "xiv/XivLogger.h"

class Xiv {
public:
    Xiv(const std::string& user, const std::string& password, const std::string& host,
        const std::string& xcliPath, XivLogger logger);
    ~Xiv();

    Xiv(const Xiv&) = delete;
    Xiv& operator=(const Xiv&) = delete;

    std::string GetResult();
    void SetResult(std::string result);

    // --- Thin operations: one command each, its errors passed through.
    void GetMappedHosts(const std::string& volume, std::vector<VolMapping>& mappings,
                        XivError& error);
    void CreateSnapShot(const std::string& volume, const std::string& snapshot, XivError& error);
    void CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                 XivError& error);
    void RevertToSnapshot(const std::string& snapshot, XivError& error);
    void UnlockVolume(const std::string& volume, XivError& error);
    void LockVolume(const std::string& volume, XivError& error);
    void CreateConsistencyGroup(const std::string& group, const std::string& pool, XivError& error);
    void AddVolumetoCG(const std::string& group, const std::string& volume, XivError& error);
    void RemoveVolumeFromCG(const std::string& group, const std::string& volume, XivError& error);
    void CreateCGSnapshot(const std::string& group, const std::string& snapGroup, XivError& error);
    void DisbandSnapGroup(const std::string& group, const std::string& snapGroup, XivError& error);

    // --- Volumes.
    // Fills name, cg_name, pool_name from volume.wwn. When the array's
    // client refuses a lookup by WWN, falls back to the full name/WWN listing,
    // kept in wwnToName so later lookups of the same call reuse it; that way
    // only the name is filled.
    void GetVolumeByWWN(XivVol& volume, std::map<std::string, std::string>& wwnToName,
                        XivError& error);
    // Fills wwn, cg_name, pool_name from volume.name.
    void GetVolumeByName(XivVol& volume, XivError& error);
    void GetVolumeByName(const std::string& name, std::string& wwn, XivError& error);
    void DeleteSnapshot(const std::string& snapshot, XivError& error);
    bool IsVolumePresent(const std::string& volume, XivError& error);
    // The group's volumes in place of what volumes held; none is no failure.
    void GetVolumesInCG(const std::string& group, std::vector<XivVol>& volumes, XivError& error);
    // Every volume of the array; none is a failure (VOLUME_BAD_COMMAND).
    void GetAllVolumes(std::vector<XivVol>& volumes, XivError& error);
    // Sizes in bytes: the array is asked for at least that many (it rounds
    // up to whole allocation units); VolumeSize reads back what it made.
    void CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBytes,
                      XivError& error);
    void DeleteVolume(const std::string& volume, XivError& error);
    // Shrinks (with the array's flag) only when the volume is larger than sizeBytes.
    void ResizeVolume(const std::string& volume, int64_t sizeBytes, XivError& error);
    // The volume's size in bytes as the array lists it.
    void VolumeSize(const std::string& volume, int64_t& sizeBytes, XivError& error);

    // --- Consistency groups and snapshot groups.
    bool IsCgPresent(const std::string& group, std::string& pool, XivError& error);
    bool IsSnapGroupPresent(const std::string& snapGroup, XivError& error);

    // --- Pools.
    // Every pool of the array; none is a failure (POOL_BAD_COMMAND).
    void GetAllResourcePools(std::vector<XivPool>& pools, XivError& error);
    void GetPoolByName(const std::string& pool, std::string& poolId, XivError& error);

    // --- Host objects of this machine.
    void GetMyHostName(const std::string& fcName, const std::string& iscsiName, XivError& error);
    void GetAllMyHostNames(const std::list<std::string>& ports, std::set<std::string>& hostNames,
                           XivError& error);
    // Moves the ports the array sees logged in from ports to loggedIn, in the
    // order of the connectivity listing.
    void GetLoggedInHBAs(std::list<std::string>& ports, std::list<std::string>& loggedIn,
                         XivError& error);
    // Every host object of the array; none is a failure (HOST_BAD_COMMAND).
    void GetAllHosts(std::vector<Host>& hosts, XivError& error);
    // Defines baseName_9876, or the next lower number that is free, and adds
    // the ports. hostName: in the base name, out the created name.
    void CreateHost(const std::list<std::string>& ports, bool iscsi, std::string& hostName,
                    XivError& error);
    void DeleteHost(const std::string& hostName, XivError& error);

    // --- LUN mapping.
    // Mappings of the host object that owns port; an empty hostName is
    // resolved from the port and handed back.
    void GetMappedVolumes(const std::string& port, std::string& hostName,
                          std::vector<HostMapping>& mappings, XivError& error);
    // The hosts the volume is mapped to; none is a failure (MAP_BAD_COMMAND).
    void GetHostsMapped(const std::string& volume, std::vector<VolMapping>& mappings,
                        XivError& error);
    // The lowest LUN from 1 to 255 free on the host, "-1" when none.
    void GetUnusedLun(const std::list<std::string>& ports, std::string& hostName, std::string& lun,
                      XivError& error);
    bool IsMapped(const std::list<std::string>& ports, std::string& hostName,
                  const std::string& volume, XivError& error);
    void MapVolume(const std::string& volume, const std::string& hostName, std::string& lun,
                   XivError& error);
    // Unmaps from hostName, or, when it is empty, from every host object
    // holding one of the ports.
    void UnMapVolume(const std::string& volume, const std::list<std::string>& ports,
                     const std::string& hostName, XivError& error);

private:
    // The first record of kind T; an answer may carry records of other kinds.
    template <class T>
    static T* FirstOf(const ResourceList& listed) {
        for (const auto& node : listed)
            if (T* record = dynamic_cast<T*>(node.get())) return record;
        return nullptr;
    }

    // Moves the records of kind T, in order, to the end of to. Returns how
    // many were moved.
    template <class T>
    static size_t TakeAll(ResourceList& listed, std::vector<T>& to) {
        size_t moved = 0;
        for (const auto& node : listed) {
            if (T* record = dynamic_cast<T*>(node.get())) {
                to.push_back(std::move(*record));
                ++moved;
            }
        }
        return moved;
    }

    // Moves the records of kind T to the end of to. A failed command already
    // names its own error; only a clean answer without any gets emptyText
    // and the result emptyResult.
    template <class T>
    void TakeListing(ResourceList& listed, std::vector<T>& to, XivError& error,
                     const char* emptyText, const char* emptyResult) {
        const size_t moved = TakeAll(listed, to);
        if (error.code == 0 && moved == 0) {
            error.code = -1;
            error.text += emptyText;
            SetResult(emptyResult);
        }
    }

    // The first volume that a listing by name gives into listed; null, with
    // the failure recorded (an empty listing as VOLUME_BAD_NAME), when none.
    XivVol* FindVolume(const std::string& name, ResourceList& listed, XivError& error);

    XCli xcli_;
    XCliCsv xcliCsv_;

public:
    // The array's host object that stands for this machine; set by
    // GetMyHostName or by a caller that names the host.
    std::string sMyHostName;

private:
    XivLogger logger_;
};
