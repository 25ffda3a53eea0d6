// A private world for mount tests: a simulated array with a pool and three
// volumes, this machine's two FC ports (logged in), optionally a host object
// holding them, and a reference-host database with the array registered.
// Jobs are snapshots taken directly on the array with the metadata a prepare
// stores, so mounting is all that runs.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "SimArray.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/SnapJobStore.h"
#include "xiv/Xiv.h"

struct RescanCall {
    std::string host;
    std::vector<std::string> initiators, devices;
};

// The reference host's services, watched: rescans and initiator queries are
// recorded; disks of hidden volumes never show up; extra names are listed.
class ObservedServices : public refhost::HostServices {
public:
    using HostServices::HostServices;
    std::vector<RescanCall> rescans;
    int initiatorQueries = 0;
    std::set<std::string> hiddenVolumes;
    std::vector<std::string> extraDevices;

    void rescanDevices(const char* host, const char** initiators, const char** devices) override;
    int listHostDevices(const char* host, const char* vendor, char separator, int size,
                        char* buffer) override;
    bool detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                       short* nameLength, char* types, short* typeLength, short* count) override;
    std::string catalogDir;
};

class MountWorld {
public:
    static constexpr const char* kAddress = "xiv-mnt-1";
    static constexpr const char* kSerial = "1310133";
    static constexpr const char* kPassword = "Mnt-pw-Secret9";
    static constexpr const char* kHostObject = "mount_host";
    static constexpr const char* kPort1 = "2100001B32A0D001";
    static constexpr const char* kPort2 = "2100001B32A0D002";
    static constexpr const char* kEsx = "esx1";
    static constexpr const char* kEsxPort = "2100001B32E50001";
    static constexpr const char* kEsxHostObject = "esx1_host";
    static constexpr unsigned int kPassWaitMs = 1000;  // a fifth of the 5 s retry interval

    explicit MountWorld(bool hostObject = true);
    ~MountWorld();

    std::string Sim(const std::vector<std::string>& args);
    // xcli runs of operation since the last call with clear.
    int Runs(const std::string& operation, bool clear = false);
    // The ESX server esx1 with one port and a host object holding it.
    void AddEsxServer();

    // One snapshot per volume; esx: the sources are esx1's datastore disks.
    int64_t SnapshotJob(const std::vector<std::string>& volumes, bool esx = false);
    std::vector<refhost::SnapRecordRow> Rows(int64_t job);
    std::string DuplicateName(const refhost::SnapRecordRow& row) const;
    // Runs one entry point over the job's records with fresh services.
    using Entry = std::function<int(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*)>;
    int Call(const Entry& entry, int64_t job);
    ObservedServices& NextServices(int64_t job);  // those the next Call uses
    ObservedServices& LastServices() { return *last_; }

    Xiv& Array() { return *array_; }
    std::vector<std::pair<std::string, int>> Mappings(const std::string& volume);
    bool VolumePresent(const std::string& volume);
    bool VolumeLocked(const std::string& volume);
    std::string Wwn(const std::string& volume);
    // The naa key of a disk of this machine's catalog.
    std::string DiskNaa(const std::string& device);
    std::string LogText() const;
    refhost::HostDatabase& Database() { return session_->database(); }
    std::string HomeDir() const { return dir_.file("home"); }
    static std::string ClientName();

private:
    std::unique_ptr<ObservedServices> MakeServices(int64_t job);

    TempDir dir_;
    std::string simState_;
    std::ostringstream out_;
    std::unique_ptr<refhost::HostSession> session_;
    std::unique_ptr<Xiv> array_;
    std::unique_ptr<ObservedServices> next_, last_;
};
