// The text of one debug log line.
#pragma once

#include <cstddef>
#include <string>

namespace hostrt {

// "time<TAB>pid<TAB>job<TAB>level<TAB>function<TAB>message\n" with the time in
// ISO 8601 UTC with milliseconds. Trailing line breaks of the message are
// dropped and inner ones written as the two characters \n (\r likewise), so a
// line is always one line; tabs and line breaks in the function name become
// blanks so the fields stay where they belong.
std::string formatLogLine(long long job, int level, const char* function,
                          const std::string& message);

// Longest message a log line holds whole. A longer one (a whole xcli answer
// of a big array runs to megabytes) keeps its head and tail around a note of
// its full length.
constexpr std::size_t kMaxLoggedMessage = 4096;
std::string boundedMessage(std::string message);

}  // namespace hostrt
