#pragma once

#include "host/ZRSO.h"

// 1 when the host device (a device path, or a VMware disk attribute string)
// is a volume of an IBM XIV array, 0 when it is not or the answer failed.
// Host runtime exceptions end as 0; only allocation failures leave it.
// osUtil is accepted and not used.
int IsXivFiler(const char* device, ZRSO::ZROSUtil* osUtil);
