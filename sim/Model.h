// Lookups and changes of array objects shared by the xcli operations and
// the admin tool. Failures an array would report throw XcliError.
#pragma once
#include <cstdint>
#include <string>

#include "sim/Answer.h"
#include "sim/Db.h"

namespace sim {

// XIV allocates in units of 2^34 bytes (16 GiB), which it shows as 17 GB.
// Sizes are kept in those GB; whole units convert exactly.
constexpr std::int64_t kAllocationGb = 17;
constexpr std::int64_t kUnitMiB = 16384;
constexpr std::int64_t kUnitBlocks = std::int64_t{1} << 25;  // 512-byte blocks
constexpr std::int64_t kMaxSizeGb = 1000000;
constexpr std::int64_t kMaxSizeBlocks = kMaxSizeGb / kAllocationGb * kUnitBlocks;
std::int64_t roundUpGb(std::int64_t gb);
// Blocks rounded up to whole units, in GB.
std::int64_t gbOfBlocks(std::int64_t blocks);
// A GB figure in MiB, in blocks and in bytes (truncated between units).
std::int64_t mibOfGb(std::int64_t gb);
std::int64_t blocksOfGb(std::int64_t gb);
std::int64_t bytesOfGb(std::int64_t gb);

struct Volume {
    std::int64_t id = 0, serial = 0, poolId = 0, sizeGb = 0, usedGb = 0;
    std::int64_t masterId = 0, cgId = 0, sgId = 0;
    bool locked = false;
    std::string name, wwn;
    bool isSnapshot() const { return masterId != 0; }
};

struct PoolSpace {
    std::int64_t id = 0, hardGb = 0, softGb = 0, snapshotGb = 0;
    std::int64_t usedByVolumesGb = 0, usedBySnapshotsGb = 0;
    bool locked = false;
    std::int64_t emptySoftGb() const { return softGb - usedByVolumesGb - snapshotGb; }
    std::int64_t emptyHardGb() const { return hardGb - usedByVolumesGb - snapshotGb; }
};

bool findVolume(Db& db, const std::string& name, Volume& out);
bool findVolumeById(Db& db, std::int64_t id, Volume& out);
Volume requireVolume(Db& db, const std::string& name);           // VOLUME_BAD_NAME
std::int64_t requirePool(Db& db, const std::string& name);       // POOL_DOES_NOT_EXIST
std::int64_t requireHost(Db& db, const std::string& name);       // HOST_BAD_NAME
std::int64_t requireCg(Db& db, const std::string& name);         // CONS_GROUP_BAD_NAME
std::int64_t requireSnapGroup(Db& db, const std::string& name);  // SNAPSHOT_GROUP_BAD_NAME
bool exists(Db& db, const char* sql, const std::string& name);
void requireFreeVolumeName(Db& db, const std::string& name);  // VOLUME_EXISTS

PoolSpace poolSpace(Db& db, std::int64_t poolId);

// A new master volume (size already rounded), checked against the pool's
// free soft space (NOT_ENOUGH_SPACE). An empty `wwn` gives the array's own
// WWN; a given one (already checked) must be free. Returns its id.
std::int64_t createVolume(Db& db, const std::string& name, std::int64_t poolId, std::int64_t sizeGb,
                          const std::string& creator, const std::string& wwn = std::string());
// A new locked snapshot of `master` that charges `chargeGb` to the pool's
// snapshot reserve (POOL_SNAPSHOT_LIMIT_REACHED when it does not fit).
std::int64_t createSnapshot(Db& db, const std::string& name, const Volume& master,
                            std::int64_t chargeGb, std::int64_t sgId);
// Mapping of a volume to a host; LUN_ALREADY_IN_USE, VOLUME_ALREADY_ASSIGNED.
void mapVolume(Db& db, std::int64_t hostId, std::int64_t volId, std::int64_t lun);
// The smallest LUN from 1 free on the host.
std::int64_t freeLun(Db& db, std::int64_t hostId);
// A host object with its ports (HOST_NAME_EXISTS, HOST_PORT_EXISTS).
std::int64_t defineHost(Db& db, const std::string& name);
void addHostPort(Db& db, std::int64_t hostId, const std::string& port, bool iscsi);

}  // namespace sim
