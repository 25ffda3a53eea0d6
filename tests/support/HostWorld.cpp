#include "HostWorld.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "FakeZROSUtil.h"
#include "TempDir.h"
#include "host/rt/PasswordCipher.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostHome.h"
#include "refhost/HostSession.h"
#include "refhost/HostSettings.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/HostTopology.h"
#include "refhost/SimAdmin.h"
#include "refhost/SimulatedDevices.h"
#include "refhost/SqlStatement.h"

extern char** environ;

namespace {

std::string enciphered(const std::string& password) {
    std::string text;
    if (!PasswordCipher().encrypt(password.c_str(), &text))
        throw std::runtime_error("the cipher refused the password");
    return text;
}

// The run's output; throws when it failed.
std::string check(const HostRun& r, const std::string& what) {
    if (r.status != 0)
        throw std::runtime_error(what + " failed (" + std::to_string(r.status) + "): " + r.out +
                                 r.err);
    return r.out + r.err;
}

}  // namespace

void HostWorld::createArray() {
    ::mkdir(root_.c_str(), 0700);
    ::mkdir((root_ + "/sim").c_str(), 0700);
    admin({"array-create", "--serial", kSerial, "--user", kUser, "--password", kPassword});
    admin({"pool-create", "--pool", kPool, "--size-gb", "3000", "--snapshot-size-gb", "1000"});
}

HostWorld::HostWorld(const std::string& root) : root_(root), sim_(root + "/sim") { createArray(); }

HostWorld::HostWorld(const HostWorldOptions& options)
    : env_(std::make_unique<HostWorldEnv>("zrso-world")),
      root_(env_->tmp().file("world")),
      sim_(root_ + "/sim") {
    createArray();
    admin({"user-add", "--user", kInspector, "--password", kInspectorPassword});
    std::string user = options.user.empty() ? kUser : options.user;
    std::string password = options.user.empty() ? kPassword : options.password;
    if (user != kUser) admin({"user-add", "--user", user, "--password", password});
    if (options.hostObject)
        defineHostObject();
    else
        for (const auto& p : ports_) admin({"port-login", "--port", p});
    addVolumes(options.mapped, options.hostObject);
    addVolumes(options.unmapped, false);

    session_ = std::make_unique<refhost::HostSession>(home(), PluginPath(), false, out_, out_);
    refhost::HostDatabase& db = session_->createDatabase();
    refhost::HostSettings settings(db);
    settings.set(refhost::setting::kWorld, "simulated");
    settings.set(refhost::setting::kSimBin, SimBinDir());
    settings.set(refhost::setting::kSimState, sim_.state());
    settings.set(refhost::setting::kSimDisks, session_->home().diskCatalogDir());
    settings.set(refhost::setting::kSleepScale, "0.001");
    setPlatform("");
    session_->home().applyEnvironment(settings);
    refhost::HostTopology topology(db);
    for (const auto& p : ports_)
        topology.addInitiator(refhost::HostTopology::kLocal, refhost::parseInitiator("fc", p));
    if (options.esxServer) {
        topology.addEsxServer(kEsx);
        topology.addInitiator(kEsx, refhost::parseInitiator("fc", kEsxPort));
        admin({"host-create", "--host", kEsxHostObject, "--fc", kEsxPort});
    }
    refhost::ArrayRegistry(db).add(kArray, kAddress, user, password, kSerial);
    rescan();
    disks_.clear();
    for (int i = 1; i <= options.mapped && options.hostObject; ++i)
        disks_.push_back(deviceOf("v" + std::to_string(i)));
    sim_.ClearRuns(kAddress);
}

// The services go before the session they use, the session before the environment.
HostWorld::~HostWorld() = default;

bool HostWorld::available() { return SimAvailable({"xiv_devlist"}) && PluginAvailable(); }

std::string HostWorld::admin(std::vector<std::string> args) const {
    args.insert(args.begin() + 1, {"--address", kAddress});
    return sim_.Admin(args);
}

std::unique_ptr<HostWorld> HostWorld::ready(const std::string& root, int mapped, int unmapped) {
    auto world = std::make_unique<HostWorld>(root);
    world->defineHostObject();
    world->addVolumes(mapped);
    world->addVolumes(unmapped, false);
    world->initHome();
    return world;
}

bool HostWorld::buildHasIt() {
    return SimAvailable({"zrso-host", "xiv_devlist"}) && PluginAvailable();
}

