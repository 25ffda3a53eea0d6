// The work behind zrso_getArrayInfo. The boundary's frame guarantees that
// both pointers are non-null.
#pragma once

#include "host/HostInventory.h"
#include "host/ZRSO.h"

int getArrayInfoBody(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil);
