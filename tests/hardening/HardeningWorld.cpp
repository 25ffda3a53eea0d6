#include "HardeningWorld.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <set>
#include <stdexcept>

#include "host/ZRSO.h"
#include "host/rt/PasswordCipher.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostHome.h"
#include "refhost/HostServices.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SqlStatement.h"
#include "support/RunProgram.h"

namespace {

// Columns a failed call may write: the record's outcome and what the host
// itself notes around a call.
const std::set<std::string> kOutcomeColumns = {
    "snap_records.status",         "snap_records.error_code", "snap_records.error_message",
    "snap_records.selected_array", "lun_requests.status",     "lun_requests.error_code",
    "lun_requests.error_message",  "arrays.inv_status",
};

}  // namespace

HardeningWorld::HardeningWorld(const std::function<void(HardeningWorld&)>& shape)
    : env_("zrso-hard") {
    world_ = refhost::buildSimulatedArray(SimBinDir());
    Admin({"user-add", "--user", world_.user, "--password", kPassword});
    world_.password = kPassword;
    Admin({"user-add", "--user", kInspector, "--password", kInspectorPassword});
    if (shape) shape(*this);
    session_ =
        std::make_unique<refhost::HostSession>(world_.homeDir(), PluginPath(), false, out_, err_);
    refhost::setUpDemoHost(*session_, world_);
    SimArray(world_.simState).ClearRuns(world_.address);
}

HardeningWorld::~HardeningWorld() {
    session_.reset();
    refhost::removeTree(world_.root);
}

bool HardeningWorld::Available() {
    return SimAvailable({"xiv_devlist", "zrso-host"}) && PluginAvailable();
}

std::string HardeningWorld::Admin(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--address", world_.address});
    // By argument vector: names with double quotes reach the simulator whole.
    return SimArray(world_.simState).Admin(args);
}

void HardeningWorld::AddMappedVolume(const std::string& pool, const std::string& volume) {
    Admin({"vol-create", "--pool", pool, "--vol", volume, "--size-gb", "17"});
    Admin({"map", "--host", world_.hostObject, "--vol", volume});
    world_.volumes.push_back(volume);
}

std::vector<std::string> HardeningWorld::ArrayNames(const std::string& listing) {
    // The password travels in the environment, as the plug-in sends it, so
    // the recorded argument lists hold no password of the tests' own.
    ScopedEnv password("XIV_XCLIPASSWORD", kInspectorPassword);
    ProgramRun run = RunProgram({BuiltProgram("xcli"), "-u", kInspector, "-m", world_.address, "-s",
                                 listing, "-t", "name"});
    const std::string& csv = run.out;
    if (run.status != 0) throw std::runtime_error(listing + " of the inspector failed: " + csv);
    std::vector<std::string> names;
    size_t start = csv.find('\n');  // the heading
    while (start != std::string::npos && start + 1 < csv.size()) {
        size_t end = csv.find('\n', start + 1);
        std::string row = csv.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        if (row.size() >= 2 && row.front() == '"' && row.back() == '"')
            row = row.substr(1, row.size() - 2);
        if (!row.empty()) names.push_back(row);
        start = end;
    }
    return names;
}

void HardeningWorld::SetPlatform(const std::string& xcliDir, int timeoutSeconds) {
    refhost::PlatformSettings platform;
    platform.xcliDir = xcliDir.empty() ? world_.simBin : xcliDir;
    platform.mountRetrySeconds = world_.mountRetrySeconds;
    platform.processTimeoutSeconds = timeoutSeconds;
    session_->home().writePlatformSettings(platform);
}

void HardeningWorld::SetControlHost(const std::string& address) {
    refhost::SqlStatement update(session_->database(),
                                 "UPDATE arrays SET control_host = ? WHERE name = ?");
    update.bind(1, address).bind(2, world_.arrayName).run();
}

void HardeningWorld::SetRegisteredLogin(const std::string& user, const std::string& password) {
    std::string enciphered;
    if (!PasswordCipher().encrypt(password.c_str(), &enciphered))
        throw std::runtime_error("the cipher refused the password");
    refhost::SqlStatement update(
        session_->database(), "UPDATE arrays SET user_name = ?, password_enc = ? WHERE name = ?");
    update.bind(1, user).bind(2, enciphered).bind(3, world_.arrayName).run();
}

