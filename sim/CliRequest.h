// The xcli command line: options, the operation and its key=value arguments.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "sim/Answer.h"

namespace sim {

struct CliRequest {
    std::string user, password, address, operation, fieldList;
    bool hasUser = false, hasPassword = false, hasAddress = false, hasFieldList = false;
    bool passwordFromEnv = false;
    bool confirmed = false;  // -y
    bool xml = false, csv = false;
    std::vector<std::string> arguments;  // tokens after the operation
    std::string usageError;              // set when the line cannot be understood

    Format format() const { return csv ? Format::Csv : Format::Xml; }
    // The operation and its arguments as the answer's COMMAND_LINE echoes them.
    std::string commandLine() const;
};

// argv[0] is the program; `envPassword` is XIV_XCLIPASSWORD or null.
CliRequest parseCliRequest(const std::vector<std::string>& argv, const char* envPassword);

// Arguments of one operation, checked against what the operation accepts.
struct ArgRule {
    const char* key;
    bool required;
};

class OpArgs {
public:
    // Throws XcliError: UNKNOWN_ARGUMENTS for a key the operation does not
    // take, BAD_PARAMS for malformed tokens, repeated keys, missing required
    // keys or empty values.
    OpArgs(const std::vector<std::string>& tokens, const std::vector<ArgRule>& accepted);

    bool has(const std::string& key) const { return values_.count(key) != 0; }
    std::string get(const std::string& key) const;
    // A object name: printable ASCII, at most 63 characters.
    std::string name(const std::string& key) const;
    // A decimal number within [min, max].
    long long number(const std::string& key, long long min, long long max) const;
    // "yes" or "no".
    bool yesNo(const std::string& key, bool fallback) const;

private:
    std::map<std::string, std::string> values_;
};

}  // namespace sim
