// Presence of consistency groups and snapshot groups.
#include "xiv/Xiv.h"

bool Xiv::IsCgPresent(const std::string& group, std::string& pool, int& errorCode,
                      std::string& errorText) {
    errorCode = 0;
    OwnedList groups;
    xcli_.GetCGByName(group, groups.items, errorCode, errorText);
    if (errorCode != 0) return false;
    ConsistencyGroup* found = FirstOf<ConsistencyGroup>(groups.items);
    if (found == nullptr) return false;
    pool = found->pool;
    return true;
}

bool Xiv::IsSnapGroupPresent(const std::string& snapGroup, int& errorCode,
                             std::string& errorText) {
    errorCode = 0;
    OwnedList groups;
    // A missing group comes back as success with an empty listing.
    xcli_.GetSnapGroupByName(snapGroup, groups.items, errorCode, errorText);
    return errorCode == 0 && FirstOf<SnapGroup>(groups.items) != nullptr;
}