int64_t HardeningWorld::Job(const std::vector<std::string>& devices, bool consistencyGroup) {
    refhost::BackupOptions options;
    options.consistencyGroup = consistencyGroup;
    return refhost::createBackupJob(*session_, devices, options);
}

refhost::StepOutcome HardeningWorld::Step(int64_t job, const std::string& step) {
    return refhost::runSnapStep(*session_, job, step);
}

int64_t HardeningWorld::SnappedJob(const std::string& device) {
    int64_t job = Job({device});
    refhost::StepOutcome backup = refhost::runBackup(*session_, job);
    EXPECT_TRUE(backup.allExpected) << "backup of " << device << " failed:\n" << HostOutput();
    return job;
}

int64_t HardeningWorld::MountedJob(const std::string& device) {
    int64_t job = SnappedJob(device);
    refhost::StepOutcome mounted = Step(job, "mount");
    EXPECT_TRUE(mounted.allExpected) << "mount of " << device << " failed:\n" << HostOutput();
    return job;
}

refhost::StepOutcome HardeningWorld::IsMapped(int64_t job) {
    refhost::HostDatabase& db = session_->database();
    refhost::SnapJobStore store(db);
    std::vector<std::unique_ptr<refhost::HostSnapInfo>> infos;
    std::vector<ZRSO::SnapInfo*> pointers;
    for (const auto& row : store.records(job)) {
        infos.push_back(std::make_unique<refhost::HostSnapInfo>(db, row.id));
        pointers.push_back(infos.back().get());
    }
    auto services = session_->services(job);
    refhost::StepOutcome outcome;
    outcome.step = "isMapped";
    outcome.result = session_->plugin().isMapped(
        pointers.data(), static_cast<short>(pointers.size()), services.get());
    outcome.records = store.records(job);
    return outcome;
}

void HardeningWorld::SetRecordText(int64_t job, const std::string& column,
                                   const std::string& value) {
    // column is one of the test's own fixed names, never outside input
    std::string sql = "UPDATE snap_records SET " + column + " = ? WHERE job_id = ?";
    refhost::SqlStatement update(session_->database(), sql.c_str());
    update.bind(1, value).bind(2, job).run();
}

refhost::LunRequestRow HardeningWorld::Request(const std::string& volume, long long sizeBytes,
                                               const std::string& mapRequest) const {
    refhost::LunRequestRow row;
    row.arrayName = world_.arrayName;
    row.volumeName = volume;
    row.poolName = world_.pool;
    row.sizeBytes = sizeBytes;
    row.mapRequest = mapRequest;
    return row;
}

refhost::LunOutcome HardeningWorld::Lun(const std::string& operation,
                                        const refhost::LunRequestRow& request) {
    return refhost::runLunRequest(*session_, operation, request);
}

refhost::InventoryOutcome HardeningWorld::Inventory() {
    return refhost::collectInventory(*session_);
}

std::string HardeningWorld::DatabaseState() {
    sqlite3* db = session_->database().handle();
    std::vector<std::string> tables;
    {
        refhost::SqlStatement list(session_->database(),
                                   "SELECT name FROM sqlite_master WHERE type = 'table' AND name "
                                   "NOT LIKE 'sqlite_%' AND name NOT IN ('jobs', 'lun_requests') "
                                   "ORDER BY name");
        while (list.step()) tables.push_back(list.text(0));
    }
    std::string state;
    for (const auto& table : tables) {
        sqlite3_stmt* stmt = nullptr;
        std::string sql = "SELECT * FROM \"" + table + "\" ORDER BY rowid";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            // WITHOUT ROWID tables have none; their key orders them.
            sql = "SELECT * FROM \"" + table + "\" ORDER BY 1, 2";
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
                throw std::runtime_error("cannot read table " + table);
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string line = table;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                std::string column = sqlite3_column_name(stmt, c);
                if (kOutcomeColumns.count(table + "." + column)) continue;
                const unsigned char* text = sqlite3_column_text(stmt, c);
                line += " " + column + "=" +
                        (text ? std::string(reinterpret_cast<const char*>(text)) : "NULL");
            }
            state += line + "\n";
        }
        sqlite3_finalize(stmt);
    }
    return state;
}

std::string HardeningWorld::LogText() const { return ReadFileText(session_->home().logPath()); }
