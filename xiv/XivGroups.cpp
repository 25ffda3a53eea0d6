// Presence of consistency groups and snapshot groups.
#include "xiv/Xiv.h"

bool Xiv::IsCgPresent(const std::string& group, std::string& pool, XivError& error) {
    error.code = 0;
    ResourceList groups;
    xcli_.GetCGByName(group, groups, error);
    if (error.code != 0) return false;
    ConsistencyGroup* found = FirstOf<ConsistencyGroup>(groups);
    if (found == nullptr) return false;
    pool = found->pool;
    return true;
}

bool Xiv::IsSnapGroupPresent(const std::string& snapGroup, XivError& error) {
    error.code = 0;
    ResourceList groups;
    // A missing group comes back as success with an empty listing.
    xcli_.GetSnapGroupByName(snapGroup, groups, error);
    return error.code == 0 && FirstOf<SnapGroup>(groups) != nullptr;
}
