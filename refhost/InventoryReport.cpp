#include "refhost/InventoryReport.h"

#include <chrono>
#include <map>

#include "refhost/ArrayRegistry.h"
#include "refhost/ErrorLines.h"
#include "refhost/FailureReason.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/HostLock.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/Interruption.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

const char* presence(int64_t status) {
    return status == 0 ? "present" : status == 2 ? "deleted" : "unknown";
}

// Progress per array and pool, and where in the log each array begins.
class InventoryNarrator {
public:
    explicit InventoryNarrator(HostSession& session) : session_(session) {}

    void operator()(const InventoryEvent& e) {
        switch (e.kind) {
        case InventoryEvent::kArray:
            closePool();
            marks_[e.name] = ErrorLines::instance().mark();
            order_.push_back(e.name);
            session_.progress("  array " + e.name + ": listing pools and volumes");
            break;
        case InventoryEvent::kPool:
            closePool();
            pool_ = e.name;
            volumes_ = 0;
            break;
        case InventoryEvent::kVolume: ++volumes_; break;
        case InventoryEvent::kSweep: closePool(); break;
        }
    }

    // The most telling error line of that array's part of the collection.
    std::string reasonFor(const std::string& array, int64_t jobId) const {
        auto m = marks_.find(array);
        if (m == marks_.end()) return std::string();
        return ErrorLines::instance().since(m->second, jobId);
    }

private:
    void closePool() {
        if (!pool_.empty())
            session_.progress("    pool " + pool_ + ": " + std::to_string(volumes_) + " volumes");
        pool_.clear();
    }

    HostSession& session_;
    std::map<std::string, std::size_t> marks_;
    std::vector<std::string> order_;
    std::string pool_;
    long long volumes_ = 0;
};

void fillTables(HostDatabase& db, InventoryOutcome& o) {
    SqlStatement pools(
        db,
        "SELECT a.name, p.name, p.pool_id, p.status, p.total_mib, p.used_mib, p.free_mib "
        "FROM inv_pools p JOIN arrays a ON a.id = p.array_id ORDER BY a.name, p.name");
    while (pools.step())
        o.pools.add({pools.text(0), pools.text(1), pools.text(2), presence(pools.integer(3)),
                     std::to_string(pools.integer(4)), std::to_string(pools.integer(5)),
                     std::to_string(pools.integer(6)), std::to_string(pools.integer(3))});
    SqlStatement volumes(
        db,
        "SELECT a.name, COALESCE(p.name, ''), v.name, v.status, v.size_mib, v.used_mib, "
        "(SELECT COUNT(*) FROM inv_luns l WHERE l.volume_record_id = v.id) "
        "FROM inv_volumes v JOIN arrays a ON a.id = v.array_id "
        "LEFT JOIN inv_pools p ON p.id = v.pool_record_id ORDER BY a.name, v.name");
    while (volumes.step())
        o.volumes.add({volumes.text(0), volumes.text(1), volumes.text(2),
                       presence(volumes.integer(3)), std::to_string(volumes.integer(4)),
                       std::to_string(volumes.integer(5)), std::to_string(volumes.integer(6)),
                       std::to_string(volumes.integer(3))});
}

}  // namespace

InventoryOutcome collectInventory(HostSession& session) {
    HostDatabase& db = session.database();
    HostLock lock = HostLock::named(session.home().dir(), "inventory");
    InventoryOutcome o;
    auto start = std::chrono::steady_clock::now();
    SnapJobStore jobs(db);
    int64_t jobId = jobs.createJob("inventory");
    const PluginApi& api = session.plugin();
    session.progress("inventory job " + std::to_string(jobId) + ": collecting " +
                     std::to_string(ArrayRegistry(db).list(kArrayType).size()) + " arrays");
    InventoryNarrator narrator(session);
    {
        // One transaction: the collection lands whole or not at all.
        Transaction tx(db);
        db.exec("UPDATE arrays SET inv_status = -1");
        HostInventoryDb inventory(db);
        inventory.setEventSink([&narrator](const InventoryEvent& e) { narrator(e); });
        auto services = session.services(jobId);
        o.result = api.getArrayInfo(&inventory, services.get());
        o.interrupted = interrupted();
        if (!o.interrupted) tx.commit();
    }
    jobs.noteStep(jobId, "inventory", o.result, o.interrupted ? kJobInterrupted : "");

    o.allCollected = o.result == 0 && !o.interrupted;
    for (const auto& a : ArrayRegistry(db).list()) {
        bool collected = a.invStatus == 0;
        o.arrays.add({std::to_string(a.id), a.name, collected ? "collected" : "not collected",
                      std::to_string(a.totalMib), std::to_string(a.freeMib),
                      std::to_string(a.invStatus)});
        if (a.type != kArrayType || collected) continue;
        o.allCollected = false;
        Reason r = explainFailure(narrator.reasonFor(a.name, jobId));
        o.problems.push_back("array " + a.name + " not collected: " +
                             (r.text.empty() ? std::string("the plug-in gave no reason") : r.text));
        if (!r.hint.empty()) o.problems.push_back("  hint: " + fillHint(r.hint, a.name));
    }
    fillTables(db, o);
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return o;
}

}  // namespace refhost
