// init, config, initiators, esx, rescan, disks and version: setting the host up.
#include <unistd.h>

#include <stdexcept>

#include "host/rt/PasswordCipher.h"
#include "refhost/CommandArgs.h"
#include "refhost/ConfigKeys.h"
#include "refhost/DiskInquiry.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLock.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostSettings.h"
#include "refhost/HostTopology.h"
#include "refhost/JsonText.h"
#include "refhost/OutputTable.h"
#include "refhost/SysfsDevices.h"
#include "refhost/TerminalInput.h"

namespace refhost {
namespace {

void addInitiators(HostTopology& topology, const std::string& owner, CommandArgs& args) {
    for (const auto& wwpn : args.options("--fc"))
        topology.addInitiator(owner, parseInitiator("fc", wwpn));
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
    if (!haveTerminal()) {
        session.err() << "zrso-host: no terminal to ask; pass --yes to rescan\n";
        return kExitUsage;
    }
    std::string answer = askOnTerminal("Rescan now? [y/N] ");
    if (answer == "y" || answer == "Y" || answer == "yes") return 0;
    session.err() << "zrso-host: rescan not done\n";
    return kExitFailed;
}

OutputTable initiatorTable(HostTopology& topology, const std::string& owner) {
    OutputTable table({"kind", "initiator"});
    for (const auto& i : topology.initiators(owner)) table.add({i.kind, i.display()});
    return table;
}

// init's options that are settings, each checked as config set checks it.
struct InitValues {
    std::vector<std::pair<const ConfigKey*, std::string>> values;
    void take(CommandArgs& args, const char* option, const char* key) {
        if (auto v = args.option(option))
            values.emplace_back(findConfigKey(key), checkConfigValue(*findConfigKey(key), *v));
    }
    bool has(const char* key) const {
        for (const auto& v : values)
            if (std::string(v.first->name) == key) return true;
        return false;
    }
};

// The settings init gives, checked before anything is written.
InitValues initValues(CommandArgs& args, bool simulated) {
    InitValues init;
    init.take(args, "--sim-bin", "sim-bin");
    init.take(args, "--sim-state", "sim-state");
    init.take(args, "--xcli-dir", "xcli-dir");
    init.take(args, "--devlist", "devlist-dir");
    init.take(args, "--mount-retry", "mount-retry");
    init.take(args, "--process-timeout", "process-timeout");
    init.take(args, "--sleep-scale", "sleep-scale");
    if (simulated && !init.has("sim-bin"))
        init.values.emplace_back(
            findConfigKey("sim-bin"),
            checkConfigValue(*findConfigKey("sim-bin"), defaultSimulatorDir()));
    for (const auto& v : init.values)
        if (v.first->simulatedOnly && !simulated)
            throw UsageError(std::string("--") + v.first->name +
                             " belongs to a simulated world (--simulated)");
    return init;
}

// The world and its settings, from scratch; arrays, jobs and key stay.
void writeSettings(HostSession& session, HostSettings& settings, const InitValues& init,
                   bool simulated) {
    for (const auto& k : configKeys())
        if (!k.section) settings.erase(k.key);
    settings.set(setting::kWorld, simulated ? "simulated" : "real");
    PlatformFile(session.home().settingsPath(), false).write();
    for (const auto& v : init.values)
        storeConfigValue(*v.first, v.second, session.home(), settings);
    if (simulated) {
        if (!init.has("sim-state"))
            settings.set(setting::kSimState, session.home().dir() + "/sim-state");
        settings.set(setting::kSimDisks, session.home().diskCatalogDir());
        // The plug-in runs the simulator's xcli unless told otherwise.
        if (!init.has("xcli-dir"))
            storeConfigValue(*findConfigKey("xcli-dir"), settings.get(setting::kSimBin),
                             session.home(), settings);
    }
    session.home().applyEnvironment(settings);
}

OutputTable initTable(HostSession& session, HostSettings& settings, HostTopology& topology) {
    OutputTable table({"setting", "value"});
    table.add({"home", session.home().dir()});
    table.add({"world", settings.get(setting::kWorld)});
    for (const auto& k : configKeys()) {
        std::string value = configValue(k, session.home(), settings);
        if (!value.empty()) table.add({k.name, value});
    }
    if (settings.simulated()) table.add({"disk catalog", session.home().diskCatalogDir()});
    table.add({"settings file", session.home().settingsPath()});
    table.add({"log", session.home().logPath()});
    table.add({"initiators", std::to_string(topology.initiators(HostTopology::kLocal).size())});
    return table;
}

}  // namespace

int cmdInit(HostSession& session, CommandArgs& args) {
    bool simulated = args.flag("--simulated");
    bool force = args.flag("--force");
    if (session.home().initialised() && !force)
        throw std::runtime_error(session.home().dir() +
                                 " is already a host directory; 'zrso-host config set' "
                                 "changes its settings, 'init --force' initialises it again");
    InitValues init = initValues(args, simulated);
    std::vector<std::string> fc = args.options("--fc");
    std::vector<std::string> iscsi = args.options("--iscsi");
    args.positionals();

    HostDatabase& db = session.createDatabase();
    HostSettings settings(db);
    writeSettings(session, settings, init, simulated);
    // Creates the key (0600) now, so that a broken key location shows here
    // and not at the first 'array add'.
    std::string probe;
    if (!PasswordCipher().encrypt("probe", &probe))
        throw std::runtime_error("the host's cipher cannot create or read its key " +
                                 session.home().keyPath());

    HostTopology topology(db);
    for (const auto& w : fc) topology.addInitiator(HostTopology::kLocal, parseInitiator("fc", w));
    for (const auto& n : iscsi)
        topology.addInitiator(HostTopology::kLocal, parseInitiator("iscsi", n));
    showTable(session, initTable(session, settings, topology));
    return 0;
}

int cmdConfig(HostSession& session, CommandArgs& args) {
    auto sub = args.shift();
    if (!sub || (*sub != "show" && *sub != "set")) throw UsageError("config needs show or set");
    auto words = args.positionals();
    HostSettings settings(session.database());
    if (*sub == "show") {
        if (!words.empty()) throw UsageError("config show takes no arguments");
        OutputTable table({"key", "value", "default", "what"});
        for (const auto& k : configKeys())
            if (!k.simulatedOnly || settings.simulated())
                table.add({k.name, configValue(k, session.home(), settings), k.fallback, k.text});
        showTable(session, table);
        return 0;
    }
    if (words.size() != 2) throw UsageError("config set needs a KEY and a VALUE");
    const ConfigKey* key = findConfigKey(words[0]);
    if (!key) throw UsageError("no setting " + words[0] + " (zrso-host config show lists them)");
    if (key->simulatedOnly && !settings.simulated())
        throw std::runtime_error(words[0] +
                                 " belongs to a simulated world; this host is a real one");
    std::string value = words[1].empty() ? words[1] : checkConfigValue(*key, words[1]);
    storeConfigValue(*key, value, session.home(), settings);
    if (session.json())
        session.out() << "{\"key\":" << jsonString(key->name) << ",\"value\":" << jsonString(value)
                      << "}\n";
    else
        session.out() << key->name << " = "
                      << (value.empty() ? std::string("(default) ") + key->fallback : value)
                      << "\n";
    return 0;
}

int cmdInitiators(HostSession& session, CommandArgs& args) {
    HostTopology topology(session.database());
    auto sub = args.shift();
    if (sub && *sub == "add")
        addInitiators(topology, HostTopology::kLocal, args);
    else if (sub)
        throw UsageError("unknown initiators command " + *sub);
    args.positionals();
    showTable(session, initiatorTable(topology, HostTopology::kLocal));
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
        showTable(session, initiatorTable(topology, *name));
        return 0;
    }
    if (*sub == "list") {
        args.positionals();
        OutputTable table({"esx", "initiators", "#disks"});
        for (const auto& e : topology.esxServers()) {
            std::string ports;
            for (const auto& i : topology.initiators(e))
                ports += (ports.empty() ? "" : ",") + i.display();
            table.add({e, ports, std::to_string(topology.esxDisks(e).size())});
        }
        showTable(session, table);
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
        session.out() << "rescan of ESX server " << *esx << ": "
                      << HostTopology(db).esxDisks(*esx).size() << " disks\n";
        return 0;
    }
    char host[256] = {0};
    ::gethostname(host, sizeof host - 1);
    const char* none[] = {nullptr};
    DeviceLock disks(session.home().dir(), DeviceLock::kExclusive);
    services->rescanDevices(host, none, none);
    session.out() << "rescan of this host: " << services->listDevices().size() << " disks\n";
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
        showTable(session, table);
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
        std::string device =
            text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        DiskIdentity id = identifyDisk(device);
        table.add(
            {device, id.vendor, id.product, id.arraySerial, id.arrayHexSerial, id.naa, id.problem});
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    showTable(session, table);
    return 0;
}

int cmdVersion(HostSession& session, CommandArgs& args) {
    args.positionals();
    std::string plugin, provisioning, problem;
    auto text = [](PluginApi::Version version) {
        short major = 0, minor = 0, patch = 0;
        version(&major, &minor, &patch);
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
    };
    try {
        plugin = text(session.plugin().version);
        provisioning = text(session.plugin().provVersion);
    } catch (const std::exception& e) {
        problem = e.what();
    }
    if (session.json()) {
        session.out() << "{\"zrso_host\":" << jsonString(hostVersion())
                      << ",\"plugin\":" << (plugin.empty() ? "null" : jsonString(plugin))
                      << ",\"plugin_provisioning\":"
                      << (provisioning.empty() ? "null" : jsonString(provisioning))
                      << ",\"plugin_path\":" << jsonString(session.pluginPath()) << "}\n";
    } else {
        session.out() << "zrso-host " << hostVersion() << "\n"
                      << "plug-in "
                      << (plugin.empty() ? "not loaded: " + problem
                                         : plugin + ", provisioning " + provisioning)
                      << " (" << session.pluginPath() << ")\n";
    }
    return plugin.empty() ? kExitFailed : 0;
}

}  // namespace refhost
