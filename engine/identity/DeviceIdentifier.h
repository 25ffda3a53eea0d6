// The array behind a VMware disk, read from the device identifier the host
// gives for it: the storage target (Fibre Channel port name or iSCSI target
// name) and the transport, turned into the array serial in its decimal and
// hexadecimal forms.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// 1 with sArrayId (decimal, at least five digits), sArrayHexId and
// sTargetType set; 0 (logged through info) when the identifier is not an XIV
// disk's or its target cannot give a serial. jobId is accepted and not used.
int ParseDeviceIdentifier(unsigned long long jobId, std::string deviceId, XIVFilerSnapInfo& record,
                          ZRSO::SnapInfo* info);
