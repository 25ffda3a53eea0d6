// The XML command set of one array login: one operation per xcli command the
// plug-in issues. Each builds the full xcli line, runs and parses it, and
// reports through its error (code set to -1 on failure, back to 0 for the
// tolerated status names; text appended to, MapVolume keeps only its last
// attempt's), the listed records (appended to the caller's list) and the
// answer's status name kept as the result. A value that could break out of
// its place on the line is refused before anything runs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "xiv/Resources.h"
#include "xiv/XivError.h"
#include "xiv/XivLogger.h"

class XCli {
public:
    XCli(const std::string& user, const std::string& password, const std::string& address,
         const std::string& xcliDirectory, XivLogger logger);

    std::string GetResult() const { return result_; }
    void SetResult(const std::string& result) { result_ = result; }

    void GetHostList(ResourceList& resources, XivError& error);
    void GetVolumeByWWN(const std::string& wwn, ResourceList& resources, XivError& error);
    void GetVolumeByName(const std::string& volume, ResourceList& resources, XivError& error);
    void GetCGByName(const std::string& group, ResourceList& resources, XivError& error);
    void CreateConsistencyGroup(const std::string& group, const std::string& pool, XivError& error);
    void AddVolumetoCG(const std::string& group, const std::string& volume, XivError& error);
    // The command names only the volume.
    void RemoveVolumeFromCG(const std::string& group, const std::string& volume, XivError& error);
    void CreateCGSnapshot(const std::string& group, const std::string& snapGroup, XivError& error);
    // The command names only the snapshot group.
    void DisbandSnapGroup(const std::string& group, const std::string& snapGroup, XivError& error);
    // SNAPSHOT_GROUP_BAD_NAME counts as success with an empty listing.
    void GetSnapGroupByName(const std::string& snapGroup, ResourceList& resources, XivError& error);
    // An empty volume lists every volume.
    void GetVolList(const std::string& volume, ResourceList& resources, XivError& error);
    void GetVolListInCG(const std::string& group, ResourceList& resources, XivError& error);
    void GetPoolList(const std::string& unused, ResourceList& resources, XivError& error);
    void GetPoolByName(const std::string& pool, ResourceList& resources, XivError& error);
    void GetMappedVolumes(const std::string& host, ResourceList& resources, XivError& error);
    void GetMappedHosts(const std::string& volume, ResourceList& resources, XivError& error);
    void GetConnectedHosts(ResourceList& resources, XivError& error);
    void CreateSnapShot(const std::string& volume, const std::string& snapshot, XivError& error);
    void CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                 XivError& error);
    // lun: the LUN to try first (empty = 12); on return the LUN the last
    // command ran with, unless every LUN tried was taken.
    void MapVolume(const std::string& volume, const std::string& host, std::string& lun,
                   XivError& error);
    // VOLUME_BAD_NAME and MAPPING_IS_NOT_DEFINED count as success.
    void UnMapVolume(const std::string& volume, const std::string& host, XivError& error);
    // VOLUME_BAD_NAME counts as success.
    void DeleteSnapshot(const std::string& snapshot, XivError& error);
    void RevertToSnapshot(const std::string& snapshot, XivError& error);
    void UnlockVolume(const std::string& volume, XivError& error);
    void LockVolume(const std::string& volume, XivError& error);
    void DefineHost(const std::string& host, XivError& error);
    void AddPort(const std::string& host, const std::string& port, bool iscsi, XivError& error);
    // Sizes in 512-byte blocks; the array rounds them up to whole allocation units.
    void CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBlocks,
                      XivError& error);
    void DeleteVolume(const std::string& volume, XivError& error);
    void ResizeVolume(const std::string& volume, int64_t sizeBlocks, bool shrink, XivError& error);
    void DeleteHost(const std::string& host, XivError& error);

private:
    // "xcli -u <user> -p <password> -m <address> -y -x"
    std::string prefix() const;
    // Runs one operation; expectedKind selects which records get their fields.
    void run(const std::string& operation, const char* expectedKind, ResourceList& resources,
             XivError& error);
    // Runs one operation that lists nothing.
    void run(const std::string& operation, XivError& error);
    // False (with code -1 and a text naming the argument) when a value
    // could break out of its place in the command line; nothing is run then.
    bool valuesSafe(std::initializer_list<std::pair<const char*, const std::string*>> values,
                    XivError& error);

    std::string user_;
    std::string password_;
    std::string outputFlag_;
    std::string confirmFlag_;
    std::string address_;
    std::string result_;
    std::string xcliDirectory_;
    XivLogger logger_;
};

// A number between 1 and n - 1 (1 when n is 1) taken from the current
// millisecond; used to spread LUN retries.
int GetNextRand(int n);
