// Every entry point that runs xcli, against every way the client or the
// array can misbehave: the records end with their failure statuses and the
// error codes the host shows, nothing is reported as success, and the host
// database keeps everything but the outcome columns. A banner and a warning
// around an answer are not a fault: those rows succeed.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostSession.h"
#include "refhost/SqlStatement.h"
#include "support/HostWorld.h"

namespace {

enum Fault {
    kMissing,         // no xcli in the configured directory
    kHang,            // one command outlives the runner's time limit
    kGarbage,         // bytes that are no XML
    kTruncated,       // every answer cut after 80 bytes: inside the root tag of a
                      // short answer, inside the first record of a listing
    kBanner,          // a welcome text before and a warning after every answer
    kFailing,         // every command refused with NOT_ENOUGH_SPACE
    kWrongPassword,   // the array no longer takes the registered password
    kUnknownAddress,  // the registered address names no array
};

const char* const kFaultNames[] = {"xcli missing", "hang",    "garbage",        "truncated",
                                   "banner",       "failing", "wrong password", "unknown address"};

constexpr int kKept = 1000;  // the status the record had before the call

struct Row {
    const char* entry;
    Fault fault;
    int result;  // the entry point's answer
    int status;  // of the record, the LUN request, or the array's inventory status
    int code;    // error code written to the record (0: none)
};

// clang-format off
const Row kMatrix[] = {
    // entry          fault            result status  code
    {"prepare",       kMissing,        1,     2,      61050},
    {"prepare",       kHang,           1,     2,      44103},
    {"prepare",       kGarbage,        1,     2,      44103},
    {"prepare",       kTruncated,      1,     2,      44103},
    {"prepare",       kBanner,         0,     1,      0},
    {"prepare",       kFailing,        1,     2,      61033},
    {"prepare",       kWrongPassword,  1,     2,      61053},
    {"prepare",       kUnknownAddress, 1,     2,      61054},

    {"snap",          kMissing,        1,     6,      61050},
    {"snap",          kHang,           1,     6,      44103},
    {"snap",          kGarbage,        1,     6,      44103},
    {"snap",          kTruncated,      1,     6,      44103},
    {"snap",          kBanner,         0,     5,      0},
    {"snap",          kFailing,        1,     6,      61033},
    {"snap",          kWrongPassword,  1,     6,      61053},
    {"snap",          kUnknownAddress, 1,     6,      61054},

    // Reconcile answers 0 whatever it found; a failed question leaves the
    // status and says why in the error.
    {"reconcile",     kMissing,        0,     kKept,  61050},
    {"reconcile",     kHang,           0,     kKept,  44103},
    {"reconcile",     kGarbage,        0,     kKept,  44103},
    {"reconcile",     kTruncated,      0,     kKept,  44103},
    {"reconcile",     kBanner,         0,     kKept,  0},
    {"reconcile",     kFailing,        0,     kKept,  61033},
    {"reconcile",     kWrongPassword,  0,     kKept,  61053},
    {"reconcile",     kUnknownAddress, 0,     kKept,  61054},

    // The mapped check of a mounted snapshot: a check that cannot be made
    // claims nothing (the status stays), one that can says 9.
    {"isMapped",      kMissing,        0,     kKept,  0},
    {"isMapped",      kHang,           0,     kKept,  0},
    {"isMapped",      kGarbage,        0,     kKept,  0},
    {"isMapped",      kTruncated,      0,     kKept,  0},
    {"isMapped",      kBanner,         0,     9,      0},
    {"isMapped",      kFailing,        0,     kKept,  0},
    {"isMapped",      kWrongPassword,  0,     kKept,  0},
    {"isMapped",      kUnknownAddress, 0,     kKept,  0},

    {"mount",         kMissing,        1,     11,     61050},
    {"mount",         kHang,           1,     11,     44103},
    {"mount",         kGarbage,        1,     11,     44103},
    {"mount",         kTruncated,      1,     11,     44103},
    {"mount",         kBanner,         0,     12,     0},
    {"mount",         kFailing,        1,     11,     61033},
    {"mount",         kWrongPassword,  1,     11,     61053},
    {"mount",         kUnknownAddress, 1,     11,     61054},

    {"unmount",       kMissing,        1,     15,     61050},
    {"unmount",       kHang,           1,     15,     44103},
    {"unmount",       kGarbage,        1,     15,     44103},
    {"unmount",       kTruncated,      1,     15,     44103},
    {"unmount",       kBanner,         0,     14,     0},
    {"unmount",       kFailing,        1,     15,     61033},
    {"unmount",       kWrongPassword,  1,     15,     61053},
    {"unmount",       kUnknownAddress, 1,     15,     61054},

    {"delete",        kMissing,        1,     21,     61050},
    {"delete",        kHang,           1,     21,     44103},
    {"delete",        kGarbage,        1,     21,     44103},
    {"delete",        kTruncated,      1,     21,     44103},
    {"delete",        kBanner,         0,     20,     0},
    {"delete",        kFailing,        1,     21,     61033},
    {"delete",        kWrongPassword,  1,     21,     61053},
    {"delete",        kUnknownAddress, 1,     21,     61054},

    {"revert",        kMissing,        1,     23,     61050},
    {"revert",        kHang,           1,     23,     44103},
    {"revert",        kGarbage,        1,     23,     44103},
    {"revert",        kTruncated,      1,     23,     44103},
    {"revert",        kBanner,         0,     22,     0},
    {"revert",        kFailing,        1,     23,     61033},
    {"revert",        kWrongPassword,  1,     23,     61053},
    {"revert",        kUnknownAddress, 1,     23,     61054},

    // Provisioning: every failure is 70003 and leaves the starting status.
    {"createLUNs",    kMissing,        1,     1,      70003},
    {"createLUNs",    kHang,           1,     1,      70003},
    {"createLUNs",    kGarbage,        1,     1,      70003},
    {"createLUNs",    kTruncated,      1,     1,      70003},
    {"createLUNs",    kBanner,         0,     0,      0},
    {"createLUNs",    kFailing,        1,     1,      70003},
    {"createLUNs",    kWrongPassword,  1,     1,      70003},
    {"createLUNs",    kUnknownAddress, 1,     1,      70003},

    {"deleteLUNs",    kMissing,        1,     21,     70003},
    {"deleteLUNs",    kHang,           1,     21,     70003},
    {"deleteLUNs",    kGarbage,        1,     21,     70003},
    {"deleteLUNs",    kTruncated,      1,     21,     70003},
    {"deleteLUNs",    kBanner,         0,     20,     0},
    {"deleteLUNs",    kFailing,        1,     21,     70003},
    {"deleteLUNs",    kWrongPassword,  1,     21,     70003},
    {"deleteLUNs",    kUnknownAddress, 1,     21,     70003},

    {"resizeLUNs",    kMissing,        1,     3,      70003},
    {"resizeLUNs",    kHang,           1,     3,      70003},
    {"resizeLUNs",    kGarbage,        1,     3,      70003},
    {"resizeLUNs",    kTruncated,      1,     3,      70003},
    {"resizeLUNs",    kBanner,         0,     3,      0},
    {"resizeLUNs",    kFailing,        1,     3,      70003},
    {"resizeLUNs",    kWrongPassword,  1,     3,      70003},
    {"resizeLUNs",    kUnknownAddress, 1,     3,      70003},

    {"mapLUNs",       kMissing,        1,     11,     70003},
    {"mapLUNs",       kHang,           1,     11,     70003},
    {"mapLUNs",       kGarbage,        1,     11,     70003},
    {"mapLUNs",       kTruncated,      1,     11,     70003},
    {"mapLUNs",       kBanner,         0,     9,      0},
    {"mapLUNs",       kFailing,        1,     11,     70003},
    {"mapLUNs",       kWrongPassword,  1,     11,     70003},
    {"mapLUNs",       kUnknownAddress, 1,     11,     70003},

    {"unmapLUNs",     kMissing,        1,     15,     70003},
    {"unmapLUNs",     kHang,           1,     15,     70003},
    {"unmapLUNs",     kGarbage,        1,     15,     70003},
    {"unmapLUNs",     kTruncated,      1,     15,     70003},
    {"unmapLUNs",     kBanner,         0,     14,     0},
    {"unmapLUNs",     kFailing,        1,     15,     70003},
    {"unmapLUNs",     kWrongPassword,  1,     15,     70003},
    {"unmapLUNs",     kUnknownAddress, 1,     15,     70003},

    {"resolveLuns",   kMissing,        1,     6,      70003},
    {"resolveLuns",   kHang,           1,     6,      70003},
    {"resolveLuns",   kGarbage,        1,     6,      70003},
    {"resolveLuns",   kTruncated,      1,     6,      70003},
    {"resolveLuns",   kBanner,         0,     5,      0},
    {"resolveLuns",   kFailing,        1,     6,      70003},
    {"resolveLuns",   kWrongPassword,  1,     6,      70003},
    {"resolveLuns",   kUnknownAddress, 1,     6,      70003},

    // Inventory answers 0 when it returns; an array it could not list is
    // left uncollected (the host's -1) with nothing marked deleted.
    {"inventory",     kMissing,        0,     -1,     0},
    {"inventory",     kHang,           0,     -1,     0},
    {"inventory",     kGarbage,        0,     -1,     0},
    {"inventory",     kTruncated,      0,     -1,     0},
    {"inventory",     kBanner,         0,     0,      0},
    {"inventory",     kFailing,        0,     -1,     0},
    {"inventory",     kWrongPassword,  0,     -1,     0},
    {"inventory",     kUnknownAddress, 0,     -1,     0},
};
// clang-format on

// What one call left behind.
struct Observed {
    int result = -1;
    int statusBefore = 0;
    int status = 0;
    int code = 0;
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

// How each entry point is driven: its set-up for one row (returning the
// call), and the one command a hang row stops.
struct EntryPoint {
    const char* name;
    const char* hangOperation;
    std::function<Call(HostWorld&, Shared&, int row)> setUp;
};

const long long kGiB = 1LL << 30;

Observed FromStep(const refhost::StepOutcome& o, int statusBefore) {
    Observed seen;
    seen.result = o.result;
    seen.statusBefore = statusBefore;
    if (!o.records.empty()) {
        seen.status = o.records[0].status;
        seen.code = o.records[0].errorCode;
        seen.message = o.records[0].errorMessage;
    }
    return seen;
}

int StatusNow(HostWorld& w, int64_t job) { return w.rows(job).at(0).status; }

// A job of one device, prepared and snapped (and mounted).
int64_t SnappedJob(HostWorld& w) {
    int64_t job = w.job({w.disks()[0]});
    w.backup(job);
    return job;
}

int64_t MountedJob(HostWorld& w) {
    int64_t job = SnappedJob(w);
    EXPECT_TRUE(w.step(job, "mount").allExpected) << w.output();
    return job;
}

refhost::StepOutcome IsMapped(HostWorld& w, int64_t job) {
    refhost::StepOutcome outcome;
    outcome.result = w.call(w.session().plugin().isMapped, job);
    outcome.records = w.rows(job);
    return outcome;
}

// Columns a failed call may write: the record's outcome and what the host
// itself notes around a call.
const std::set<std::string> kOutcomeColumns = {
    "snap_records.status",         "snap_records.error_code", "snap_records.error_message",
    "snap_records.selected_array", "lun_requests.status",     "lun_requests.error_code",
    "lun_requests.error_message",  "arrays.inv_status",
};

// Every table of the host database as text, one row a line, without the
// outcome columns (nor the host's own job bookkeeping).
std::string DatabaseState(HostWorld& w) {
    sqlite3* db = w.database().handle();
    std::vector<std::string> tables;
    {
        refhost::SqlStatement list(w.database(),
                                   "SELECT name FROM sqlite_master WHERE type = 'table' AND name "
                                   "NOT LIKE 'sqlite_%' AND name NOT IN ('jobs', 'lun_requests') "
                                   "ORDER BY name");
        while (list.step()) tables.push_back(list.text(0));
    }
    std::string state;
    for (const auto& table : tables) {
        sqlite3_stmt* stmt = nullptr;
        std::string sql = "SELECT * FROM \"" + table + "\" ORDER BY rowid";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            // WITHOUT ROWID tables have none; their key orders them.
            sql = "SELECT * FROM \"" + table + "\" ORDER BY 1, 2";
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
                throw std::runtime_error("cannot read table " + table);
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string line = table;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                std::string column = sqlite3_column_name(stmt, c);
                if (kOutcomeColumns.count(table + "." + column)) continue;
                const unsigned char* text = sqlite3_column_text(stmt, c);
                line += " " + column + "=" +
                        (text ? std::string(reinterpret_cast<const char*>(text)) : "NULL");
            }
            state += line + "\n";
        }
        sqlite3_finalize(stmt);
    }
    return state;
}

