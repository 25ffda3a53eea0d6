#include "PlatformSettings.h"

PlatformSettings::PlatformSettings()
    : dir_("zrso-config"), path_(dir_.file("platform.ini")), env_("ZRSO_CONFIG", path_) {
    write();
}

PlatformSettings& PlatformSettings::text(const std::string& key, const std::string& value) {
    texts_[key] = value;
    write();
    return *this;
}

PlatformSettings& PlatformSettings::integer(const std::string& key, const std::string& value) {
    integers_[key] = value;
    write();
    return *this;
}

void PlatformSettings::write() const {
    std::string content = "[Trellis]\n";
    for (const auto& kv : texts_) content += kv.first + "=" + kv.second + "\n";
    content += "[~Trellis]\n";
    for (const auto& kv : integers_) content += kv.first + "=" + kv.second + "\n";
    dir_.write("platform.ini", content);
}
