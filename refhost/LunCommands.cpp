// lun create|delete|resize|map|unmap|resolve and inventory.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "refhost/ArrayLeftovers.h"
#include "refhost/ArrayProbe.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/CommandArgs.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLock.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostTopology.h"
#include "refhost/Interruption.h"
#include "refhost/InventoryReport.h"
#include "refhost/JsonText.h"
#include "refhost/LunRequestStore.h"
#include "refhost/LunSteps.h"
#include "refhost/OutputTable.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SnapshotSteps.h"
#include "refhost/TerminalInput.h"

namespace refhost {
namespace {

std::string gib(int64_t bytes) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f GiB", static_cast<double>(bytes) / (1LL << 30));
    return text;
}

// Asks on the terminal to type the volume name; refused without one
// unless --yes.
void confirmVolume(const std::string& what, const std::string& volume, bool yes) {
    if (yes) return;
    if (!haveTerminal()) throw std::runtime_error(what + "; it asks on a terminal, or give --yes");
    if (!confirmOnTerminal(what + ".\nType the volume name (" + volume + ") to go on: ", volume))
        throw std::runtime_error("not confirmed; nothing was changed");
}

// A smaller size cuts the volume's data off: refused unless allowed, and
// then confirmed. The present size comes from the array itself.
void guardResize(HostSession& session, const RegisteredArray& array, const LunRequestRow& request,
                 bool allowShrink, bool yes) {
    ArrayRegistry registry(session.database());
    std::optional<int64_t> present;
    try {
        present = ArrayProbe(registeredLogin(session.home(), registry, array))
                      .volumeBytes(request.volumeName);
    } catch (const std::runtime_error& e) {
        if (!allowShrink)
            throw std::runtime_error("cannot tell the present size of " + request.volumeName +
                                     ": " + e.what() +
                                     "; --allow-shrink resizes without knowing it");
    }
    if (!present || request.sizeBytes >= *present) return;
    std::string what = "resize of " + array.name + "/" + request.volumeName + " from " +
                       gib(*present) + " to " + gib(request.sizeBytes) +
                       " shrinks it: the data beyond the new size is lost";
    if (!allowShrink) throw std::runtime_error(what + "; refused without --allow-shrink");
    confirmVolume(what, request.volumeName, yes);
}

int reportLun(HostSession& session, const std::string& operation, const LunOutcome& o,
              const ArrayCheck* check = nullptr) {
    const LunRequestRow& r = o.request;
    char took[32];
    std::snprintf(took, sizeof took, "%.2f", o.seconds);
    std::string error = o.expected ? "null"
                                   : "{\"code\":" + std::to_string(r.errorCode) +
                                         ",\"status\":" + jsonString(o.reason.status) +
                                         ",\"message\":" + jsonString(o.reason.text) + "}";
    if (session.json()) {
        session.out() << "{\"operation\":" << jsonString(operation) << ",\"job\":" << r.jobId
                      << ",\"result\":" << o.result << ",\"ok\":" << (o.expected ? "true" : "false")
                      << ",\"interrupted\":" << (o.interrupted ? "true" : "false")
                      << ",\"status\":" << r.status
                      << ",\"state\":" << jsonString(lunStateName(operation, r.status))
                      << ",\"error\":" << error << ",\"volume\":" << jsonString(r.volumeName)
                      << ",\"size_bytes\":" << r.sizeBytes << ",\"initiator_groups\":"
                      << (r.initiatorGroups.empty() ? "[]" : r.initiatorGroups)
                      << (check ? ",\"array_check\":" + arrayCheckJson(*check) : std::string())
                      << ",\"seconds\":" << took << "}\n";
    } else {
        session.out() << "lun " << operation << " " << r.arrayName << "/" << r.volumeName << ": "
                      << (o.interrupted ? "INTERRUPTED"
                          : o.expected  ? "done"
                                        : "FAILED")
                      << " (" << lunStateName(operation, r.status) << ", " << took << " s)\n";
        if (!o.expected && !o.interrupted) {
            session.out() << "  " << o.reason.text << "\n";
            if (!o.reason.hint.empty())
                session.out() << "  hint: " << fillHint(o.reason.hint, r.arrayName) << "\n";
        }
        if (o.expected && (operation == "create" || operation == "resize"))
            session.out() << "  size " << r.sizeBytes << " bytes (" << gib(r.sizeBytes) << ")\n";
        if (operation == "resolve")
            session.out() << "  initiator groups " << r.initiatorGroups << "\n";
        if (o.interrupted)
            session.out() << "  job " << r.jobId
                          << " is marked interrupted; clean up with: " << lunCleanupCommand(r)
                          << "\n";
        if (check) session.out() << arrayCheckText(*check);
        if (!o.expected) session.out() << "details: " << session.home().logPath() << "\n";
    }
    if (o.interrupted) return interruptExitStatus();
    return o.expected ? 0 : kExitFailed;
}

// A disk unmapped from this host leaves it now, under the disks' lock, rather
// than at the rescan of some mount later, whose new disk would get its name.
void rescanIfUnmappedHere(HostSession& session, const LunRequestRow& request) {
    auto mine = HostTopology(session.database()).initiators(HostTopology::kLocal);
    for (std::string port : parseMapRequest(request.mapRequest).ports) {
        port.erase(std::remove(port.begin(), port.end(), ':'), port.end());
        for (const auto& i : mine) {
            if (strcasecmp(i.name.c_str(), port.c_str()) != 0) continue;
            const char* none[] = {nullptr};
            session.services(request.jobId)->rescanDevices(clientName().c_str(), none, none);
            return;
        }
    }
}

LunOutcome runLun(HostSession& session, const std::string& operation,
                  const LunRequestRow& request) {
    if (operation != "unmap") return runLunRequest(session, operation, request);
    DeviceLock disks(session.home().dir(), DeviceLock::kExclusive);
    LunOutcome outcome = runLunRequest(session, operation, request);
    rescanIfUnmappedHere(session, outcome.request);
    return outcome;
}

// Earlier requests on the volume that did not finish (their process died or
// was stopped): this one looks at the array before and after it runs, and
// settles them.
int runWithRecovery(HostSession& session, const std::string& operation,
                    const LunRequestRow& request) {
    std::vector<LunRequestRow> earlier;
    for (const auto& r :
         LunRequestStore(session.database()).unsettledFor(request.arrayName, request.volumeName))
        if (!HostLock::jobHolder(session.home().dir(), r.jobId)) earlier.push_back(r);
    if (earlier.empty()) return reportLun(session, operation, runLun(session, operation, request));
    SnapJobStore jobs(session.database());
    const LunRequestRow& last = earlier.back();
    RecoveryCheck recovery(unsettledWhy(jobs.job(last.jobId)),
                           [&] { return surveyLunRequest(session, last); });
    LunOutcome outcome = runLun(session, operation, request);
    ArrayCheck check = recovery.finish("lun " + operation);
    for (const auto& r : earlier)
        jobs.setState(r.jobId, "checked by job " + std::to_string(outcome.request.jobId));
    return reportLun(session, operation, outcome, &check);
}

}  // namespace