void SetControlHost(HostWorld& w, const std::string& address) {
    w.hostDbRun("UPDATE arrays SET control_host = ? WHERE name = ?", {address, HostWorld::kArray});
}

Call SnapStep(HostWorld& w, int64_t job, const std::string& step) {
    return [&w, job, step] {
        int before = StatusNow(w, job);
        return FromStep(step == "isMapped" ? IsMapped(w, job) : w.step(job, step), before);
    };
}

Call LunCall(HostWorld& w, const std::string& operation, refhost::LunRequestRow request) {
    return [&w, operation, request] {
        refhost::LunOutcome o = w.lun(operation, request);
        Observed seen;
        seen.result = o.result;
        seen.status = o.request.status;
        seen.code = o.request.errorCode;
        seen.message = o.request.errorMessage;
        if (!o.request.lunName.empty()) seen.sideEffects += "LUN name set; ";
        if (!o.request.lunVolume.empty()) seen.sideEffects += "LUN volume set; ";
        if (o.request.sizeBytes != request.sizeBytes) seen.sideEffects += "size changed; ";
        if (!o.request.initiatorGroups.empty()) seen.sideEffects += "initiator groups set; ";
        return seen;
    };
}

std::string Port(int row) {
    char port[32];
    std::snprintf(port, sizeof port, "10000000C9A1%04X", row);
    return port;
}

