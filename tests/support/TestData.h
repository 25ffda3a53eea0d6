// Canned answers and pages under tests/data, shared with the fuzz seeds:
// XCLI answers as .xml, VPD pages as .hex, attribute strings as .txt.
#pragma once

#include <string>
#include <vector>

std::string TestDataPath(const std::string& name);
// The whole file; throws when it cannot be read, so a missing file is
// never taken for an empty answer.
std::string TestData(const std::string& name);
// A page written as hex: lines starting with '#' are comments, the rest
// hex digit pairs, white space anywhere.
std::string HexPage(const std::string& name);
// A table of cases: a row per line, fields split at tabs (an empty last
// field kept); empty lines and lines starting with '#' are comments.
std::vector<std::vector<std::string>> TestTable(const std::string& name);
