// Machine-wide platform settings: an INI-style file with sections, texts under
// "Trellis" and integers under "~Trellis".
#pragma once

#include <string>

#include "Export.h"

class HOSTRT_API PlatformConfig {
public:
    PlatformConfig();
    ~PlatformConfig();

    // Non-zero when the key exists; its value in *out.
    int getString(const char* section, const char* key, std::string* out);
    // True when the key exists and holds an integer; value in *out.
    bool getRegInt(const char* section, const char* key, int* out);

    // Host side: the settings file in use.
    static std::string path();
};
