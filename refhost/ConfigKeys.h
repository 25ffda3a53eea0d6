// The settings an administrator changes with `zrso-host config set` (and
// gives to init): where each lives, its range, its default, what it does.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace refhost {

class HostHome;
class HostSettings;

struct ConfigKey {
    enum class Kind {
        kDirectory,
        kXcliDirectory,
        kSimulatorDirectory,
        kDevlistDirectory,
        kInteger,
        kFactor
    };
    const char* name;     // "mount-retry"
    const char* section;  // platform settings file section; null: the host database
    const char* key;      // the key there ("nMountRetrySeconds", "sim_bin")
    Kind kind;
    long long min, max;    // integers
    const char* fallback;  // what holds when unset
    const char* text;
    bool simulatedOnly;
};

const std::vector<ConfigKey>& configKeys();
const ConfigKey* findConfigKey(const std::string& name);

// The value as it will be stored: checked against the key's kind and range
// (directories must exist and hold their programs: xcli, xiv_devlist, or
// the simulator's xcli and xcli-sim). Throws UsageError with the reason.
std::string checkConfigValue(const ConfigKey& key, const std::string& value);

// The platform settings file: sections of key=value lines.
class PlatformFile {
public:
    // Reads the file (a missing one is empty) unless read is false.
    explicit PlatformFile(std::string path, bool read = true);
    std::string get(const std::string& section, const std::string& key) const;
    void set(const std::string& section, const std::string& key, const std::string& value);
    void erase(const std::string& section, const std::string& key);
    void write() const;  // whole, through a temporary file and rename

private:
    std::string path_;
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

// A key's value now (empty when unset), and storing one.
std::string configValue(const ConfigKey& key, const HostHome& home, const HostSettings& settings);
void storeConfigValue(const ConfigKey& key, const std::string& value, const HostHome& home,
                      HostSettings& settings);

}  // namespace refhost
