// Its address goes to the host with every initiator-group list; the plug-in
// never writes it.
#include "host/PluginExport.h"

extern "C" {
ZRSO_EXPORT int iEndPointId = 0;
}
