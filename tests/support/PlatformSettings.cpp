#include "PlatformSettings.h"

PlatformSettings::PlatformSettings()
    : dir_("zrso-config"), path_(dir_.write("platform.ini", "")), env_("ZRSO_CONFIG", path_) {}

void PlatformSettings::set(const std::string& section, const std::string& key,
                           const std::string& value) {
    sections_[section][key] = value;
    std::string content;
    for (const auto& [name, values] : sections_) {
        content += "[" + name + "]\n";
        for (const auto& [k, v] : values) content += k + "=" + v + "\n";
    }
    dir_.write("platform.ini", content);
}
