// Host-wide settings kept in the host database (which world the host lives
// in, where the simulator and the simulated disks are, ...).
#pragma once

#include <string>

namespace refhost {

class HostDatabase;

namespace setting {
constexpr const char* kWorld = "world";             // "real" or "simulated"
constexpr const char* kSimBin = "sim_bin";          // directory of xcli and xcli-sim
constexpr const char* kSimState = "sim_state";      // simulator state directory
constexpr const char* kSimDisks = "sim_disks";      // this machine's disk catalog
constexpr const char* kSleepScale = "sleep_scale";  // factor for the runtime's sleeps
}  // namespace setting

class HostSettings {
public:
    explicit HostSettings(HostDatabase& db) : db_(db) {}

    std::string get(const std::string& key, const std::string& fallback = "") const;
    bool has(const std::string& key) const;
    void set(const std::string& key, const std::string& value);
    void erase(const std::string& key);

    bool simulated() const { return get(setting::kWorld) == "simulated"; }

private:
    HostDatabase& db_;
};

}  // namespace refhost
