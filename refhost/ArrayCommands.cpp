// array add|list|remove|test|passwd: the arrays the plug-in may log in to.
#include <optional>
#include <stdexcept>

#include "refhost/ArrayProbe.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/ArraySerial.h"
#include "refhost/CommandArgs.h"
#include "refhost/ConfigKeys.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostSession.h"
#include "refhost/JsonText.h"
#include "refhost/OutputTable.h"
#include "refhost/TerminalInput.h"

namespace refhost {
namespace {

// The password stays in this object only as long as the command runs.
struct Secret {
    std::string text;
    ~Secret() {
        for (auto& c : text) c = '\0';
    }
};

void readPassword(HostSession& session, const std::optional<std::string>& file,
                  const std::string& who, Secret* secret) {
    if (!file) {
        secret->text = readPasswordFromTty("Password for " + who + ": ");
        return;
    }
    std::string warning;
    secret->text = readPasswordFile(*file, &warning);
    if (!warning.empty()) session.warn(warning);
}

// Logs in and compares the serial; throws std::runtime_error with the reason.
void verifyArray(HostSession& session, const ArrayLogin& login, const std::string& serial) {
    session.progress("logging in to " + login.user + "@" + login.address + " with xcli");
    std::string found = ArrayProbe(login).serial();
    if (!serialMatches(found, serial))
        throw std::runtime_error("the array at " + login.address + " has serial " + found +
                                 ", not " + serial);
}

RegisteredArray needArray(ArrayRegistry& registry, const std::string& name) {
    auto a = registry.byName(name);
    if (!a) a = registry.byControlHost(name);
    if (!a)
        throw std::runtime_error("no registered array " + name +
                                 " (zrso-host array list shows them)");
    return *a;
}

int arrayAdd(HostSession& session, CommandArgs& args, ArrayRegistry& registry) {
    std::string address = args.required("--address");
    std::string user = args.required("--user");
    std::string serial = args.required("--serial");
    auto xcliDir = args.option("--xcli-dir");
    bool verify = !args.flag("--no-verify");
    auto passwordFile = args.option("--password-file");
    auto words = args.positionals();
    if (words.size() != 1) throw UsageError("array add needs one array name");
    if (xcliDir) checkConfigValue(*findConfigKey("xcli-dir"), *xcliDir);
    try {
        registry.checkNew(words[0], address, user, serial);
    } catch (const std::invalid_argument& e) {
        throw std::runtime_error(e.what());
    }
    Secret password;
    readPassword(session, passwordFile, user + "@" + address, &password);
    if (verify)
        verifyArray(
            session,
            {address, user, password.text, xcliDirFor(session.home(), xcliDir.value_or(""))},
            serial);
    int64_t id;
    try {
        id = registry.add(words[0], address, user, password.text, serial);
    } catch (const std::invalid_argument& e) {
        throw std::runtime_error(e.what());
    }
    if (xcliDir) registry.setSetting(id, kXcliDirSetting, *xcliDir);
    if (session.json()) {
        session.out() << "{\"id\":" << id << ",\"name\":" << jsonString(words[0])
                      << ",\"verified\":" << (verify ? "true" : "false") << "}\n";
    } else {
        session.out() << "registered array " << words[0] << " (" << address << ", serial " << serial
                      << ") as control host " << id
                      << (verify ? ", login checked" : ", login NOT checked") << "\n";
    }
    return 0;
}

int arrayList(HostSession& session, CommandArgs& args, ArrayRegistry& registry) {
    args.positionals();
    OutputTable table({"#id", "name", "type", "address", "user", "serial", "login"});
    for (const auto& a : registry.list()) {
        Secret clear;
        bool ok = ArrayRegistry::clearPassword(a, &clear.text);
        table.add({std::to_string(a.id), a.name, a.type, a.controlHost, a.user, a.serial,
                   ok ? "stored" : "key mismatch"});
    }
    showTable(session, table);
    return 0;
}

int arrayTest(HostSession& session, CommandArgs& args, ArrayRegistry& registry) {
    auto words = args.positionals();
    if (words.size() != 1) throw UsageError("array test needs one array name");
    RegisteredArray a = needArray(registry, words[0]);
    verifyArray(session, registeredLogin(session.home(), registry, a), a.serial);
    if (session.json())
        session.out() << "{\"name\":" << jsonString(a.name)
                      << ",\"login\":true,\"serial\":" << jsonString(a.serial) << "}\n";
    else
        session.out() << a.name << " (" << a.controlHost << "): login works, serial " << a.serial
                      << " matches\n";
    return 0;
}

int arrayPasswd(HostSession& session, CommandArgs& args, ArrayRegistry& registry) {
    bool verify = !args.flag("--no-verify");
    auto passwordFile = args.option("--password-file");
    auto words = args.positionals();
    if (words.size() != 1) throw UsageError("array passwd needs one array name");
    RegisteredArray a = needArray(registry, words[0]);
    Secret password;
    readPassword(session, passwordFile, a.user + "@" + a.controlHost, &password);
    if (verify)
        verifyArray(
            session,
            {a.controlHost, a.user, password.text,
             xcliDirFor(session.home(), registry.setting(a.id, kXcliDirSetting).value_or(""))},
            a.serial);
    try {
        registry.setPassword(a.id, password.text);
    } catch (const std::invalid_argument& e) {
        throw std::runtime_error(e.what());
    }
    if (!session.json()) session.out() << "stored the new password of " << a.name << "\n";
    return 0;
}

}  // namespace

void showTable(HostSession& session, const OutputTable& table) {
    if (session.json())
        session.out() << table.json() << "\n";
    else
        table.print(session.out());
}

int cmdArray(HostSession& session, CommandArgs& args) {
    auto sub = args.shift();
    if (!sub) throw UsageError("array needs add, list, remove, test or passwd");
    ArrayRegistry registry(session.database());
    if (*sub == "add") return arrayAdd(session, args, registry);
    if (*sub == "list") return arrayList(session, args, registry);
    if (*sub == "test") return arrayTest(session, args, registry);
    if (*sub == "passwd") return arrayPasswd(session, args, registry);
    if (*sub == "remove") {
        auto words = args.positionals();
        if (words.size() != 1) throw UsageError("array remove needs one array name or address");
        if (!registry.remove(words[0])) throw std::runtime_error("no registered array " + words[0]);
        if (!session.json()) session.out() << "removed array " << words[0] << "\n";
        return 0;
    }
    throw UsageError("unknown array command " + *sub);
}

}  // namespace refhost
