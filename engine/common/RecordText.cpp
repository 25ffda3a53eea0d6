#include "engine/common/RecordText.h"

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
    return ReadText(
        [info](char* buffer, short* size) { return info->getSourceDevice(buffer, size); },
        bufferSize, device);
}

bool ReadSnapshotId(ZRSO::SnapInfo* info, int bufferSize, std::string& snapshotId) {
    return ReadText([info](char* buffer, short* size) { return info->getSnapshotId(buffer, size); },
                    bufferSize, snapshotId);
}
