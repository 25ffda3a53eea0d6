#include "refhost/HostSession.h"

#include <cstdio>
#include <stdexcept>

#include "host/rt/DebugLog.h"
#include "refhost/ErrorLines.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostServices.h"
#include "refhost/HostSettings.h"
#include "refhost/SimAdmin.h"
#include "refhost/SimulatedDevices.h"
#include "refhost/SysfsDevices.h"

namespace refhost {

HostSession::HostSession(std::string homeDir, std::string pluginPath, bool json, std::ostream& out,
                         std::ostream& err)
    : home_(std::move(homeDir)),
      pluginPath_(pluginPath.empty() ? PluginLoader::defaultPath() : std::move(pluginPath)),
      json_(json),
      out_(out),
      err_(err),
      progress_(&err),
      start_(std::chrono::steady_clock::now()) {
    // Error lines of the log are kept from the start, to explain failures.
    ErrorLines::instance();
}

HostSession::~HostSession() = default;

void HostSession::line(const std::string& text) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%6.2fs] ", seconds);
    *progress_ << stamp << text << std::endl;
}

void HostSession::progress(const std::string& text) {
    if (verbosity_ != Verbosity::kQuiet) line(text);
}

void HostSession::detail(const std::string& text) {
    if (verbosity_ == Verbosity::kVerbose) line(text);
}

void HostSession::warn(const std::string& text) {
    err_ << "zrso-host: warning: " << text << std::endl;
}

HostDatabase& HostSession::database() {
    if (db_) return *db_;
    if (!home_.initialised())
        throw std::runtime_error("no host database in " + home_.dir() +
                                 "; run 'zrso-host init' first (or pass --home DIR)");
    db_ = std::make_unique<HostDatabase>(home_.databasePath());
    home_.applyEnvironment(HostSettings(*db_));
    return *db_;
}

HostDatabase& HostSession::createDatabase() {
    if (db_) return *db_;
    home_.create();
    db_ = std::make_unique<HostDatabase>(home_.databasePath());
    home_.applyEnvironment(HostSettings(*db_));
    return *db_;
}

const PluginApi& HostSession::plugin() {
    if (!plugin_) plugin_ = std::make_unique<PluginLoader>(pluginPath_);
    return plugin_->api();
}

std::unique_ptr<HostServices> HostSession::services(int64_t jobId) {
    HostDatabase& db = database();
    HostSettings settings(db);
    // Log lines the plug-in writes through new default logs carry this job.
    DebugLog::setDefaultJobId(jobId);
    std::unique_ptr<HostServices> services;
    if (settings.simulated()) {
        SimAdmin admin(settings.get(setting::kSimBin), settings.get(setting::kSimState));
        auto local = std::make_unique<SimulatedDevices>(
            admin, settings.get(setting::kSimDisks, home_.diskCatalogDir()));
        services = std::make_unique<HostServices>(db, jobId, std::move(local), admin,
                                                  home_.esxCatalogRoot());
    } else {
        services = std::make_unique<HostServices>(db, jobId, std::make_unique<SysfsDevices>());
    }
    services->setEventSink([this](const std::string& text) { detail("  " + text); });
    return services;
}

}  // namespace refhost
