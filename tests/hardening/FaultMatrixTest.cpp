// Every entry point that runs xcli, against every way the client or the
// array can misbehave: the records end with their failure statuses and the
// error codes the host shows, nothing is reported as success, and the host
// database keeps everything but the outcome columns. A banner and a warning
// around an answer are not a fault: those rows succeed.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostSession.h"
#include "refhost/SqlStatement.h"
#include "support/HostWorld.h"
#include "support/TestData.h"

namespace {

// What one call left behind.
struct Observed {
    int result = -1, statusBefore = 0, status = 0, code = 0;
    std::string message;
    std::string sideEffects;  // host-visible results a failure must not leave
};

using Call = std::function<Observed()>;

// Targets made once per world for the entry points whose calls leave the
// array as it was (and so can serve every row).
struct Shared {
    int64_t job = 0;     // a snapped (reconcile) or mounted (isMapped) job
    bool ready = false;  // the resolve mapping or the first inventory is made
};

// How each entry point is driven: the one command a hang row stops, and
// either the state a snapshot step's job starts in ("shared ...": one job
// serves every row) or the set-up of a LUN or inventory call for one row.
struct EntryPoint {
    const char* name;
    const char* hangOperation;
    const char* jobState;
    std::function<Call(HostWorld&, Shared&, int row)> setUp;
};

void PrintTo(const EntryPoint& e, std::ostream* os) { *os << e.name; }

const long long kGiB = 1LL << 30;

// A job of one device: new, prepared, snapped or mounted.
int64_t JobIn(HostWorld& w, const std::string& state) {
    int64_t job = w.job({w.disks()[0]});
    if (state == "prepared") {
        EXPECT_EQ(w.step(job, "prepare").result, 0);
    }
    if (state.find("snapped") != std::string::npos || state.find("mounted") != std::string::npos)
        w.backup(job);
    if (state.find("mounted") != std::string::npos) {
        EXPECT_TRUE(w.step(job, "mount").allExpected) << w.output();
    }
    return job;
}

// Columns a failed call may write: the record's outcome and what the host
// itself notes around a call.
const std::set<std::string> kOutcomeColumns = {"snap_records.status", "snap_records.error_code",
                                               "snap_records.error_message",
                                               "snap_records.selected_array", "arrays.inv_status"};

// Every table of the host database as text, one row a line (sorted), without
// the outcome columns (nor the host's own job bookkeeping).
std::vector<std::string> DatabaseState(HostWorld& w) {
    std::vector<std::string> tables, lines;
    refhost::SqlStatement list(w.database(),
                               "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                               "LIKE 'sqlite_%' AND name NOT IN ('jobs', 'lun_requests')");
    while (list.step()) tables.push_back(list.text(0));
    for (const auto& table : tables) {
        sqlite3_stmt* stmt = nullptr;
        const std::string sql = "SELECT * FROM \"" + table + "\"";
        if (sqlite3_prepare_v2(w.database().handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot read table " + table);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string line = table;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                std::string column = sqlite3_column_name(stmt, c);
                if (kOutcomeColumns.count(table + "." + column)) continue;
                const unsigned char* text = sqlite3_column_text(stmt, c);
                line += " " + column + "=" +
                        (text ? std::string(reinterpret_cast<const char*>(text)) : "NULL");
            }
            lines.push_back(line);
        }
        sqlite3_finalize(stmt);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void SetControlHost(HostWorld& w, const std::string& address) {
    w.hostDbRun("UPDATE arrays SET control_host = ? WHERE name = ?", {address, HostWorld::kArray});
}

// A step of the record's job, or the mapped check of a mounted one (which
// the host runs outside any step).
Call SnapStep(HostWorld& w, int64_t job, const std::string& step) {
    return [&w, job, step] {
        const int before = w.rows(job).at(0).status;
        const int result = step == "isMapped" ? w.call(w.session().plugin().isMapped, job)
                                              : w.step(job, step).result;
        const refhost::SnapRecordRow r = w.rows(job).at(0);
        return Observed{result, before, r.status, r.errorCode, r.errorMessage, ""};
    };
}

Call LunCall(HostWorld& w, const std::string& operation, refhost::LunRequestRow request) {
    return [&w, operation, request] {
        refhost::LunOutcome o = w.lun(operation, request);
        Observed seen{o.result, 0, o.request.status, o.request.errorCode, o.request.errorMessage,
                      ""};
        if (!o.request.lunName.empty()) seen.sideEffects += "LUN name set; ";
        if (!o.request.lunVolume.empty()) seen.sideEffects += "LUN volume set; ";
        if (o.request.sizeBytes != request.sizeBytes) seen.sideEffects += "size changed; ";
        if (!o.request.initiatorGroups.empty()) seen.sideEffects += "initiator groups set; ";
        return seen;
    };
}

// A port of its own for each n below 9000.
std::string Port(int n) { return "10000000C9A1" + std::to_string(1000 + n); }

std::string MapJson(const std::string& host, const std::string& port) {
    return refhost::mapRequestJson(host, "Red Hat Enterprise Linux", 3, {port});
}

// A volume of the row's own, mapped nowhere.
std::string NewVolume(HostWorld& w, const char* prefix, int row) {
    const std::string volume = prefix + std::to_string(row);
    w.addVolume(volume, false);
    return volume;
}

const EntryPoint kEntryPoints[] = {
    {"prepare", "vol_list", "new", {}},
    {"snap", "snapshot_create", "prepared", {}},
    {"reconcile", "vol_list", "shared snapped", {}},
    {"isMapped", "vol_list", "shared mounted", {}},
    {"mount", "snapshot_duplicate", "snapped", {}},
    {"unmount", "unmap_vol", "mounted", {}},
    {"delete", "snapshot_delete", "snapped", {}},
    {"revert", "snapshot_restore", "snapped", {}},
    {"createLUNs", "vol_create", nullptr,
     [](HostWorld& w, Shared&, int row) {
         return LunCall(w, "create", w.request("hc_" + std::to_string(row), 17 * kGiB));
     }},
    {"deleteLUNs", "vol_delete", nullptr,
     [](HostWorld& w, Shared&, int row) {
         return LunCall(w, "delete", w.request(NewVolume(w, "hd_", row)));
     }},
    {"resizeLUNs", "vol_resize", nullptr,
     [](HostWorld& w, Shared&, int row) {
         return LunCall(w, "resize", w.request(NewVolume(w, "hr_", row), 34 * kGiB));
     }},
    {"mapLUNs", "map_vol", nullptr,
     [](HostWorld& w, Shared&, int row) {
         const std::string request = MapJson("app_m" + std::to_string(row), Port(row));
         return LunCall(w, "map", w.request(NewVolume(w, "hm_", row), 0, request));
     }},
    {"unmapLUNs", "unmap_vol", nullptr,
     [](HostWorld& w, Shared&, int row) {
         std::string volume = NewVolume(w, "hu_", row), host = "app_u" + std::to_string(row);
         w.admin({"host-create", "--host", host, "--fc", Port(0x100 + row)});
         w.admin({"map", "--host", host, "--vol", volume});
         return LunCall(w, "unmap", w.request(volume, 0, MapJson(host, Port(0x100 + row))));
     }},
    {"resolveLuns", "vol_mapping_list", nullptr,
     [](HostWorld& w, Shared& shared, int) {
         if (!shared.ready) {
             w.addVolume("hs_1", false);
             w.admin({"host-create", "--host", "app_s", "--fc", Port(0x200)});
             w.admin({"map", "--host", "app_s", "--vol", "hs_1"});
             shared.ready = true;
         }
         return LunCall(w, "resolve", w.request("hs_1"));
     }},
    {"inventory", "pool_list", nullptr,
     [](HostWorld& w, Shared& shared, int) -> Call {
         if (!shared.ready) {
             EXPECT_TRUE(w.inventory().allCollected);
             shared.ready = true;
         }
         return [&w] {
             refhost::InventoryOutcome o = w.inventory();
             auto array = refhost::ArrayRegistry(w.database()).byName(HostWorld::kArray);
             return Observed{o.result, 0, array ? array->invStatus : -2, 0, "", ""};
         };
     }},
};

void Inject(HostWorld& w, const std::string& fault, const char* hangOperation) {
    if (fault == "missing") {
        std::string empty = w.root() + "/no-xcli";
        ::mkdir(empty.c_str(), 0700);
        w.setPlatform(empty);
    }
    // The one command that decides outlives a two-second limit.
    if (fault == "hang") w.setPlatform("", 2);
    if (fault == "unknown-address") SetControlHost(w, "xiv-nowhere-9");
    for (const auto& row : TestTable("hardening/faults.txt")) {
        if (row.at(0) != fault) continue;
        std::vector<std::string> words;
        std::istringstream split(row.at(1));
        for (std::string word; split >> word;)
            words.push_back(word == "@OP" ? hangOperation : word);
        w.admin(words);
    }
}

void Lift(HostWorld& w) {
    w.setPlatform("");
    w.admin({"fault-clear"});
    w.admin({"user-add", "--user", HostWorld::kUser, "--password", HostWorld::kPassword});
    SetControlHost(w, HostWorld::kAddress);
}

class FaultMatrix : public ::testing::TestWithParam<EntryPoint> {};

TEST_P(FaultMatrix, EndsAsTheTableSays) {
    REQUIRE_HOST_WORLD();
    const EntryPoint& driver = GetParam();
    HostWorld w;
    Shared shared;
    int row = 0;
    // A row of tests/data/hardening/fault_matrix.txt: entry point, fault,
    // result, status ("kept": the one before the call), error code.
    for (const auto& r : TestTable("hardening/fault_matrix.txt")) {
        const std::string& fault = r.at(1);
        if (r.at(0) != driver.name) continue;
        ++row;
        SCOPED_TRACE(r[0] + " with " + fault);
        Call call;
        if (!driver.jobState) {
            call = driver.setUp(w, shared, row);
        } else if (std::string(driver.jobState).rfind("shared", 0) == 0) {
            if (shared.job == 0) shared.job = JobIn(w, driver.jobState);
            call = SnapStep(w, shared.job, driver.name);
        } else {
            call = SnapStep(w, JobIn(w, driver.jobState), driver.name);
        }
        Inject(w, fault, driver.hangOperation);
        const std::vector<std::string> before = DatabaseState(w);
        const size_t logBefore = w.logText().size();
        Observed seen = call();
        const std::vector<std::string> after = DatabaseState(w);
        Lift(w);

        EXPECT_EQ(seen.result, std::stoi(r.at(2)));
        EXPECT_EQ(seen.status, r.at(3) == "kept" ? seen.statusBefore : std::stoi(r[3]));
        EXPECT_EQ(seen.code, std::stoi(r.at(4))) << seen.message;
        if (fault == "hang") {
            EXPECT_NE(w.logText().find("exceeded the time limit", logBefore), std::string::npos)
                << "the hang did not meet the runner's time limit";
        }
        if (fault != "banner") {
            EXPECT_EQ(before, after) << "the failure changed the host database";
            EXPECT_EQ(seen.sideEffects, "");
        }
    }
    EXPECT_EQ(row, 8) << "every entry point meets every fault";
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, FaultMatrix, ::testing::ValuesIn(kEntryPoints),
                         [](const ::testing::TestParamInfo<EntryPoint>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
