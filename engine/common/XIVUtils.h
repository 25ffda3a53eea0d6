// Helpers of the provisioning and inventory side, which have no snapshot
// record at hand: the host's id for an array, the xcli directory, and the
// attribute lookup.
#pragma once

#include <string>

#include "host/ZRSO.h"
#include "host/rt/DebugLog.h"

class XIVUtils {
public:
    // The control-host id of an array from its array info. 0 = found (id
    // set), 1 = failure (logged through log).
    int getControlHostId(ZRSO::ZROSUtil* osUtil, DebugLog log, const char* controlHost, int& id);
    // The "hostid" attribute of an array info text.
    bool ParseForControlHostId(const char* arrayInfo, std::string& id, DebugLog log);
    // The xcli directory: the platform setting, else the array's control-host
    // setting; empty when neither gives one.
    std::string GetXCLIpath(ZRSO::ZROSUtil* osUtil, DebugLog log, const char* arrayName);
};

// Leading decimal digits as a number (0 when there are none), saturating
// instead of overflowing.
int LeadingDecimal(const std::string& text);
