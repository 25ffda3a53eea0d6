#include "engine/provision/EndPointId.h"

extern "C" {
ZRSO_EXPORT int iEndPointId = 0;
}
