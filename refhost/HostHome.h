// The host directory: the host database, the platform settings file, the
// cipher key, the log and (simulated world) the disk catalogs.
#pragma once

#include <string>

namespace refhost {

class HostSettings;

struct PlatformSettings {
    std::string xcliDir;        // Trellis/XCLI_BINARY_LOCATION
    std::string devlistPath;    // Trellis/sXivDevListPath
    int mountRetrySeconds = 0;  // ~Trellis/nMountRetrySeconds (0 = not set)
    int processTimeoutSeconds = 0;
};

class HostHome {
public:
    // A relative dir is taken from the working directory, so the paths
    // shown (the log's, say) can be used from anywhere.
    explicit HostHome(std::string dir);

    // --home, else ZRSO_HOST_HOME, else $HOME/.zrso-host.
    static std::string defaultDir();

    const std::string& dir() const { return dir_; }
    std::string databasePath() const { return dir_ + "/host.db"; }
    std::string settingsPath() const { return dir_ + "/platform.ini"; }
    std::string keyPath() const { return dir_ + "/cipher.key"; }
    std::string logPath() const { return dir_ + "/zrso-host.log"; }
    std::string diskCatalogDir() const { return dir_ + "/disks"; }
    std::string esxCatalogRoot() const { return dir_ + "/esx"; }

    bool initialised() const;
    // Creates the directory (0700: it holds the key) and its sub-directories.
    void create() const;
    void writePlatformSettings(const PlatformSettings& settings) const;

    // Points the runtime (and so the plug-in) at this home: settings file,
    // key, log, and in the simulated world the catalog, simulator state and
    // sleep scale. Call before any runtime object is used.
    void applyEnvironment(const HostSettings& settings) const;

private:
    std::string dir_;
};

// The directory of the running program (for the plug-in and simulator
// beside it).
std::string programDir();
// The plug-in and the simulator's directory as this program finds them: where
// an install puts them relative to bin/, else where the build tree has them
// (lib/ beside bin/, the simulator in bin/ itself). When neither exists, the
// installed location, so that the error names where it should be.
std::string defaultPluginPath();
std::string defaultSimulatorDir();
// mkdir -p; throws std::runtime_error on failure.
void makeDirs(const std::string& path, int mode);

}  // namespace refhost
