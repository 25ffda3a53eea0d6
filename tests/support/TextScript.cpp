#include "TextScript.h"

#include "Recorded.h"

int TextScript::serve(char* buffer, int offered, bool* tooSmall) {
    sizesOffered_.push_back(offered);
    const TextStep step = next_ < queue_.size() ? queue_[next_++] : forever_;
    const int needed = static_cast<int>(text_.size()) + 1;
    *tooSmall =
        step.kind == TextStep::kTooSmall || (step.kind == TextStep::kFaithful && needed > offered);
    if (step.kind == TextStep::kFail) return step.value;
    if (*tooSmall) return step.value >= 0 ? step.value : needed;
    CopyInto(buffer, offered, text_);
    return 0;
}

int TextScript::serveRecord(char* buffer, short* size) {
    bool tooSmall = false;
    const int answer = serve(buffer, size ? *size : 0, &tooSmall);
    if (!tooSmall) return answer;
    if (size) *size = static_cast<short>(answer);
    return 2;
}

int TextScript::serveService(char* buffer, int size) {
    bool tooSmall = false;
    const int answer = serve(buffer, size, &tooSmall);
    return tooSmall ? static_cast<short>(answer) : answer;
}
