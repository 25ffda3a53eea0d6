#include <exception>
#include <functional>

#include "refhost/CommandArgs.h"
#include "refhost/CommandHelp.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostHome.h"
#include "refhost/HostLock.h"
#include "refhost/HostSession.h"
#include "refhost/Interruption.h"
#include "refhost/JsonText.h"
#include "refhost/SnapshotSteps.h"

#ifndef ZRSO_HOST_VERSION
#define ZRSO_HOST_VERSION "1.0.0"
#endif

namespace refhost {
namespace {

using Command = std::function<int(HostSession&, CommandArgs&)>;

struct Route {
    const char* name;
    Command run;
};

const Route kRoutes[] = {
    {"init", cmdInit},
    {"config", cmdConfig},
    {"array", cmdArray},
    {"esx", cmdEsx},
    {"initiators", cmdInitiators},
    {"rescan", cmdRescan},
    {"disks", cmdDisks},
    {"supported", cmdSupported},
    {"backup", cmdBackup},
    {"jobs", cmdJobs},
    {"reconcile", [](HostSession& s, CommandArgs& a) { return cmdSnapStep(s, a, "reconcile"); }},
    {"mount", [](HostSession& s, CommandArgs& a) { return cmdSnapStep(s, a, "mount"); }},
    {"unmount", [](HostSession& s, CommandArgs& a) { return cmdSnapStep(s, a, "unmount"); }},
    {"delete", [](HostSession& s, CommandArgs& a) { return cmdSnapStep(s, a, "delete"); }},
    {"revert", [](HostSession& s, CommandArgs& a) { return cmdSnapStep(s, a, "revert"); }},
    {"lun", cmdLun},
    {"inventory", cmdInventory},
    {"demo", cmdDemo},
    {"version", cmdVersion},
};

const Route* findRoute(const std::string& name) {
    for (const auto& r : kRoutes)
        if (name == r.name) return &r;
    return nullptr;
}

// "array add" when the help table knows the pair, else the command alone.
std::string helpName(const std::string& command, const CommandArgs& args) {
    for (const auto& w : args.remaining())
        if (w.empty() || w[0] != '-')
            return findHelp(command + " " + w) ? command + " " + w : command;
    return command;
}

int help(HostSession& session, CommandArgs& args) {
    bool json = args.flag("--json") || session.json();
    auto words = args.positionals();
    if (json) {
        session.out() << helpJson() << "\n";
        return 0;
    }
    std::string name;
    for (const auto& w : words) name += (name.empty() ? "" : " ") + w;
    if (name.empty()) {
        printOverview(session.out());
        return 0;
    }
    if (printHelp(session.out(), name)) return 0;
    throw UsageError("no command " + name + " (zrso-host help lists them)");
}

void reportError(HostSession& session, const std::string& message, const std::string& hint) {
    if (session.json()) {
        session.out() << "{\"error\":{\"code\":0,\"status\":\"\",\"message\":"
                      << jsonString(message)
                      << (hint.empty() ? "" : ",\"hint\":" + jsonString(hint)) << "}}\n";
        return;
    }
    session.err() << "zrso-host: " << message << "\n";
    if (!hint.empty()) session.err() << "  hint: " << hint << "\n";
}

int dispatch(HostSession& session, CommandArgs& args, const std::string& command, bool wantHelp) {
    if (command == "help") return help(session, args);
    const Route* route = findRoute(command);
    if (!route) throw UsageError("unknown command " + command + " (zrso-host help lists them)");
    if (wantHelp) {
        printHelp(session.out(), helpName(command, args));
        return 0;
    }
    return route->run(session, args);
}

}  // namespace

const char* hostVersion() { return ZRSO_HOST_VERSION; }

int runHostCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    CommandArgs args(words);
    std::string command;
    std::unique_ptr<HostSession> session;
    try {
        std::string home = args.option("--home").value_or(HostHome::defaultDir());
        std::string plugin = args.option("--plugin").value_or("");
        bool json = args.flag("--json");
        bool quiet = args.flag("-q") | args.flag("--quiet");
        bool verbose = args.flag("-v") | args.flag("--verbose");
        bool wantHelp = args.flag("--help") | args.flag("-h");
        bool version = args.flag("--version");
        session = std::make_unique<HostSession>(home, plugin, json, out, err);
        session->setVerbosity(quiet     ? Verbosity::kQuiet
                              : verbose ? Verbosity::kVerbose
                                        : Verbosity::kNormal);
        command = version ? "version" : args.shift().value_or("");
        if (command.empty()) {
            printOverview(wantHelp ? out : err);
            return wantHelp ? 0 : kExitUsage;
        }
        installInterruptHandlers();
        return dispatch(*session, args, command, wantHelp);
    } catch (const UsageError& e) {
        HostSession fallback(HostHome::defaultDir(), "", false, out, err);
        reportError(session ? *session : fallback, e.what(),
                    hasHelp(command) ? "zrso-host help " + command : "zrso-host help");
        return kExitUsage;
    } catch (const std::exception& e) {
        HostSession fallback(HostHome::defaultDir(), "", false, out, err);
        // A signal that cut a command short (at a prompt, in an xcli run of
        // zrso-host's own) ends it as an interruption.
        if (interrupted()) {
            reportError(session ? *session : fallback,
                        std::string(e.what()) + " (" + interruptName() + ")", "");
            return interruptExitStatus();
        }
        reportError(session ? *session : fallback, e.what(), "");
        return kExitFailed;
    }
}

}  // namespace refhost
