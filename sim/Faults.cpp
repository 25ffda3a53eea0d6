#include "sim/Faults.h"

#include <algorithm>

namespace sim {

namespace {
bool takeWhere(Db& db, const char* where, const std::string& operation, Fault& out) {
    std::string sql = std::string(
                          "SELECT id, kind, remaining, status, millis, code, bytes, op FROM fault "
                          "WHERE remaining > 0 AND ") +
                      where + " AND (op = '' OR op = ?) ORDER BY id LIMIT 1";
    auto st = db.prepare(sql.c_str());
    st.bind(1, operation);
    if (!st.step()) return false;
    std::int64_t id = st.i64(0);
    out.kind = st.text(1);
    out.remaining = st.i64(2);
    out.status = st.text(3);
    out.seconds = static_cast<double>(st.i64(4)) / 1000.0;
    out.code = static_cast<int>(st.i64(5));
    out.bytes = st.i64(6);
    out.op = st.text(7);
    db.prepare("UPDATE fault SET remaining = remaining - 1 WHERE id = ?").bind(1, id).run();
    db.exec("DELETE FROM fault WHERE remaining <= 0");
    return true;
}
}  // namespace

bool validFaultKind(const std::string& kind) {
    for (const char* k : {"fail", "hang", "exit", "garbage", "truncate", "banner", "lun-in-use"})
        if (kind == k) return true;
    return false;
}

void addFault(Db& db, const Fault& f) {
    db.prepare(
          "INSERT INTO fault(kind, remaining, status, millis, code, bytes, op) VALUES "
          "(?,?,?,?,?,?,?)")
        .bind(1, f.kind)
        .bind(2, f.remaining)
        .bind(3, f.status)
        .bind(4, static_cast<std::int64_t>(f.seconds * 1000.0 + 0.5))  // kept in milliseconds
        .bind(5, static_cast<std::int64_t>(f.code))
        .bind(6, f.bytes)
        .bind(7, f.kind == "lun-in-use" ? std::string("map_vol") : f.op)
        .run();
}

void clearFaults(Db& db) { db.exec("DELETE FROM fault"); }

bool takeFault(Db& db, const std::string& operation, Fault& out) {
    // Most runs meet no fault: look first without taking the write lock.
    {
        auto any = db.prepare("SELECT 1 FROM fault WHERE kind <> 'lun-in-use' LIMIT 1");
        if (!any.step()) return false;
    }
    Tx tx(db, true);
    bool found = takeWhere(db, "kind <> 'lun-in-use'", operation, out);
    tx.commit();
    return found;
}

bool takeLunFault(Db& db) {
    Fault f;
    return takeWhere(db, "kind = 'lun-in-use'", "map_vol", f);
}

std::string shapeOutput(const Fault& fault, const std::string& output) {
    if (fault.kind == "truncate")
        return output.substr(0, static_cast<size_t>(std::min<std::int64_t>(
                                    fault.bytes, static_cast<std::int64_t>(output.size()))));
    if (fault.kind == "banner")
        return "XCLI 4.1 (simulated) - connected to the array.\nWelcome!\n" + output +
               "Warning: the session will expire in 10 minutes.\n";
    return output;
}

std::string garbageOutput() {
    return std::string("\x1b[2J#@!~ garbled \xff\xfe reply <<<&&& ]]> ") + '\0' +
           " 0x7f3a -- connection reset?\n";
}

}  // namespace sim
