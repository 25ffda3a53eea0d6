#include "engine/boundary/EntryFrame.h"

#include "engine/common/RecordArray.h"
#include "host/rt/DebugLog.h"

const char* const kUnhandledExceptionText =
    "Unhandled exception. Possibly memory allocation error.";
const char* const kNoServiceObjectText = "Host service object is NULL.";

short ClampCount(const void* records, short count) {
    if (records == nullptr || count < 0) return 0;
    return count;
}

namespace {

// A failing host log must not turn a handled failure into a crash.
void LogThroughRecord(ZRSO::SnapInfo** infos, short count, const char* function, const char* text) {
    try {
        if (ZRSO::SnapInfo* first = FirstRecord(infos, count))
            first->log(ZRSO::LOG_ERROR, function, "%s", text);
    } catch (...) {
    }
}

void LogThroughDebugLog(const char* function, const char* text) {
    try {
        DebugLog log(nullptr);
        log.DebugLvl(function, DebugLog::kError, "%s", text);
    } catch (...) {
    }
}

}  // namespace

int RunSnapshotEntry(const char* function, ZRSO::SnapInfo** infos, short count,
                     ZRSO::ZROSUtil* osUtil, const SnapBody& body) {
    count = ClampCount(infos, count);
    if (count == 0) infos = nullptr;
    if (osUtil == nullptr) {
        LogThroughRecord(infos, count, function, kNoServiceObjectText);
        return 1;
    }
    try {
        return body(infos, count, osUtil);
    } catch (...) {
        LogThroughRecord(infos, count, function, kUnhandledExceptionText);
        return 1;
    }
}

int RunProvisioningEntry(const char* function, ZRSO::LUNInfo** luns, short count,
                         ZRSO::ZROSUtil* osUtil, const LunBody& body) {
    count = ClampCount(luns, count);
    if (count == 0) luns = nullptr;
    if (osUtil == nullptr) {
        LogThroughDebugLog(function, kNoServiceObjectText);
        return 1;
    }
    try {
        return body(luns, count, osUtil);
    } catch (...) {
        LogThroughDebugLog(function, kUnhandledExceptionText);
        return 1;
    }
}

int RunInventoryEntry(const char* function, ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil,
                      const InventoryBody& body) {
    if (inventory == nullptr || osUtil == nullptr) {
        LogThroughDebugLog(function, inventory == nullptr ? "Host inventory object is NULL."
                                                          : kNoServiceObjectText);
        return 1;
    }
    try {
        return body(inventory, osUtil);
    } catch (...) {
        LogThroughDebugLog(function, kUnhandledExceptionText);
        return 1;
    }
}
