#include "refhost/CommandArgs.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace refhost {

std::optional<std::string> CommandArgs::option(const std::string& name) {
    auto all = take(name);
    if (all.empty()) return std::nullopt;
    return all.back();
}

std::string CommandArgs::required(const std::string& name) {
    auto v = option(name);
    if (!v || v->empty()) throw UsageError("missing " + name);
    return *v;
}

std::vector<std::string> CommandArgs::take(const std::string& name) {
    std::vector<std::string> values;
    std::vector<std::string> rest;
    for (size_t i = 0; i < words_.size(); ++i) {
        const std::string& w = words_[i];
        std::string value;
        if (w == name) {
            if (i + 1 >= words_.size()) throw UsageError(name + " needs a value");
            value = words_[++i];
        } else if (w.compare(0, name.size() + 1, name + "=") == 0) {
            value = w.substr(name.size() + 1);
        } else {
            rest.push_back(w);
            continue;
        }
        values.push_back(value);
    }
    words_ = rest;
    return values;
}

std::vector<std::string> CommandArgs::options(const std::string& name) {
    std::vector<std::string> values;
    for (const auto& value : take(name)) {
        size_t start = 0;
        while (true) {
            size_t comma = value.find(',', start);
            std::string piece =
                value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!piece.empty() || value.empty()) values.push_back(piece);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    return values;
}

bool CommandArgs::flag(const std::string& name) {
    bool found = false;
    std::vector<std::string> rest;
    for (const auto& w : words_) {
        if (w == name)
            found = true;
        else
            rest.push_back(w);
    }
    words_ = rest;
    return found;
}

std::optional<long long> CommandArgs::number(const std::string& name) {
    auto v = option(name);
    if (!v) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(v->c_str(), &end, 10);
    if (errno || end == v->c_str() || *end) throw UsageError(name + " needs a number, not " + *v);
    return n;
}

std::vector<std::string> CommandArgs::positionals() {
    for (const auto& w : words_)
        if (w.size() > 2 && w.compare(0, 2, "--") == 0) throw UsageError("unknown option " + w);
    return words_;
}

std::optional<std::string> CommandArgs::shift() {
    for (auto it = words_.begin(); it != words_.end(); ++it) {
        if (it->compare(0, 2, "--") == 0) continue;
        std::string w = *it;
        words_.erase(it);
        return w;
    }
    return std::nullopt;
}

long long parseSize(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(text.c_str(), &end, 10);
    if (errno || end == text.c_str() || n < 0) throw UsageError("bad size " + text);
    std::string unit(end);
    for (auto& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    int shift = 0;
    if (unit.empty() || unit == "B")
        shift = 0;
    else if (unit == "K" || unit == "KIB")
        shift = 10;
    else if (unit == "M" || unit == "MIB")
        shift = 20;
    else if (unit == "G" || unit == "GIB")
        shift = 30;
    else if (unit == "T" || unit == "TIB")
        shift = 40;
    else
        throw UsageError("bad size unit in " + text + " (use B, K, M, G or T)");
    if (shift && n > (static_cast<long long>(1) << (62 - shift)))
        throw UsageError("size too large: " + text);
    return n << shift;
}

}  // namespace refhost
