// Failure texts for people. The plug-in's error text of a record, or an
// error line of the log, often carries a whole XCLI answer; where the array
// answered, its status name becomes one sentence.
#pragma once

#include <string>

namespace refhost {

struct Reason {
    std::string status;  // the array's status name, when the text holds an answer
    std::string text;    // one line for people
    std::string hint;    // the next step, when one is known
};

// code: the plug-in's error code of the record (0 when none).
Reason explainFailure(const std::string& raw, int code = 0);

// The sentence for an XCLI status name; empty when the name is not known.
std::string statusSentence(const std::string& status);

// A hint with its ARRAY and JOB filled in (each left as it is when empty).
std::string fillHint(std::string hint, const std::string& array, const std::string& job = "");

// True when the text carries an array answer or an xcli failure.
bool holdsArrayAnswer(const std::string& raw);

}  // namespace refhost