std::string MapJson(const std::string& host, const std::string& port) {
    return refhost::mapRequestJson(host, "Red Hat Enterprise Linux", 3, {port});
}

const EntryPoint kEntryPoints[] = {
    {"prepare", "vol_list",
     [](HostWorld& w, Shared&, int) { return SnapStep(w, w.job({w.disks()[0]}), "prepare"); }},
    {"snap", "snapshot_create",
     [](HostWorld& w, Shared&, int) {
         int64_t job = w.job({w.disks()[0]});
         EXPECT_EQ(w.step(job, "prepare").result, 0);
         return SnapStep(w, job, "snap");
     }},
    {"reconcile", "vol_list",
     [](HostWorld& w, Shared& shared, int) {
         if (shared.job == 0) shared.job = SnappedJob(w);
         return SnapStep(w, shared.job, "reconcile");
     }},
    {"isMapped", "vol_list",
     [](HostWorld& w, Shared& shared, int) {
         if (shared.job == 0) shared.job = MountedJob(w);
         return SnapStep(w, shared.job, "isMapped");
     }},
    {"mount", "snapshot_duplicate",
     [](HostWorld& w, Shared&, int) { return SnapStep(w, SnappedJob(w), "mount"); }},
    {"unmount", "unmap_vol",
     [](HostWorld& w, Shared&, int) { return SnapStep(w, MountedJob(w), "unmount"); }},
    {"delete", "snapshot_delete",
     [](HostWorld& w, Shared&, int) { return SnapStep(w, SnappedJob(w), "delete"); }},
    {"revert", "snapshot_restore",
     [](HostWorld& w, Shared&, int) { return SnapStep(w, SnappedJob(w), "revert"); }},
    {"createLUNs", "vol_create",
     [](HostWorld& w, Shared&, int row) {
         return LunCall(w, "create", w.request("hc_" + std::to_string(row), 17 * kGiB));
     }},
    {"deleteLUNs", "vol_delete",
     [](HostWorld& w, Shared&, int row) {
         std::string volume = "hd_" + std::to_string(row);
         w.addVolume(volume, false);
         return LunCall(w, "delete", w.request(volume));
     }},
    {"resizeLUNs", "vol_resize",
     [](HostWorld& w, Shared&, int row) {
         std::string volume = "hr_" + std::to_string(row);
         w.addVolume(volume, false);
         return LunCall(w, "resize", w.request(volume, 34 * kGiB));
     }},
    {"mapLUNs", "map_vol",
     [](HostWorld& w, Shared&, int row) {
         std::string volume = "hm_" + std::to_string(row);
         w.addVolume(volume, false);
         std::string host = "app_m" + std::to_string(row);
         return LunCall(w, "map", w.request(volume, 0, MapJson(host, Port(row))));
     }},
    {"unmapLUNs", "unmap_vol",
     [](HostWorld& w, Shared&, int row) {
         std::string volume = "hu_" + std::to_string(row);
         std::string host = "app_u" + std::to_string(row);
         w.addVolume(volume, false);
         w.admin({"host-create", "--host", host, "--fc", Port(0x100 + row)});
         w.admin({"map", "--host", host, "--vol", volume});
         return LunCall(w, "unmap", w.request(volume, 0, MapJson(host, Port(0x100 + row))));
     }},
    {"resolveLuns", "vol_mapping_list",
     [](HostWorld& w, Shared& shared, int) {
         if (!shared.ready) {
             w.addVolume("hs_1", false);
             w.admin({"host-create", "--host", "app_s", "--fc", Port(0x200)});
             w.admin({"map", "--host", "app_s", "--vol", "hs_1"});
             shared.ready = true;
         }
         return LunCall(w, "resolve", w.request("hs_1"));
     }},
    {"inventory", "pool_list",
     [](HostWorld& w, Shared& shared, int) -> Call {
         if (!shared.ready) {
             EXPECT_TRUE(w.inventory().allCollected);
             shared.ready = true;
         }
         return [&w] {
             refhost::InventoryOutcome o = w.inventory();
             Observed seen;
             seen.result = o.result;
             refhost::ArrayRegistry registry(w.database());
             auto array = registry.byName(HostWorld::kArray);
             seen.status = array ? array->invStatus : -2;
             return seen;
         };
     }},
};

class FaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void Inject(HostWorld& w, Fault fault, const char* hangOperation) {
        auto persistent = [&w](std::vector<std::string> args) {
            args.insert(args.begin(), {"fault", "--count", "1000"});
            w.admin(args);
        };
        switch (fault) {
        case kMissing: {
            std::string empty = w.root() + "/no-xcli";
            ::mkdir(empty.c_str(), 0700);
            w.setPlatform(empty);
            break;
        }
        case kHang:
            // The one command that decides outlives a two-second limit.
            w.setPlatform("", 2);
            w.admin({"fault", "--kind", "hang", "--seconds", "30", "--op", hangOperation});
            break;
        case kGarbage: persistent({"--kind", "garbage"}); break;
        case kTruncated: persistent({"--kind", "truncate", "--bytes", "80"}); break;
        case kBanner: persistent({"--kind", "banner"}); break;
        case kFailing: persistent({"--kind", "fail", "--status", "NOT_ENOUGH_SPACE"}); break;
        case kWrongPassword:
            w.admin({"user-add", "--user", HostWorld::kUser, "--password", "Not-The-Login-Pw"});
            break;
        case kUnknownAddress: SetControlHost(w, "xiv-nowhere-9"); break;
        }
    }

    void Lift(HostWorld& w) {
        w.setPlatform("");
        w.admin({"fault-clear"});
        w.admin({"user-add", "--user", HostWorld::kUser, "--password", HostWorld::kPassword});
        SetControlHost(w, HostWorld::kAddress);
    }
};

