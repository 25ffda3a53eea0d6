#include "hostrt/LineBudget.h"

namespace hostrt {
namespace {

// Forms are few; jobs of a long-lived host are many. Past this the counts
// start again rather than grow without end.
constexpr std::size_t kMaxForms = 10000;

}  // namespace

bool LineBudget::admit(long long job, const char* function, const char* format, long long limit,
                       std::string* note) {
    note->clear();
    if (limit <= 0) return true;
    const std::string form = format ? format : "NULL";
    std::string key = std::to_string(job) + '\t' + (function ? function : "") + '\t' + form;
    long long seen;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (written_.size() >= kMaxForms) written_.clear();
        seen = ++written_[key];
    }
    if (seen <= limit) return true;
    long long left = seen - limit;
    if (left == 1)
        *note = "more than " + std::to_string(limit) + " lines of the form [" + form +
                "] in this job: further ones are counted, not written";
    else if (left % kNoteEvery == 0)
        *note = std::to_string(left) + " lines of the form [" + form + "] left out so far";
    return false;
}

}  // namespace hostrt
