#include "refhost/HostSettings.h"

#include "refhost/HostDatabase.h"
#include "refhost/SqlStatement.h"

namespace refhost {

std::string HostSettings::get(const std::string& key, const std::string& fallback) const {
    SqlStatement st(db_, "SELECT value FROM host_settings WHERE key = ?");
    st.bind(1, key);
    return st.step() ? st.text(0) : fallback;
}

bool HostSettings::has(const std::string& key) const {
    SqlStatement st(db_, "SELECT 1 FROM host_settings WHERE key = ?");
    st.bind(1, key);
    return st.step();
}

void HostSettings::set(const std::string& key, const std::string& value) {
    Transaction tx(db_);
    SqlStatement st(db_,
                    "INSERT INTO host_settings(key, value) VALUES(?, ?) "
                    "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    st.bind(1, key).bind(2, value).run();
    tx.commit();
}

void HostSettings::erase(const std::string& key) {
    Transaction tx(db_);
    SqlStatement st(db_, "DELETE FROM host_settings WHERE key = ?");
    st.bind(1, key).run();
    tx.commit();
}

}  // namespace refhost
