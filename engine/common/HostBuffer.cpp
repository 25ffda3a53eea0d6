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

// One exchange with a getter: the calls allowed, the buffer's capacity, the
// size argument of the next call and the buffer itself.
struct Exchange {
    explicit Exchange(const HostTextRequest& request)
        : limit(CallLimit(request)),
          capacity(std::min(std::max(request.bufferSize, 1), kMaxShort)),
          size(ClampSize(request.firstSizeArg < 0 ? capacity
                                                  : std::min(request.firstSizeArg, capacity))) {
        Reallocate(buffer, capacity);
    }
    // A larger buffer for the host's stated need; never a smaller one.
    void Grow(int need) {
        capacity = std::max<int>(capacity, need);
        Reallocate(buffer, capacity);
    }

    int limit;
    int capacity;
    short size;
    std::vector<char> buffer;
};

}  // namespace

HostTextResult ReadRecordText(const RecordTextGetter& getter, const HostTextRequest& request) {
    HostTextResult result;
    Exchange exchange(request);
    for (;;) {
        result.status = getter(exchange.buffer.data(), &exchange.size);
        ++result.calls;
        if (result.status != kRecordTooSmall || result.calls >= exchange.limit) break;
        // A need the 16-bit size cannot hold (or no need at all) is a
        // broken answer: stop and let the 2 stand as the failure.
        if (exchange.size <= 0) break;
        exchange.Grow(exchange.size);
    }
    result.text = TextOf(exchange.buffer);
    return result;
}

HostTextResult ReadServiceText(const ServiceTextGetter& getter, const HostTextRequest& request) {
    HostTextResult result;
    Exchange exchange(request);
    for (;;) {
        // The answer is 16-bit on the wire; anything wider was truncated.
        result.status = static_cast<short>(getter(exchange.buffer.data(), exchange.size));
        ++result.calls;
        if (result.status <= 0 || result.calls >= exchange.limit) break;
        exchange.size = static_cast<short>(result.status);
        exchange.Grow(exchange.size);
    }
    result.text = TextOf(exchange.buffer);
    return result;
}
