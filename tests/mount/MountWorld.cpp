#include "MountWorld.h"

#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "engine/snapshot/SnapMetadata.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/AttributeText.h"
#include "refhost/HostHome.h"
#include "refhost/HostSettings.h"
#include "refhost/HostTopology.h"
#include "refhost/SimAdmin.h"
#include "refhost/SimulatedDevices.h"

namespace {

const std::string kBin = SimBinDir();
const char* const kUser = "mnt_admin";

}  // namespace

void ObservedServices::rescanDevices(const char* host, const char** initiators,
                                     const char** devices) {
    RescanCall call{host, {}, {}};
    for (int i = 0; initiators[i]; ++i) call.initiators.push_back(initiators[i]);
    for (int i = 0; devices[i]; ++i) call.devices.push_back(devices[i]);
    rescans.push_back(call);
    HostServices::rescanDevices(host, initiators, devices);
}

int ObservedServices::listHostDevices(const char* host, const char* vendor, char separator,
                                      int size, char* buffer) {
    std::vector<char> all(1 << 16, '\0');
    int answer = HostServices::listHostDevices(host, vendor, separator, 1 << 15, all.data());
    if (answer != 0) return -1;
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

bool ObservedServices::detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                                     short* nameLength, char* types, short* typeLength,
                                     short* count) {
    if (names == nullptr) ++initiatorQueries;
    return HostServices::detectHBAlist(clientHost, controlHost, names, nameLength, types,
                                       typeLength, count);
}

MountWorld::MountWorld(bool hostObject) : dir_("mount-test"), simState_(dir_.file("sim")) {
    refhost::makeDirs(simState_, 0700);
    Sim({"array-create", "--address", kAddress, "--serial", kSerial, "--user", kUser, "--password",
         kPassword});
    Sim({"pool-create", "--address", kAddress, "--pool", "mnt_pool", "--size-gb", "1020",
         "--snapshot-size-gb", "340"});
    for (const char* volume : {"vol_a", "vol_b", "vol_c"})
        Sim({"vol-create", "--address", kAddress, "--pool", "mnt_pool", "--vol", volume,
             "--size-gb", "17"});
    if (hostObject)
        Sim({"host-create", "--address", kAddress, "--host", kHostObject, "--fc",
             std::string(kPort1) + "," + kPort2});
    for (const char* port : {kPort1, kPort2})
        Sim({"port-login", "--address", kAddress, "--port", port});

    session_ = std::make_unique<refhost::HostSession>(HomeDir(), "", false, out_, out_);
    refhost::HostDatabase& db = session_->createDatabase();
    refhost::HostSettings settings(db);
    settings.set(refhost::setting::kWorld, "simulated");
    settings.set(refhost::setting::kSimBin, kBin);
    settings.set(refhost::setting::kSimState, simState_);
    settings.set(refhost::setting::kSimDisks, session_->home().diskCatalogDir());
    settings.set(refhost::setting::kSleepScale, "0.001");
    refhost::PlatformSettings platform;
    platform.xcliDir = kBin;
    platform.mountRetrySeconds = 5;
    session_->home().writePlatformSettings(platform);
    session_->home().applyEnvironment(settings);
    for (const char* port : {kPort1, kPort2})
        refhost::HostTopology(db).addInitiator(refhost::HostTopology::kLocal,
                                               refhost::parseInitiator("fc", port));
    refhost::ArrayRegistry(db).add("xiv-mnt", kAddress, kUser, kPassword, kSerial);
    array_ = std::make_unique<Xiv>(kUser, kPassword, kAddress, kBin, XivLogger(DebugLog()));
}

MountWorld::~MountWorld() = default;

std::string MountWorld::Sim(const std::vector<std::string>& args) {
    return refhost::SimAdmin(kBin, simState_).runOrThrow(args);
}

int MountWorld::Runs(const std::string& operation, bool clear) {
    const SimArray sim(simState_);
    RunCounts runs = clear ? sim.TakeRuns(kAddress) : sim.CountRuns(kAddress);
    return runs[operation] + runs[operation + " -s"];
}

void MountWorld::AddEsxServer() {
    refhost::HostTopology topology(Database());
    topology.addEsxServer(kEsx);
    topology.addInitiator(kEsx, refhost::parseInitiator("fc", kEsxPort));
    Sim({"host-create", "--address", kAddress, "--host", kEsxHostObject, "--fc", kEsxPort});
}

std::string MountWorld::ClientName() {
    char name[65] = {0};
    ::gethostname(name, 64);
    return name;
}

