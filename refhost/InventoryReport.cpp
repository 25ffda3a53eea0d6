#include "refhost/InventoryReport.h"

#include <chrono>

#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SqlStatement.h"

namespace refhost {

InventoryOutcome collectInventory(HostSession& session) {
    HostDatabase& db = session.database();
    InventoryOutcome o;
    auto start = std::chrono::steady_clock::now();
    SnapJobStore jobs(db);
    int64_t jobId = jobs.createJob("inventory");
    const PluginApi& api = session.plugin();
    session.progress("inventory job " + std::to_string(jobId) + ": collecting " +
                     std::to_string(ArrayRegistry(db).list(kArrayType).size()) + " arrays");
    {
        // One transaction: the collection lands whole or not at all.
        Transaction tx(db);
        db.exec("UPDATE arrays SET inv_status = -1");
        HostInventoryDb inventory(db);
        auto services = session.services(jobId);
        o.result = api.getArrayInfo(&inventory, services.get());
        tx.commit();
    }
    jobs.noteStep(jobId, "inventory", o.result);

    o.allCollected = o.result == 0;
    for (const auto& a : ArrayRegistry(db).list()) {
        o.arrays.add({std::to_string(a.id), a.name, std::to_string(a.invStatus),
                      std::to_string(a.totalMib), std::to_string(a.freeMib)});
        if (a.type == kArrayType && a.invStatus != 0) o.allCollected = false;
    }
    SqlStatement pools(db,
                       "SELECT a.name, p.name, p.pool_id, p.status, p.total_mib, p.used_mib, p.free_mib "
                       "FROM inv_pools p JOIN arrays a ON a.id = p.array_id ORDER BY a.name, p.name");
    while (pools.step())
        o.pools.add({pools.text(0), pools.text(1), pools.text(2), std::to_string(pools.integer(3)),
                     std::to_string(pools.integer(4)), std::to_string(pools.integer(5)),
                     std::to_string(pools.integer(6))});
    SqlStatement volumes(db,
                         "SELECT a.name, COALESCE(p.name, ''), v.name, v.status, v.size_mib, v.used_mib, "
                         "(SELECT COUNT(*) FROM inv_luns l WHERE l.volume_record_id = v.id) "
                         "FROM inv_volumes v JOIN arrays a ON a.id = v.array_id "
                         "LEFT JOIN inv_pools p ON p.id = v.pool_record_id ORDER BY a.name, v.name");
    while (volumes.step())
        o.volumes.add({volumes.text(0), volumes.text(1), volumes.text(2),
                       std::to_string(volumes.integer(3)), std::to_string(volumes.integer(4)),
                       std::to_string(volumes.integer(5)), std::to_string(volumes.integer(6))});
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return o;
}

}  // namespace refhost
