// Every zrso-host command's help, in one table: name, synopsis, what it
// does, each option explained, an example. `zrso-host help` and `--help`
// print from it; `zrso-host help --json` hands it whole to tools that make
// the manual page and the shell completion.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace refhost {

struct OptionHelp {
    const char* option;  // "--size SIZE"
    const char* text;
};

struct CommandHelp {
    const char* name;         // "lun resize"
    const char* synopsis;     // the command line, options in brackets when optional
    const char* summary;      // one line
    const char* description;  // what it does, what it asks, what the exit status says
    std::vector<OptionHelp> options;
    const char* example;
};

const std::vector<CommandHelp>& commandHelps();
// Options every command takes.
const std::vector<OptionHelp>& globalOptions();

// The entry of a command ("lun resize"), or null.
const CommandHelp* findHelp(const std::string& name);
// Whether help knows the name: a command or a group ("lun").
bool hasHelp(const std::string& name);

// The short overview: every command's synopsis and summary.
void printOverview(std::ostream& out);
// One command's page; a group name ("lun") prints every command of it.
// False when no command has that name.
bool printHelp(std::ostream& out, const std::string& name);
// The whole table as one JSON document.
std::string helpJson();

}  // namespace refhost
