// Settings of the snapshot side, read afresh on every call from the
// platform settings and the host's snapshot record. The provisioning side's
// xcli directory is XIVUtils::GetXCLIpath.
#pragma once

#include <string>

#include "host/ZRSO.h"

// 1 when the platform integer "~Trellis"/key exists (stored in *value), else 0.
int GetRegInt(const char* key, int* value);
// The xcli directory: platform "XCLI_BINARY_LOCATION", else the record's
// client directory setting; empty when neither has one.
std::string GetXCLIPath(ZRSO::SnapInfo* info);
// The xiv_devlist path from the platform settings; empty when not set.
std::string GetXIVDevListPath(ZRSO::SnapInfo* info);
// Seconds between mount retries when the settings give none (or 0).
constexpr int kDefaultRetrySeconds = 300;

// Seconds between mount retries; kDefaultRetrySeconds when unset or 0.
int GetXIVRetryInterval(ZRSO::SnapInfo* info);
// Non-zero when volumes are to be grouped in a consistency group.
int GetXIVUseConsistencyGroup(ZRSO::SnapInfo* info);
