#include "sim/RunLog.h"

#include <sys/stat.h>

#include "sim/ArrayStore.h"
#include "sim/Db.h"
#include "sim/Text.h"

namespace sim {

namespace {
std::unique_ptr<Db> openRuns() {
    std::string dir = stateDir();
    if (dir.empty()) return nullptr;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
    auto db = std::make_unique<Db>(dir + "/runs.db", true);
    db->exec(
        "CREATE TABLE IF NOT EXISTS run(id INTEGER PRIMARY KEY, time TEXT NOT NULL, "
        "address TEXT NOT NULL, operation TEXT NOT NULL, arguments TEXT NOT NULL, "
        "password_source TEXT NOT NULL, argv TEXT NOT NULL)");
    return db;
}
}  // namespace

void recordRun(const std::vector<std::string>& argv, const CliRequest& request) {
    auto db = openRuns();
    if (!db) return;
    std::vector<std::string> escaped;
    for (const auto& a : argv) escaped.push_back(escapeField(a));
    std::string source = request.passwordFromEnv ? "env" : request.hasPassword ? "option" : "none";
    db->prepare(
          "INSERT INTO run(time, address, operation, arguments, password_source, argv) "
          "VALUES (?,?,?,?,?,?)")
        .bind(1, utcIsoMillis())
        .bind(2, request.address)
        .bind(3, request.operation)
        .bind(4, joinText(request.arguments, " "))
        .bind(5, source)
        .bind(6, joinText(escaped, "\t"))
        .run();
}

std::vector<std::string> listRuns(const std::string& address) {
    std::vector<std::string> lines;
    auto db = openRuns();
    if (!db) return lines;
    auto st = db->prepare(
        "SELECT time, address, operation, arguments, password_source, argv FROM run "
        "WHERE ? = '' OR address = ? ORDER BY id");
    st.bind(1, address).bind(2, address);
    while (st.step())
        lines.push_back(st.text(0) + "\t" + escapeField(st.text(1)) + "\t" +
                        escapeField(st.text(2)) + "\t" + escapeField(st.text(3)) + "\t" +
                        st.text(4) + "\t" + st.text(5));
    return lines;
}

void clearRuns(const std::string& address) {
    auto db = openRuns();
    if (!db) return;
    db->prepare("DELETE FROM run WHERE ? = '' OR address = ?")
        .bind(1, address)
        .bind(2, address)
        .run();
}

}  // namespace sim
