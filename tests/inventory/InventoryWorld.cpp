#include "InventoryWorld.h"

#include <sys/stat.h>

#include <stdexcept>

#include "host/rt/PasswordCipher.h"

namespace {

const char kScript[] =
    "#!/bin/sh\n"
    "take=0\n"
    "for a in \"$@\"; do\n"
    "  if [ $take = 1 ]; then cat \"$(dirname \"$0\")/$a.xml\"; exit 0; fi\n"
    "  [ \"$a\" = -x ] && take=1\n"
    "done\n";

}  // namespace

InventoryWorld::InventoryWorld()
    : dir_("inventory-test"), key_("ZRSO_KEY_FILE", dir_.file("cipher.key")) {
    settings_.text("XCLI_BINARY_LOCATION", SimBinDir());
}

void InventoryWorld::Array(const std::string& address, const std::string& serial,
                           const std::vector<std::string>& pools,
                           const std::vector<std::string>& volumes) {
    Sim({"array-create", "--address", address, "--serial", serial, "--user", kUser, "--password",
         kPassword});
    for (const std::string& p : pools) {
        size_t colon = p.find(':');
        Sim({"pool-create", "--address", address, "--pool", p.substr(0, colon), "--size-gb",
             p.substr(colon + 1)});
    }
    for (const std::string& v : volumes) {
        size_t slash = v.find('/');
        Sim({"vol-create", "--address", address, "--pool", v.substr(0, slash), "--vol",
             v.substr(slash + 1), "--size-gb", "17"});
    }
}

FakeArrayEntry& InventoryWorld::Register(FakeInventory& inventory, const std::string& address,
                                         int clientId, const std::string& password) {
    FakeArrayEntry& entry = inventory.addArray("array-" + address, clientId, clientId + 100);
    entry.user = kUser;
    if (PasswordCipher().encrypt(password.c_str(), &entry.encryptedPassword) == 0)
        throw std::runtime_error("the cipher refused the test password");
    entry.controlHost = address;
    return entry;
}

void InventoryWorld::Script(const std::string& poolList, const std::string& volList) {
    ::mkdir(dir_.file("scripted").c_str(), 0700);
    ::chmod(dir_.write("scripted/xcli", kScript).c_str(), 0700);
    dir_.write("scripted/pool_list.xml", poolList);
    dir_.write("scripted/vol_list.xml", volList);
    settings_.text("XCLI_BINARY_LOCATION", dir_.file("scripted"));
}
