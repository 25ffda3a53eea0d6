#include "refhost/SqlStatement.h"

#include "refhost/HostDatabase.h"

namespace refhost {

SqlStatement::SqlStatement(HostDatabase& db, const char* sql)
    : db_(db), stmt_(db.takeStatement(sql)) {}

SqlStatement::~SqlStatement() { db_.returnStatement(stmt_); }

SqlStatement& SqlStatement::bind(int index, const std::string& value) {
    if (sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

SqlStatement& SqlStatement::bind(int index, const char* value) {
    if (!value) return bindNull(index);
    return bind(index, std::string(value));
}

SqlStatement& SqlStatement::bind(int index, int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_.fail("cannot bind a value");
    return *this;
}

SqlStatement& SqlStatement::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_.fail("cannot bind a value");
    return *this;
}

bool SqlStatement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.fail(std::string("cannot run ") + sqlite3_sql(stmt_));
}

void SqlStatement::run() {
    while (step()) {
    }
    reset();
}

void SqlStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string SqlStatement::text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    if (!p) return std::string();
    return std::string(reinterpret_cast<const char*>(p),
                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

int64_t SqlStatement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

bool SqlStatement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

}  // namespace refhost
