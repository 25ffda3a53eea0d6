// The host's record arrays as every entry point walks them, and the result
// convention the entry points answer by.
#pragma once

#include <functional>

#include "host/ZRSO.h"

// 0 when every record succeeded, 2 when some did, 1 when none did (a call
// without records included).
int ResultConvention(long succeeded, long total);

// Counts the records whose status is success, sets failure on every other
// present record and answers by the result convention (holes in the host
// array count as failed).
int SettleStatuses(ZRSO::SnapInfo** infos, short count, int success, int failure);

// Works every present record in order, each on its own (a failing one does
// not stop the others), and answers by the result convention with the
// records work reports done (holes in the host array count as failed).
int WorkEachRecord(ZRSO::SnapInfo** infos, short count,
                   const std::function<bool(ZRSO::SnapInfo*)>& work);

// Record index of the array, or null when the index is out of range or the
// host left a hole; bodies skip null records (they count as failed).
ZRSO::SnapInfo* RecordAt(ZRSO::SnapInfo** infos, short count, int index);
ZRSO::LUNInfo* LunAt(ZRSO::LUNInfo** luns, short count, int index);
// The first non-null record: the one call-wide lines go through.
ZRSO::SnapInfo* FirstRecord(ZRSO::SnapInfo** infos, short count);