int cmdLun(HostSession& session, CommandArgs& args) {
    auto operation = args.shift();
    if (!operation || !isLunOperation(*operation))
        throw UsageError("lun needs create, delete, resize, map, unmap or resolve");
    LunRequestRow request;
    request.arrayName = args.required("--array");
    request.volumeName = args.required("--volume");
    bool yes = args.flag("--yes");
    bool allowShrink = *operation == "resize" && args.flag("--allow-shrink");
    if (*operation == "create") request.poolName = args.required("--pool");
    if (*operation == "create" || *operation == "resize")
        request.sizeBytes = parseSize(args.required("--size"));
    if (*operation == "map" || *operation == "unmap") {
        std::string host = args.required("--host");
        std::string os = args.required("--os");
        int protocol = static_cast<int>(args.number("--protocol").value_or(3));
        auto ports = args.options("--port");
        if (ports.empty()) throw UsageError("missing --port");
        request.mapRequest = mapRequestJson(host, os, protocol, ports);
    }
    args.positionals();
    auto array = ArrayRegistry(session.database()).byName(request.arrayName);
    if (!array)
        throw std::runtime_error(
            "no registered array named " + request.arrayName +
            " (zrso-host array list shows them; zrso-host array add registers one)");
    if (*operation == "resize") guardResize(session, *array, request, allowShrink, yes);
    if (*operation == "delete")
        confirmVolume(
            "lun delete removes " + array->name + "/" + request.volumeName + " and its data",
            request.volumeName, yes);
    return runWithRecovery(session, *operation, request);
}

int cmdInventory(HostSession& session, CommandArgs& args) {
    args.positionals();
    InventoryOutcome o = collectInventory(session);
    if (session.json()) {
        session.out() << "{\"result\":" << o.result
                      << ",\"ok\":" << (o.allCollected ? "true" : "false")
                      << ",\"interrupted\":" << (o.interrupted ? "true" : "false")
                      << ",\"arrays\":" << o.arrays.json() << ",\"pools\":" << o.pools.json()
                      << ",\"volumes\":" << o.volumes.json() << "}\n";
    } else if (o.interrupted) {
        session.out() << "inventory INTERRUPTED by " << interruptName()
                      << ": the running xcli was stopped and nothing was stored; run zrso-host "
                         "inventory again\n";
    } else {
        o.arrays.print(session.out());
        session.out() << "\n";
        o.pools.print(session.out());
        session.out() << "\n";
        o.volumes.print(session.out());
        for (const auto& line : o.problems) session.out() << line << "\n";
        if (!o.allCollected) session.out() << "details: " << session.home().logPath() << "\n";
    }
    if (o.interrupted) return interruptExitStatus();
    return o.allCollected ? 0 : kExitFailed;
}

}  // namespace refhost
