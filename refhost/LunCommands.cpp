// lun create|delete|resize|map|unmap|resolve and inventory.
#include <cstdio>
#include <stdexcept>

#include "refhost/ArrayRegistry.h"
#include "refhost/CommandArgs.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostSession.h"
#include "refhost/InventoryReport.h"
#include "refhost/JsonText.h"
#include "refhost/LunSteps.h"
#include "refhost/OutputTable.h"

namespace refhost {

int cmdLun(HostSession& session, CommandArgs& args) {
    auto operation = args.shift();
    if (!operation || !isLunOperation(*operation))
        throw UsageError("lun needs create, delete, resize, map, unmap or resolve");
    LunRequestRow request;
    request.arrayName = args.required("--array");
    request.volumeName = args.required("--volume");
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
    if (!ArrayRegistry(session.database()).byName(request.arrayName))
        throw std::runtime_error("no registered array named " + request.arrayName);

    LunOutcome o = runLunRequest(session, *operation, request);
    const LunRequestRow& r = o.request;
    char took[32];
    std::snprintf(took, sizeof took, "%.2f", o.seconds);
    if (session.json()) {
        session.out() << "{\"operation\":" << jsonString(*operation) << ",\"result\":" << o.result
                      << ",\"ok\":" << (o.expected ? "true" : "false") << ",\"status\":" << r.status
                      << ",\"error\":" << r.errorCode << ",\"message\":" << jsonString(r.errorMessage)
                      << ",\"volume\":" << jsonString(r.volumeName) << ",\"size_bytes\":" << r.sizeBytes
                      << ",\"initiator_groups\":" << (r.initiatorGroups.empty() ? "[]" : r.initiatorGroups)
                      << ",\"seconds\":" << took << "}\n";
    } else {
        session.out() << "lun " << *operation << " " << r.arrayName << "/" << r.volumeName << ": "
                      << (o.expected ? "done" : "FAILED") << " (status " << r.status
                      << ", plug-in answered " << o.result << ", " << took << " s)\n";
        if (r.errorCode) session.out() << "  error " << r.errorCode << ": " << r.errorMessage << "\n";
        if (*operation == "create" || *operation == "resize")
            session.out() << "  size " << r.sizeBytes << " bytes (" << (r.sizeBytes >> 30) << " GiB)\n";
        if (*operation == "resolve") session.out() << "  initiator groups " << r.initiatorGroups << "\n";
    }
    return o.expected ? 0 : kExitFailed;
}

int cmdInventory(HostSession& session, CommandArgs& args) {
    args.positionals();
    InventoryOutcome o = collectInventory(session);
    if (session.json()) {
        session.out() << "{\"result\":" << o.result << ",\"ok\":" << (o.allCollected ? "true" : "false")
                      << ",\"arrays\":" << o.arrays.json() << ",\"pools\":" << o.pools.json()
                      << ",\"volumes\":" << o.volumes.json() << "}\n";
    } else {
        o.arrays.print(session.out());
        session.out() << "\n";
        o.pools.print(session.out());
        session.out() << "\n";
        o.volumes.print(session.out());
    }
    return o.allCollected ? 0 : kExitFailed;
}

}  // namespace refhost
