// The working record for one source device: which array holds it, how to log
// in, which volume it is and what was made of it on the array. Plain value
// type; copied into and out of vectors freely.
#pragma once

#include <string>

#include "xiv/Resources.h"

class XIVFilerSnapInfo {
public:
    XIVFilerSnapInfo();
    XIVFilerSnapInfo(const XIVFilerSnapInfo&) = default;
    XIVFilerSnapInfo(XIVFilerSnapInfo&&) = default;
    XIVFilerSnapInfo& operator=(const XIVFilerSnapInfo&) = default;
    XIVFilerSnapInfo& operator=(XIVFilerSnapInfo&&) = default;
    ~XIVFilerSnapInfo() = default;

    // Clears the array, login, snapshot, WWN, transport and duplicate members;
    // volume name, group, pool, snapshot group, serial and index are kept.
    void init();

    // The record's volume (name, WWN, group, pool) as the array object
    // reads and fills it, and the filled volume taken back.
    XivVol Volume() const;
    void SetVolume(const XivVol& volume);

    std::string sHostName;           // management address of the array
    std::string sArrayId;            // array serial, decimal
    std::string sArrayHexId;         // array serial, hexadecimal form
    std::string sHostUserName;       // xcli user
    std::string sHostPassword;       // xcli password, clear text: never log it
    std::string sSnapName;           // snapshot of this volume
    std::string sVolumeName;         // source volume
    std::string sVolumeId;           // source volume WWN as the array reports it
    std::string sTargetType;         // "fc" or "iscsi"
    std::string sDuplicateName;      // writable duplicate made for mounting
    std::string sDuplicateVolumeId;  // its WWN
    std::string sCGName;             // consistency group
    std::string sPoolName;           // storage pool
    std::string sSnapGroupName;      // snapshot group of a group snapshot
    std::string sSnapshotSerial;     // snapshot_serial of a listed volume
    // Position of the owning host record in the entry point's array. Not set
    // by construction: whoever stores a record for write-back sets it.
    int nDeviceIndex;
};
