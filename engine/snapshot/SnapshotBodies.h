// The work behind the snapshot job's entry points. The boundary wraps every
// body in its frame, which guarantees on entry: count >= 0, the record array
// is non-null when count > 0, and the service object is non-null. Records
// inside the array may still be null: fetch them with RecordAt/LunAt
// (common/RecordArray.h) and skip the null ones, which then count as failed.
#pragma once

#include "host/ZRSO.h"

// Results follow the result convention (common/RecordArray.h) unless the
// entry point's own rules say otherwise.
int prepareDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int snapDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int reconcileSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int deleteSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int revertSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
