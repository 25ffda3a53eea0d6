// One host text answer under the buffer protocol, scriptable call by call.
//
// Without a script the answer is the faithful host's: the text when it fits
// (with its terminator) in the size offered, otherwise "too small" with the
// size it needs. Queued steps answer the next calls one each; after them the
// "forever" mode (if set) or the faithful answer applies again.
#pragma once

#include <string>
#include <vector>

struct TextStep {
    enum Kind { kDeliver, kTooSmall, kFail };
    Kind kind = kDeliver;  // answer 0 with the text, cut to the size offered
    int code = 0;          // kFail: the answer
    int need = -1;         // kTooSmall: the size reported; -1 = what the text needs

    // Answer "too small" (record protocol: 2 and *size = need; service
    // protocol: need). A need beyond 32767 is passed on wrapped, as a
    // 16-bit host would.
    static TextStep TooSmall(int need = -1) {
        TextStep s;
        s.kind = kTooSmall;
        s.need = need;
        return s;
    }
    // Answer this code and write nothing.
    static TextStep Fail(int code) {
        TextStep s;
        s.kind = kFail;
        s.code = code;
        return s;
    }
};

class TextScript {
public:
    TextScript() = default;
    TextScript(std::string text) : text_(std::move(text)) {}  // NOLINT: set from text
    TextScript(const char* text) : text_(text) {}             // NOLINT: set from text
    TextScript& operator=(const std::string& text) {
        text_ = text;
        return *this;
    }
    TextScript& operator=(const char* text) {
        text_ = text;
        return *this;
    }

    const std::string& text() const { return text_; }
    void setText(const std::string& text) { text_ = text; }

    // Queue answers for the next calls, in order.
    TextScript& then(const TextStep& step);
    // Once the queue is used up: answer this step on every call.
    TextScript& forever(const TextStep& step);
    TextScript& failAlways(int code) { return forever(TextStep::Fail(code)); }
    TextScript& tooSmallForever(int need = -1) { return forever(TextStep::TooSmall(need)); }
    // Back to the faithful host; the call log is cleared too.
    void reset();

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
    TextStep nextStep(bool* faithful);
    int needed() const { return static_cast<int>(text_.size()) + 1; }

    std::string text_;
    std::vector<TextStep> queue_;
    size_t next_ = 0;
    bool hasForever_ = false;
    TextStep forever_;
    std::vector<int> sizesOffered_;
};
