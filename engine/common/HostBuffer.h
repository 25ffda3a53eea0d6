// Runs a host text getter under the buffer protocol, growing the buffer as the
// host asks, and always ends: a getter that keeps answering "too small" is
// stopped and the call counts as failed.
#pragma once

#include <functional>
#include <string>

// Calls allowed where the protocol itself sets no limit.
constexpr int kHostBufferOpenCallLimit = 8;
// A record getter's answer: the buffer is too small, the size holds the need.
constexpr int kRecordTooSmall = 2;

struct HostTextResult {
    int status = -1;   // the host's last answer; 0 = text delivered
    int calls = 0;     // getter calls made
    std::string text;  // the buffer's text after the last call (also on failure)
    bool ok() const { return status == 0; }
};

struct HostTextRequest {
    int bufferSize = 4096;  // first buffer's capacity
    // Size argument of the first call; -1 = bufferSize. Never above bufferSize.
    int firstSizeArg = -1;
    // Calls allowed in all; 0 = the protocol sets none (kHostBufferOpenCallLimit).
    int maxCalls = 0;
};

// Record getters (SnapInfo, LUNInfo): answer 0 = delivered, 2 = too small with
// the need written back into *size, anything else = failure. On 2 the buffer
// is reallocated to the need (plus a terminator) and the getter asked again.
using RecordTextGetter = std::function<int(char* buffer, short* size)>;
HostTextResult ReadRecordText(const RecordTextGetter& getter, const HostTextRequest& request);

// Service getters (ZROSUtil array list and array info): answer 0 = delivered,
// above 0 = the size needed, below 0 = failure. The getter receives the
// capacity to announce; getters taking the size by pointer wrap it.
using ServiceTextGetter = std::function<int(char* buffer, short size)>;
HostTextResult ReadServiceText(const ServiceTextGetter& getter, const HostTextRequest& request);
