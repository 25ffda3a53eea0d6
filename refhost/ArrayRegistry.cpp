#include "refhost/ArrayRegistry.h"

#include <cctype>
#include <memory>
#include <stdexcept>
#include <vector>

#include "host/rt/PasswordCipher.h"
#include "refhost/ArraySerial.h"
#include "refhost/AttributeText.h"
#include "refhost/HostDatabase.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

// Values travel in attribute strings and on xcli's command line, which the
// runtime splits at blanks: refuse what would arrive changed.
void checkValue(const char* what, const std::string& value, bool allowColon) {
    if (value.empty()) throw std::invalid_argument(std::string(what) + " must not be empty");
    for (unsigned char c : value) {
        if (std::isspace(c))
            throw std::invalid_argument(std::string(what) + " must not contain blanks");
        if (!allowColon && c == ':')
            throw std::invalid_argument(std::string(what) +
                                        " must not contain ':' (it separates array addresses)");
    }
    std::string problem = attributeValueProblem(value);
    if (!problem.empty()) throw std::invalid_argument(std::string(what) + " " + problem);
}

const char* const kColumns =
    "SELECT id, name, type, control_host, user_name, password_enc, serial, inv_flag, "
    "inv_status, total_mib, free_mib FROM arrays ";

RegisteredArray rowToArray(const SqlStatement& st) {
    RegisteredArray a;
    a.id = st.integer(0);
    a.name = st.text(1);
    a.type = st.text(2);
    a.controlHost = st.text(3);
    a.user = st.text(4);
    a.passwordEnc = st.text(5);
    a.serial = st.text(6);
    a.invFlag = static_cast<int>(st.integer(7));
    a.invStatus = static_cast<int>(st.integer(8));
    a.totalMib = st.integer(9);
    a.freeMib = st.integer(10);
    return a;
}

}  // namespace

void ArrayRegistry::checkNew(const std::string& name, const std::string& controlHost,
                             const std::string& user, const std::string& serial) const {
    checkValue("array name", name, false);
    checkValue("management address", controlHost, false);
    checkValue("user name", user, true);
    if (!isDecimalSerial(serial))
        throw std::invalid_argument("array serial must be seven decimal digits, e.g. 1310133");
    if (byName(name))
        throw std::invalid_argument("an array named " + name + " is already registered");
    if (byControlHost(controlHost))
        throw std::invalid_argument("an array at " + controlHost + " is already registered");
    if (auto same = bySerial(serial))
        throw std::invalid_argument("the array with serial " + serial +
                                    " is already registered as " + same->name);
}

namespace {

std::string encipher(const std::string& password) {
    checkValue("password", password, true);
    std::string enc;
    PasswordCipher cipher;
    if (!cipher.encrypt(password.c_str(), &enc) || enc.empty())
        throw std::invalid_argument("the host's cipher refused the password (check the key file)");
    return enc;
}

}  // namespace

int64_t ArrayRegistry::add(const std::string& name, const std::string& controlHost,
                           const std::string& user, const std::string& password,
                           const std::string& serial) {
    checkNew(name, controlHost, user, serial);
    std::string enc = encipher(password);
    Transaction tx(db_);
    SqlStatement st(db_,
                    "INSERT INTO arrays(name, type, control_host, user_name, password_enc, serial) "
                    "VALUES(?, ?, ?, ?, ?, ?)");
    st.bind(1, name)
        .bind(2, kArrayType)
        .bind(3, controlHost)
        .bind(4, user)
        .bind(5, enc)
        .bind(6, serial);
    st.run();
    int64_t id = db_.lastInsertId();
    tx.commit();
    return id;
}

void ArrayRegistry::setPassword(int64_t arrayId, const std::string& password) {
    std::string enc = encipher(password);
    Transaction tx(db_);
    SqlStatement st(db_, "UPDATE arrays SET password_enc = ? WHERE id = ?");
    st.bind(1, enc).bind(2, arrayId).run();
    tx.commit();
}

bool ArrayRegistry::remove(const std::string& nameOrAddress) {
    Transaction tx(db_);
    SqlStatement st(db_, "DELETE FROM arrays WHERE name = ?1 OR control_host = ?1");
    st.bind(1, nameOrAddress).run();
    bool removed = db_.changes() > 0;
    tx.commit();
    return removed;
}

std::vector<RegisteredArray> ArrayRegistry::query(const char* where, const std::string& arg) const {
    std::string sql = std::string(kColumns) + where + " ORDER BY id";
    SqlStatement st(db_, sql.c_str());
    if (std::string(where).find('?') != std::string::npos) st.bind(1, arg);
    std::vector<RegisteredArray> out;
    while (st.step()) out.push_back(rowToArray(st));
    return out;
}

std::vector<RegisteredArray> ArrayRegistry::list(const std::string& type) const {
    if (type.empty()) return query("", std::string());
    return query("WHERE type = ?", type);
}

std::optional<RegisteredArray> ArrayRegistry::byId(int64_t id) const {
    std::string sql = std::string(kColumns) + "WHERE id = ?";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, id);
    if (!st.step()) return std::nullopt;
    return rowToArray(st);
}

std::optional<RegisteredArray> ArrayRegistry::byName(const std::string& name) const {
    auto rows = query("WHERE name = ?", name);
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

std::optional<RegisteredArray> ArrayRegistry::byControlHost(const std::string& controlHost) const {
    auto rows = query("WHERE control_host = ?", controlHost);
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

std::optional<RegisteredArray> ArrayRegistry::bySerial(const std::string& id) const {
    for (const auto& a : list())
        if (serialMatches(a.serial, id)) return a;
    return std::nullopt;
}

bool ArrayRegistry::clearPassword(const RegisteredArray& array, std::string* password) {
    std::vector<char> plain(512, '\0');
    unsigned long size = plain.size();
    PasswordCipher cipher;
    if (!cipher.decrypt(array.passwordEnc.c_str(), plain.data(), &size)) return false;
    plain.back() = '\0';
    password->assign(plain.data());
    // Leave no copy of the clear text behind in this buffer.
    for (auto& c : plain) c = '\0';
    return true;
}

void ArrayRegistry::setSetting(int64_t arrayId, const std::string& key, const std::string& value) {
    Transaction tx(db_);
    SqlStatement st(db_,
                    "INSERT INTO array_settings(array_id, key, value) VALUES(?, ?, ?) "
                    "ON CONFLICT(array_id, key) DO UPDATE SET value = excluded.value");
    st.bind(1, arrayId).bind(2, key).bind(3, value).run();
    tx.commit();
}

std::optional<std::string> ArrayRegistry::setting(int64_t arrayId, const std::string& key) const {
    SqlStatement st(db_, "SELECT value FROM array_settings WHERE array_id = ? AND key = ?");
    st.bind(1, arrayId).bind(2, key);
    if (!st.step()) return std::nullopt;
    return st.text(0);
}

}  // namespace refhost
