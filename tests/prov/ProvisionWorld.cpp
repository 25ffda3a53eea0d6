#include "ProvisionWorld.h"

#include "refhost/HostLunInfo.h"
#include "refhost/HostServices.h"
#include "refhost/SimAdmin.h"
#include "refhost/SnapJobStore.h"
#include "support/SimArray.h"

bool ProvisionWorldAvailable() { return PluginAvailable() && SimAvailable(); }

ProvisionWorld::ProvisionWorld() : world_(refhost::buildSimulatedArray(SimBinDir())) {
    password_ = world_.password;
    session_.reset(new refhost::HostSession(world_.homeDir(), PluginPath(), false, out_, out_));
    refhost::setUpDemoHost(*session_, world_);
}

ProvisionWorld::~ProvisionWorld() {
    session_.reset();
    refhost::removeTree(world_.root);
}

refhost::LunRequestRow ProvisionWorld::Request(const std::string& volume, long long sizeBytes,
                                               const std::string& mapRequest) const {
    refhost::LunRequestRow row;
    row.arrayName = world_.arrayName;
    row.poolName = world_.pool;
    row.volumeName = volume;
    row.sizeBytes = sizeBytes;
    row.mapRequest = mapRequest;
    return row;
}

ProvisionWorld::Call ProvisionWorld::Run(const std::string& operation,
                                         const std::vector<refhost::LunRequestRow>& requests) {
    const refhost::PluginApi& api = session_->plugin();
    const std::vector<std::pair<const char*, refhost::PluginApi::LunCall>> entries = {
        {"create", api.createLUNs}, {"delete", api.deleteLUNs},
        {"resize", api.resizeLUNs}, {"map", api.mapLUNs},
        {"unmap", api.unmapLUNs},   {"resolve", api.resolveLunsToUsers}};
    refhost::PluginApi::LunCall entry = nullptr;
    for (const auto& e : entries)
        if (operation == e.first) entry = e.second;

    refhost::HostDatabase& db = session_->database();
    int64_t jobId = refhost::SnapJobStore(db).createJob("lun");
    refhost::LunRequestStore store(db);
    std::vector<int64_t> ids;
    std::vector<std::unique_ptr<refhost::HostLunInfo>> infos;
    std::vector<ZRSO::LUNInfo*> pointers;
    for (const refhost::LunRequestRow& row : requests) {
        ids.push_back(store.add(jobId, row));
        infos.emplace_back(new refhost::HostLunInfo(db, ids.back()));
        pointers.push_back(infos.back().get());
    }
    Call call;
    call.result = entry(pointers.data(), static_cast<short>(pointers.size()),
                        session_->services(jobId).get());
    for (int64_t id : ids) call.rows.push_back(store.get(id));
    return call;
}

std::string ProvisionWorld::Admin(const std::vector<std::string>& args) {
    return refhost::SimAdmin(world_.simBin, world_.simState).runOrThrow(args);
}

std::vector<std::string> ProvisionWorld::Runs(const std::string& operation) {
    return SimArray(world_.simState).RunArguments(world_.address, operation);
}

std::string ProvisionWorld::LogText() const { return ReadFileText(session_->home().logPath()); }
