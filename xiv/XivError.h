// The outcome of an array operation: a code (0 success; -1 failure, or
// another non-zero value an operation names) and a text that says why. An
// operation only appends to the text, unless it says otherwise, so that a
// caller may gather what several steps said.
#pragma once

#include <string>

struct XivError {
    int code = 0;
    std::string text;

    bool failed() const { return code != 0; }
    void clear() {
        code = 0;
        text.clear();
    }
};
