// Runs a program with an argument vector (no shell), collecting its standard
// output. For tests that inspect built artefacts or drive helper programs.
#pragma once

#include <string>
#include <vector>

// Exit status of the program (127 when it could not be started, -1 when it
// did not exit normally); standard output in *out when given.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr);
