#include "xiv/XIVFilerSnapInfo.h"

// nDeviceIndex gets a defined value even though no producer relies on it:
// reading an indeterminate int is undefined behaviour.
XIVFilerSnapInfo::XIVFilerSnapInfo() : nDeviceIndex(0) { init(); }

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
