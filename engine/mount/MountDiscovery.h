// The second half of a mount: rescan in passes until the disk of every
// mapped duplicate has shown up, tie each disk to its record, report the
// duplicates whose disk never came, and print how every record ended.
#pragma once

#include <functional>
#include <list>
#include <string>

#include "engine/mount/DuplicateInfo.h"
#include "host/ZRSO.h"

// What the array side of a mount leaves for the passes.
struct MountState {
    std::list<std::string> hostInitiators;  // this machine's
    std::list<std::string> esxInitiators;   // at most one: the ESX server's
    std::list<std::string> devicesBefore;   // IBM disks seen before the duplicates
    std::list<DuplicateInfo> pending;       // mapped duplicates without a disk yet
    bool vmware = false;                    // some source is a VMware datastore disk
    bool preExisting = false;               // some duplicate was made by an earlier call
    std::string clientName;
    std::string mountHost;  // where disks are listed: ESX host identifier or clientName
    long found = 0;         // duplicates whose disk was found
};

// Up to 6 passes of rescan, listing and matching, each followed by a wait of
// a fifth of the mount retry interval. Found disks: status 12 and the device
// name on the record; duplicates still missing at the end: error
// kDeviceNotFoundCode. A listing that fails sets kDeviceListCode on the first
// record and ends at once.
void DiscoverMountedDevices(MountState& state, ZRSO::SnapInfo** infos, short count,
                            ZRSO::ZROSUtil* osUtil);

// Test seam: the wait between passes goes to another function (null restores
// hostSleep), so tests can count the waits. The debug hook's seam is
// discovery's (Discovery.h).
using PassSleep = std::function<void(unsigned int milliseconds)>;
void SetPassSleepForTesting(PassSleep sleep);
