// Registered arrays: what an administrator adds with 'zrso-host array add'.
// The password is stored enciphered by the runtime's cipher and deciphered
// only when a login is handed to the plug-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace refhost {

class HostDatabase;

constexpr const char* kArrayType = "IBM XIV";
// The per-array setting naming the array's own xcli directory.
constexpr const char* kXcliDirSetting = "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH";

struct RegisteredArray {
    int64_t id = 0;  // the control host id and the inventory's client id
    std::string name;
    std::string type;
    std::string controlHost;  // management address
    std::string user;
    std::string passwordEnc;
    std::string serial;  // decimal form
    int invFlag = 0;
    int invStatus = -1;
    int64_t totalMib = 0;
    int64_t freeMib = 0;
};

class ArrayRegistry {
public:
    explicit ArrayRegistry(HostDatabase& db) : db_(db) {}

    // Throws std::invalid_argument for a value the login strings cannot
    // carry, or a name, address or serial already registered.
    void checkNew(const std::string& name, const std::string& controlHost, const std::string& user,
                  const std::string& serial) const;
    // checkNew, then stores the array; also throws std::invalid_argument for
    // a password the cipher refuses.
    int64_t add(const std::string& name, const std::string& controlHost, const std::string& user,
                const std::string& password, const std::string& serial);
    bool remove(const std::string& nameOrAddress);
    void setPassword(int64_t arrayId, const std::string& password);

    std::vector<RegisteredArray> list(const std::string& type = std::string()) const;
    std::optional<RegisteredArray> byId(int64_t id) const;
    std::optional<RegisteredArray> byName(const std::string& name) const;
    std::optional<RegisteredArray> byControlHost(const std::string& controlHost) const;
    // The first array whose serial matches id in either form.
    std::optional<RegisteredArray> bySerial(const std::string& id) const;

    // False when the stored text does not decipher with this host's key.
    static bool clearPassword(const RegisteredArray& array, std::string* password);

    void setSetting(int64_t arrayId, const std::string& key, const std::string& value);
    std::optional<std::string> setting(int64_t arrayId, const std::string& key) const;

private:
    std::vector<RegisteredArray> query(const char* where, const std::string& arg) const;
    HostDatabase& db_;
};

}  // namespace refhost
