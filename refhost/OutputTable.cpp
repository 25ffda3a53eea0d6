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

}  // namespace

OutputTable::OutputTable(std::vector<std::string> columns) {
    for (auto& c : columns) {
        bool numeric = !c.empty() && c[0] == '#';
        numeric_.push_back(numeric);
        columns_.push_back(numeric ? c.substr(1) : c);
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
    auto line = [&](const std::vector<std::string>& cells, bool header) {
        std::string text;
        for (size_t c = 0; c < cells.size(); ++c) {
            std::string cell = header ? cells[c] : cells[c];
            if (header)
                for (auto& ch : cell) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            bool last = c + 1 == cells.size();
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
            out += jsonString(columns_[c]) + ":";
            const std::string& v = rows_[r][c];
            out += numeric_[c] && looksNumeric(v) ? v : jsonString(v);
        }
        out += "}";
    }
    out += "]";
    return out;
}

}  // namespace refhost
