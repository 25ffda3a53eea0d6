// A bound on how many lines of one form a job writes to the log. A loop over
// a big array (an inventory of 100,000 volumes writes lines per volume)
// would otherwise fill the log with one form: past the bound the lines of
// that form are counted, and a note now and then tells how many were left out.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

namespace hostrt {

class LineBudget {
public:
    // How many left-out lines one note covers.
    static constexpr long long kNoteEvery = 10000;

    // Whether this line goes to the log. *note receives a line to write in
    // its place (or beside it) when one is due, else stays empty.
    // limit <= 0: no bound.
    bool admit(long long job, const char* function, const char* format, long long limit,
               std::string* note);

private:
    std::mutex mutex_;
    std::unordered_map<std::string, long long> written_;
};

}  // namespace hostrt
