// The work behind the mount entry points. The boundary wraps every body in
// its frame, which guarantees on entry: count >= 0, the record array is
// non-null when count > 0, and the service object is non-null. Records
// inside the array may still be null: fetch them with RecordAt/LunAt
// (common/RecordArray.h) and skip the null ones, which then count as failed.
#pragma once

#include <list>
#include <string>

#include "host/ZRSO.h"

// The mapped check. Mounting calls this directly (not the exported overload)
// so that an exception inside it ends the mount through the mount's frame.
int isMappedBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                 std::list<std::string>& hostInitiators,
                 std::list<std::string>& esxInitiators);
int mapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int unmapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
