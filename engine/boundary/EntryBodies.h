// The work behind each exported entry point. EntryPoints.cpp wraps every body
// in its frame, which guarantees on entry: count >= 0, the record array is
// non-null when count > 0, and the service object is non-null. Single records
// inside the array may still be null: fetch them with RecordAt/LunAt
// (EntryFrame.h) and skip the null ones, which then count as failed.
#pragma once

#include <list>
#include <string>

#include "host/HostInventory.h"
#include "host/ZRSO.h"

// Snapshot bodies. Results follow the result convention (EntryFrame.h)
// unless the entry point's own rules say otherwise.
int prepareDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int snapDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int reconcileSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
// The mapped check. Mounting calls this directly (not the exported overload)
// so that an exception inside it ends the mount through the mount's frame.
int isMappedBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                 std::list<std::string>& hostInitiators,
                 std::list<std::string>& esxInitiators);
int mapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int unmapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int deleteSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
int revertSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);

// Inventory. The frame guarantees both pointers are non-null.
int getArrayInfoBody(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil);

// Provisioning bodies.
int createLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int deleteLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int resizeLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int mapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int unmapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int resolveLunsToUsersBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
