// The frame around every entry point that takes records. The result
// convention and the record-array helpers are common/RecordArray.h.
//
// A body run in its frame may count on: count >= 0, the record array is
// non-null when count > 0, and the service object is non-null. Single
// records inside the array may still be null: bodies fetch them with
// RecordAt/LunAt and skip the null ones, which then count as failed.
#pragma once

#include <functional>

#include "engine/common/RecordArray.h"
#include "host/HostInventory.h"
#include "host/ZRSO.h"

// The frame's only text for an exception that reached it.
extern const char* const kUnhandledExceptionText;
// Logged instead of running the body when the host passes no service object.
extern const char* const kNoServiceObjectText;

// A negative count is treated as 0, and so is any count with no array.
short ClampCount(const void* records, short count);

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
int RunInventoryEntry(const char* function, ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil,
                      const InventoryBody& body);
