// Reading an array password without it ever being shown: from the terminal
// with echo off, or from the first line of a file.
#pragma once

#include <string>

namespace refhost {

// Throws std::runtime_error when there is no terminal or the read fails.
std::string readPasswordFromTty(const std::string& prompt);
// Throws std::runtime_error when the file cannot be read or is empty.
std::string readPasswordFile(const std::string& path);

}  // namespace refhost
