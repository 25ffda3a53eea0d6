// The host's text answers. Two conventions are in use at the boundary:
// record getters answer 0 (delivered) or 2 (too small, *size = need); the
// service object's list and info calls answer 0 or the positive size needed.
// Needs always count the terminating NUL.
#pragma once

#include <string>

namespace refhost {

// Record convention. A null buffer or size, or a need beyond what a 16-bit
// size can carry, answers kReplyFailed.
constexpr int kReplyOk = 0;
constexpr int kReplyTooSmall = 2;
constexpr int kReplyFailed = 1;
int replyRecord(const std::string& text, char* buf, short* size);

// Service convention: 0 delivered; > 0 the size to use; < 0 failure.
constexpr int kServiceTooLong = -2;
int replyService(const std::string& text, char* buf, int capacity, int limit = 32767);

// Fixed-capacity copy for the inventory getters: 0 copied, 1 does not fit.
int copyOut(const std::string& text, char* buf, int capacity);

}  // namespace refhost
