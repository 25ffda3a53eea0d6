// A private platform settings file, named by ZRSO_CONFIG for the lifetime of
// the object (empty at first, so the machine's own settings never leak in).
#pragma once

#include <map>
#include <string>

#include "TempDir.h"

class PlatformSettings {
public:
    PlatformSettings();

    // Texts go under "Trellis", integers under "~Trellis"; the file is
    // rewritten on every change.
    void text(const std::string& key, const std::string& value) { set("Trellis", key, value); }
    void integer(const std::string& key, const std::string& value) { set("~Trellis", key, value); }

private:
    void set(const std::string& section, const std::string& key, const std::string& value);

    TempDir dir_;
    std::string path_;
    ScopedEnv env_;
    std::map<std::string, std::map<std::string, std::string>> sections_;
};
