#include "xiv/XivErrorTable.h"

#include <cstring>

// Row order matters: lookups take the first equal name, and the unnamed row
// answers the empty name with the "unknown" code.
extern "C" ZRSO_EXPORT const XivErrorEntry xiv_errors[XIV_ERROR_COUNT] = {
    {61017, "VOLUME_BAD_NAME", "Volume or Snapshot Not found on array."},
    {61018, "MAX_VOLUMES_REACHED", "Maximum number of volumes possible is reached."},
    {61019, "SNAPSHOT_ILLEGAL_PRIORITY", "Snapshot priority is illegal."},
    {61020, "VOLUME_IS_SNAPSHOT", "It is not possible to take snapshot of a snapshot."},
    {61021, "VOLUME_EXISTS", "There is already a volume with that name."},
    {61022, "VOLUME_BAD_PREFIX", "Volume name has bad prefix."},
    {61023, "VOLUME_DATA_MIGRATION_UNSYNCHRONIZED", ""},
    {61024, "OVERWRITE_SNAPSHOT_BAD_NAME", "Destination snapshot is not present."},
    {61025, "OVERWRITE_SNAPSHOT_IS_MASTER", "Master snapshot cannot be overwritten."},
    {61026, "SNAPSHOT_OVERWRITE_MISMATCH", ""},
    {61027, "SNAPSHOT_IS_PART_OF_SNAPSHOT_GROUP",
     "Snapshot part of a snapshot-group cannot accept individual operations."},
    {61028, "SNAPSHOT_IS_INTERNAL", "SNAPSHOT_IS_INTERNAL"},
    {61029, "POOL_SNAPSHOT_LIMIT_REACHED", "Pool snapshot limit reached. It needs more diskspace."},
    {61030, "VOLUME_IS_NOT_CONSISTENT_SLAVE", "VOLUME_IS_NOT_CONSISTENT_SLAVE"},
    {61031, "VOLUME_IS_NOT_A_SNAPSHOT", "VOLUME_IS_NOT_A_SNAPSHOT"},
    {61032, "VOLUME_HAS_DATA_MIGRATION", "VOLUME_HAS_DATA_MIGRATION"},
    {61033, "NOT_ENOUGH_SPACE", "Disk full."},
    {61034, "VOLUME_HAS_MIRROR", "VOLUME_HAS_MIRROR"},
    {61035, "VOLUME_LOCKED", "Locked volumes cannot be written to."},
    {61036, "SNAPSHOTS_BELONG_TO_DIFFERENT_MASTERS", "SNAPSHOTS_BELONG_TO_DIFFERENT_MASTERS"},
    {61039, "TARGET_SNAPSHOT_IS_MASTER", "TARGET_SNAPSHOT_IS_MASTER"},
    {61040, "TARGET_SNAPSHOT_SAME_AS_SNAPSHOT", "TARGET_SNAPSHOT_SAME_AS_SNAPSHOT"},
    {61041, "SNAPSHOT_IS_MAPPED", "Snapshot is mapped."},
    {61042, "VOLUME_IS_SLAVE", "VOLUME_IS_SLAVE"},
    {61043, "VOLUME_BAD_SERIAL", "Volume id is wrong."},
    {61044, "HOST_BAD_NAME", "No host with that name."},
    {61045, "CLUSTER_BAD_NAME", "No cluster with that name."},
    {61046, "HOST_BELONGS_TO_CLUSTER", "HOST_BELONGS_TO_CLUSTER"},
    {61047, "VOLUME_ALREADY_ASSIGNED", "VOLUME_ALREADY_ASSIGNED"},
    {61048, "LUN_ALREADY_IN_USE", "LUN_ALREADY_IN_USE"},
    {61049, "EXT_LUN_ILLEGAL", "EXT_LUN_ILLEGAL"},
    {61050, "XCLI_NOT_INSTALLED",
     "XCLI command is not installed or not in path. If installed, please set "
     "Trellis\\XCLI_BINARY_LOCATION."},
    {61053, "INCORRECT_PASSWORD", "Incorrect password."},
    {61053, "USER_NAME_DOES_NOT_EXIST", "Unknown user."},
    {61053, "MISSING_PASSWORD", "Password not given."},
    {61053, "MISSING_USERNAME", "USer name not given."},
    {61054, "NO_CONNECTION", "Unable to make a network connection to array"},
    {44103, "", "I do not recognize this error."},
    {61056, "MAPPING_IS_NOT_DEFINED", "Mapping between given host and volume does not exist"},
    {61058, "CONS_GROUP_NAME_EXIST", "Consistency Group name already exists."},
    {61059, "POOL_DOES_NOT_EXIST", "Storage Pool does not exist."},
    {61060, "MAX_CONS_GROUPS_REACHED", "Maximum number of Consistency Groups already defined."},
    {61061, "MAX_VOLUMES_IN_CG_REACHED", "Consistency Group contains maximum number of volumes."},
    {61062, "CONS_GROUP_BAD_NAME", "Consistency Group name does not exist."},
    {61063, "SNAPSHOT_GROUP_NAME_EXISTS", "Snapshot Group name already exists."},
    {61064, "SNAPSHOT_GROUP_BAD_NAME", "Snapshot Group name does not exist."},
    {61065, "CONS_GROUP_EMPTY", "Operation is not allowed on an empty Consistency Group."},
    // Names real arrays answer with, each given the code and sentence of the
    // row it is nearest to. They follow the rows above, which keep their place.
    {61058, "CONS_GROUP_NAME_EXISTS", "Consistency Group name already exists."},
    {61061, "MAX_VOLUMES_IN_CONS_GROUP_REACHED",
     "Consistency Group contains maximum number of volumes."},
    {61033, "CAN_NOT_SHRINK_VOLUME", "Disk full."},
    {61050, "UNRECOGNIZED_COMMAND",
     "XCLI command is not installed or not in path. If installed, please set "
     "Trellis\\XCLI_BINARY_LOCATION."},
    {61022, "ILLEGAL_NAME", "Volume name has bad prefix."},
    {61049, "ILLEGAL_VALUE", "EXT_LUN_ILLEGAL"},
    {61049, "BAD_PARAMS", "EXT_LUN_ILLEGAL"},
    {61053, "LOGIN_FAILURE_USER_FAILED_TO_LOGIN", "Incorrect password."},
    {61053, "USER_OR_PASSWORD_WRONG_OR_MISSING", "Incorrect password."},
    {61053, "DEFAULT_USER_IS_NOT_DEFINED", "Incorrect password."},
};

namespace {

const XivErrorEntry* find(const std::string& name) {
    for (const XivErrorEntry& row : xiv_errors)
        if (name.size() == std::strlen(row.name) && name.compare(row.name) == 0) return &row;
    return nullptr;
}

}  // namespace

int XivErrStrToInt(const std::string& name) {
    const XivErrorEntry* row = find(name);
    return row ? row->code : XIV_ERROR_UNKNOWN;
}

const char* XivErrStrToDesc(const std::string& name) {
    if (name.empty()) return "";
    const XivErrorEntry* row = find(name);
    return row ? row->description : "";
}
