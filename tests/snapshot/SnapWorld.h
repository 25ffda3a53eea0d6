// A backup host over a simulated array, driven the way the backup product
// drives the plug-in: the reference host's database and records, the
// plug-in loaded by path, the simulator's xcli. The array starts as the
// demo's: pool demo_pool with demo_vol_1..3 mapped to this host, seen as
// /dev/xivd1..3. Host fakes can stand in for the reference host where a
// test needs answers it never gives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ArrayView.h"
#include "refhost/DemoWorld.h"
#include "refhost/HostSession.h"
#include "refhost/SnapshotSteps.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/SimArray.h"

class SnapWorld {
public:
    // shape runs once the array exists and before the host rescans: volumes
    // it adds with AddMappedVolume become disks of the host too.
    explicit SnapWorld(const std::function<void(SnapWorld&)>& shape = nullptr);
    ~SnapWorld();
    SnapWorld(const SnapWorld&) = delete;
    SnapWorld& operator=(const SnapWorld&) = delete;

    // True when the simulator and the plug-in are built.
    static bool Available();

    // xcli-sim on this world's array; throws when it fails.
    std::string Admin(std::vector<std::string> args);
    // Of the xcli runs served since the last call, how many were a CSV
    // listing of operation.
    int CsvRuns(const std::string& operation);
    // Before the rescan only.
    void AddMappedVolume(const std::string& pool, const std::string& volume);
    // A simulated disk of this host with this catalog text; its device path.
    std::string AddDisk(const std::string& name, const std::string& catalogText);

    refhost::HostSession& session() { return *session_; }
    ArrayView& array() { return *view_; }
    const std::vector<std::string>& disks() const { return world_.disks; }
    const std::string& address() const { return world_.address; }
    const std::string& pool() const { return world_.pool; }

    int64_t Job(const std::vector<std::string>& devices, bool consistencyGroup, int appId = 1,
                int fleetNumber = 1);
    refhost::StepOutcome Step(int64_t job, const std::string& step);
    // The host's log: every line the plug-in wrote through its records.
    std::string Log() const;
    // Points the plug-in at an xcli directory (empty: the simulator's).
    void SetXcliDirectory(const std::string& directory);

    // For host fakes in place of the reference host: the array registered
    // as the fakes report it, and a record of a job on device (group
    // setting as given, application id 5, fleet number 1).
    void FakeHost(FakeZROSUtil& os) const;
    void FakeRecord(FakeSnapInfo& info, const std::string& device, const std::string& snapshotId,
                    bool consistencyGroup) const;

private:
    HostWorldEnv env_;
    refhost::DemoWorld world_;
    std::ostringstream out_, err_;
    std::unique_ptr<refhost::HostSession> session_;
    std::unique_ptr<ArrayView> view_;
};

#define REQUIRE_WORLD() \
    if (!SnapWorld::Available()) GTEST_SKIP() << "simulator or plug-in not built"

// The records of a step in job order: their statuses.
std::vector<int> Statuses(const refhost::StepOutcome& outcome);