int64_t MountWorld::SnapshotJob(const std::vector<std::string>& volumes, bool esx) {
    refhost::SnapJobStore store(Database());
    const int64_t job = store.createJob("backup");
    std::vector<refhost::NewSnapRecord> records(volumes.size());
    for (size_t i = 0; i < volumes.size(); ++i) {
        records[i].sourceDevice = "/dev/src_" + volumes[i];
        records[i].hostIdentifier = ClientName();
        if (esx) {
            records[i].sourceDevice = refhost::formatAttributes(
                {{"idatype", "vmware"}, {"esxname", kEsx}, {"device", "src_" + volumes[i]}});
            records[i].hostIdentifier = records[i].hostPathMount =
                refhost::formatAttributes({{"esxname", kEsx}});
        }
    }
    const std::vector<int64_t> ids = store.addRecords(job, refhost::JobIdentity(), records);
    for (size_t i = 0; i < volumes.size(); ++i) {
        XIVFilerSnapInfo snapshot;
        snapshot.sSnapName = "snap_" + std::to_string(ids[i]);
        snapshot.sArrayId = kSerial;
        snapshot.sVolumeName = volumes[i];
        snapshot.sVolumeId = Wwn(volumes[i]);
        XivError error;
        array_->CreateSnapShot(volumes[i], snapshot.sSnapName, error);
        refhost::HostSnapInfo info(Database(), ids[i]);
        if (error.code != 0 || info.selectArrayLogin(kSerial) != 0 ||
            !WriteMetaData(&info, snapshot, error.text))
            throw std::runtime_error("cannot prepare a record: " + error.text);
        info.setStatus(ZRSO::SNAP_SNAPPED);
    }
    return job;
}

std::vector<refhost::SnapRecordRow> MountWorld::Rows(int64_t job) {
    return refhost::SnapJobStore(Database()).records(job);
}

std::string MountWorld::DuplicateName(const refhost::SnapRecordRow& row) const {
    return "QS_2_" + std::to_string(row.jobId) + "_" + std::to_string(row.id) + "_duplicate";
}

std::unique_ptr<ObservedServices> MountWorld::MakeServices(int64_t job) {
    refhost::SimAdmin admin(kBin, simState_);
    const std::string catalog = session_->home().diskCatalogDir();
    auto services = std::make_unique<ObservedServices>(
        Database(), job, std::make_unique<refhost::SimulatedDevices>(admin, catalog), admin,
        session_->home().esxCatalogRoot());
    services->catalogDir = catalog;
    return services;
}

ObservedServices& MountWorld::NextServices(int64_t job) {
    if (!next_) next_ = MakeServices(job);
    return *next_;
}

int MountWorld::Call(const Entry& entry, int64_t job) {
    last_ = next_ ? std::move(next_) : MakeServices(job);
    std::vector<std::unique_ptr<refhost::HostSnapInfo>> infos;
    std::vector<ZRSO::SnapInfo*> records;
    for (const auto& row : Rows(job)) {
        infos.push_back(std::make_unique<refhost::HostSnapInfo>(Database(), row.id));
        records.push_back(infos.back().get());
    }
    return entry(records.data(), static_cast<short>(records.size()), last_.get());
}

std::vector<std::pair<std::string, int>> MountWorld::Mappings(const std::string& volume) {
    std::vector<VolMapping> mappings;
    XivError error;
    array_->GetHostsMapped(volume, mappings, error);
    std::vector<std::pair<std::string, int>> out;
    for (const VolMapping& mapping : mappings) out.emplace_back(mapping.host, mapping.lun);
    return out;
}

bool MountWorld::VolumePresent(const std::string& volume) {
    XivError error;
    return array_->IsVolumePresent(volume, error);
}

bool MountWorld::VolumeLocked(const std::string& volume) {
    std::vector<XivVol> volumes;
    XivError error;
    array_->GetAllVolumes(volumes, error);
    bool locked = false;
    for (const XivVol& v : volumes) locked = locked || (v.name == volume && v.locked == "yes");
    return locked;
}

std::string MountWorld::Wwn(const std::string& volume) {
    std::string wwn;
    XivError error;
    array_->GetVolumeByName(volume, wwn, error);
    return wwn;
}

std::string MountWorld::DiskNaa(const std::string& device) {
    const std::string entry = ReadFileText(session_->home().diskCatalogDir() + "/" +
                                           device.substr(device.rfind('/') + 1) + ".disk");
    const size_t at = entry.find("\nnaa=");
    return at == std::string::npos ? "" : entry.substr(at + 5, entry.find('\n', at + 5) - at - 5);
}

std::string MountWorld::LogText() const { return ReadFileText(session_->home().logPath()); }
