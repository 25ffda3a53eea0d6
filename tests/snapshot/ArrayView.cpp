#include "ArrayView.h"

#include <sstream>

#include "support/RunProgram.h"
#include "support/SimArray.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// The simulator quotes every CSV value; names never hold a quote or comma.
std::vector<std::string> CsvRow(const std::string& line) {
    std::vector<std::string> values;
    for (std::string value : Split(line, ',')) {
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        values.push_back(value);
    }
    return values;
}

}  // namespace

ArrayView::ArrayView(std::string address, std::string user, std::string password)
    : address_(std::move(address)), user_(std::move(user)), password_(std::move(password)) {}

std::vector<std::string> ArrayView::Prefix() const {
    return {BuiltProgram("xcli"), "-u", user_, "-p", password_, "-m", address_, "-y"};
}

bool ArrayView::Run(const std::vector<std::string>& words, std::string* out) const {
    std::vector<std::string> argv = Prefix();
    argv.push_back("-x");
    argv.insert(argv.end(), words.begin(), words.end());
    ProgramRun run = RunProgram(argv);
    if (out) *out = run.out;
    return run.status == 0;
}

std::vector<std::vector<std::string>> ArrayView::List(const std::vector<std::string>& words,
                                                      const std::string& fields) const {
    std::vector<std::string> argv = Prefix();
    argv.push_back("-s");
    argv.insert(argv.end(), words.begin(), words.end());
    argv.insert(argv.end(), {"-t", fields});
    ProgramRun run = RunProgram(argv);
    if (run.status != 0) return {};
    const std::string& text = run.out;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> lines = Split(text, '\n');
    for (size_t i = 1; i < lines.size(); ++i)
        if (!lines[i].empty()) rows.push_back(CsvRow(lines[i]));
    return rows;
}

std::vector<std::string> ArrayView::SnapshotsOf(const std::string& volume) const {
    std::vector<std::string> names;
    for (const auto& row : List({"vol_list"}, "name,master_name"))
        if (row.size() == 2 && row[1] == volume) names.push_back(row[0]);
    return names;
}

std::string ArrayView::VolumeField(const std::string& volume, const std::string& field) const {
    auto rows = List({"vol_list", "vol=" + volume}, field);
    return rows.empty() || rows[0].empty() ? std::string() : rows[0][0];
}

std::vector<std::string> ArrayView::SnapGroups() const {
    std::vector<std::string> names;
    for (const auto& row : List({"snap_group_list"}, "name")) names.push_back(row.at(0));
    return names;
}

std::vector<std::string> ArrayView::ConsistencyGroups() const {
    std::vector<std::string> names;
    for (const auto& row : List({"cg_list"}, "name")) names.push_back(row.at(0));
    return names;
}
