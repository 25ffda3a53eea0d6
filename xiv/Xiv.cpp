// Construction, the result, and the operations that are one command each.
#include "xiv/Xiv.h"

#include <utility>

Xiv::Xiv(const std::string& user, const std::string& password, const std::string& host,
         const std::string& xcliPath, XivLogger logger)
    : xcli_(user, password, host, xcliPath, logger),
      xcliCsv_(user, password, host, xcliPath, logger),
      logger_(std::move(logger)) {}

Xiv::~Xiv() = default;

std::string Xiv::GetResult() { return xcli_.GetResult(); }

void Xiv::SetResult(std::string result) { xcli_.SetResult(result); }

void Xiv::GetMappedHosts(const std::string& volume, std::vector<VolMapping>& mappings,
                         XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetMappedHosts(volume, listed, error);
    TakeAll(listed, mappings);
}

void Xiv::CreateSnapShot(const std::string& volume, const std::string& snapshot, XivError& error) {
    error.code = 0;
    xcli_.CreateSnapShot(volume, snapshot, error);
}

void Xiv::CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                  XivError& error) {
    error.code = 0;
    xcli_.CreateSnapShotDuplicate(snapshot, duplicate, error);
}

void Xiv::RevertToSnapshot(const std::string& snapshot, XivError& error) {
    error.code = 0;
    xcli_.RevertToSnapshot(snapshot, error);
}

void Xiv::UnlockVolume(const std::string& volume, XivError& error) {
    error.code = 0;
    xcli_.UnlockVolume(volume, error);
}

void Xiv::LockVolume(const std::string& volume, XivError& error) {
    error.code = 0;
    xcli_.LockVolume(volume, error);
}

void Xiv::CreateConsistencyGroup(const std::string& group, const std::string& pool,
                                 XivError& error) {
    error.code = 0;
    xcli_.CreateConsistencyGroup(group, pool, error);
}

void Xiv::AddVolumetoCG(const std::string& group, const std::string& volume, XivError& error) {
    error.code = 0;
    xcli_.AddVolumetoCG(group, volume, error);
}

void Xiv::RemoveVolumeFromCG(const std::string& group, const std::string& volume, XivError& error) {
    error.code = 0;
    xcli_.RemoveVolumeFromCG(group, volume, error);
}

void Xiv::CreateCGSnapshot(const std::string& group, const std::string& snapGroup,
                           XivError& error) {
    error.code = 0;
    xcli_.CreateCGSnapshot(group, snapGroup, error);
}

void Xiv::DisbandSnapGroup(const std::string& group, const std::string& snapGroup,
                           XivError& error) {
    error.code = 0;
    xcli_.DisbandSnapGroup(group, snapGroup, error);
}

void Xiv::MapVolume(const std::string& volume, const std::string& hostName, std::string& lun,
                    XivError& error) {
    error.code = 0;
    xcli_.MapVolume(volume, hostName, lun, error);
}

void Xiv::DeleteHost(const std::string& hostName, XivError& error) {
    xcli_.DeleteHost(hostName, error);
}
