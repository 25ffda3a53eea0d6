// One host text answer under the buffer protocol, scriptable call by call.
//
// Without a script the answer is the faithful host's: the text when it fits
// (with its terminator) in the size offered, otherwise "too small" with the
// size it needs. Queued steps answer the next calls one each; after them the
// "forever" step (if set) or the faithful answer applies again.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TextStep {
    enum Kind { kFaithful, kTooSmall, kFail };
    Kind kind = kFaithful;
    int value = -1;  // kFail: the answer; kTooSmall: the size reported (-1: what the text needs)

    // Answer "too small" (record protocol: 2 and *size = need; service
    // protocol: need). A need beyond 32767 is passed on wrapped, as a
    // 16-bit host would.
    static TextStep TooSmall(int need = -1) { return TextStep{kTooSmall, need}; }
};

class TextScript {
public:
    TextScript() = default;
    TextScript(std::string text) : text_(std::move(text)) {}  // NOLINT: set from text
    void operator=(const std::string& text) { text_ = text; }

    const std::string& text() const { return text_; }

    // Queue an answer for the next call.
    void then(const TextStep& step) { queue_.push_back(step); }
    // Once the queue is used up: answer this code, or "too small", on every call.
    void failAlways(int code) { forever_ = TextStep{TextStep::kFail, code}; }
    void tooSmallForever(int need = -1) { forever_ = TextStep::TooSmall(need); }
    // Back to the faithful host; the call log is cleared too.
    void reset() { *this = TextScript(text_); }

    int calls() const { return static_cast<int>(sizesOffered_.size()); }
    // The size argument of every call, in order.
    const std::vector<int>& sizesOffered() const { return sizesOffered_; }

    // Record protocol (SnapInfo, LUNInfo): 0 delivered / 2 too small with
    // *size = need / failure code. The whole announced buffer is written, so
    // a caller announcing more than it allocated is caught by ASan.
    int serveRecord(char* buffer, short* size);
    // Service protocol (ZROSUtil): 0 delivered / need (> 0) / failure code.
    int serveService(char* buffer, int size);

private:
    // The failure code, or the need when too small (> 0), or 0 after
    // delivering the text.
    int serve(char* buffer, int offered, bool* tooSmall);

    std::string text_;
    std::vector<TextStep> queue_;
    size_t next_ = 0;
    TextStep forever_;
    std::vector<int> sizesOffered_;
};
