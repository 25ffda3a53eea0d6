// The xcli operations the simulated array understands.
#pragma once
#include <functional>
#include <string>

#include "sim/Answer.h"
#include "sim/ArrayStore.h"
#include "sim/CliRequest.h"
#include "sim/Db.h"

namespace sim {

struct OpContext {
    Db& db;
    ArrayInfo array;
    const CliRequest& request;
    Answer& answer;
    // Consumes one pending lun-in-use fault; true when map_vol must be refused.
    std::function<bool()> takeLunFault;
};

struct OpDef {
    const char* name;
    void (*run)(OpContext&);
    bool write;    // changes the array: runs in a write transaction
    bool confirm;  // destructive: refused without -y
};

// Null for an operation this array does not know.
const OpDef* findOperation(const std::string& name);

// Runs `require`, the check that a listing's named object exists. A missing
// one gives the array's status for it, or, on an array of the empty-listings
// shape, an answer without objects: then true, and nothing is to be listed.
bool filterMatchesNothing(OpContext& ctx, const KindDef& kind,
                          const std::function<void()>& require);

// Operation bodies, one group per file.
void opVolList(OpContext&);
void opVolCreate(OpContext&);
void opVolResize(OpContext&);
void opVolDelete(OpContext&);
void opVolLock(OpContext&);
void opVolUnlock(OpContext&);
void opSnapshotCreate(OpContext&);
void opSnapshotDuplicate(OpContext&);
void opSnapshotRestore(OpContext&);
void opSnapshotDelete(OpContext&);
void opCgList(OpContext&);
void opCgCreate(OpContext&);
void opCgDelete(OpContext&);
void opCgAddVol(OpContext&);
void opCgRemoveVol(OpContext&);
void opCgSnapshotsCreate(OpContext&);
void opSnapGroupList(OpContext&);
void opSnapGroupDisband(OpContext&);
void opSnapGroupDelete(OpContext&);
void opHostList(OpContext&);
void opHostDefine(OpContext&);
void opHostAddPort(OpContext&);
void opHostRemovePort(OpContext&);
void opHostDelete(OpContext&);
void opHostConnectivityList(OpContext&);
void opMappingList(OpContext&);
void opVolMappingList(OpContext&);
void opMapVol(OpContext&);
void opUnmapVol(OpContext&);
void opPoolList(OpContext&);
void opConfigGet(OpContext&);

}  // namespace sim
