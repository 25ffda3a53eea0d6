// The consistency-group stage of a prepare: gathers the volumes the device
// pass prepared into one array consistency group, so that a single group
// snapshot covers them all, and rewrites their metadata in its group form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// "ZR_CG_<fleet number in upper-case hex>_<application id>".
std::string ConsistencyGroupName(int fleetNumber, int appId);
// "QS_2_<job id>_<time stamp>".
std::string SnapGroupName(int64_t jobId, int64_t stamp);

// Every present record first gets status 2; only a stage that runs to its
// end sets 1 again, on the records of prepared (through their
// nDeviceIndex). Failures go to the first present record. prepared must not
// be empty: its first entry supplies the login and the pool.
void RunConsistencyGroupStage(ZRSO::SnapInfo** infos, short count, int64_t jobId, int64_t stamp,
                              std::vector<XIVFilerSnapInfo>& prepared);
