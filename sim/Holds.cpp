#include "sim/Holds.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace sim {

namespace {

// A held run whose release never comes (its test died) answers after this.
constexpr double kLongestHoldSeconds = 120;
constexpr long kPollNanos = 5 * 1000 * 1000;

void pause() {
    timespec ts{0, kPollNanos};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// State files made before holds existed have no table until one is armed.
bool haveHolds(Db& db) {
    return db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'hold'").step();
}

bool anyArmed(Db& db) {
    return haveHolds(db) && db.prepare("SELECT 1 FROM hold WHERE state = 'armed' LIMIT 1").step();
}

// Counts this run against the first matching hold; its id when it is held.
std::int64_t takeTurn(Db& db, const std::string& operation, const std::string& arguments) {
    Tx tx(db, true);
    auto st = db.prepare(
        "SELECT id, skip FROM hold WHERE state = 'armed' AND (op = '' OR op = ?) ORDER BY id LIMIT "
        "1");
    st.bind(1, operation);
    if (!st.step()) return 0;
    std::int64_t id = st.i64(0), skip = st.i64(1);
    if (skip > 0) {
        db.prepare("UPDATE hold SET skip = skip - 1 WHERE id = ?").bind(1, id).run();
    } else {
        db.prepare(
              "UPDATE hold SET state = 'held', pid = ?, operation = ?, arguments = ? WHERE id = ?")
            .bind(1, static_cast<std::int64_t>(::getpid()))
            .bind(2, operation)
            .bind(3, arguments)
            .bind(4, id)
            .run();
    }
    tx.commit();
    return skip > 0 ? 0 : id;
}

}  // namespace

void armHold(Db& db, const std::string& op, std::int64_t nth) {
    db.exec(
        "CREATE TABLE IF NOT EXISTS hold(id INTEGER PRIMARY KEY, op TEXT NOT NULL, "
        "skip INTEGER NOT NULL, state TEXT NOT NULL DEFAULT 'armed', pid INTEGER NOT NULL DEFAULT "
        "0, "
        "operation TEXT NOT NULL DEFAULT '', arguments TEXT NOT NULL DEFAULT '')");
    db.prepare("INSERT INTO hold(op, skip) VALUES (?, ?)").bind(1, op).bind(2, nth - 1).run();
}

void holdIfArmed(Db& db, const std::string& operation, const std::string& arguments) {
    if (!anyArmed(db)) return;
    std::int64_t id = takeTurn(db, operation, arguments);
    if (!id) return;
    double until = now() + kLongestHoldSeconds;
    auto state = db.prepare("SELECT state FROM hold WHERE id = ?");
    for (;;) {
        state.bind(1, id);
        bool held = state.step() && state.text(0) == "held";
        state.reset();
        if (!held || now() > until) break;
        pause();
    }
    db.prepare("DELETE FROM hold WHERE id = ?").bind(1, id).run();
}

bool waitForHeld(Db& db, double seconds, HeldRun& out) {
    if (!haveHolds(db)) return false;
    double until = now() + seconds;
    auto st = db.prepare("SELECT pid, operation, arguments FROM hold WHERE state = 'held' LIMIT 1");
    for (;;) {
        if (st.step()) {
            out.pid = st.i64(0);
            out.operation = st.text(1);
            out.arguments = st.text(2);
            return true;
        }
        st.reset();
        if (now() > until) return false;
        pause();
    }
}

void releaseHolds(Db& db) {
    if (!haveHolds(db)) return;
    Tx tx(db, true);
    db.exec("UPDATE hold SET state = 'released' WHERE state = 'held'");
    db.exec("DELETE FROM hold WHERE state = 'armed'");
    tx.commit();
}

}  // namespace sim
