// Which array and volume stand behind a host disk, and how to log in to
// that array: by SCSI inquiry, by IBM's xiv_devlist tool, or (for VMware
// disks) through the host's VMware services; then the array's login from
// the host's list of registered arrays.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// 1 with sArrayId and sVolumeId set (and, unless identityOnly, the login:
// sHostName, sHostUserName, sHostPassword); 0 when the disk is not an XIV
// volume or cannot be resolved, logged through info. osUtil may be null
// only with identityOnly. allowDevList lets the configured xiv_devlist tool
// answer instead of the unit serial and identification pages.
int GetFilerInfo(ZRSO::SnapInfo* info, const std::string& device, ZRSO::ZROSUtil* osUtil,
                 XIVFilerSnapInfo& record, bool allowDevList, bool identityOnly);

// The same facts from the xiv_devlist tool (also sVolumeName). A tool
// failure sets the record's error kDevListToolCode.
int GetFilerInfoFromXivDevList(ZRSO::SnapInfo* info, const std::string& device,
                               ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record, bool identityOnly);
