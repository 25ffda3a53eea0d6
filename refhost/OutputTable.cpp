#include "refhost/OutputTable.h"

#include <algorithm>
#include <cctype>

#include "refhost/JsonText.h"

namespace refhost {
namespace {

bool looksNumeric(const std::string& s) {
    if (s.empty()) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// JSON keys are the column names in snake_case: "snap device" -> "snap_device".
std::string jsonKey(const std::string& column) {
    std::string key;
    for (char c : column) {
        bool word = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (word)
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!key.empty() && key.back() != '_')
            key += '_';
    }
    while (!key.empty() && key.back() == '_') key.pop_back();
    return key;
}

}  // namespace

OutputTable::OutputTable(std::vector<std::string> columns) {
    for (auto& c : columns) {
        bool jsonOnly = !c.empty() && c[0] == '~';
        std::string name = jsonOnly ? c.substr(1) : c;
        bool numeric = !name.empty() && name[0] == '#';
        jsonOnly_.push_back(jsonOnly);
        numeric_.push_back(numeric);
        columns_.push_back(numeric ? name.substr(1) : name);
    }
}

void OutputTable::add(std::vector<std::string> row) {
    row.resize(columns_.size());
    rows_.push_back(std::move(row));
}

void OutputTable::print(std::ostream& out) const {
    std::vector<size_t> width(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c) {
        width[c] = columns_[c].size();
        for (const auto& r : rows_) width[c] = std::max(width[c], r[c].size());
    }
    size_t lastShown = 0;
    for (size_t c = 0; c < columns_.size(); ++c)
        if (!jsonOnly_[c]) lastShown = c;
    auto line = [&](const std::vector<std::string>& cells, bool header) {
        std::string text;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (jsonOnly_[c]) continue;
            std::string cell = header ? cells[c] : cells[c];
            if (header)
                for (auto& ch : cell)
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            bool last = c == lastShown;
            if (numeric_[c] && !header)
                text += std::string(width[c] - cell.size(), ' ') + cell;
            else
                text += last ? cell : cell + std::string(width[c] - cell.size(), ' ');
            if (!last) text += "  ";
        }
        out << text << "\n";
    };
    line(columns_, true);
    for (const auto& r : rows_) line(r, false);
}

std::string OutputTable::json() const {
    std::string out = "[";
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (r) out += ",";
        out += "{";
        for (size_t c = 0; c < columns_.size(); ++c) {
            if (c) out += ",";
            out += jsonString(jsonKey(columns_[c])) + ":";
            const std::string& v = rows_[r][c];
            out += numeric_[c] && looksNumeric(v) ? v : jsonString(v);
        }
        out += "}";
    }
    out += "]";
    return out;
}

}  // namespace refhost
