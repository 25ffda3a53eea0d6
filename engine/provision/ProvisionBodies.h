// The work behind the provisioning entry points. The boundary runs each body in its frame;
// boundary/EntryFrame.h says what a body may count on.
#pragma once

#include "host/ZRSO.h"

int createLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int deleteLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int resizeLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int mapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int unmapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
int resolveLunsToUsersBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
