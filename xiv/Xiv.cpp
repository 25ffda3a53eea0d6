// Construction, the result, and the operations that are one command each.
#include "xiv/Xiv.h"

#include <utility>

Xiv::Xiv(const std::string& user, const std::string& password, const std::string& host,
         const std::string& xcliPath, ZRSO::SnapInfo* snapInfo)
    : xcli_(user, password, host, xcliPath, snapInfo),
      xcliCsv_(user, password, host, xcliPath, snapInfo),
      logger_(snapInfo) {}

Xiv::Xiv(const std::string& user, const std::string& password, const std::string& host,
         const std::string& xcliPath, ZRSO::LUNInfo* lunInfo)
    : xcli_(user, password, host, xcliPath, lunInfo),
      xcliCsv_(user, password, host, xcliPath, lunInfo),
      logger_(lunInfo) {}

Xiv::Xiv(const std::string& user, const std::string& password, const std::string& host,
         const std::string& xcliPath, DebugLog log)
    : xcli_(user, password, host, xcliPath, log),
      xcliCsv_(user, password, host, xcliPath, log),
      logger_(log) {}

Xiv::~Xiv() = default;

std::string Xiv::GetResult() { return xcli_.GetResult(); }

void Xiv::SetResult(std::string result) { xcli_.SetResult(result); }

void Xiv::GetMappedHosts(const std::string& volume, std::list<ResourceNode*>& mappings,
                         int& errorCode, std::string& errorText) {
    errorCode = 0;
    // Run into a list of our own: records the caller already holds stay theirs.
    OwnedList listed;
    xcli_.GetMappedHosts(volume, listed.items, errorCode, errorText);
    mappings.splice(mappings.end(), listed.items);
}

void Xiv::CreateSnapShot(const std::string& volume, const std::string& snapshot, int& errorCode,
                         std::string& errorText) {
    errorCode = 0;
    xcli_.CreateSnapShot(volume, snapshot, errorCode, errorText);
}

void Xiv::CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                  int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.CreateSnapShotDuplicate(snapshot, duplicate, errorCode, errorText);
}

void Xiv::RevertToSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.RevertToSnapshot(snapshot, errorCode, errorText);
}

void Xiv::UnlockVolume(const std::string& volume, int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.UnlockVolume(volume, errorCode, errorText);
}

void Xiv::LockVolume(const std::string& volume, int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.LockVolume(volume, errorCode, errorText);
}

void Xiv::CreateConsistencyGroup(const std::string& group, const std::string& pool,
                                 int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.CreateConsistencyGroup(group, pool, errorCode, errorText);
}

void Xiv::AddVolumetoCG(const std::string& group, const std::string& volume, int& errorCode,
                        std::string& errorText) {
    errorCode = 0;
    xcli_.AddVolumetoCG(group, volume, errorCode, errorText);
}

void Xiv::RemoveVolumeFromCG(const std::string& group, const std::string& volume,
                             int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.RemoveVolumeFromCG(group, volume, errorCode, errorText);
}

void Xiv::CreateCGSnapshot(const std::string& group, const std::string& snapGroup,
                           int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.CreateCGSnapshot(group, snapGroup, errorCode, errorText);
}

void Xiv::DisbandSnapGroup(const std::string& group, const std::string& snapGroup,
                           int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.DisbandSnapGroup(group, snapGroup, errorCode, errorText);
}

void Xiv::MapVolume(const std::string& volume, const std::string& hostName, std::string& lun,
                    int& errorCode, std::string& errorText) {
    errorCode = 0;
    xcli_.MapVolume(volume, hostName, lun, errorCode, errorText);
}

void Xiv::DeleteHost(const std::string& hostName, int& errorCode, std::string& errorText) {
    xcli_.DeleteHost(hostName, errorCode, errorText);
}
