// The host database: one SQLite file that holds everything the reference host
// keeps (registered arrays, snapshot jobs, LUN requests, inventory, topology).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace refhost {

// Raised for every database failure; the text names the file and the cause.
class HostDbError : public std::runtime_error {
public:
    explicit HostDbError(const std::string& what) : std::runtime_error(what) {}
};

class SqlStatement;

class HostDatabase {
public:
    // Opens (creating when absent) and brings the schema up to date.
    explicit HostDatabase(const std::string& path);
    ~HostDatabase();
    HostDatabase(const HostDatabase&) = delete;
    HostDatabase& operator=(const HostDatabase&) = delete;

    const std::string& path() const { return path_; }
    sqlite3* handle() const { return db_; }

    void exec(const char* sql);
    int64_t lastInsertId() const;
    int changes() const;
    int schemaVersion();

    // Nesting-safe: only the outermost begin/commit touch SQLite.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return depth_ > 0; }

    [[noreturn]] void fail(const std::string& doing) const;

    // Prepared statements are kept per SQL text and reused: preparing costs
    // far more than running the small statements the host issues by the
    // thousand. A statement in use is taken out of the cache, so nested uses
    // of the same text each get their own.
    sqlite3_stmt* takeStatement(const char* sql);
    // Resets the statement and keeps it for the next use of its text.
    void returnStatement(sqlite3_stmt* stmt);

private:
    void finalizeCached();

    std::string path_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, std::vector<sqlite3_stmt*>> cache_;
    int depth_ = 0;
    bool failed_ = false;
};

// Every write runs inside one of these; leaving the scope without commit()
// rolls the work back.
class Transaction {
public:
    explicit Transaction(HostDatabase& db) : db_(db) { db_.begin(); }
    ~Transaction() {
        if (!done_) {
            try {
                db_.rollback();
            } catch (...) {
            }
        }
    }
    void commit() {
        db_.commit();
        done_ = true;
    }

private:
    HostDatabase& db_;
    bool done_ = false;
};

}  // namespace refhost
