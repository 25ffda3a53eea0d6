// The snapshot metadata a prepared device carries from one entry point to
// the next (record property 6), and the names of duplicates made from
// snapshots.
//
// The metadata is a run of ",Key:value" items closed by a final comma:
//   ,SnapName:s,ArrayId:a,VolumeId:w,VolumeName:v,
// and, for devices snapped together in a consistency group,
//   ,SnapName:s,ArrayId:a,VolumeId:w,VolumeName:v,CGName:g,SnapGroupName:sg,
// Values are not escaped, so the writer refuses any value that would not
// read back as written.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// Fills sSnapName, sArrayId, sVolumeId, sVolumeName, sCGName, sSnapGroupName
// from the items present; members of absent items keep their values. False
// only for a null text.
bool ParseMetaData(const char* metadata, XIVFilerSnapInfo& record, ZRSO::SnapInfo* info);

// Reads the device's metadata and its array login into record. False when
// the host gives no source device or metadata, or no login (then the
// record's error is kArrayLoginCode).
bool GetVolumeAndFilerInfoFromSnap(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil,
                                   XIVFilerSnapInfo& record);

// "ZR_Clone_QS_2_<n>_<dup>_<clone>" with the clone option set, else
// "QS_2_<n>_<dup>_duplicate" (n: integer property 13, 0 when unreadable).
void GetDuplicateName(ZRSO::SnapInfo* info, std::string& name);

// The two written forms.
std::string FormatMetaData(const XIVFilerSnapInfo& record);
std::string FormatMetaData(const XIVFilerSnapInfo& record, const std::string& cgName,
                           const std::string& snapGroupName);

// Stores the single-volume form (or, with the group names, the group form)
// as the record's metadata. False with error set, and nothing stored, when
// a value holds a comma or another byte the reader would drop; false with
// error set when the host does not store it.
bool WriteMetaData(ZRSO::SnapInfo* info, const XIVFilerSnapInfo& record, std::string& error);
bool WriteMetaData(ZRSO::SnapInfo* info, const XIVFilerSnapInfo& record, const std::string& cgName,
                   const std::string& snapGroupName, std::string& error);
