#include "refhost/ConfigKeys.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "refhost/CommandArgs.h"
#include "refhost/HostHome.h"
#include "refhost/HostSettings.h"

namespace refhost {
namespace {

using Kind = ConfigKey::Kind;

const std::vector<ConfigKey> kKeys = {
    {"xcli-dir", "Trellis", "XCLI_BINARY_LOCATION", Kind::kXcliDirectory, 0, 0,
     "xcli from the PATH (or an array's own directory)",
     "directory of IBM's xcli client, which runs every array command", false},
    {"devlist-dir", "Trellis", "sXivDevListPath", Kind::kDevlistDirectory, 0, 0,
     "none (disks are asked by SCSI inquiry)",
     "directory of IBM's xiv_devlist host tool; set, disks are resolved with it", false},
    {"mount-retry", "~Trellis", "nMountRetrySeconds", Kind::kInteger, 5, 3600, "300",
     "seconds; a mount rescans in up to 6 passes and waits a fifth of this after each", false},
    {"process-timeout", "~Trellis", "nProcessTimeoutSeconds", Kind::kInteger, 1, 86400, "900",
     "seconds one xcli or xiv_devlist run may take before it is killed", false},
    {"log-level", "~Trellis", "nDebugLevel", Kind::kInteger, -1, 2, "2",
     "what the log keeps: -1 errors only, 0 also normal lines, 2 also detail lines", false},
    {"log-max-kib", "~Trellis", "nDebugLogMaxKiB", Kind::kInteger, 0, 1048576, "10240",
     "KiB a log file grows to before it is moved aside (.1, .2, ...); 0: no limit", false},
    {"log-files", "~Trellis", "nDebugLogFiles", Kind::kInteger, 2, 100, "3",
     "log files kept in all, the one being written included", false},
    {"log-form-limit", "~Trellis", "nDebugLogFormLimit", Kind::kInteger, 0, 1000000000, "1000",
     "lines of one form (say, one per volume) a job writes before the rest are only counted; 0: no "
     "limit",
     false},
    {"sleep-scale", nullptr, "sleep_scale", Kind::kFactor, 0, 1, "1",
     "factor on every wait of the plug-in (mount passes), above 0 and at most 1; for tests", false},
    {"sim-bin", nullptr, "sim_bin", Kind::kSimulatorDirectory, 0, 0, "beside zrso-host",
     "directory of the simulator's xcli and xcli-sim", true},
    {"sim-state", nullptr, "sim_state", Kind::kDirectory, 0, 0, "sim-state in the host directory",
     "the simulator's state directory (one database per simulated array)", true},
};

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isProgram(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

void needPrograms(const ConfigKey& key, const std::string& dir,
                  std::initializer_list<const char*> names) {
    if (!isDirectory(dir)) throw UsageError(std::string(key.name) + ": no directory " + dir);
    for (const char* name : names)
        if (!isProgram(dir + "/" + name))
            throw UsageError(std::string(key.name) + ": " + dir + " holds no program " + name);
}

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string checkedInteger(const ConfigKey& key, const std::string& value) {
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(value.c_str(), &end, 10);
    if (errno || end == value.c_str() || *end || n < key.min || n > key.max)
        throw UsageError(std::string(key.name) + " takes a whole number from " +
                         std::to_string(key.min) + " to " + std::to_string(key.max) + ", not '" +
                         value + "'");
    return std::to_string(n);
}

}  // namespace

const std::vector<ConfigKey>& configKeys() { return kKeys; }

const ConfigKey* findConfigKey(const std::string& name) {
    for (const auto& k : kKeys)
        if (name == k.name) return &k;
    return nullptr;
}

std::string checkConfigValue(const ConfigKey& key, const std::string& value) {
    // Paths go to a settings file of key=value lines: one line, no comment.
    if (value.find_first_of("\n\r;#") != std::string::npos)
        throw UsageError(std::string(key.name) + ": a value holds no line break, ';' or '#'");
    switch (key.kind) {
    case Kind::kInteger: return checkedInteger(key, value);
    case Kind::kFactor: {
        char* end = nullptr;
        double f = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end || !std::isfinite(f) || f <= 0 || f > 1)
            throw UsageError(std::string(key.name) +
                             " takes a number above 0 and at most 1, not '" + value + "'");
        return value;
    }
    case Kind::kXcliDirectory: needPrograms(key, value, {"xcli"}); return value;
    case Kind::kSimulatorDirectory: needPrograms(key, value, {"xcli", "xcli-sim"}); return value;
    case Kind::kDevlistDirectory: needPrograms(key, value, {"xiv_devlist"}); return value;
    case Kind::kDirectory:
        makeDirs(value, 0700);
        if (!isDirectory(value))
            throw UsageError(std::string(key.name) + ": no directory " + value);
        return value;
    }
    return value;
}

PlatformFile::PlatformFile(std::string path, bool read) : path_(std::move(path)) {
    if (!read) return;
    std::ifstream in(path_);
    std::string line, section;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            sections_[section][trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
}

std::string PlatformFile::get(const std::string& section, const std::string& key) const {
    auto s = sections_.find(section);
    if (s == sections_.end()) return std::string();
    auto k = s->second.find(key);
    return k == s->second.end() ? std::string() : k->second;
}

void PlatformFile::set(const std::string& section, const std::string& key,
                       const std::string& value) {
    sections_[section][key] = value;
}

void PlatformFile::erase(const std::string& section, const std::string& key) {
    auto s = sections_.find(section);
    if (s != sections_.end()) s->second.erase(key);
}

void PlatformFile::write() const {
    std::string temp = path_ + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << "; written by zrso-host (zrso-host config show lists the keys)\n";
        // Both sections always, texts first, as the plug-in's host writes them.
        for (const char* section : {"Trellis", "~Trellis"}) {
            out << "[" << section << "]\n";
            auto s = sections_.find(section);
            if (s != sections_.end())
                for (const auto& kv : s->second) out << kv.first << "=" << kv.second << "\n";
        }
        for (const auto& s : sections_) {
            if (s.first == "Trellis" || s.first == "~Trellis") continue;
            out << "[" << s.first << "]\n";
            for (const auto& kv : s.second) out << kv.first << "=" << kv.second << "\n";
        }
        if (!out) throw std::runtime_error("cannot write " + temp);
    }
    if (::rename(temp.c_str(), path_.c_str()) != 0)
        throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
}

std::string configValue(const ConfigKey& key, const HostHome& home, const HostSettings& settings) {
    if (!key.section) return settings.get(key.key);
    return PlatformFile(home.settingsPath()).get(key.section, key.key);
}

void storeConfigValue(const ConfigKey& key, const std::string& value, const HostHome& home,
                      HostSettings& settings) {
    if (!key.section) {
        value.empty() ? settings.erase(key.key) : settings.set(key.key, value);
        return;
    }
    PlatformFile file(home.settingsPath());
    value.empty() ? file.erase(key.section, key.key) : file.set(key.section, key.key, value);
    file.write();
}

}  // namespace refhost
