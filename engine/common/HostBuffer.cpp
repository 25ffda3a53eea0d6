#include "engine/common/HostBuffer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxShort = 32767;

int CallLimit(const HostTextRequest& request) {
    return request.maxCalls > 0 ? request.maxCalls : kHostBufferOpenCallLimit;
}

// One zero byte beyond what the host is told about, so a host that fills
// the buffer without a terminator still leaves readable text.
void Reallocate(std::vector<char>& buffer, int capacity) {
    buffer.assign(static_cast<size_t>(capacity) + 1, '\0');
}

std::string TextOf(const std::vector<char>& buffer) {
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

short ClampSize(int size) { return static_cast<short>(std::min(std::max(size, 0), kMaxShort)); }

}  // namespace

HostTextResult ReadRecordText(const RecordTextGetter& getter, const HostTextRequest& request) {
    HostTextResult result;
    const int limit = CallLimit(request);
    int capacity = std::min(std::max(request.bufferSize, 1), kMaxShort);
    short size = ClampSize(request.firstSizeArg < 0 ? capacity
                                                    : std::min(request.firstSizeArg, capacity));
    std::vector<char> buffer;
    Reallocate(buffer, capacity);
    for (;;) {
        result.status = getter(buffer.data(), &size);
        ++result.calls;
        if (result.status != kRecordTooSmall || result.calls >= limit) break;
        // A need the 16-bit size cannot hold (or no need at all) is a
        // broken answer: stop and let the 2 stand as the failure.
        if (size <= 0) break;
        capacity = std::max<int>(capacity, size);
        Reallocate(buffer, capacity);
    }
    result.text = TextOf(buffer);
    return result;
}

HostTextResult ReadServiceText(const ServiceTextGetter& getter, const HostTextRequest& request) {
    HostTextResult result;
    const int limit = CallLimit(request);
    int capacity = std::min(std::max(request.bufferSize, 1), kMaxShort);
    short size = ClampSize(request.firstSizeArg < 0 ? capacity
                                                    : std::min(request.firstSizeArg, capacity));
    std::vector<char> buffer;
    Reallocate(buffer, capacity);
    for (;;) {
        // The answer is 16-bit on the wire; anything wider was truncated.
        result.status = static_cast<short>(getter(buffer.data(), size));
        ++result.calls;
        if (result.status <= 0 || result.calls >= limit) break;
        size = static_cast<short>(result.status);
        capacity = std::max<int>(capacity, size);
        Reallocate(buffer, capacity);
    }
    result.text = TextOf(buffer);
    return result;
}
