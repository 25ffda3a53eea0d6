// Word splitting for ProcessRunner. Deliberately small: blanks and tabs
// outside double quotes separate words; double quotes group and are removed,
// as a POSIX shell removes them ("" is an empty word). Nothing is expanded or
// interpreted: $, backquotes, globs, ;, |, &, <, >, single quotes and
// backslashes are ordinary characters, so text taken from outside can never
// become a second command or a redirection.
#include "host/rt/ProcessRunner.h"

bool ProcessRunner::splitCommandLine(const std::string& line, std::vector<std::string>* words) {
    if (!words) return false;
    words->clear();
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words->push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        words->clear();
        return false;
    }
    if (inWord) words->push_back(word);
    return true;
}
