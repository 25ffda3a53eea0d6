// The words of one zrso-host command: options are taken out by name, what
// remains are the positional arguments.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace refhost {

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

class CommandArgs {
public:
    explicit CommandArgs(std::vector<std::string> words) : words_(std::move(words)) {}

    // "--name VALUE" or "--name=VALUE", taken as it stands; the last one wins.
    std::optional<std::string> option(const std::string& name);
    std::string required(const std::string& name);
    // Every occurrence, in order; values may also be comma-separated lists.
    std::vector<std::string> options(const std::string& name);
    bool flag(const std::string& name);
    std::optional<long long> number(const std::string& name);

    // The remaining words; an unknown option left over is a usage error.
    std::vector<std::string> positionals();
    // Pops the first remaining positional word (before positionals()).
    std::optional<std::string> shift();
    // What is left, options included, untouched.
    const std::vector<std::string>& remaining() const { return words_; }

private:
    std::vector<std::string> take(const std::string& name);
    std::vector<std::string> words_;
};

// "20G", "20GiB", "512M", "1T" or plain bytes; throws UsageError.
long long parseSize(const std::string& text);

}  // namespace refhost
