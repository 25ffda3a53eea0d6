#include "refhost/RecordRow.h"

#include "refhost/HostDatabase.h"
#include "refhost/SqlStatement.h"

namespace refhost {

bool ReadRowText(HostDatabase& db, const char* table, int64_t id, const char* column,
                 std::string* out) {
    std::string sql = std::string("SELECT ") + column + " FROM " + table + " WHERE id = ?";
    SqlStatement st(db, sql.c_str());
    st.bind(1, id);
    if (!st.step() || st.isNull(0)) return false;
    *out = st.text(0);
    return true;
}

}  // namespace refhost
