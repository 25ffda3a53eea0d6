// The text of one debug log line.
#pragma once

#include <string>

namespace hostrt {

// "time<TAB>pid<TAB>job<TAB>level<TAB>function<TAB>message\n" with the time in
// ISO 8601 UTC with milliseconds. Trailing line breaks of the message are
// dropped and inner ones written as the two characters \n (\r likewise), so a
// line is always one line; tabs and line breaks in the function name become
// blanks so the fields stay where they belong.
std::string formatLogLine(long long job, int level, const char* function,
                          const std::string& message);

}  // namespace hostrt
