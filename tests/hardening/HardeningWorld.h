// A backup host over a simulated array for the hardening tests: the
// reference host's database and records, the built plug-in loaded by path,
// the simulator's xcli. The array starts as the demo's (pool demo_pool,
// demo_vol_1..3 mapped to this host and seen as /dev/xivd1..3), with a
// login whose password the tests know, so they can look for it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/DemoWorld.h"
#include "refhost/HostSession.h"
#include "refhost/InventoryReport.h"
#include "refhost/LunSteps.h"
#include "refhost/SnapshotSteps.h"
#include "support/SimArray.h"

class HardeningWorld {
public:
    static constexpr const char* kPassword = "Hw-Login-Pw-5813";
    static constexpr const char* kInspector = "inspector";
    static constexpr const char* kInspectorPassword = "Hw-Inspect-Pw-2290";

    // shape runs once the array exists and before the host rescans: volumes
    // added with AddMappedVolume become disks of the host too.
    explicit HardeningWorld(const std::function<void(HardeningWorld&)>& shape = nullptr);
    ~HardeningWorld();
    HardeningWorld(const HardeningWorld&) = delete;
    HardeningWorld& operator=(const HardeningWorld&) = delete;

    // True when the simulator, zrso-host and the plug-in are built.
    static bool Available();

    // xcli-sim on this world's array (it adds --address); throws when the
    // command fails, so a broken set-up is never taken for a fault.
    std::string Admin(std::vector<std::string> args);
    // Before the rescan only.
    void AddMappedVolume(const std::string& pool, const std::string& volume);
    // The names a listing gives (vol_list: every volume and snapshot;
    // host_list, pool_list...), read with the test's own login.
    std::vector<std::string> ArrayNames(const std::string& listing);

    // Platform settings: the xcli directory (empty: the simulator's) and the
    // process time limit in seconds (0: the runtime's default).
    void SetPlatform(const std::string& xcliDir, int timeoutSeconds);
    // The management address registered for the array.
    void SetControlHost(const std::string& address);
    // The login registered for the array (the password stored enciphered).
    void SetRegisteredLogin(const std::string& user, const std::string& password);

    refhost::HostSession& session() { return *session_; }
    const refhost::DemoWorld& world() const { return world_; }
    const std::vector<std::string>& disks() const { return world_.disks; }
    const std::string& address() const { return world_.address; }
    const std::string& root() const { return world_.root; }
    // The private temporary directory (TMPDIR) that holds the world.
    const std::string& tmp() const { return env_.tmp().path(); }

    // Snapshot jobs through the reference host.
    int64_t Job(const std::vector<std::string>& devices, bool consistencyGroup = false);
    refhost::StepOutcome Step(int64_t job, const std::string& step);
    // A job of one device, prepared and snapped; fails the test otherwise.
    int64_t SnappedJob(const std::string& device);
    // As SnappedJob, then mounted.
    int64_t MountedJob(const std::string& device);
    // zrso_isMapped over every record of the job.
    refhost::StepOutcome IsMapped(int64_t job);
    // Rewrites a column of every record of a job (host-side input).
    void SetRecordText(int64_t job, const std::string& column, const std::string& value);

    // Provisioning and inventory through the reference host.
    refhost::LunRequestRow Request(const std::string& volume, long long sizeBytes = 0,
                                   const std::string& mapRequest = "") const;
    refhost::LunOutcome Lun(const std::string& operation, const refhost::LunRequestRow& request);
    refhost::InventoryOutcome Inventory();

    // Every table of the host database as text, one row a line, without the
    // columns a failed call may legitimately write (statuses, errors, the
    // host's own job bookkeeping).
    std::string DatabaseState();
    // The debug log and what the reference host printed.
    std::string LogText() const;
    std::string HostOutput() const { return out_.str() + err_.str(); }

private:
    HostWorldEnv env_;
    refhost::DemoWorld world_;
    std::ostringstream out_, err_;
    std::unique_ptr<refhost::HostSession> session_;
};

#define REQUIRE_HARDENING_WORLD() \
    if (!HardeningWorld::Available()) GTEST_SKIP() << "simulator, zrso-host or plug-in not built"
