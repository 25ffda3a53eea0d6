// The test world: one simulated array with a pool and volumes mapped to this
// machine's host object, and a host directory with the array registered and
// the disks rescanned. Everything lives under one directory, so a world can
// be saved and put back whole.
//
// The same world serves three ways of driving the plug-in: the built
// zrso-host as a separate program (host, startHost), the reference host in
// this process (job, step, lun, inventory, call: the plug-in loaded by path,
// or entry points linked in), and host fakes over the array (fakeHost,
// fakeRecord). The tests' own array reads use a login of their own, its
// password in the environment, so nothing the plug-in is judged on carries
// a password of the tests.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "RunProgram.h"
#include "SimArray.h"
#include "refhost/HostServices.h"
#include "refhost/InventoryReport.h"
#include "refhost/LunSteps.h"
#include "refhost/SnapshotSteps.h"

class FakeLUNInfo;
class FakeSnapInfo;
class FakeZROSUtil;
namespace refhost {
class HostDatabase;
class HostSession;
}  // namespace refhost

struct HostWorldOptions {
    bool hostObject = true;  // a host object holds this machine's ports
    bool esxServer = false;  // ESX server esx1, its port in a host object of its own
    // The login the host registers for the array; empty: the array's admin.
    std::string user, password;
    int mapped = 3;    // v1..vN, mapped to this machine at LUN 1..N
    int unmapped = 0;  // more volumes, in the pool only
};

// The host's service object, watched: rescans and initiator queries are
// recorded, disks of hidden volumes never show up, extra names are listed.
class WatchedServices : public refhost::HostServices {
public:
    using HostServices::HostServices;
    struct Rescan {
        std::string host;
        std::vector<std::string> initiators, devices;
    };
    std::vector<Rescan> rescans;
    int initiatorQueries = 0;
    std::set<std::string> hiddenVolumes;
    std::vector<std::string> extraDevices;
    std::string catalogDir;

    void rescanDevices(const char* host, const char** initiators, const char** devices) override;
    int listHostDevices(const char* host, const char* vendor, char separator, int size,
                        char* buffer) override;
    bool detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                       short* nameLength, char* types, short* typeLength, short* count) override;
};

class HostWorld {
public:
    static constexpr const char* kAddress = "10.9.8.7";
    static constexpr const char* kSerial = "1310133";
    static constexpr const char* kArray = "xiv1";
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "Load-Pw-91";
    static constexpr const char* kPool = "p1";
    static constexpr const char* kHostObject = "me";
    static constexpr const char* kEsx = "esx1";
    static constexpr const char* kEsxPort = "2100001B32E50001";
    static constexpr const char* kEsxHostObject = "esx1_host";
    // The tests' own login for reading the array.
    static constexpr const char* kInspector = "inspector";
    static constexpr const char* kInspectorPassword = "Hw-Inspect-Pw-2290";

    // A world set up in this process, in a private TMPDIR; the environment
    // the host changes is put back, and the directory removed, when it goes.
    explicit HostWorld(const HostWorldOptions& options = HostWorldOptions());
    // Whether the simulator (with xiv_devlist) and the plug-in are built.
    static bool available();

    // For programs run in threads or killed (the caller owns the
    // environment, e.g. a HostWorldEnv): an array with a pool at root/sim
    // (nothing else yet), or the usual world set up by the built zrso-host
    // (init, array add, rescan).
    explicit HostWorld(const std::string& root);
    static std::unique_ptr<HostWorld> ready(const std::string& root, int mapped, int unmapped = 0);
    // Whether zrso-host, the plug-in and the simulator are built.
    static bool buildHasIt();

    ~HostWorld();
    HostWorld(const HostWorld&) = delete;
    HostWorld& operator=(const HostWorld&) = delete;

    const std::string& root() const { return root_; }
    std::string home() const { return root_ + "/home"; }
    const SimArray& sim() const { return sim_; }

    // ---- The array.
    // Volumes v<n> of 17 GB; with a host object, mapped to it.
    void addVolumes(int count, bool mapped = true);
    // One volume of that name; mapped: to this machine's host object.
    void addVolume(const std::string& name, bool mapped = true, const std::string& pool = kPool);
    void defineHostObject();
    // xcli-sim on this array: --address goes after the command word; throws
    // when it fails, so a broken set-up is never taken for a fault.
    std::string admin(std::vector<std::string> args) const;
    // One xcli run with the array's login; status 0 and the XML answer on success.
    ProgramRun xcli(const std::vector<std::string>& args) const;
    // A CSV listing read with the tests' login: a row of the fields' values
    // per object.
    std::vector<std::vector<std::string>> list(const std::vector<std::string>& words,
                                               const std::string& fields) const;
    // The names of a listing (vol_list, host_list, snap_group_list, ...).
    std::vector<std::string> names(const std::string& listing) const;
    // One field of one volume; "" when there is no such volume.
    std::string volumeField(const std::string& volume, const std::string& field) const;
    // The host objects a volume is mapped to, with the LUN (none when the
    // volume is gone).
    std::vector<std::pair<std::string, int>> mappings(const std::string& volume) const;
    // What the array holds, a line per object (xcli-sim show less faults).
    std::vector<std::string> arrayState() const;
    // Another array in the same simulator, login kUser/kPassword: pools as
    // "name:GB", 17 GB volumes as "pool/name".
    void addArray(const std::string& address, const std::string& serial,
                  const std::vector<std::string>& pools,
                  const std::vector<std::string>& volumes) const;

