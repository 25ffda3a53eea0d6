#include "TextScript.h"

#include "Recorded.h"

TextScript& TextScript::then(const TextStep& step) {
    queue_.push_back(step);
    return *this;
}

TextScript& TextScript::forever(const TextStep& step) {
    hasForever_ = true;
    forever_ = step;
    return *this;
}

void TextScript::reset() {
    queue_.clear();
    next_ = 0;
    hasForever_ = false;
    sizesOffered_.clear();
}

TextStep TextScript::nextStep(bool* faithful) {
    *faithful = false;
    if (next_ < queue_.size()) return queue_[next_++];
    if (hasForever_) return forever_;
    *faithful = true;
    return TextStep();
}

int TextScript::serveRecord(char* buffer, short* size) {
    int offered = size ? *size : 0;
    sizesOffered_.push_back(offered);
    bool faithful = false;
    TextStep step = nextStep(&faithful);
    if (step.kind == TextStep::kFail) return step.code;
    if (step.kind == TextStep::kTooSmall || (faithful && needed() > offered)) {
        if (size) *size = static_cast<short>(step.need >= 0 ? step.need : needed());
        return 2;
    }
    CopyInto(buffer, offered, text_);
    return 0;
}

int TextScript::serveService(char* buffer, int size) {
    sizesOffered_.push_back(size);
    bool faithful = false;
    TextStep step = nextStep(&faithful);
    if (step.kind == TextStep::kFail) return step.code;
    if (step.kind == TextStep::kTooSmall || (faithful && needed() > size)) {
        return static_cast<short>(step.need >= 0 ? step.need : needed());
    }
    CopyInto(buffer, size, text_);
    return 0;
}
