#include <exception>

#include "refhost/CommandArgs.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostHome.h"
#include "refhost/HostSession.h"
#include "refhost/SnapshotSteps.h"

namespace refhost {

const char* usageText() {
    return "usage: zrso-host [--home DIR] [--plugin PATH] [--json] COMMAND ...\n"
           "\n"
           "  init [--simulated [--sim-bin DIR] [--sim-state DIR]] [--xcli-dir DIR]\n"
           "       [--devlist PATH] [--mount-retry SECONDS] [--sleep-scale F]\n"
           "       [--fc WWPN]... [--iscsi NAME]...\n"
           "  array add NAME --address ADDR --user USER --serial SERIAL\n"
           "            [--password-file FILE] [--xcli-dir DIR]\n"
           "  array list | array remove NAME\n"
           "  initiators [add --fc WWPN | --iscsi NAME]\n"
           "  esx add NAME --fc WWPN | esx list\n"
           "  rescan [--esx NAME] [--yes]   disks [--esx NAME]\n"
           "  supported DEVICE\n"
           "  backup DEVICE... [--cg] [--esx NAME] [--app-id N] [--fleet-number N]\n"
           "  jobs [JOB]\n"
           "  reconcile|mount|delete|revert JOB     unmount JOB [--keep]\n"
           "  inventory\n"
           "  lun create --array A --pool P --volume V --size SIZE\n"
           "  lun delete --array A --volume V       lun resize --array A --volume V --size SIZE\n"
           "  lun map|unmap --array A --volume V --host H --os OS --port P[,P] [--protocol 3|4]\n"
           "  lun resolve --array A --volume V\n"
           "  demo [--keep-world]\n";
}

int runHostCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    CommandArgs args(words);
    try {
        std::string home = args.option("--home").value_or(HostHome::defaultDir());
        std::string plugin = args.option("--plugin").value_or("");
        bool json = args.flag("--json");
        bool help = args.flag("--help") || args.flag("-h");
        auto command = args.shift();
        if (help || !command || *command == "help") {
            out << usageText();
            return help || command ? 0 : kExitUsage;
        }
        HostSession session(home, plugin, json, out, err);
        const std::string& c = *command;
        if (c == "init") return cmdInit(session, args);
        if (c == "array") return cmdArray(session, args);
        if (c == "esx") return cmdEsx(session, args);
        if (c == "initiators") return cmdInitiators(session, args);
        if (c == "rescan") return cmdRescan(session, args);
        if (c == "disks") return cmdDisks(session, args);
        if (c == "supported") return cmdSupported(session, args);
        if (c == "backup") return cmdBackup(session, args);
        if (c == "jobs") return cmdJobs(session, args);
        if (c == "reconcile" || c == "mount" || c == "unmount" || c == "delete" || c == "revert")
            return cmdSnapStep(session, args, c);
        if (c == "lun") return cmdLun(session, args);
        if (c == "inventory") return cmdInventory(session, args);
        if (c == "demo") return cmdDemo(session, args);
        err << "zrso-host: unknown command " << c << "\n" << usageText();
        return kExitUsage;
    } catch (const UsageError& e) {
        err << "zrso-host: " << e.what() << "\n" << usageText();
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "zrso-host: " << e.what() << "\n";
        return kExitFailed;
    }
}

}  // namespace refhost
