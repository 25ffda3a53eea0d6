// init, array, initiators, esx, rescan and disks: setting the host up.
#include <unistd.h>

#include <iostream>
#include <stdexcept>

#include "host/rt/PasswordCipher.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/CommandArgs.h"
#include "refhost/DiskInquiry.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostSettings.h"
#include "refhost/HostTopology.h"
#include "refhost/OutputTable.h"
#include "refhost/PasswordInput.h"
#include "refhost/SimAdmin.h"
#include "refhost/SysfsDevices.h"

namespace refhost {
namespace {

void show(HostSession& session, const OutputTable& table) {
    if (session.json())
        session.out() << table.json() << "\n";
    else
        table.print(session.out());
}

void addInitiators(HostTopology& topology, const std::string& owner, CommandArgs& args) {
    for (const auto& wwpn : args.options("--fc")) topology.addInitiator(owner, parseInitiator("fc", wwpn));
    for (const auto& name : args.options("--iscsi"))
        topology.addInitiator(owner, parseInitiator("iscsi", name));
}

// A rescan of a real machine makes the kernel probe every SCSI bus it has:
// say which, and go on only when told (--yes, or yes on the terminal).
// 0 to go on, else the exit status.
int confirmRealRescan(HostSession& session, bool yes) {
    std::vector<std::string> hosts = SysfsDevices().scsiHosts();
    std::ostream& to = session.json() ? session.err() : session.out();
    to << "rescan: writes \"- - -\" to the scan file of " << hosts.size()
       << (hosts.size() == 1 ? " SCSI host" : " SCSI hosts") << " of this machine";
    for (size_t i = 0; i < hosts.size(); ++i) to << (i ? ", " : ": ") << hosts[i];
    to << std::endl;
    if (yes) return 0;
    if (!::isatty(STDIN_FILENO)) {
        session.err() << "zrso-host: no terminal to ask; pass --yes to rescan\n";
        return kExitUsage;
    }
    session.err() << "Rescan now? [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer == "y" || answer == "Y" || answer == "yes") return 0;
    session.err() << "zrso-host: rescan not done\n";
    return kExitFailed;
}

OutputTable initiatorTable(HostTopology& topology, const std::string& owner) {
    OutputTable table({"kind", "initiator"});
    for (const auto& i : topology.initiators(owner)) table.add({i.kind, i.display()});
    return table;
}

}  // namespace

int cmdInit(HostSession& session, CommandArgs& args) {
    bool simulated = args.flag("--simulated");
    std::string simBin = args.option("--sim-bin").value_or(defaultSimulatorDir());
    std::string simState = args.option("--sim-state").value_or(session.home().dir() + "/sim-state");
    PlatformSettings platform;
    platform.xcliDir = args.option("--xcli-dir").value_or(simulated ? simBin : "");
    platform.devlistPath = args.option("--devlist").value_or("");
    platform.mountRetrySeconds = static_cast<int>(args.number("--mount-retry").value_or(0));
    auto scale = args.option("--sleep-scale");
    std::vector<std::string> fc = args.options("--fc");
    std::vector<std::string> iscsi = args.options("--iscsi");
    args.positionals();

    HostDatabase& db = session.createDatabase();
    HostSettings settings(db);
    settings.set(setting::kWorld, simulated ? "simulated" : "real");
    if (simulated) {
        settings.set(setting::kSimBin, simBin);
        settings.set(setting::kSimState, simState);
        settings.set(setting::kSimDisks, session.home().diskCatalogDir());
    }
    if (scale) settings.set(setting::kSleepScale, *scale);
    session.home().writePlatformSettings(platform);
    session.home().applyEnvironment(settings);

    // Creates the key (0600) now, so that a broken key location shows here
    // and not at the first 'array add'.
    std::string probe;
    if (!PasswordCipher().encrypt("probe", &probe))
        throw std::runtime_error("the host's cipher cannot create or read its key " +
                                 session.home().keyPath());

    HostTopology topology(db);
    for (const auto& w : fc) topology.addInitiator(HostTopology::kLocal, parseInitiator("fc", w));
    for (const auto& n : iscsi) topology.addInitiator(HostTopology::kLocal, parseInitiator("iscsi", n));

    OutputTable table({"setting", "value"});
    table.add({"home", session.home().dir()});
    table.add({"world", settings.get(setting::kWorld)});
    if (simulated) {
        table.add({"simulator", simBin});
        table.add({"simulator state", simState});
        table.add({"disk catalog", session.home().diskCatalogDir()});
    }
    table.add({"settings file", session.home().settingsPath()});
    table.add({"log", session.home().logPath()});
    table.add({"initiators", std::to_string(topology.initiators(HostTopology::kLocal).size())});
    show(session, table);
    return 0;
}

int cmdArray(HostSession& session, CommandArgs& args) {
    auto sub = args.shift();
    if (!sub) throw UsageError("array needs add, list or remove");
    HostDatabase& db = session.database();
    ArrayRegistry registry(db);
    if (*sub == "add") {
        std::string address = args.required("--address");
        std::string user = args.required("--user");
        std::string serial = args.required("--serial");
        auto passwordFile = args.option("--password-file");
        auto xcliDir = args.option("--xcli-dir");
        auto words = args.positionals();
        if (words.size() != 1) throw UsageError("array add needs one array name");
        std::string password = passwordFile ? readPasswordFile(*passwordFile)
                                            : readPasswordFromTty("Password for " + user + "@" + address + ": ");
        int64_t id;
        try {
            id = registry.add(words[0], address, user, password, serial);
        } catch (const std::invalid_argument& e) {
            for (auto& c : password) c = '\0';
            session.err() << "zrso-host: " << e.what() << "\n";
            return kExitFailed;
        }
        for (auto& c : password) c = '\0';
        if (xcliDir) registry.setSetting(id, "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", *xcliDir);
        if (!session.json())
            session.out() << "registered array " << words[0] << " (" << address << ", serial " << serial
                          << ") as control host " << id << "\n";
        else
            session.out() << "{\"id\":" << id << "}\n";
        return 0;
    }
    if (*sub == "list") {
        args.positionals();
        OutputTable table({"#id", "name", "type", "address", "user", "serial", "login"});
        for (const auto& a : registry.list()) {
            std::string clear;
            bool ok = ArrayRegistry::clearPassword(a, &clear);
            for (auto& c : clear) c = '\0';
            table.add({std::to_string(a.id), a.name, a.type, a.controlHost, a.user, a.serial,
                       ok ? "stored" : "key mismatch"});
        }
        show(session, table);
        return 0;
    }
    if (*sub == "remove") {
        auto words = args.positionals();
        if (words.size() != 1) throw UsageError("array remove needs one array name or address");
        if (!registry.remove(words[0])) {
            session.err() << "zrso-host: no registered array " << words[0] << "\n";
            return kExitFailed;
        }
        if (!session.json()) session.out() << "removed array " << words[0] << "\n";
        return 0;
    }
    throw UsageError("unknown array command " + *sub);
}

int cmdInitiators(HostSession& session, CommandArgs& args) {
    HostTopology topology(session.database());
    auto sub = args.shift();
    if (sub && *sub == "add") addInitiators(topology, HostTopology::kLocal, args);
    else if (sub) throw UsageError("unknown initiators command " + *sub);
    args.positionals();
    show(session, initiatorTable(topology, HostTopology::kLocal));
    return 0;
}

int cmdEsx(HostSession& session, CommandArgs& args) {
    HostTopology topology(session.database());
    auto sub = args.shift();
    if (!sub) throw UsageError("esx needs add or list");
    if (*sub == "add") {
        auto name = args.shift();
        if (!name) throw UsageError("esx add needs a server name");
        topology.addEsxServer(*name);
        addInitiators(topology, *name, args);
        args.positionals();
        show(session, initiatorTable(topology, *name));
        return 0;
    }
    if (*sub == "list") {
        args.positionals();
        OutputTable table({"esx", "initiators", "#disks"});
        for (const auto& e : topology.esxServers()) {
            std::string ports;
            for (const auto& i : topology.initiators(e)) ports += (ports.empty() ? "" : ",") + i.display();
            table.add({e, ports, std::to_string(topology.esxDisks(e).size())});
        }
        show(session, table);
        return 0;
    }
    throw UsageError("unknown esx command " + *sub);
}

int cmdRescan(HostSession& session, CommandArgs& args) {
    auto esx = args.option("--esx");
    bool yes = args.flag("--yes");
    args.positionals();
    HostDatabase& db = session.database();
    if (!esx && !HostSettings(db).simulated()) {
        if (int refused = confirmRealRescan(session, yes)) return refused;
    }
    auto services = session.services(0);
    if (esx) {
        if (!HostTopology(db).esxExists(*esx)) throw std::runtime_error("no ESX server " + *esx);
        services->rescanEsx(*esx);
        session.progress("rescan of ESX server " + *esx + ": " +
                         std::to_string(HostTopology(db).esxDisks(*esx).size()) + " disks");
        return 0;
    }
    char host[256] = {0};
    ::gethostname(host, sizeof host - 1);
    const char* none[] = {nullptr};
    services->rescanDevices(host, none, none);
    return 0;
}

int cmdDisks(HostSession& session, CommandArgs& args) {
    auto esx = args.option("--esx");
    args.positionals();
    HostDatabase& db = session.database();
    if (esx) {
        OutputTable table({"device", "#lun", "volume", "naa", "array serial", "lun uuid"});
        for (const auto& d : HostTopology(db).esxDisks(*esx))
            table.add({d.device, std::to_string(d.lun), d.volume, d.naa, d.arraySerial, d.lunUuid});
        show(session, table);
        return 0;
    }
    auto services = session.services(0);
    std::vector<char> buffer(65536, '\0');
    int rc = services->listHostDevices("", "", '|', static_cast<int>(buffer.size()), buffer.data());
    if (rc > 0) {
        buffer.assign(static_cast<size_t>(rc), '\0');
        rc = services->listHostDevices("", "", '|', rc, buffer.data());
    }
    if (rc != 0) throw std::runtime_error("cannot list this host's disks");
    OutputTable table({"device", "vendor", "product", "array serial", "array hex serial",
                       "volume naa", "problem"});
    std::string text(buffer.data());
    size_t start = 0;
    while (start < text.size()) {
        size_t bar = text.find('|', start);
        std::string device = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        DiskIdentity id = identifyDisk(device);
        table.add({device, id.vendor, id.product, id.arraySerial, id.arrayHexSerial, id.naa,
                   id.problem});
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    show(session, table);
    return 0;
}

}  // namespace refhost
