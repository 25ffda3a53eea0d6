// What zrso-host reads from the administrator: an array password, never
// shown (from the terminal with echo off, from a file, or from standard
// input), and the confirmation of a destructive step (a name typed on the
// terminal).
#pragma once

#include <string>

namespace refhost {

// Throws std::runtime_error when there is no terminal, the read fails or a
// signal ends it (the echo is restored either way).
std::string readPasswordFromTty(const std::string& prompt);
// The first line of the file; "-" reads standard input. *warning receives a
// note when others than the owner may read the file. Throws
// std::runtime_error when it cannot be read or holds no password.
std::string readPasswordFile(const std::string& path, std::string* warning);

// Whether standard input is a terminal someone can answer on.
bool haveTerminal();
// Shows the question on the terminal and reads one line, the answer.
// Throws std::runtime_error without a terminal or on a signal.
std::string askOnTerminal(const std::string& question);
// askOnTerminal; true when the answer is exactly `expected`.
bool confirmOnTerminal(const std::string& question, const std::string& expected);

}  // namespace refhost
