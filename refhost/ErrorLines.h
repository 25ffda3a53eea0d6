// The error lines the runtime's log writes in this process, kept (the last
// few hundred) so that a failure can be explained on screen and not only in
// the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace refhost {

class ErrorLines {
public:
    // The process's collection; it starts listening to the log on first use.
    static ErrorLines& instance();

    // A position: what is written after it is "since" it.
    std::size_t mark() const;
    // The most telling error line of the job written since the mark: the
    // last that holds an array answer, else the last. Empty when none.
    std::string since(std::size_t mark, int64_t jobId) const;

    void add(int64_t jobId, const std::string& message);

private:
    struct Line {
        int64_t job;
        std::string message;
    };
    static constexpr std::size_t kKept = 256;

    mutable std::mutex mutex_;
    std::deque<Line> lines_;
    std::size_t dropped_ = 0;  // lines before the first one kept
};

}  // namespace refhost
