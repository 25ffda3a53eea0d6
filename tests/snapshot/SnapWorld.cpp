#include "SnapWorld.h"

#include <cstdio>
#include <stdexcept>

#include "refhost/HostHome.h"
#include "refhost/SimAdmin.h"
#include "support/SimArray.h"

namespace {

const char* const kObserver = "observer";
const char* const kObserverPassword = "observe-pw";

}  // namespace

SnapWorld::SnapWorld(const std::function<void(SnapWorld&)>& shape) : env_("zrso-snap") {
    world_ = refhost::buildSimulatedArray(SimBinDir());
    Admin({"user-add", "--user", kObserver, "--password", kObserverPassword});
    if (shape) shape(*this);
    session_ =
        std::make_unique<refhost::HostSession>(world_.homeDir(), PluginPath(), false, out_, err_);
    refhost::setUpDemoHost(*session_, world_);
    view_ = std::make_unique<ArrayView>(world_.address, kObserver, kObserverPassword);
}

SnapWorld::~SnapWorld() {
    session_.reset();
    refhost::removeTree(world_.root);
}

bool SnapWorld::Available() { return SimAvailable({"xiv_devlist"}) && PluginAvailable(); }

std::string SnapWorld::Admin(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--address", world_.address});
    return refhost::SimAdmin(world_.simBin, world_.simState).runOrThrow(args);
}

int SnapWorld::CsvRuns(const std::string& operation) {
    return SimArray(world_.simState).TakeRuns(world_.address)[operation + " -s"];
}

void SnapWorld::AddMappedVolume(const std::string& pool, const std::string& volume) {
    Admin({"vol-create", "--pool", pool, "--vol", volume, "--size-gb", "17"});
    Admin({"map", "--host", world_.hostObject, "--vol", volume});
    world_.volumes.push_back(volume);
}

std::string SnapWorld::AddDisk(const std::string& name, const std::string& catalogText) {
    const std::string path = session_->home().diskCatalogDir() + "/" + name + ".disk";
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr || std::fputs(catalogText.c_str(), file) < 0)
        throw std::runtime_error("cannot write " + path);
    std::fclose(file);
    return "/dev/" + name;
}

int64_t SnapWorld::Job(const std::vector<std::string>& devices, bool consistencyGroup, int appId,
                       int fleetNumber) {
    refhost::BackupOptions options;
    options.consistencyGroup = consistencyGroup;
    options.identity.appId = appId;
    options.identity.fleetNumber = fleetNumber;
    return refhost::createBackupJob(*session_, devices, options);
}

refhost::StepOutcome SnapWorld::Step(int64_t job, const std::string& step) {
    return refhost::runSnapStep(*session_, job, step);
}

std::string SnapWorld::Log() const { return ReadFileText(session_->home().logPath()); }

void SnapWorld::SetXcliDirectory(const std::string& directory) {
    refhost::PlatformSettings platform;
    platform.xcliDir = directory.empty() ? world_.simBin : directory;
    platform.mountRetrySeconds = world_.mountRetrySeconds;
    session_->home().writePlatformSettings(platform);
}

void SnapWorld::FakeHost(FakeZROSUtil& os) const {
    os.arrays = {world_.address};
    os.arrayInfos[world_.address] =
        "{hostid:1,hostName:" + world_.address + ",hostUserName:" + kObserver +
        ",hostPassword:" + kObserverPassword + ",arrayId:" + world_.serial + "}";
}

void SnapWorld::FakeRecord(FakeSnapInfo& info, const std::string& device,
                           const std::string& snapshotId, bool consistencyGroup) const {
    info.sourceDevice = device;
    info.snapshotId = snapshotId;
    info.snapshotIdText = snapshotId;
    info.loginsByArray[world_.serial] =
        "{arrayId:" + world_.serial + ",hostName:" + world_.address + ",hostUserName:" + kObserver +
        ",hostPassword:" + kObserverPassword + "}";
    info.arrayLogin = info.loginsByArray[world_.serial];
    info.configInts["SMCONFIG_NAME_IBM_XIV_USE_CONSISTENCY_GROUP"] = consistencyGroup ? 1 : 0;
    info.intProperties = {{1, 5}, {18, 1}};
}

std::vector<int> Statuses(const refhost::StepOutcome& outcome) {
    std::vector<int> statuses;
    for (const auto& record : outcome.records) statuses.push_back(record.status);
    return statuses;
}
