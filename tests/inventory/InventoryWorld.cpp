#include "InventoryWorld.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "host/rt/PasswordCipher.h"
#include "support/RunProgram.h"

namespace {

std::string BinDir() { return ZRSO_BIN_DIR; }

// Prints the answer file named after the operation that follows -x.
const char kScript[] =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "take=0\n"
    "for a in \"$@\"; do\n"
    "  if [ \"$take\" = 1 ]; then cat \"$dir/$a.xml\" 2>/dev/null; exit 0; fi\n"
    "  [ \"$a\" = -x ] && take=1\n"
    "done\n";

}  // namespace

bool SimAvailable() {
    return ::access((BinDir() + "/xcli").c_str(), X_OK) == 0 &&
           ::access((BinDir() + "/xcli-sim").c_str(), X_OK) == 0;
}

InventoryWorld::InventoryWorld()
    : dir_("inventory-test"),
      state_("XIV_SIM_STATE", dir_.path()),
      key_("ZRSO_KEY_FILE", dir_.file("cipher.key")),
      password_("XIV_XCLIPASSWORD", nullptr) {
    settings_.text("XCLI_BINARY_LOCATION", BinDir());
}

std::string InventoryWorld::Sim(const std::vector<std::string>& args) {
    std::vector<std::string> argv{BinDir() + "/xcli-sim"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    if (RunProgram(argv, &out) != 0) {
        std::string words;
        for (const std::string& a : args) words += " " + a;
        throw std::runtime_error("xcli-sim" + words + " failed");
    }
    return out;
}

void InventoryWorld::Array(const std::string& address, const std::string& serial) {
    Sim({"array-create", "--address", address, "--serial", serial, "--user", kUser, "--password",
         kPassword});
}

void InventoryWorld::Pool(const std::string& address, const std::string& pool, int sizeGb) {
    Sim({"pool-create", "--address", address, "--pool", pool, "--size-gb",
         std::to_string(sizeGb)});
}

void InventoryWorld::Volume(const std::string& address, const std::string& pool,
                            const std::string& volume) {
    Sim({"vol-create", "--address", address, "--pool", pool, "--vol", volume, "--size-gb", "17"});
}

std::string InventoryWorld::Encrypt(const std::string& password) {
    std::string cipherText;
    if (PasswordCipher().encrypt(password.c_str(), &cipherText) == 0)
        throw std::runtime_error("the cipher refused the test password");
    return cipherText;
}

FakeArrayEntry& InventoryWorld::Register(FakeInventory& inventory, const std::string& address,
                                         int clientId, const std::string& password) {
    FakeArrayEntry& entry = inventory.addArray("array-" + address, clientId, clientId + 100);
    entry.user = kUser;
    entry.encryptedPassword = Encrypt(password);
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

std::string XmlAnswer(const std::string& status, const std::vector<XmlRecord>& records) {
    std::string xml =
        "<XCLIRETURN STATUS=\"" + status + "\" COMMAND_LINE=\"scripted\">\n<OUTPUT>\n";
    for (const XmlRecord& record : records) {
        xml += "<" + record.kind + " id=\"1\">";
        for (const auto& field : record.fields)
            xml += "<" + field.first + " value=\"" + field.second + "\"/>";
        xml += "</" + record.kind + ">\n";
    }
    return xml + "</OUTPUT>\n</XCLIRETURN>\n";
}
