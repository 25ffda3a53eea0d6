// The zrso-host commands. Each returns the process exit status: 0 only when
// everything ended as the command expects.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace refhost {

class CommandArgs;
class HostSession;
class OutputTable;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int cmdInit(HostSession& session, CommandArgs& args);
int cmdConfig(HostSession& session, CommandArgs& args);
int cmdArray(HostSession& session, CommandArgs& args);
int cmdEsx(HostSession& session, CommandArgs& args);
int cmdInitiators(HostSession& session, CommandArgs& args);
int cmdRescan(HostSession& session, CommandArgs& args);
int cmdDisks(HostSession& session, CommandArgs& args);
int cmdSupported(HostSession& session, CommandArgs& args);
int cmdBackup(HostSession& session, CommandArgs& args);
int cmdJobs(HostSession& session, CommandArgs& args);
int cmdSnapStep(HostSession& session, CommandArgs& args, const std::string& step);
int cmdLun(HostSession& session, CommandArgs& args);
int cmdInventory(HostSession& session, CommandArgs& args);
int cmdDemo(HostSession& session, CommandArgs& args);
int cmdVersion(HostSession& session, CommandArgs& args);

// The whole command line (without the program name).
int runHostCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The table for people, or its JSON under --json.
void showTable(HostSession& session, const OutputTable& table);

// zrso-host's own version.
const char* hostVersion();

}  // namespace refhost
