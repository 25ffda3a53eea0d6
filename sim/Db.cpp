#include "sim/Db.h"

#include <sqlite3.h>

namespace sim {

namespace {
[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw SimError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}
}  // namespace

Stmt::Stmt(sqlite3* db, const char* sql) : db_(db), stmt_(nullptr) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) fail(db, "prepare");
}

Stmt::~Stmt() { sqlite3_finalize(stmt_); }

Stmt::Stmt(Stmt&& other) noexcept : db_(other.db_), stmt_(other.stmt_) { other.stmt_ = nullptr; }

Stmt& Stmt::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

Stmt& Stmt::bind(int index, const std::string& value) {
    if (sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        fail(db_, "bind");
    return *this;
}

Stmt& Stmt::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

bool Stmt::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step");
}

void Stmt::run() {
    while (step()) {
    }
    reset();
}

void Stmt::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Stmt::i64(int col) const { return sqlite3_column_int64(stmt_, col); }

std::string Stmt::text(int col) const {
    int len = 0;
    const char* p = raw(col, len);
    return std::string(p, static_cast<size_t>(len));
}

const char* Stmt::raw(int col, int& len) const {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    len = sqlite3_column_bytes(stmt_, col);
    return p ? reinterpret_cast<const char*>(p) : "";
}

bool Stmt::isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

Db::Db(const std::string& path, bool create) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw SimError("cannot open " + path + ": " + msg);
    }
    sqlite3_busy_timeout(db_, 30000);
    // Every xcli run opens and closes the file: a checkpoint (and its fsync)
    // at each close would cost more than the command itself.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    exec("PRAGMA foreign_keys=ON");
}

Db::~Db() { sqlite3_close(db_); }

void Db::exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        throw SimError(std::string("exec: ") + msg);
    }
}

std::int64_t Db::lastId() const { return sqlite3_last_insert_rowid(db_); }

int Db::changes() const { return sqlite3_changes(db_); }

Tx::Tx(Db& db, bool write) : db_(db) { db_.exec(write ? "BEGIN IMMEDIATE" : "BEGIN"); }

Tx::~Tx() {
    if (open_) {
        try {
            db_.exec("ROLLBACK");
        } catch (...) {
        }
    }
}

void Tx::commit() {
    db_.exec("COMMIT");
    open_ = false;
}

}  // namespace sim
