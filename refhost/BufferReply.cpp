#include "refhost/BufferReply.h"

#include <cstring>

namespace refhost {

int replyRecord(const std::string& text, char* buf, short* size) {
    if (!size) return kReplyFailed;
    size_t need = text.size() + 1;
    if (need > 32767) return kReplyFailed;
    if (!buf || *size < 0 || static_cast<size_t>(*size) < need) {
        *size = static_cast<short>(need);
        return kReplyTooSmall;
    }
    std::memcpy(buf, text.c_str(), need);
    return kReplyOk;
}

int replyService(const std::string& text, char* buf, int capacity, int limit) {
    size_t need = text.size() + 1;
    if (need > static_cast<size_t>(limit)) return kServiceTooLong;
    if (!buf || capacity < 0 || static_cast<size_t>(capacity) < need) return static_cast<int>(need);
    std::memcpy(buf, text.c_str(), need);
    return 0;
}

int copyOut(const std::string& text, char* buf, int capacity) {
    if (!buf || capacity <= 0 || text.size() + 1 > static_cast<size_t>(capacity)) {
        if (buf && capacity > 0) buf[0] = '\0';
        return 1;
    }
    std::memcpy(buf, text.c_str(), text.size() + 1);
    return 0;
}

}  // namespace refhost
