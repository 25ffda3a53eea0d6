// The frame around every entry point that takes records, and the result
// convention they share.
#pragma once

#include <functional>

#include "host/HostInventory.h"
#include "host/ZRSO.h"

// The frame's only text for an exception that reached it.
extern const char* const kUnhandledExceptionText;
// Logged instead of running the body when the host passes no service object.
extern const char* const kNoServiceObjectText;

// 0 when every record succeeded, 2 when some did, 1 when none did (a call
// without records included).
int ResultConvention(long succeeded, long total);

// Counts the records whose status is success, sets failure on every other
// present record and answers by the result convention (holes in the host
// array count as failed).
int SettleStatuses(ZRSO::SnapInfo** infos, short count, int success, int failure);

// A negative count is treated as 0, and so is any count with no array.
short ClampCount(const void* records, short count);

// Record index of the array, or null when the index is out of range or the
// host left a hole; bodies skip null records (they count as failed).
ZRSO::SnapInfo* RecordAt(ZRSO::SnapInfo** infos, short count, int index);
ZRSO::LUNInfo* LunAt(ZRSO::LUNInfo** luns, short count, int index);
// The first non-null record: the one frame-level lines go through.
ZRSO::SnapInfo* FirstRecord(ZRSO::SnapInfo** infos, short count);

using SnapBody = std::function<int(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*)>;
using LunBody = std::function<int(ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*)>;
using InventoryBody = std::function<int(ZRSO::HostInventory*, ZRSO::ZROSUtil*)>;

// Snapshot entry points: the body runs inside a catch-all; an exception is
// logged once at level 2 through the first record under `function` and
// yields 1, no record status touched. No service object: 1 with one line.
int RunSnapshotEntry(const char* function, ZRSO::SnapInfo** infos, short count,
                     ZRSO::ZROSUtil* osUtil, const SnapBody& body);

// Provisioning and inventory: the same guards, logging through a DebugLog of
// their own at level -1 (the host must never see an exception of ours).
int RunProvisioningEntry(const char* function, ZRSO::LUNInfo** luns, short count,
                         ZRSO::ZROSUtil* osUtil, const LunBody& body);
int RunInventoryEntry(const char* function, ZRSO::HostInventory* inventory,
                      ZRSO::ZROSUtil* osUtil, const InventoryBody& body);
