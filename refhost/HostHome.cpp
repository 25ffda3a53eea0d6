#include "refhost/HostHome.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <stdexcept>

#include "refhost/ConfigKeys.h"
#include "refhost/HostSettings.h"

namespace refhost {

HostHome::HostHome(std::string dir) : dir_(std::move(dir)) {
    char cwd[PATH_MAX];
    if (!dir_.empty() && dir_[0] != '/' && ::getcwd(cwd, sizeof cwd))
        dir_ = std::string(cwd) + "/" + dir_;
}

std::string HostHome::defaultDir() {
    const char* env = std::getenv("ZRSO_HOST_HOME");
    if (env && *env) return env;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.zrso-host";
}

bool HostHome::initialised() const { return ::access(databasePath().c_str(), F_OK) == 0; }

void makeDirs(const std::string& path, int mode) {
    if (path.empty()) return;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot create " + partial + ": " + std::strerror(errno));
    }
}

void HostHome::create() const {
    makeDirs(dir_, 0700);
    makeDirs(diskCatalogDir(), 0755);
    makeDirs(esxCatalogRoot(), 0755);
}

void HostHome::writePlatformSettings(const PlatformSettings& s) const {
    PlatformFile file(settingsPath(), false);
    if (!s.xcliDir.empty()) file.set("Trellis", "XCLI_BINARY_LOCATION", s.xcliDir);
    if (!s.devlistPath.empty()) file.set("Trellis", "sXivDevListPath", s.devlistPath);
    if (s.mountRetrySeconds > 0)
        file.set("~Trellis", "nMountRetrySeconds", std::to_string(s.mountRetrySeconds));
    if (s.processTimeoutSeconds > 0)
        file.set("~Trellis", "nProcessTimeoutSeconds", std::to_string(s.processTimeoutSeconds));
    file.write();
}

void HostHome::applyEnvironment(const HostSettings& settings) const {
    ::setenv("ZRSO_CONFIG", settingsPath().c_str(), 1);
    ::setenv("ZRSO_KEY_FILE", keyPath().c_str(), 1);
    ::setenv("ZRSO_LOG_FILE", logPath().c_str(), 1);
    if (settings.simulated()) {
        ::setenv("ZRSO_SIM_DISKS", settings.get(setting::kSimDisks, diskCatalogDir()).c_str(), 1);
        std::string state = settings.get(setting::kSimState);
        if (!state.empty()) ::setenv("XIV_SIM_STATE", state.c_str(), 1);
    } else {
        ::unsetenv("ZRSO_SIM_DISKS");
    }
    std::string scale = settings.get(setting::kSleepScale);
    if (!scale.empty()) ::setenv("ZRSO_SLEEP_SCALE", scale.c_str(), 1);
}

namespace {

// dir/file for the first of dirs (relative to this program) that holds file.
std::string firstBesideProgram(std::initializer_list<const char*> dirs, const std::string& file) {
    std::string first;
    for (const char* dir : dirs) {
        std::string path = programDir() + "/" + dir;
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) path = resolved;
        path += "/" + file;
        if (::access(path.c_str(), F_OK) == 0) return path;
        if (first.empty()) first = path;
    }
    return first;
}

}  // namespace

// ZRSO_PLUGINDIR_FROM_BIN and ZRSO_SIMDIR_FROM_BIN come from the install
// layout (cmake/InstallLayout.cmake).
std::string defaultPluginPath() {
    return firstBesideProgram({ZRSO_PLUGINDIR_FROM_BIN, "../lib"}, "libZRSnapHandlerXIV.so");
}

std::string defaultSimulatorDir() {
    std::string admin = firstBesideProgram({ZRSO_SIMDIR_FROM_BIN, "."}, "xcli-sim");
    return admin.substr(0, admin.rfind('/'));
}

std::string programDir() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = '\0';
    std::string path(buf);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace refhost
