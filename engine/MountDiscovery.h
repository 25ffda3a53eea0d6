// The second half of a mount: rescan in passes until the disk of every
// mapped duplicate has shown up, tie each disk to its record, report the
// duplicates whose disk never came, and print how every record ended.
#pragma once

#include <functional>
#include <list>
#include <string>

#include "engine/DuplicateInfo.h"
#include "host/ZRSO.h"

// What the array side of a mount leaves for the passes.
struct MountState {
    std::list<std::string> hostInitiators;  // this machine's
    std::list<std::string> esxInitiators;   // at most one: the ESX server's
    std::list<std::string> devicesBefore;   // IBM disks seen before the duplicates
    std::list<DuplicateInfo> pending;       // mapped duplicates without a disk yet
    bool vmware = false;       // some source is a VMware datastore disk
    bool preExisting = false;  // some duplicate was made by an earlier call
    std::string clientName;
    std::string mountHost;     // where disks are listed: ESX host identifier or clientName
    long found = 0;            // duplicates whose disk was found
};

// Up to 6 passes of rescan, listing and matching, each followed by a wait of
// a fifth of the mount retry interval. Found disks: status 12 and the device
// name on the record; duplicates still missing at the end: error
// kDeviceNotFoundCode. A listing that fails sets kDeviceListCode on the first
// record and ends at once.
void DiscoverMountedDevices(MountState& state, ZRSO::SnapInfo** infos, short count,
                            ZRSO::ZROSUtil* osUtil);

// Whether an array id read from a disk names the same array as the id kept
// for a duplicate: compared on the last 7 characters (5 when either is
// shorter), the kept one also in its decimal form.
bool CompareArrayIds(std::string& diskArrayId, std::string& storedArrayId, ZRSO::SnapInfo* info);
// The decimal form of a serial: 7 characters keep their first 2 and give the
// other 5 as a hexadecimal number; any other length is all number. The
// number is written with at least 5 digits. A text that starts with no
// hexadecimal digit gives an empty result. in and out may be one string.
void ConvertToDecimal(std::string& in, std::string& out);

// Test seam: the wait between passes goes to another function (null restores
// hostSleep), so tests can count the waits. The debug hook's seam is
// discovery's (Discovery.h).
using PassSleep = std::function<void(unsigned int milliseconds)>;
void SetPassSleepForTesting(PassSleep sleep);
