// One mapped duplicate of a mount that still waits for its host disk: what
// the rescan passes need to recognise the disk and whose record to tell.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

struct DuplicateInfo {
    std::string sHostName;  // the array's management address
    std::string sDuplicateName;
    std::string sDuplicateVolumeId;  // WWN as the array reported it
    std::string sMountHost;          // host the disk is looked for on
    std::string sArrayId;
    std::string sHostUserName;
    std::string sHostPassword;
    std::string sMountType;               // "vmware" or "local"
    ZRSO::SnapInfo* pSnapInfo = nullptr;  // not owned

    DuplicateInfo() = default;
    DuplicateInfo(const DuplicateInfo&) = default;
    DuplicateInfo& operator=(const DuplicateInfo&) = default;
    // The password leaves no copy behind in freed memory.
    ~DuplicateInfo();
};

// The entry for a record's mapped duplicate (sDuplicateName and
// sDuplicateVolumeId of record already set).
DuplicateInfo MakeDuplicateInfo(const XIVFilerSnapInfo& record, const std::string& mountHost,
                                bool vmware, ZRSO::SnapInfo* info);
