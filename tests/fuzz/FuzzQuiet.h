// Fuzz targets log a great deal; send the runtime's debug log nowhere unless
// the person running them asked for a file.
#pragma once

#include <cstdlib>

namespace fuzzsupport {
inline bool quietLog() {
    setenv("ZRSO_LOG_FILE", "/dev/null", 0);
    setenv("ZRSO_CONFIG", "/dev/null", 0);
    return true;
}
inline const bool kQuiet = quietLog();
}  // namespace fuzzsupport
