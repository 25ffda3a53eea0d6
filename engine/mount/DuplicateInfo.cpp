#include "engine/mount/DuplicateInfo.h"

#include <algorithm>

DuplicateInfo::~DuplicateInfo() { std::fill(sHostPassword.begin(), sHostPassword.end(), '\0'); }

DuplicateInfo MakeDuplicateInfo(const XIVFilerSnapInfo& record, const std::string& mountHost,
                                bool vmware, ZRSO::SnapInfo* info) {
    DuplicateInfo entry;
    entry.sHostName = record.sHostName;
    entry.sDuplicateName = record.sDuplicateName;
    entry.sDuplicateVolumeId = record.sDuplicateVolumeId;
    entry.sMountHost = mountHost;
    entry.sArrayId = record.sArrayId;
    entry.sHostUserName = record.sHostUserName;
    entry.sHostPassword = record.sHostPassword;
    entry.sMountType = vmware ? "vmware" : "local";
    entry.pSnapInfo = info;
    return entry;
}