void HostWorld::defineHostObject() {
    std::string ports;
    for (const auto& p : ports_) ports += (ports.empty() ? "" : ",") + p;
    admin({"host-create", "--host", kHostObject, "--fc", ports});
    for (const auto& p : ports_) admin({"port-login", "--port", p});
    hostObject_ = true;
}

void HostWorld::addVolumes(int count, bool mapped) {
    for (int i = 0; i < count; ++i) addVolume("v" + std::to_string(++volumes_), mapped);
}

void HostWorld::addVolume(const std::string& name, bool mapped, const std::string& pool) {
    admin({"vol-create", "--pool", pool, "--vol", name, "--size-gb", "17"});
    if (mapped && hostObject_) admin({"map", "--host", kHostObject, "--vol", name});
}

std::string HostWorld::initHome() {
    std::vector<std::string> init = {"init",          "--simulated", "--sim-bin",     SimBinDir(),
                                     "--sim-state",   sim_.state(),  "--mount-retry", "5",
                                     "--sleep-scale", "0.001"};
    for (const auto& p : ports_) init.insert(init.end(), {"--fc", p});
    std::string printed = check(host(init), "zrso-host init");
    std::string pw = root_ + "/array.pw";
    std::ofstream(pw) << kPassword << "\n";
    ::chmod(pw.c_str(), 0600);
    printed += check(host({"array", "add", kArray, "--address", kAddress, "--user", kUser,
                           "--serial", kSerial, "--password-file", pw}),
                     "zrso-host array add");
    return printed + check(host({"rescan"}), "zrso-host rescan");
}

std::string HostWorld::deviceOf(const std::string& volume) const {
    std::string dir = home() + "/disks";
    DIR* d = ::opendir(dir.c_str());
    std::string found;
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        std::string name = e->d_name;
        if (name.size() < 6 || name.compare(name.size() - 5, 5, ".disk") != 0) continue;
        std::istringstream lines(ReadFileText(dir + "/" + name));
        for (std::string line; std::getline(lines, line);)
            if (line == "volume=" + volume) found = "/dev/" + name.substr(0, name.size() - 5);
    }
    if (d) ::closedir(d);
    return found;
}

std::vector<std::string> HostWorld::hostCommand(std::vector<std::string> words) const {
    words.insert(words.begin(), {BuiltProgram("zrso-host"), "--home", home()});
    return words;
}

HostRun HostWorld::host(std::vector<std::string> words) const {
    return RunProgram(hostCommand(std::move(words)));
}

