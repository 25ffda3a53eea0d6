// This machine's storage initiators and disks, through the host's services:
// the initiators the array sees logged in, the one initiator of an ESX
// server, the disks of one vendor, and a bus rescan.
#pragma once

#include <functional>
#include <list>
#include <string>

#include "host/ZRSO.h"
#include "xiv/XivError.h"

class Xiv;

// Which of ports the array sees logged in, moved into loggedIn in the
// array's order; result is the array's status name.
using LoggedInQuery =
    std::function<void(std::list<std::string>& ports, std::list<std::string>& loggedIn,
                       XivError& error, std::string& result)>;

// The initiators of clientHost (Fibre Channel names without colons, iSCSI
// names as they are), narrowed to those the array logs in; when it logs in
// none (or cannot tell), all of them in reverse order of detection.
// initiators is appended to; iscsi tells the kind of the last initiator
// detected. 1, or 0 when the host names no initiator.
int detectHBA(std::list<std::string>& initiators, bool& iscsi, std::string& controlHost,
              ZRSO::ZROSUtil* osUtil, std::string clientHost, Xiv* xiv, ZRSO::SnapInfo* info);
// The same with the logged-in question answered by query.
int detectHBA(std::list<std::string>& initiators, bool& iscsi, std::string& controlHost,
              ZRSO::ZROSUtil* osUtil, std::string clientHost, const LoggedInQuery& query,
              ZRSO::SnapInfo* info);

// The one initiator of the ESX server named by hostIdentifier (colons
// removed unless it is an iSCSI name). 1, or 0 when the host gives none.
int detectHBA(std::string& initiator, bool& iscsi, std::string& controlHost, ZRSO::ZROSUtil* osUtil,
              std::string hostIdentifier, ZRSO::SnapInfo* info);

// The host's disks of vendor, in the host's order. 1, or 0 when the host
// cannot list them.
int getDeviceList(std::list<std::string>& devices, ZRSO::ZROSUtil* osUtil, const std::string& host,
                  const std::string& vendor, ZRSO::SnapInfo* info);

// Has host rescan the paths of initiators and drop devices.
void refreshSystemBus(ZRSO::ZROSUtil* osUtil, std::list<std::string> initiators,
                      std::list<std::string> devices, std::string host);

// True when the debug hook file exists: discovery and mounting then log more
// detail.
bool DebugHookPresent();
// Test seam: look for the hook file at another path (empty restores the real
// one), so tests never touch the file other processes look for.
void SetDebugHookPathForTesting(const std::string& path);
