// A prepared SQLite statement with positional binding (1-based) and typed
// column access (0-based).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace refhost {

class HostDatabase;

class SqlStatement {
public:
    SqlStatement(HostDatabase& db, const char* sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    SqlStatement& bind(int index, const std::string& value);
    SqlStatement& bind(int index, const char* value);  // null binds NULL
    SqlStatement& bind(int index, int64_t value);
    SqlStatement& bind(int index, int value) { return bind(index, static_cast<int64_t>(value)); }
    SqlStatement& bindNull(int index);

    // True while a row is available.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    std::string text(int column) const;
    int64_t integer(int column) const;
    bool isNull(int column) const;

private:
    HostDatabase& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace refhost
