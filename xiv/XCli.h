// The XML command set of one array login: one operation per xcli command the
// plug-in issues. Each builds the full xcli line, runs and parses it, and
// reports through errorCode (set to -1 on failure, back to 0 for the tolerated
// status names), errorText (appended to; MapVolume keeps only its last
// attempt's), the listed records (owned by the caller) and the answer's status
// name kept as the result. A value that could break out of its place on the
// line is refused before anything runs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <list>
#include <string>
#include <utility>

#include "host/ZRSO.h"
#include "host/rt/DebugLog.h"
#include "xiv/Resources.h"
#include "xiv/XivLogger.h"

class XCli {
public:
    XCli(const std::string& user, const std::string& password, const std::string& address,
         const std::string& xcliDirectory, ZRSO::SnapInfo* info);
    XCli(const std::string& user, const std::string& password, const std::string& address,
         const std::string& xcliDirectory, ZRSO::LUNInfo* info);
    XCli(const std::string& user, const std::string& password, const std::string& address,
         const std::string& xcliDirectory, const DebugLog& log);

    std::string GetResult() const { return result_; }
    void SetResult(const std::string& result) { result_ = result; }

    void GetHostList(std::list<ResourceNode*>& resources, int& errorCode,
                     std::string& errorText);
    void GetVolumeByWWN(const std::string& wwn, std::list<ResourceNode*>& resources,
                        int& errorCode, std::string& errorText);
    void GetVolumeByName(const std::string& volume, std::list<ResourceNode*>& resources,
                         int& errorCode, std::string& errorText);
    void GetCGByName(const std::string& group, std::list<ResourceNode*>& resources,
                     int& errorCode, std::string& errorText);
    void CreateConsistencyGroup(const std::string& group, const std::string& pool,
                                int& errorCode, std::string& errorText);
    void AddVolumetoCG(const std::string& group, const std::string& volume, int& errorCode,
                       std::string& errorText);
    // The command names only the volume.
    void RemoveVolumeFromCG(const std::string& group, const std::string& volume,
                            int& errorCode, std::string& errorText);
    void CreateCGSnapshot(const std::string& group, const std::string& snapGroup,
                          int& errorCode, std::string& errorText);
    // The command names only the snapshot group.
    void DisbandSnapGroup(const std::string& group, const std::string& snapGroup,
                          int& errorCode, std::string& errorText);
    // SNAPSHOT_GROUP_BAD_NAME counts as success with an empty listing.
    void GetSnapGroupByName(const std::string& snapGroup, std::list<ResourceNode*>& resources,
                            int& errorCode, std::string& errorText);
    // An empty volume lists every volume.
    void GetVolList(const std::string& volume, std::list<ResourceNode*>& resources,
                    int& errorCode, std::string& errorText);
    void GetVolListInCG(const std::string& group, std::list<ResourceNode*>& resources,
                        int& errorCode, std::string& errorText);
    void GetPoolList(const std::string& unused, std::list<ResourceNode*>& resources,
                     int& errorCode, std::string& errorText);
    void GetPoolByName(const std::string& pool, std::list<ResourceNode*>& resources,
                       int& errorCode, std::string& errorText);
    void GetMappedVolumes(const std::string& host, std::list<ResourceNode*>& resources,
                          int& errorCode, std::string& errorText);
    void GetMappedHosts(const std::string& volume, std::list<ResourceNode*>& resources,
                        int& errorCode, std::string& errorText);
    void GetConnectedHosts(std::list<ResourceNode*>& resources, int& errorCode,
                           std::string& errorText);
    void CreateSnapShot(const std::string& volume, const std::string& snapshot,
                        int& errorCode, std::string& errorText);
    void CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                 int& errorCode, std::string& errorText);
    // lun: the LUN to try first (empty = 12); on return the LUN the last
    // command ran with, unless every LUN tried was taken.
    void MapVolume(const std::string& volume, const std::string& host, std::string& lun,
                   int& errorCode, std::string& errorText);
    // VOLUME_BAD_NAME and MAPPING_IS_NOT_DEFINED count as success.
    void UnMapVolume(const std::string& volume, const std::string& host, int& errorCode,
                     std::string& errorText);
    // VOLUME_BAD_NAME counts as success.
    void DeleteSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText);
    void RevertToSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText);
    void UnlockVolume(const std::string& volume, int& errorCode, std::string& errorText);
    void LockVolume(const std::string& volume, int& errorCode, std::string& errorText);
    void DefineHost(const std::string& host, int& errorCode, std::string& errorText);
    void AddPort(const std::string& host, const std::string& port, bool iscsi, int& errorCode,
                 std::string& errorText);
    // Sizes in 512-byte blocks; the array rounds them up to whole allocation units.
    void CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBlocks,
                      int& errorCode, std::string& errorText);
    void DeleteVolume(const std::string& volume, int& errorCode, std::string& errorText);
    void ResizeVolume(const std::string& volume, int64_t sizeBlocks, bool shrink, int& errorCode,
                      std::string& errorText);
    void DeleteHost(const std::string& host, int& errorCode, std::string& errorText);

private:
    // "xcli -u <user> -p <password> -m <address> -y -x"
    std::string prefix() const;
    // Runs one operation; expectedKind selects which records get their fields.
    void run(const std::string& operation, const char* expectedKind,
             std::list<ResourceNode*>& resources, int& errorCode, std::string& errorText);
    // False (with errorCode -1 and a text naming the argument) when a value
    // could break out of its place in the command line; nothing is run then.
    bool valuesSafe(std::initializer_list<std::pair<const char*, const std::string*>> values,
                    int& errorCode, std::string& errorText);

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