    // ---- The host directory.
    // The device of a volume, as the last rescan named it ("" when none).
    std::string deviceOf(const std::string& volume) const;
    // The devices of v1..vN mapped when the world was made (in-process world).
    const std::vector<std::string>& disks() const { return disks_; }
    // The host's rescan again; disks() then holds every disk of ours.
    void rescan();
    // A disk of this host with a catalog text of the test's; its device.
    std::string addDisk(const std::string& name, const std::string& catalogText) const;
    // A value of the host database ("" when there is no row).
    std::string hostDbValue(const std::string& sql) const;
    // A change to the host database, the values bound in order.
    void hostDbRun(const std::string& sql, const std::vector<std::string>& values) const;
    // The login registered for the array (the password stored enciphered).
    void setLogin(const std::string& user, const std::string& password) const;
    // Platform settings: the xcli directory ("": the simulator's) and the
    // process time limit in seconds (0: the runtime's default).
    void setPlatform(const std::string& xcliDir, int timeoutSeconds = 0) const;
    // The host's log: every line the plug-in wrote.
    std::string logText() const;
    // Points the plug-in at an xcli that answers every command <op> with
    // the file <dir>/<op>.xml.
    void scriptXcli(const std::string& dir) const;

    // ---- The built zrso-host.
    // What the three commands printed.
    std::string initHome();
    HostRun host(std::vector<std::string> words) const;
    // zrso-host in the background, its output in root/<name>.out and .err.
    pid_t startHost(std::vector<std::string> words, const std::string& name) const;
    HostRun collect(pid_t pid, const std::string& name) const;
    // Waits (a bounded while) until a process that is not ours has ended.
    static bool waitGone(pid_t pid);
    // Waits (a bounded while) until no process serves this world's array.
    bool waitQuiet() const;
    // A command line printed for people, run with the array's password in
    // the environment.
    HostRun runPrinted(const std::string& commandLine) const;
    // What is wrong with the host's own files after a crash: a log line that
    // is not whole, a host database failing its integrity check. justKilled:
    // the last line may be unfinished.
    std::string fileProblems(bool justKilled = false) const;
    // Saves the world beside it, and puts the saved one back.
    void save(const std::string& name) const;
    void restore(const std::string& name) const;

    // ---- The reference host in this process.
    refhost::HostSession& session();
    refhost::HostDatabase& database();
    // What the host printed.
    std::string output() const { return out_.str(); }
    int64_t job(const std::vector<std::string>& devices,
                const refhost::BackupOptions& options = refhost::BackupOptions());
    refhost::StepOutcome step(int64_t job, const std::string& step);
    // prepare, then snap; fails the test unless every record ended well.
    refhost::StepOutcome backup(int64_t job);
    std::vector<refhost::SnapRecordRow> rows(int64_t job);
    // One entry point over the job's records, with watched services.
    using Entry = std::function<int(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*)>;
    int call(const Entry& entry, int64_t job);
    WatchedServices& nextServices(int64_t job);  // those the next call uses
    WatchedServices& lastServices() { return *last_; }
    // A LUN request naming this array and pool.
    refhost::LunRequestRow request(const std::string& volume, long long sizeBytes = 0,
                                   const std::string& mapRequest = "") const;
    refhost::LunOutcome lun(const std::string& operation, const refhost::LunRequestRow& request);
    refhost::InventoryOutcome inventory();

    // ---- Host fakes over this array.
    // The array registered as the fakes report it, with the tests' login.
    void fakeHost(FakeZROSUtil& os) const;
    // A record of a job on device (application id 5, fleet number 1).
    void fakeRecord(FakeSnapInfo& info, const std::string& device, const std::string& snapshotId,
                    bool consistencyGroup) const;
    // A LUN request on this array and pool, the login's password enciphered.
    void fakeLun(FakeLUNInfo& info, const std::string& volume) const;

private:
    // The array with its pool, at root/sim.
    void createArray();
    // zrso-host on this world's home, then the words.
    std::vector<std::string> hostCommand(std::vector<std::string> words) const;
    std::unique_ptr<WatchedServices> makeServices(int64_t job);

    std::unique_ptr<HostWorldEnv> env_;  // the in-process world's own
    std::string root_;
    SimArray sim_;
    // This machine's Fibre Channel ports.
    std::vector<std::string> ports_ = {"2100001B32A0E001", "2100001B32A0E002"};
    int volumes_ = 0;
    bool hostObject_ = false;
    std::vector<std::string> disks_;
    std::ostringstream out_;
    std::unique_ptr<refhost::HostSession> session_;
    std::unique_ptr<WatchedServices> next_, last_;
};

#define REQUIRE_HOST_WORLD() \
    if (!HostWorld::available()) GTEST_SKIP() << "simulator or plug-in not built"
