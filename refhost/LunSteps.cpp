#include "refhost/LunSteps.h"

#include <chrono>
#include <stdexcept>

#include "host/ZRSO.h"
#include "refhost/ErrorLines.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLock.h"
#include "refhost/HostLog.h"
#include "refhost/HostLunInfo.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/Interruption.h"
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

std::string lunStateName(const std::string& operation, int status) {
    switch (status) {
    case 0: return operation == "create" ? "created" : "status 0";
    case 1: return "not created";
    case 3: return operation == "resize" ? "resize asked" : "status 3";
    case 5: return "resolved";
    case 9: return "mapped";
    case 11: return "map failed";
    case 14: return "unmapped";
    case 15: return "unmap failed";
    case 20: return "deleted";
    case 21: return "not deleted";
    case -1: return "untouched";
    default: return "status " + std::to_string(status);
    }
}

std::string mapRequestJson(const std::string& host, const std::string& os, int protocol,
                           const std::vector<std::string>& ports) {
    std::string endpoints;
    for (const auto& p : ports)
        endpoints +=
            (endpoints.empty() ? "" : ",") + std::string("{\"endpoint\":") + jsonString(p) + "}";
    return "{\"hosts\":[{\"hostname\":" + jsonString(host) + ",\"hostos\":" + jsonString(os) +
           ",\"protocol\":" + jsonString(std::to_string(protocol)) + ",\"endpoints\":[" +
           endpoints + "]}]}";
}

MapTarget parseMapRequest(const std::string& json) {
    MapTarget t;
    auto first = [&](const char* key) {
        auto all = jsonMemberStrings(json, key);
        return all.empty() ? std::string() : all[0];
    };
    t.host = first("hostname");
    t.os = first("hostos");
    t.protocol = std::atoi(first("protocol").c_str());
    t.ports = jsonMemberStrings(json, "endpoint");
    return t;
}

std::string lunCleanupCommand(const LunRequestRow& r) {
    std::string lun = " --array " + r.arrayName + " --volume " + r.volumeName;
    if (r.operation != "map") return "zrso-host lun resolve" + lun;
    MapTarget t = parseMapRequest(r.mapRequest);
    std::string command = "zrso-host lun unmap" + lun + " --host " + t.host + " --os " + t.os +
                          " --protocol " + std::to_string(t.protocol);
    for (const auto& p : t.ports) command += " --port " + p;
    return command;
}

LunOutcome runLunRequest(HostSession& session, const std::string& operation,
                         const LunRequestRow& request) {
    HostDatabase& db = session.database();
    PluginApi::LunCall entry = entryOf(session.plugin(), operation);
    if (!entry) throw std::runtime_error("unknown LUN operation " + operation);
    auto start = std::chrono::steady_clock::now();

    SnapJobStore jobs(db);
    int64_t jobId = jobs.createJob("lun");
    HostLock lock = HostLock::job(session.home().dir(), jobId);
    jobs.startStep(jobId, "lun " + operation);
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
    const std::size_t mark = ErrorLines::instance().mark();
    hostLog(0, "zrso-host", jobId, "lun " + operation + ": calling the plug-in");
    outcome.result = entry(pointers, 1, services.get());
    hostLog(0, "zrso-host", jobId,
            "lun " + operation + ": the plug-in answered " + std::to_string(outcome.result));
    outcome.request = store.get(id);
    outcome.interrupted = interrupted();
    outcome.expected =
        outcome.result == 0 && lunExpected(operation, outcome.request) && !outcome.interrupted;
    if (!outcome.expected) {
        const LunRequestRow& r = outcome.request;
        bool told = !r.errorMessage.empty();
        outcome.reason = explainFailure(
            told ? r.errorMessage : ErrorLines::instance().since(mark, jobId), r.errorCode);
        if (outcome.reason.text.empty()) outcome.reason.text = "the plug-in gave no reason";
    }
    jobs.noteStep(jobId, "lun " + operation, outcome.result,
                  outcome.interrupted ? kJobInterrupted : "");
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

}  // namespace refhost
