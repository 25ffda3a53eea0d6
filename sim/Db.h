// Thin RAII layer over SQLite for the simulator's state files.
#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace sim {

// A failure of the simulator itself (state files, SQLite), not an array answer.
class SimError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Stmt {
public:
    Stmt(sqlite3* db, const char* sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    Stmt(Stmt&& other) noexcept;

    Stmt& bind(int index, std::int64_t value);
    Stmt& bind(int index, const std::string& value);
    Stmt& bindNull(int index);
    bool step();  // true while a row is there
    void run();   // step to completion
    void reset();

    std::int64_t i64(int col) const;
    std::string text(int col) const;
    // Raw column text, valid until the next step; length in `len`.
    const char* raw(int col, int& len) const;
    bool isNull(int col) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

class Db {
public:
    // Opens an existing file, or creates it when `create` is set. WAL mode and
    // a generous busy timeout make concurrent xcli runs wait instead of failing.
    Db(const std::string& path, bool create);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const char* sql);
    Stmt prepare(const char* sql) { return Stmt(db_, sql); }
    std::int64_t lastId() const;
    int changes() const;
    sqlite3* handle() { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// One transaction; rolled back unless committed.
class Tx {
public:
    Tx(Db& db, bool write);
    ~Tx();
    void commit();

private:
    Db& db_;
    bool open_ = true;
};

}  // namespace sim
