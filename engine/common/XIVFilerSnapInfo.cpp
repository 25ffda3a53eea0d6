#include "engine/common/XIVFilerSnapInfo.h"

// nDeviceIndex gets a defined value even though no producer relies on it:
// reading an indeterminate int is undefined behaviour.
XIVFilerSnapInfo::XIVFilerSnapInfo() : nDeviceIndex(0) { init(); }

XivVol XIVFilerSnapInfo::Volume() const {
    XivVol volume;
    volume.name = sVolumeName;
    volume.wwn = sVolumeId;
    volume.cg_name = sCGName;
    volume.pool_name = sPoolName;
    return volume;
}

void XIVFilerSnapInfo::SetVolume(const XivVol& volume) {
    sVolumeName = volume.name;
    sVolumeId = volume.wwn;
    sCGName = volume.cg_name;
    sPoolName = volume.pool_name;
}

void XIVFilerSnapInfo::init() {
    sHostName.clear();
    sArrayId.clear();
    sArrayHexId.clear();
    sHostUserName.clear();
    sHostPassword.clear();
    sSnapName.clear();
    sVolumeId.clear();
    sTargetType.clear();
    sDuplicateName.clear();
    sDuplicateVolumeId.clear();
}
