// What one zrso-host run works with: the host directory and database, the
// plug-in (loaded on first use), the output mode and the progress lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "refhost/HostHome.h"
#include "refhost/PluginLoader.h"

namespace refhost {

class HostDatabase;
class HostServices;
class HostSettings;

enum class Verbosity { kQuiet, kNormal, kVerbose };

class HostSession {
public:
    HostSession(std::string homeDir, std::string pluginPath, bool json, std::ostream& out,
                std::ostream& err);
    ~HostSession();

    const HostHome& home() const { return home_; }
    bool json() const { return json_; }
    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }

    // Progress lines go to standard error (the demo shows them with its
    // output); -q silences them, -v adds the detail lines.
    void setVerbosity(Verbosity v) { verbosity_ = v; }
    Verbosity verbosity() const { return verbosity_; }
    void setProgressStream(std::ostream& to) { progress_ = &to; }
    void progress(const std::string& line);
    void detail(const std::string& line);
    // A warning for people: on standard error whatever the verbosity.
    void warn(const std::string& line);

    // Opens the database of an initialised home and points the runtime at it.
    HostDatabase& database();
    bool hasDatabase() const { return db_ != nullptr; }
    // Creates the home and its database (init).
    HostDatabase& createDatabase();

    const PluginApi& plugin();
    std::string pluginPath() const { return pluginPath_; }

    // A service object for one call of a job, its rescans reported as progress.
    std::unique_ptr<HostServices> services(int64_t jobId);

private:
    void line(const std::string& text);

    HostHome home_;
    std::string pluginPath_;
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
    std::ostream* progress_;
    Verbosity verbosity_ = Verbosity::kNormal;
    std::unique_ptr<HostDatabase> db_;
    std::unique_ptr<PluginLoader> plugin_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace refhost
