// The end point id whose address goes to the host with every initiator-group
// list. Exported (boundary/exports.map names it); the plug-in never writes it.
#pragma once

#include "host/PluginExport.h"

extern "C" ZRSO_EXPORT int iEndPointId;
