// zrso-host's own questions to an array, outside the plug-in: does the login
// work, what serial does the array have, how big is a volume. One run of
// IBM's xcli each, through the runtime's process runner, the password in the
// environment (XIV_XCLIPASSWORD) rather than on the command line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace refhost {

class ArrayRegistry;
class HostHome;
struct RegisteredArray;

// One XCLI answer: its status and the records under OUTPUT, each a map of
// field name to value.
struct XcliAnswer {
    std::string status;  // empty when the output was not an XCLI answer
    std::vector<std::map<std::string, std::string>> records;
    std::string raw;  // what xcli wrote (for the failure text)
    int exitStatus = 0;
    std::string errorText;  // what xcli (or the runner) wrote on stderr
};

XcliAnswer parseXcliAnswer(const std::string& xml);

struct ArrayLogin {
    std::string address;
    std::string user;
    std::string password;
    std::string xcliDir;  // empty: xcli from PATH
};

class ArrayProbe {
public:
    explicit ArrayProbe(ArrayLogin login) : login_(std::move(login)) {}
    ~ArrayProbe();

    // One run of "xcli ... -x OPERATION ARGS".
    XcliAnswer run(const std::string& operation, const std::vector<std::string>& args = {}) const;

    // The array's serial (decimal form) as config_get gives it; throws
    // std::runtime_error with the reason when the login or the answer fails.
    std::string serial() const;
    // The volume's size in bytes; nullopt when the array has no such volume;
    // throws std::runtime_error when the array cannot be asked.
    std::optional<int64_t> volumeBytes(const std::string& volume) const;

private:
    ArrayLogin login_;
};

// The xcli the plug-in would use for an array: its own directory (dir),
// else the platform setting, else the PATH.
std::string xcliDirFor(const HostHome& home, const std::string& dir);
// The login of a registered array; throws std::runtime_error when its
// stored password does not decipher with this host's key.
ArrayLogin registeredLogin(const HostHome& home, const ArrayRegistry& registry,
                           const RegisteredArray& array);

// "the array refused the login: wrong password (INCORRECT_PASSWORD)" and
// the like, for an answer that failed.
std::string answerFailure(const XcliAnswer& answer);

}  // namespace refhost
