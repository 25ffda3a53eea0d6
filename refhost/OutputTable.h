// Command output: an aligned table for people, or a JSON array of objects
// (one per row, keyed by the column names in snake_case) for scripts.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace refhost {

class OutputTable {
public:
    // A column whose name starts with '#' holds numbers (unquoted in JSON);
    // the '#' is not shown. One whose name starts with '~' is in the JSON
    // only (a status number beside its name, say): "~#status".
    explicit OutputTable(std::vector<std::string> columns);

    void add(std::vector<std::string> row);
    size_t size() const { return rows_.size(); }

    void print(std::ostream& out) const;
    std::string json() const;

private:
    std::vector<std::string> columns_;
    std::vector<bool> numeric_;
    std::vector<bool> jsonOnly_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace refhost