pid_t HostWorld::startHost(std::vector<std::string> words, const std::string& name) const {
    words = hostCommand(std::move(words));
    std::vector<char*> args;
    for (auto& w : words) args.push_back(&w[0]);
    args.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, (root_ + "/" + name + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (root_ + "/" + name + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &files, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

HostRun HostWorld::collect(pid_t pid, const std::string& name) const {
    HostRun r;
    r.status = WaitExit(pid);
    r.out = ReadFileText(root_ + "/" + name + ".out");
    r.err = ReadFileText(root_ + "/" + name + ".err");
    return r;
}

bool HostWorld::waitGone(pid_t pid) {
    for (int i = 0; i < 2000; ++i, ::usleep(5000)) {
        std::string stat = ReadFileText("/proc/" + std::to_string(pid) + "/stat");
        std::size_t paren = stat.rfind(')');
        // Gone, or a zombie its new parent has yet to reap.
        if (stat.empty() ||
            (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z'))
            return true;
    }
    return false;
}

bool HostWorld::waitQuiet() const {
    const std::string mark = "XIV_SIM_STATE=" + sim_.state();
    for (int i = 0; i < 2000; ++i, ::usleep(5000)) {
        bool busy = false;
        DIR* proc = ::opendir("/proc");
        while (dirent* e = proc && !busy ? ::readdir(proc) : nullptr) {
            pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
            if (pid <= 0 || pid == ::getpid()) continue;
            std::string env = ReadFileText("/proc/" + std::to_string(pid) + "/environ");
            for (std::size_t at = env.find(mark); at != std::string::npos && !busy;
                 at = env.find(mark, at + 1))
                busy = (at == 0 || env[at - 1] == '\0') &&
                       (at + mark.size() == env.size() || env[at + mark.size()] == '\0');
            if (busy && !waitGone(pid)) return false;
        }
        if (proc) ::closedir(proc);
        if (!busy) return true;
    }
    return false;
}

ProgramRun HostWorld::xcli(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"/usr/bin/env", "XIV_SIM_STATE=" + sim_.state()};
    argv.insert(argv.end(), {BuiltProgram("xcli"), "-u", kUser, "-p", kPassword, "-m", kAddress});
    argv.insert(argv.end(), {"-y", "-x"});
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

HostRun HostWorld::runPrinted(const std::string& commandLine) const {
    std::string line =
        "XIV_SIM_STATE='" + sim_.state() + "' XIV_XCLIPASSWORD='" + kPassword + "' " + commandLine;
    return RunProgram({"/bin/sh", "-c", line});
}

std::vector<std::string> HostWorld::arrayState() const {
    std::vector<std::string> lines;
    std::istringstream in(sim_.Admin({"show", "--address", kAddress}));
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 6, "fault ") != 0) lines.push_back(line);
    return lines;
}

void HostWorld::save(const std::string& name) const {
    std::string copy = root_ + "." + name;
    RunProgram({"rm", "-rf", copy});
    if (RunProgram({"cp", "-a", root_, copy}).status != 0)
        throw std::runtime_error("cannot save the world to " + copy);
}

void HostWorld::restore(const std::string& name) const {
    std::string copy = root_ + "." + name;
    RunProgram({"rm", "-rf", root_});
    if (RunProgram({"cp", "-a", copy, root_}).status != 0)
        throw std::runtime_error("cannot restore the world " + copy);
}

namespace {

// Every line whole (ends with a line break) with its six tab-separated fields;
// a writer just killed may have left the last one unfinished.
std::string logProblems(const std::string& path, bool unfinishedEnd) {
    std::string text = ReadFileText(path);
    if (unfinishedEnd && !text.empty() && text.back() != '\n') text.erase(text.rfind('\n') + 1);
    if (text.empty()) return "";
    if (text.back() != '\n') return path + ": the last line is cut";
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        // A line cut by a killed writer, ended by the next one to open the log.
        const std::string ended = " [line cut: its writer ended while writing it]";
        if (line.size() >= ended.size() && line.substr(line.size() - ended.size()) == ended)
            continue;
        if (std::count(line.begin(), line.end(), '\t') < 5 || line.size() < 24 || line[4] != '-' ||
            line[10] != 'T')
            return path + ": line " + std::to_string(number) +
                   " is not a log line: " + line.substr(0, 120);
    }
    return "";
}

}  // namespace

std::string HostWorld::hostDbValue(const std::string& sql) const {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2((home() + "/host.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            value = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        else if (!st)
            value = std::string("error: ") + sqlite3_errmsg(db);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return value;
}

std::string HostWorld::fileProblems(bool justKilled) const {
    std::string problems;
    for (const char* suffix : {"", ".1", ".2"}) {
        std::string p = logProblems(home() + "/zrso-host.log" + suffix, justKilled && !*suffix);
        if (!p.empty()) problems += p + "\n";
    }
    std::string integrity = hostDbValue("PRAGMA integrity_check");
    if (integrity != "ok") problems += "host database: " + integrity + "\n";
    return problems;
}

// ---- The tests' own view of the array.

std::vector<std::vector<std::string>> HostWorld::list(const std::vector<std::string>& words,
                                                      const std::string& fields) const {
    std::vector<std::string> argv = {"/usr/bin/env", "XIV_SIM_STATE=" + sim_.state()};
    argv.insert(argv.end(), {std::string("XIV_XCLIPASSWORD=") + kInspectorPassword,
                             BuiltProgram("xcli"), "-u", kInspector, "-m", kAddress, "-s"});
    argv.insert(argv.end(), words.begin(), words.end());
    argv.insert(argv.end(), {"-t", fields});
    ProgramRun run = RunProgram(argv);
    if (run.status != 0) throw std::runtime_error("xcli " + words.at(0) + " failed: " + run.err);
    // Values are quoted; names in tests never hold a comma.
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        rows.emplace_back();
        std::istringstream values(line);
        for (std::string v; std::getline(values, v, ',');)
            rows.back().push_back(v.size() >= 2 && v.front() == '"' ? v.substr(1, v.size() - 2)
                                                                    : v);
    }
    return rows;
}

std::vector<std::string> HostWorld::names(const std::string& listing) const {
    std::vector<std::string> names;
    for (const auto& row : list({listing}, "name")) names.push_back(row.at(0));
    return names;
}

std::string HostWorld::volumeField(const std::string& volume, const std::string& field) const {
    for (const auto& row : list({"vol_list"}, "name," + field))
        if (row.size() == 2 && row[0] == volume) return row[1];
    return "";
}

std::vector<std::pair<std::string, int>> HostWorld::mappings(const std::string& volume) const {
    std::vector<std::pair<std::string, int>> out;
    if (volumeField(volume, "name").empty()) return out;  // the listing refuses it
    for (const auto& row : list({"vol_mapping_list", "vol=" + volume}, "host,lun"))
        if (row.size() == 2) out.emplace_back(row[0], std::atoi(row[1].c_str()));
    return out;
}

// ---- The host directory.

void HostWorld::rescan() {
    auto services = session().services(0);
    const char* none[] = {nullptr};
    services->rescanDevices("", none, none);
}

std::string HostWorld::addDisk(const std::string& name, const std::string& catalogText) const {
    std::ofstream(home() + "/disks/" + name + ".disk") << catalogText;
    return "/dev/" + name;
}

void HostWorld::hostDbRun(const std::string& sql, const std::vector<std::string>& values) const {
    refhost::SqlStatement statement(const_cast<HostWorld*>(this)->database(), sql.c_str());
    for (size_t i = 0; i < values.size(); ++i) statement.bind(static_cast<int>(i + 1), values[i]);
    statement.run();
}

void HostWorld::setLogin(const std::string& user, const std::string& password) const {
    hostDbRun("UPDATE arrays SET user_name = ?, password_enc = ? WHERE name = ?",
              {user, enciphered(password), kArray});
}

void HostWorld::setPlatform(const std::string& xcliDir, int timeoutSeconds) const {
    refhost::PlatformSettings platform;
    platform.xcliDir = xcliDir.empty() ? SimBinDir() : xcliDir;
    platform.mountRetrySeconds = 5;
    platform.processTimeoutSeconds = timeoutSeconds;
    refhost::HostHome(home()).writePlatformSettings(platform);
}

std::string HostWorld::logText() const { return ReadFileText(home() + "/zrso-host.log"); }

// ---- The reference host in this process.

refhost::HostSession& HostWorld::session() {
    if (!session_)
        session_ = std::make_unique<refhost::HostSession>(home(), PluginPath(), false, out_, out_);
    return *session_;
}

refhost::HostDatabase& HostWorld::database() { return session().database(); }

int64_t HostWorld::job(const std::vector<std::string>& devices,
                       const refhost::BackupOptions& options) {
    return refhost::createBackupJob(session(), devices, options);
}

refhost::StepOutcome HostWorld::step(int64_t job, const std::string& step) {
    return refhost::runSnapStep(session(), job, step);
}

refhost::StepOutcome HostWorld::backup(int64_t job) {
    refhost::StepOutcome outcome = refhost::runBackup(session(), job);
    EXPECT_TRUE(outcome.allExpected) << "backup of job " << job << " failed:\n" << output();
    return outcome;
}

std::vector<refhost::SnapRecordRow> HostWorld::rows(int64_t job) {
    return refhost::SnapJobStore(database()).records(job);
}

std::unique_ptr<WatchedServices> HostWorld::makeServices(int64_t job) {
    refhost::SimAdmin admin(SimBinDir(), sim_.state());
    const std::string catalog = home() + "/disks";
    auto services = std::make_unique<WatchedServices>(
        database(), job, std::make_unique<refhost::SimulatedDevices>(admin, catalog), admin,
        home() + "/esx");
    services->catalogDir = catalog;
    return services;
}

WatchedServices& HostWorld::nextServices(int64_t job) {
    if (!next_) next_ = makeServices(job);
    return *next_;
}

int HostWorld::call(const Entry& entry, int64_t job) {
    last_ = next_ ? std::move(next_) : makeServices(job);
    std::vector<std::unique_ptr<refhost::HostSnapInfo>> infos;
    std::vector<ZRSO::SnapInfo*> records;
    for (const auto& row : rows(job)) {
        infos.push_back(std::make_unique<refhost::HostSnapInfo>(database(), row.id));
        records.push_back(infos.back().get());
    }
    return entry(records.data(), static_cast<short>(records.size()), last_.get());
}

refhost::LunRequestRow HostWorld::request(const std::string& volume, long long sizeBytes,
                                          const std::string& mapRequest) const {
    refhost::LunRequestRow row;
    row.arrayName = kArray;
    row.volumeName = volume;
    row.poolName = kPool;
    row.sizeBytes = sizeBytes;
    row.mapRequest = mapRequest;
    return row;
}

refhost::LunOutcome HostWorld::lun(const std::string& operation,
                                   const refhost::LunRequestRow& request) {
    return refhost::runLunRequest(session(), operation, request);
}

refhost::InventoryOutcome HostWorld::inventory() { return refhost::collectInventory(session()); }

// ---- Host fakes.

void HostWorld::fakeHost(FakeZROSUtil& os) const {
    os.arrays = {kAddress};
    os.arrayInfos[kAddress] = std::string("{hostid:1,hostName:") + kAddress +
                              ",hostUserName:" + kInspector +
                              ",hostPassword:" + kInspectorPassword + ",arrayId:" + kSerial + "}";
}

void HostWorld::fakeRecord(FakeSnapInfo& info, const std::string& device,
                           const std::string& snapshotId, bool consistencyGroup) const {
    info.sourceDevice = device;
    info.snapshotId = snapshotId;
    info.loginsByArray[kSerial] = std::string("{arrayId:") + kSerial + ",hostName:" + kAddress +
                                  ",hostUserName:" + kInspector +
                                  ",hostPassword:" + kInspectorPassword + "}";
    info.arrayLogin = info.loginsByArray[kSerial];
    info.configInts["SMCONFIG_NAME_IBM_XIV_USE_CONSISTENCY_GROUP"] = consistencyGroup ? 1 : 0;
    info.intProperties = {{1, 5}, {18, 1}};
}

// ---- Watched services.

void WatchedServices::rescanDevices(const char* host, const char** initiators,
                                    const char** devices) {
    Rescan call{host, {}, {}};
    for (int i = 0; initiators[i]; ++i) call.initiators.push_back(initiators[i]);
    for (int i = 0; devices[i]; ++i) call.devices.push_back(devices[i]);
    rescans.push_back(call);
    HostServices::rescanDevices(host, initiators, devices);
}

int WatchedServices::listHostDevices(const char* host, const char* vendor, char separator, int size,
                                     char* buffer) {
    std::vector<char> all(1 << 16, '\0');
    if (HostServices::listHostDevices(host, vendor, separator, 1 << 15, all.data()) != 0) return -1;
    std::vector<std::string> devices(extraDevices);
    std::istringstream listed(all.data());
    for (std::string device; std::getline(listed, device, separator);) devices.push_back(device);
    std::string text;
    for (const std::string& device : devices) {
        const std::string entry =
            ReadFileText(catalogDir + "/" + device.substr(device.rfind('/') + 1) + ".disk");
        bool hidden = false;
        for (const std::string& volume : hiddenVolumes)
            hidden = hidden || entry.find("\nvolume=" + volume + "\n") != std::string::npos;
        if (!hidden) text += (text.empty() ? "" : std::string(1, separator)) + device;
    }
    if (static_cast<int>(text.size()) >= size) return static_cast<int>(text.size()) + 1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

bool WatchedServices::detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                                    short* nameLength, char* types, short* typeLength,
                                    short* count) {
    if (names == nullptr) ++initiatorQueries;
    return HostServices::detectHBAlist(clientHost, controlHost, names, nameLength, types,
                                       typeLength, count);
}

void HostWorld::addArray(const std::string& address, const std::string& serial,
                         const std::vector<std::string>& pools,
                         const std::vector<std::string>& volumes) const {
    sim_.Admin({"array-create", "--address", address, "--serial", serial, "--user", kUser,
                "--password", kPassword});
    for (const std::string& p : pools)
        sim_.Admin({"pool-create", "--address", address, "--pool", p.substr(0, p.find(':')),
                    "--size-gb", p.substr(p.find(':') + 1)});
    for (const std::string& v : volumes)
        sim_.Admin({"vol-create", "--address", address, "--pool", v.substr(0, v.find('/')), "--vol",
                    v.substr(v.find('/') + 1), "--size-gb", "17"});
}

void HostWorld::scriptXcli(const std::string& dir) const {
    const std::string bin = root_ + "/scripted";
    ::mkdir(bin.c_str(), 0700);
    std::ofstream(bin + "/xcli") << "#!/bin/sh\ntake=0\nfor a in \"$@\"; do\n"
                                 << "  if [ $take = 1 ]; then cat '" << dir
                                 << "'/\"$a.xml\"; exit 0; fi\n"
                                 << "  [ \"$a\" = -x ] && take=1\ndone\n";
    ::chmod((bin + "/xcli").c_str(), 0700);
    setPlatform(bin);
}

void HostWorld::fakeLun(FakeLUNInfo& info, const std::string& volume) const {
    info.volumeName = volume;
    info.arrayName = kArray;
    info.arrayControlHost = kAddress;
    info.arrayUser = kUser;
    info.arrayPassword = enciphered(kPassword);
    info.poolName = kPool;
}
