#include "refhost/CommandHelp.h"

#include <cstring>

#include "refhost/ConfigKeys.h"
#include "refhost/JsonText.h"

namespace refhost {
namespace {

// Said of every command that works on a job's records.
#define ZRSO_JOB_EXIT                                                                              \
    " Exit status 0 when the plug-in answered success and every record ended as the step "         \
    "expects, "                                                                                    \
    "1 otherwise (each failed record is shown with its reason), 128 + the signal number when "     \
    "SIGINT or SIGTERM stopped it (the job is then marked interrupted and the command that "       \
    "cleans "                                                                                      \
    "up is shown). One command at a time works on a job. After a command on the job that did not " \
    "finish (stopped, or its zrso-host killed) this one looks at the array before and after it "   \
    "runs, "                                                                                       \
    "says what it cleaned, and prints the xcli runs that remove what it could not."

const std::vector<OptionHelp> kGlobal = {
    {"--home DIR", "the host directory (default: $ZRSO_HOST_HOME, else ~/.zrso-host)"},
    {"--plugin PATH",
     "the plug-in library to load (default: libZRSnapHandlerXIV.so in ../lib beside "
     "zrso-host)"},
    {"--json",
     "machine-readable output on standard output: objects with snake_case keys, errors as "
     "{\"error\":{\"code\",\"status\",\"message\"}}"},
    {"-q, --quiet", "no progress lines on standard error"},
    {"-v, --verbose", "more progress: every rescan and disk listing"},
    {"-h, --help", "this command's help"},
    {"--version", "zrso-host's version and the plug-in's"},
};

const std::vector<CommandHelp> kCommands = {
    {"init",
     "init [--simulated [--sim-bin DIR] [--sim-state DIR]] [--xcli-dir DIR] [--devlist DIR] "
     "[--mount-retry SECONDS] [--sleep-scale F] [--fc WWPN]... [--iscsi NAME]... [--force]",
     "create the host directory, its database, settings file and cipher key",
     "Creates the host directory (0700), the host database, the platform settings file the plug-in "
     "reads and the key of the password cipher, and records this machine's initiator ports. An "
     "existing host directory is refused unless --force is given: then the world and the settings "
     "are "
     "written again as given (settings not given return to their defaults) while arrays, jobs and "
     "the "
     "key stay. Paths and numbers are checked before anything is written.",
     {{"--simulated",
       "a simulated world: arrays are the simulator's, disks are its catalog entries"},
      {"--sim-bin DIR",
       "directory of the simulator's xcli and xcli-sim (default: beside zrso-host)"},
      {"--sim-state DIR",
       "the simulator's state directory (default: sim-state in the host directory)"},
      {"--xcli-dir DIR", "directory of IBM's xcli (simulated world: the simulator's)"},
      {"--devlist DIR", "directory of IBM's xiv_devlist tool (set: disks are resolved with it)"},
      {"--mount-retry SECONDS",
       "mount retry interval, 5 to 3600; a mount waits a fifth of it per pass"},
      {"--sleep-scale F", "factor on the plug-in's waits, above 0 and at most 1 (tests)"},
      {"--fc WWPN", "a Fibre Channel port of this machine (repeat or separate with commas)"},
      {"--iscsi NAME", "an iSCSI initiator name of this machine"},
      {"--force", "initialise an existing host directory again"}},
     "zrso-host init --xcli-dir /opt/xiv/xcli --fc 21:00:00:1b:32:a0:d0:01"},
    {"config show",
     "config show",
     "show the settings, their values and defaults",
     "Lists every setting zrso-host and the plug-in read: the value set (empty: the default "
     "holds), "
     "the default and what it does.",
     {},
     "zrso-host config show"},
    {"config set",
     "config set KEY VALUE",
     "change one setting, checked",
     "Sets KEY to VALUE after checking it: numbers against their range, directories for existence "
     "and for the programs they must hold (xcli, xiv_devlist). An empty VALUE (\"\") returns the "
     "key "
     "to its default. The keys are listed below and by 'zrso-host config show'.",
     {},
     "zrso-host config set log-level 0"},
    {"array add",
     "array add NAME --address ADDR --user USER --serial SERIAL [--password-file FILE|-] "
     "[--xcli-dir DIR] [--no-verify]",
     "register an array",
     "Registers an XIV array under NAME. A name, address or serial already registered is refused "
     "before the password is asked for. The password is read from the terminal without echo, or "
     "from "
     "the first line of FILE ('-': standard input); a FILE others may read is used with a warning. "
     "Then zrso-host logs in with xcli and compares the array's serial with SERIAL; only a working "
     "login to the right array is stored (the password enciphered with this host's key).",
     {{"--address ADDR", "the array's management address"},
      {"--user USER", "the array user the plug-in logs in as"},
      {"--serial SERIAL", "the array's serial, seven decimal digits"},
      {"--password-file FILE",
       "read the password from the first line of FILE; '-' reads standard input"},
      {"--xcli-dir DIR", "this array's own xcli directory"},
      {"--no-verify", "store without trying the login (array unreachable now)"}},
     "zrso-host array add xiv1 --address 10.1.1.1 --user backup --serial 1310133"},
    {"array list",
     "array list",
     "the registered arrays",
     "Lists the registered arrays. The LOGIN column says whether the stored password deciphers "
     "with "
     "this host's key; 'zrso-host array test' tries it on the array.",
     {},
     "zrso-host array list"},
    {"array remove",
     "array remove NAME",
     "unregister an array",
     "Removes the array (by name or address) with its settings; its inventory records go with it.",
     {},
     "zrso-host array remove xiv1"},
    {"array test",
     "array test NAME",
     "try the login and check the serial",
     "Logs in to the array with the stored user and password and compares the serial it reports "
     "with "
     "the registered one. Exit status 0 only when both hold.",
     {},
     "zrso-host array test xiv1"},
    {"array passwd",
     "array passwd NAME [--password-file FILE|-] [--no-verify]",
     "change an array's stored password",
     "Reads the new password (as array add does), tries it on the array unless --no-verify, and "
     "stores it enciphered in place of the old one.",
     {{"--password-file FILE",
       "read the password from the first line of FILE; '-' reads standard input"},
      {"--no-verify", "store without trying the login"}},
     "zrso-host array passwd xiv1 --password-file -"},
    {"initiators",
     "initiators [add --fc WWPN | --iscsi NAME]",
     "this machine's initiator ports",
     "Lists this machine's initiator ports as zrso-host hands them to the plug-in, or adds some. "
     "Without any, the ports come from /sys/class/fc_host and /etc/iscsi/initiatorname.iscsi.",
     {{"--fc WWPN", "a Fibre Channel port"}, {"--iscsi NAME", "an iSCSI initiator name"}},
     "zrso-host initiators add --fc 21:00:00:1b:32:a0:d0:01"},
    {"esx add",
     "esx add NAME --fc WWPN",
     "add a (simulated) ESX server and its ports",
     "Records an ESX server whose datastore disks backups and mounts may name with --esx.",
     {{"--fc WWPN", "a Fibre Channel port of the server"},
      {"--iscsi NAME", "an iSCSI initiator name"}},
     "zrso-host esx add esx1 --fc 20:00:00:25:b5:00:00:01"},
    {"esx list",
     "esx list",
     "the ESX servers, their ports and disks",
     "Lists the recorded ESX servers.",
     {},
     "zrso-host esx list"},
    {"rescan",
     "rescan [--esx NAME] [--yes]",
     "rescan this machine's (or an ESX server's) disks",
     "Asks for the disks again: in the simulated world from the simulator, on a real machine by "
     "writing '- - -' to every SCSI host's scan file; there it names the SCSI hosts first and asks "
     "on "
     "a terminal (without one it is refused unless --yes is given).",
     {{"--esx NAME", "rescan that ESX server's datastore disks"},
      {"--yes", "do not ask (scripts)"}},
     "zrso-host rescan"},
    {"disks",
     "disks [--esx NAME]",
     "list this machine's (or an ESX server's) disks",
     "Lists the disks as the plug-in sees them.",
     {{"--esx NAME", "that ESX server's datastore disks"}},
     "zrso-host disks"},
    {"supported",
     "supported DEVICE",
     "is DEVICE an IBM XIV volume?",
     "Asks the plug-in whether it claims DEVICE. Exit status 0 yes, 1 no (also when the device "
     "does not "
     "exist).",
     {},
     "zrso-host supported /dev/sdb"},
    {"backup",
     "backup DEVICE... [--cg] [--esx NAME] [--app-id N] [--fleet-number N] [--fleet-id N]",
     "snapshot devices as one job",
     "Checks that every DEVICE exists and is an IBM XIV volume (no job is made otherwise), creates "
     "a "
     "job, then prepares and snaps its records. With --cg the volumes are snapped together in one "
     "consistency group (they must share a pool). Progress on standard error, one line per record "
     "on standard output, failures with their reason." ZRSO_JOB_EXIT,
     {{"--cg", "snap the volumes together in a consistency group"},
      {"--esx NAME", "the DEVICEs are that ESX server's datastore disks"},
      {"--app-id N", "application id of the job (names the consistency group), default 1"},
      {"--fleet-number N", "fleet number of the job (names the consistency group), default 1"},
      {"--fleet-id N", "fleet id of the job, default 1"}},
     "zrso-host backup /dev/sdb /dev/sdc --cg"},
    {"jobs",
     "jobs [JOB]",
     "the jobs and their records",
     "Lists the jobs (kind, when made, last step, its state: busy with the pid working on it, "
     "interrupted, or unfinished when its zrso-host ended during the step, each with the command "
     "that "
     "cleans up) and the records of JOB or of every backup job, with their state by name. --json "
     "keeps "
     "the status numbers beside the names.",
     {},
     "zrso-host jobs 12"},
    {"reconcile",
     "reconcile JOB",
     "do the job's snapshots still exist?",
     "Asks the array for each snapshot of the job; a record whose snapshot is gone shows as "
     "'snapshot missing'." ZRSO_JOB_EXIT,
     {},
     "zrso-host reconcile 12"},
    {"mount",
     "mount JOB",
     "make the job's snapshots appear as disks on this machine",
     "Makes a writable duplicate of each snapshot, maps it to this machine (or the job's ESX "
     "server) "
     "and rescans until the disks show up: up to 6 passes, waiting a fifth of the mount retry "
     "interval "
     "after each (the waits are shown)." ZRSO_JOB_EXIT,
     {},
     "zrso-host mount 12"},
    {"unmount",
     "unmount JOB [--keep]",
     "unmap and delete the job's duplicates",
     "Unmaps the duplicates of the job's snapshots and deletes them from the array." ZRSO_JOB_EXIT,
     {{"--keep", "unmap only; keep the duplicates on the array"}},
     "zrso-host unmount 12"},
    {"delete",
     "delete JOB",
     "delete the job's snapshots from the array",
     "Deletes the snapshots (or the snapshot group) of the job. This also cleans up after an "
     "interrupted backup." ZRSO_JOB_EXIT,
     {},
     "zrso-host delete 12"},
    {"revert",
     "revert JOB [--yes]",
     "overwrite the job's volumes with their snapshots",
     "Restores every volume of the job from its snapshot: what the volumes hold now is lost. "
     "Refused "
     "while duplicates of the job are mounted (unmount them first). On a terminal it asks to type "
     "the "
     "volume names; without a terminal it is refused unless --yes is given." ZRSO_JOB_EXIT,
     {{"--yes", "do not ask (scripts)"}},
     "zrso-host revert 12"},
    {"inventory",
     "inventory",
     "collect every registered array's pools and volumes",
     "Collects the pools and volumes of every registered array into the host database, in one "
     "transaction, and shows them. An array that could not be collected is shown with the reason. "
     "Progress per array and pool on standard error.",
     {},
     "zrso-host inventory"},
    {"lun create",
     "lun create --array A --pool P --volume V --size SIZE",
     "create a volume",
     "Creates volume V of SIZE in pool P of array A. SIZE is bytes or a number with K, M, G or T "
     "(binary units); the array rounds it up to its allocation unit, and the size made is shown.",
     {{"--array A", "the registered array"},
      {"--pool P", "the pool"},
      {"--volume V", "the volume name"},
      {"--size SIZE", "20G, 512M, 1T or bytes"}},
     "zrso-host lun create --array xiv1 --pool p1 --volume app_data --size 100G"},
    {"lun delete",
     "lun delete --array A --volume V [--yes]",
     "delete a volume",
     "Deletes volume V and its data. On a terminal it asks to type the volume name; without a "
     "terminal "
     "it is refused unless --yes is given.",
     {{"--array A", "the registered array"},
      {"--volume V", "the volume name"},
      {"--yes", "do not ask"}},
     "zrso-host lun delete --array xiv1 --volume app_data"},
    {"lun resize",
     "lun resize --array A --volume V --size SIZE [--allow-shrink] [--yes]",
     "grow (or, when allowed, shrink) a volume",
     "Resizes volume V to SIZE. zrso-host asks the array for the volume's size first: a smaller "
     "SIZE "
     "would cut the volume's data off and is refused unless --allow-shrink is given, and then "
     "asked for "
     "on a terminal (type the volume name) unless --yes is given.",
     {{"--array A", "the registered array"},
      {"--volume V", "the volume name"},
      {"--size SIZE", "the new size, as for lun create"},
      {"--allow-shrink", "allow a size below the volume's present size"},
      {"--yes", "do not ask before shrinking"}},
     "zrso-host lun resize --array xiv1 --volume app_data --size 200G"},
    {"lun map",
     "lun map --array A --volume V --host H --os OS --port P[,P] [--protocol 3|4]",
     "map a volume to a host's ports",
     "Maps volume V to host H (created on the array when missing) with the given initiator ports.",
     {{"--array A", "the registered array"},
      {"--volume V", "the volume name"},
      {"--host H", "the host's name"},
      {"--os OS", "the host's operating system"},
      {"--port P", "an initiator port of the host (repeat or separate with commas)"},
      {"--protocol 3|4", "3 Fibre Channel (default), 4 iSCSI"}},
     "zrso-host lun map --array xiv1 --volume app_data --host app1 --os Linux --port "
     "10000000C9A0E001"},
    {"lun unmap",
     "lun unmap --array A --volume V --host H --os OS --port P[,P] [--protocol 3|4]",
     "unmap a volume from a host's ports",
     "Unmaps volume V from host H's ports.",
     {{"--array A", "the registered array"},
      {"--volume V", "the volume name"},
      {"--host H", "the host's name"},
      {"--os OS", "the host's operating system"},
      {"--port P", "an initiator port of the host"},
      {"--protocol 3|4", "3 Fibre Channel, 4 iSCSI"}},
     "zrso-host lun unmap --array xiv1 --volume app_data --host app1 --os Linux --port "
     "10000000C9A0E001"},
    {"lun resolve",
     "lun resolve --array A --volume V",
     "the hosts and ports a volume is mapped to",
     "Shows the initiator groups volume V is mapped to.",
     {{"--array A", "the registered array"}, {"--volume V", "the volume name"}},
     "zrso-host lun resolve --array xiv1 --volume app_data"},
    {"demo",
     "demo [--keep-world]",
     "run every capability against a fresh simulated array",
     "Builds a simulated array and host in a temporary directory and runs every step of the "
     "plug-in "
     "in the order an administrator uses them, each timed.",
     {{"--keep-world", "keep the temporary directory"}},
     "zrso-host demo"},
    {"help",
     "help [COMMAND] [--json]",
     "help on a command",
     "Shows a command's synopsis, description, options and an example; without COMMAND the "
     "overview. "
     "--json gives the whole table (for manual pages and shell completion).",
     {{"--json", "every command's help as one JSON document"}},
     "zrso-host help lun resize"},
    {"version",
     "version",
     "zrso-host's version and the plug-in's",
     "Shows zrso-host's version and the version the plug-in reports (zrso_version), with its path.",
     {},
     "zrso-host --version"},
};

void printOptions(std::ostream& out, const std::vector<OptionHelp>& options) {
    for (const auto& o : options) {
        std::string name = o.option;
        out << "  " << name;
        if (name.size() < 24)
            out << std::string(24 - name.size(), ' ');
        else
            out << "\n" << std::string(26, ' ');
        out << o.text << "\n";
    }
}

// Paragraph text folded at about 76 columns, indented by two.
void printFolded(std::ostream& out, const std::string& text) {
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        std::string word =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.size() + 1 + word.size() > 74) {
            out << "  " << line << "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (!line.empty()) out << "  " << line << "\n";
}

void printPage(std::ostream& out, const CommandHelp& c) {
    out << "usage: zrso-host " << c.synopsis << "\n\n"
        << "  " << c.summary << "\n\n";
    printFolded(out, c.description);
    if (!c.options.empty()) {
        out << "\noptions:\n";
        printOptions(out, c.options);
    }
    if (std::strcmp(c.name, "config set") == 0) {
        out << "\nkeys:\n";
        for (const auto& k : configKeys())
            out << "  " << k.name << std::string(18 - std::strlen(k.name), ' ') << k.text
                << " (default " << k.fallback << ")\n";
    }
    out << "\nexample:\n  " << c.example << "\n";
}

std::string optionsJson(const std::vector<OptionHelp>& options) {
    std::string out = "[";
    for (const auto& o : options)
        out += (out.size() > 1 ? "," : "") + std::string("{\"option\":") + jsonString(o.option) +
               ",\"text\":" + jsonString(o.text) + "}";
    return out + "]";
}

}  // namespace

const std::vector<CommandHelp>& commandHelps() { return kCommands; }
const std::vector<OptionHelp>& globalOptions() { return kGlobal; }

const CommandHelp* findHelp(const std::string& name) {
    for (const auto& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

bool hasHelp(const std::string& name) {
    for (const auto& c : kCommands)
        if (name == c.name || std::string(c.name).compare(0, name.size() + 1, name + " ") == 0)
            return true;
    return false;
}

void printOverview(std::ostream& out) {
    out << "usage: zrso-host [GLOBAL OPTIONS] COMMAND ...\n\ncommands:\n";
    for (const auto& c : kCommands) {
        std::string name = c.name;
        out << "  " << name << std::string(name.size() < 14 ? 14 - name.size() : 1, ' ')
            << c.summary << "\n";
    }
    out << "\nglobal options:\n";
    printOptions(out, kGlobal);
    out << "\n'zrso-host help COMMAND' or 'zrso-host COMMAND --help' explains a command, with an "
           "example.\n";
}

bool printHelp(std::ostream& out, const std::string& name) {
    if (const CommandHelp* c = findHelp(name)) {
        printPage(out, *c);
        return true;
    }
    bool any = false;
    for (const auto& c : kCommands) {
        if (!hasHelp(name) || std::string(c.name).compare(0, name.size() + 1, name + " ") != 0)
            continue;
        if (any) out << "\n";
        printPage(out, c);
        any = true;
    }
    return any;
}

std::string helpJson() {
    std::string out =
        "{\"program\":\"zrso-host\",\"global_options\":" + optionsJson(kGlobal) + ",\"commands\":[";
    for (std::size_t i = 0; i < kCommands.size(); ++i) {
        const auto& c = kCommands[i];
        out += (i ? "," : "") + std::string("{\"name\":") + jsonString(c.name) +
               ",\"synopsis\":" + jsonString(c.synopsis) + ",\"summary\":" + jsonString(c.summary) +
               ",\"description\":" + jsonString(c.description) +
               ",\"options\":" + optionsJson(c.options) + ",\"example\":" + jsonString(c.example) +
               "}";
    }
    out += "],\"config_keys\":[";
    for (std::size_t i = 0; i < configKeys().size(); ++i) {
        const auto& k = configKeys()[i];
        out += (i ? "," : "") + std::string("{\"key\":") + jsonString(k.name) +
               ",\"default\":" + jsonString(k.fallback) + ",\"text\":" + jsonString(k.text) + "}";
    }
    return out + "]}";
}

}  // namespace refhost
