#include "engine/common/RecordArray.h"

int ResultConvention(long succeeded, long total) {
    if (succeeded <= 0 || total <= 0) return 1;
    return succeeded >= total ? 0 : 2;
}

int SettleStatuses(ZRSO::SnapInfo** infos, short count, int success, int failure) {
    long succeeded = 0;
    for (int i = 0; i < count; ++i) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, i);
        if (info == nullptr) continue;
        if (info->getStatus() == success) {
            ++succeeded;
        } else {
            info->setStatus(failure);
        }
    }
    return ResultConvention(succeeded, count);
}

int WorkEachRecord(ZRSO::SnapInfo** infos, short count,
                   const std::function<bool(ZRSO::SnapInfo*)>& work) {
    long done = 0;
    for (int i = 0; i < count; ++i)
        if (ZRSO::SnapInfo* info = RecordAt(infos, count, i))
            if (work(info)) ++done;
    return ResultConvention(done, count);
}

ZRSO::SnapInfo* RecordAt(ZRSO::SnapInfo** infos, short count, int index) {
    if (infos == nullptr || index < 0 || index >= count) return nullptr;
    return infos[index];
}

ZRSO::LUNInfo* LunAt(ZRSO::LUNInfo** luns, short count, int index) {
    if (luns == nullptr || index < 0 || index >= count) return nullptr;
    return luns[index];
}

ZRSO::SnapInfo* FirstRecord(ZRSO::SnapInfo** infos, short count) {
    for (int i = 0; i < count; ++i) {
        if (ZRSO::SnapInfo* info = RecordAt(infos, count, i)) return info;
    }
    return nullptr;
}
