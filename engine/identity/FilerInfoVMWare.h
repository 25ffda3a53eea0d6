// Array and volume behind a disk of a VMware virtual machine: the array
// serial from the device identifier, the volume WWN from the identification
// text the host fetches from the VMware server, and the array login.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// 1 with sArrayId, sArrayHexId, sTargetType and sVolumeId set (and, unless
// identityOnly, the login); 0 when the disk cannot be resolved, logged
// through info. identityOnly takes the VMware host from the "esxname" of the
// mount path instead of the source path and asks for no array list.
int GetFilerInfoVMWare(ZRSO::SnapInfo* info, const std::string& device, ZRSO::ZROSUtil* osUtil,
                       XIVFilerSnapInfo& record, bool identityOnly);
