// The work behind the provisioning entry points. The boundary wraps every
// body in its frame, which guarantees on entry: count >= 0, the LUN array is
// non-null when count > 0, and the service object is non-null. LUNs
// inside the array may still be null: fetch them with RecordAt/LunAt
// (common/RecordArray.h) and skip the null ones, which then count as failed.
#pragma once

#include "host/ZRSO.h"

int createLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int deleteLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int resizeLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int mapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int unmapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int resolveLunsToUsersBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
