#include "host/rt/PlatformConfig.h"

#include "hostrt/FileText.h"
#include "hostrt/IniText.h"

namespace {

constexpr const char* kDefaultPath = "/etc/zrso/platform.ini";
// A settings file is a few lines; anything this big is not one.
constexpr std::size_t kMaxSettingsBytes = 1 << 20;

// The file is read on every lookup: the host may change it at any time and a
// stale value would outlive the change.
bool lookup(const char* section, const char* key, std::string* value) {
    if (!section || !key) return false;
    std::string text;
    if (hostrt::readSmallFile(PlatformConfig::path(), kMaxSettingsBytes, &text) != 0) return false;
    return hostrt::findIniValue(text, section, key, value);
}

}  // namespace

PlatformConfig::PlatformConfig() = default;
PlatformConfig::~PlatformConfig() = default;

std::string PlatformConfig::path() {
    std::string p = hostrt::environmentText("ZRSO_CONFIG");
    return p.empty() ? std::string(kDefaultPath) : p;
}

int PlatformConfig::getString(const char* section, const char* key, std::string* out) {
    std::string value;
    if (!lookup(section, key, &value)) return 0;
    if (out) *out = value;
    return 1;
}

bool PlatformConfig::getRegInt(const char* section, const char* key, int* out) {
    std::string value;
    int v = 0;
    if (!lookup(section, key, &value) || !hostrt::parseInt(value, &v)) return false;
    if (out) *out = v;
    return true;
}
