// The work behind the mount entry points. The boundary runs each body in its frame;
// boundary/EntryFrame.h says what a body may count on.
#pragma once

#include <list>
#include <string>

#include "host/ZRSO.h"

// The mapped check. Mounting calls this directly (not the exported overload)
// so that an exception inside it ends the mount through the mount's frame.
int isMappedBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                 std::list<std::string>& hostInitiators, std::list<std::string>& esxInitiators);
int mapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int unmapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
