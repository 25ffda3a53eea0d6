#include "refhost/LunSteps.h"

#include <chrono>
#include <stdexcept>

#include "host/ZRSO.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/HostLunInfo.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/JsonText.h"
#include "refhost/SnapJobStore.h"

namespace refhost {
namespace {

PluginApi::LunCall entryOf(const PluginApi& api, const std::string& operation) {
    if (operation == "create") return api.createLUNs;
    if (operation == "delete") return api.deleteLUNs;
    if (operation == "resize") return api.resizeLUNs;
    if (operation == "map") return api.mapLUNs;
    if (operation == "unmap") return api.unmapLUNs;
    if (operation == "resolve") return api.resolveLunsToUsers;
    return nullptr;
}

}  // namespace

bool isLunOperation(const std::string& operation) {
    for (const char* known : {"create", "delete", "resize", "map", "unmap", "resolve"})
        if (operation == known) return true;
    return false;
}

bool lunExpected(const std::string& operation, const LunRequestRow& r) {
    if (r.errorCode != 0) return false;
    if (operation == "create") return r.status == 0;
    if (operation == "delete") return r.status == 20;
    if (operation == "resize") return r.status == 3;  // resize leaves its starting status
    if (operation == "map") return r.status == 9;
    if (operation == "unmap") return r.status == 14;
    if (operation == "resolve") return r.status == 5;
    return false;
}

std::string mapRequestJson(const std::string& host, const std::string& os, int protocol,
                           const std::vector<std::string>& ports) {
    std::string endpoints;
    for (const auto& p : ports)
        endpoints += (endpoints.empty() ? "" : ",") + std::string("{\"endpoint\":") + jsonString(p) + "}";
    return "{\"hosts\":[{\"hostname\":" + jsonString(host) + ",\"hostos\":" + jsonString(os) +
           ",\"protocol\":" + jsonString(std::to_string(protocol)) + ",\"endpoints\":[" + endpoints +
           "]}]}";
}

LunOutcome runLunRequest(HostSession& session, const std::string& operation,
                         const LunRequestRow& request) {
    HostDatabase& db = session.database();
    PluginApi::LunCall entry = entryOf(session.plugin(), operation);
    if (!entry) throw std::runtime_error("unknown LUN operation " + operation);
    auto start = std::chrono::steady_clock::now();

    SnapJobStore jobs(db);
    int64_t jobId = jobs.createJob("lun");
    LunRequestStore store(db);
    LunRequestRow row = request;
    row.operation = operation;
    int64_t id = store.add(jobId, row);
    HostLunInfo info(db, id);
    ZRSO::LUNInfo* pointers[] = {&info};
    session.progress("lun " + operation + " " + request.arrayName + "/" + request.volumeName +
                     " (job " + std::to_string(jobId) + ")");
    auto services = session.services(jobId);

    LunOutcome outcome;
    outcome.operation = operation;
    hostLog(0, "zrso-host", jobId, "lun " + operation + ": calling the plug-in");
    outcome.result = entry(pointers, 1, services.get());
    hostLog(0, "zrso-host", jobId, "lun " + operation + ": the plug-in answered " +
                                       std::to_string(outcome.result));
    outcome.request = store.get(id);
    outcome.expected = outcome.result == 0 && lunExpected(operation, outcome.request);
    jobs.noteStep(jobId, "lun " + operation, outcome.result);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

}  // namespace refhost
