#include "sim/CliRequest.h"

#include "sim/Text.h"

namespace sim {

std::string CliRequest::commandLine() const {
    std::string line = operation;
    for (const auto& a : arguments) line += " " + a;
    return line;
}

CliRequest parseCliRequest(const std::vector<std::string>& argv, const char* envPassword) {
    CliRequest req;
    bool haveOperation = false;
    auto takeValue = [&](size_t& i, std::string& target, bool& seen, const char* opt) {
        if (seen) {
            req.usageError = std::string("Option ") + opt + " given twice.";
            return;
        }
        if (i + 1 >= argv.size()) {
            req.usageError = std::string("Option ") + opt + " needs a value.";
            return;
        }
        target = argv[++i];
        seen = true;
    };
    for (size_t i = 1; i < argv.size() && req.usageError.empty(); ++i) {
        const std::string& a = argv[i];
        if (a == "-u") {
            takeValue(i, req.user, req.hasUser, "-u");
        } else if (a == "-p") {
            takeValue(i, req.password, req.hasPassword, "-p");
        } else if (a == "-m") {
            takeValue(i, req.address, req.hasAddress, "-m");
        } else if (a == "-t") {
            takeValue(i, req.fieldList, req.hasFieldList, "-t");
        } else if (a == "-y") {
            req.confirmed = true;
        } else if (a == "-x") {
            req.xml = true;
        } else if (a == "-s") {
            req.csv = true;
        } else if (!a.empty() && a[0] == '-') {
            req.usageError = "Unknown option " + a + ".";
        } else if (a.empty()) {
            req.usageError = "Empty argument at position " + std::to_string(i) + ".";
        } else if (!haveOperation) {
            req.operation = a;
            haveOperation = true;
        } else {
            req.arguments.push_back(a);
        }
    }
    if (!req.hasPassword && envPassword && *envPassword) {
        req.password = envPassword;
        req.hasPassword = true;
        req.passwordFromEnv = true;
    }
    if (req.usageError.empty()) {
        if (req.xml && req.csv)
            req.usageError = "Options -x and -s exclude each other.";
        else if (!req.xml && !req.csv)
            req.usageError = "This client answers only with -x (XML) or -s (CSV).";
        else if (!haveOperation)
            req.usageError = "No command given.";
        else if (req.hasFieldList && req.fieldList.empty())
            req.usageError = "Option -t needs field names.";
    }
    return req;
}

OpArgs::OpArgs(const std::vector<std::string>& tokens, const std::vector<ArgRule>& accepted) {
    for (const auto& t : tokens) {
        auto eq = t.find('=');
        if (eq == std::string::npos || eq == 0)
            throw XcliError{"BAD_PARAMS", "Argument '" + t + "' is not of the form key=value"};
        std::string key = t.substr(0, eq);
        bool known = false;
        for (const auto& s : accepted) known = known || key == s.key;
        if (!known) throw XcliError{"UNKNOWN_ARGUMENTS", "Unknown argument '" + key + "'"};
        if (values_.count(key)) throw XcliError{"BAD_PARAMS", "Argument '" + key + "' given twice"};
        std::string value = t.substr(eq + 1);
        if (value.empty()) throw XcliError{"BAD_PARAMS", "Argument '" + key + "' has no value"};
        values_[key] = value;
    }
    for (const auto& s : accepted)
        if (s.required && !values_.count(s.key))
            throw XcliError{"BAD_PARAMS", std::string("Missing argument '") + s.key + "'"};
}

std::string OpArgs::get(const std::string& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}

std::string OpArgs::name(const std::string& key) const {
    std::string value = get(key);
    if (value.size() > 63)
        throw XcliError{"ILLEGAL_NAME", "Name '" + value + "' is longer than 63 characters"};
    for (unsigned char c : value)
        if (c < 0x20 || c > 0x7e)
            throw XcliError{"ILLEGAL_NAME",
                            "Argument '" + key + "' holds a character names cannot hold"};
    return value;
}

long long OpArgs::number(const std::string& key, long long min, long long max) const {
    std::int64_t v = 0;
    if (!parseCount(get(key), max, v) || v < min)
        throw XcliError{"BAD_PARAMS", "Argument '" + key + "' must be a number from " +
                                          std::to_string(min) + " to " + std::to_string(max)};
    return v;
}

bool OpArgs::yesNo(const std::string& key, bool fallback) const {
    if (!has(key)) return fallback;
    std::string v = get(key);
    if (v == "yes") return true;
    if (v == "no") return false;
    throw XcliError{"BAD_PARAMS", "Argument '" + key + "' must be yes or no"};
}

}  // namespace sim
