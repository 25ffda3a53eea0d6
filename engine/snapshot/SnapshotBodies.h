// The work behind the snapshot job's entry points. The boundary runs each body in its frame;
// boundary/EntryFrame.h says what a body may count on.
#pragma once

#include "host/ZRSO.h"

// Results follow the result convention (common/RecordArray.h) unless the
// entry point's own rules say otherwise.
int prepareDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int snapDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int reconcileSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int deleteSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int revertSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