TEST_P(FaultMatrix, EndsAsTheTableSays) {
    REQUIRE_HOST_WORLD();
    const std::string entry = GetParam();
    const EntryPoint* driver = nullptr;
    for (const auto& e : kEntryPoints)
        if (entry == e.name) driver = &e;
    ASSERT_NE(driver, nullptr);

    HostWorld w;
    Shared shared;
    int row = 0;
    for (const Row& r : kMatrix) {
        if (entry != r.entry) continue;
        ++row;
        SCOPED_TRACE(entry + " with " + kFaultNames[r.fault]);
        Call call = driver->setUp(w, shared, row);
        Inject(w, r.fault, driver->hangOperation);
        const std::string before = DatabaseState(w);
        const size_t logBefore = w.logText().size();
        Observed seen = call();
        const std::string after = DatabaseState(w);
        Lift(w);

        EXPECT_EQ(seen.result, r.result);
        EXPECT_EQ(seen.status, r.status == kKept ? seen.statusBefore : r.status);
        EXPECT_EQ(seen.code, r.code) << seen.message;
        if (r.fault == kHang) {
            EXPECT_NE(w.logText().find("exceeded the time limit", logBefore), std::string::npos)
                << "the hang did not meet the runner's time limit";
        }
        if (r.fault != kBanner) {
            EXPECT_EQ(before, after) << "the failure changed the host database";
            EXPECT_EQ(seen.sideEffects, "");
        }
    }
    EXPECT_GT(row, 0);
}

INSTANTIATE_TEST_SUITE_P(EntryPoints, FaultMatrix,
                         ::testing::Values("prepare", "snap", "reconcile", "isMapped", "mount",
                                           "unmount", "delete", "revert", "createLUNs",
                                           "deleteLUNs", "resizeLUNs", "mapLUNs", "unmapLUNs",
                                           "resolveLuns", "inventory"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace
