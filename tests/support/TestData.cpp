#include "TestData.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string TestDataPath(const std::string& name) {
    return std::string(ZRSO_SOURCE_DIR) + "/tests/data/" + name;
}

std::string TestData(const std::string& name) {
    std::ifstream in(TestDataPath(name), std::ios::binary);
    if (!in) throw std::runtime_error("no test data file " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string HexPage(const std::string& name) {
    std::istringstream lines(TestData(name));
    std::string digits, bytes;
    for (std::string line; std::getline(lines, line);)
        if (line.empty() || line[0] != '#')
            for (char c : line)
                if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2) throw std::runtime_error(name + ": an odd number of hex digits");
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

std::vector<std::vector<std::string>> TestTable(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(TestData(name));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        rows.emplace_back();
        for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
            tab = line.find('\t', start);
            rows.back().push_back(line.substr(start, tab - start));
        }
    }
    return rows;
}
