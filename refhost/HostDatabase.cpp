#include "refhost/HostDatabase.h"

#include "refhost/HostSchema.h"

namespace refhost {

HostDatabase::HostDatabase(const std::string& path) : path_(path) {
    int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw HostDbError("cannot open host database " + path + ": " + why);
    }
    try {
        // Another zrso-host may hold the file briefly (a backup running while
        // someone lists jobs): wait rather than fail.
        sqlite3_busy_timeout(db_, 10000);
        exec("PRAGMA foreign_keys=ON");
        // The first read of a damaged file fails here, before anything is written.
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
        migrateSchema(*this);
    } catch (...) {
        finalizeCached();
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

HostDatabase::~HostDatabase() {
    // A statement left unfinalized would keep the connection from closing.
    finalizeCached();
    if (db_) sqlite3_close(db_);
}

namespace {
// Idle copies kept per SQL text; more are only needed by deep nesting.
const size_t kIdlePerText = 4;
}  // namespace

sqlite3_stmt* HostDatabase::takeStatement(const char* sql) {
    auto found = cache_.find(sql);
    if (found != cache_.end() && !found->second.empty()) {
        sqlite3_stmt* stmt = found->second.back();
        found->second.pop_back();
        return stmt;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(std::string("cannot prepare ") + sql);
    }
    return stmt;
}

void HostDatabase::returnStatement(sqlite3_stmt* stmt) {
    if (!stmt) return;
    // Reset at once: a statement left mid-read would hold its snapshot open.
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    try {
        std::vector<sqlite3_stmt*>& idle = cache_[sqlite3_sql(stmt)];
        if (idle.size() < kIdlePerText) {
            idle.push_back(stmt);
            return;
        }
    } catch (...) {
    }
    sqlite3_finalize(stmt);
}

void HostDatabase::finalizeCached() {
    for (auto& entry : cache_)
        for (sqlite3_stmt* stmt : entry.second) sqlite3_finalize(stmt);
    cache_.clear();
}

void HostDatabase::fail(const std::string& doing) const {
    std::string why = db_ ? sqlite3_errmsg(db_) : "not open";
    int code = db_ ? sqlite3_errcode(db_) : SQLITE_ERROR;
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        throw HostDbError("host database " + path_ + " is damaged or not a database (" + why +
                          "); move it aside and run 'zrso-host init' again");
    throw HostDbError("host database " + path_ + ": " + doing + ": " + why);
}

void HostDatabase::exec(const char* sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        sqlite3_free(err);
        fail(std::string("cannot run ") + sql);
    }
}

int64_t HostDatabase::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int HostDatabase::changes() const { return sqlite3_changes(db_); }

int HostDatabase::schemaVersion() {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &st, nullptr) != SQLITE_OK)
        fail("cannot read the schema version");
    int version = 0;
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW) fail("cannot read the schema version");
    return version;
}

void HostDatabase::begin() {
    if (depth_++ == 0) {
        failed_ = false;
        try {
            exec("BEGIN IMMEDIATE");
        } catch (...) {
            depth_ = 0;
            throw;
        }
    }
}

void HostDatabase::commit() {
    if (depth_ == 0) return;
    if (--depth_ > 0) return;
    if (failed_) {
        failed_ = false;
        exec("ROLLBACK");
        throw HostDbError("host database " + path_ + ": an inner step failed; nothing was saved");
    }
    exec("COMMIT");
}

void HostDatabase::rollback() {
    if (depth_ == 0) return;
    if (--depth_ > 0) {
        // An inner scope failed: the outermost one must not commit half the work.
        failed_ = true;
        return;
    }
    failed_ = false;
    if (!sqlite3_get_autocommit(db_)) exec("ROLLBACK");
}

}  // namespace refhost
