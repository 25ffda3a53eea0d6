#include "refhost/ErrorLines.h"

#include "host/rt/DebugLog.h"
#include "refhost/FailureReason.h"

namespace refhost {

ErrorLines& ErrorLines::instance() {
    // Never destroyed: the log may write while the process exits.
    static ErrorLines* lines = [] {
        auto* made = new ErrorLines;
        DebugLog::setErrorObserver([made](long long job, const char*, const std::string& message) {
            made->add(job, message);
        });
        return made;
    }();
    return *lines;
}

std::size_t ErrorLines::mark() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_ + lines_.size();
}

void ErrorLines::add(int64_t jobId, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back({jobId, message});
    if (lines_.size() > kKept) {
        lines_.pop_front();
        ++dropped_;
    }
}

std::string ErrorLines::since(std::size_t mark, int64_t jobId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string last;
    for (std::size_t i = mark > dropped_ ? mark - dropped_ : 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.job != jobId) continue;
        if (holdsArrayAnswer(line.message) || last.empty() || !holdsArrayAnswer(last))
            last = line.message;
    }
    return last;
}

}  // namespace refhost
