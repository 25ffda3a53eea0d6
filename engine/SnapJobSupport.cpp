#include "engine/SnapJobSupport.h"

#include "engine/EntryFrame.h"
#include "engine/common/HostBuffer.h"

namespace {

bool ReadText(const RecordTextGetter& getter, int bufferSize, std::string& text) {
    HostTextRequest request;
    request.bufferSize = bufferSize;
    HostTextResult result = ReadRecordText(getter, request);
    if (!result.ok()) return false;
    text = result.text;
    return true;
}

}  // namespace

bool ReadSourceDevice(ZRSO::SnapInfo* info, int bufferSize, std::string& device) {
    return ReadText([info](char* buffer, short* size) { return info->getSourceDevice(buffer, size); },
                    bufferSize, device);
}

bool ReadSnapshotId(ZRSO::SnapInfo* info, int bufferSize, std::string& snapshotId) {
    return ReadText([info](char* buffer, short* size) { return info->getSnapshotId(buffer, size); },
                    bufferSize, snapshotId);
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
