#include "ScriptedXcli.h"

#include <sys/stat.h>

#include <sstream>

namespace {

// Finds the operation after the output flag and prints its answer file.
const char kScript[] =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "take=0\n"
    "op=none\n"
    "form=xml\n"
    "for a in \"$@\"; do\n"
    "  if [ \"$take\" = 1 ]; then op=$a; break; fi\n"
    "  case \"$a\" in -x) take=1 ;; -s) take=1; form=csv ;; esac\n"
    "done\n"
    "if [ \"$form\" = csv ]; then echo \"$op -s\" >> \"$dir/runs.log\"; "
    "else echo \"$op\" >> \"$dir/runs.log\"; fi\n"
    "if [ -f \"$dir/$op.$form\" ]; then cat \"$dir/$op.$form\"; fi\n";

}  // namespace

std::string XmlAnswer(const std::string& status, const std::vector<XmlRecord>& records) {
    std::string xml =
        "<XCLIRETURN STATUS=\"" + status + "\" COMMAND_LINE=\"scripted\">\n<OUTPUT>\n";
    for (const XmlRecord& record : records) {
        xml += "<" + record.kind + " id=\"1\">";
        for (const auto& field : record.fields)
            xml += "<" + field.first + " value=\"" + field.second + "\"/>";
        xml += "</" + record.kind + ">\n";
    }
    xml += "</OUTPUT>\n</XCLIRETURN>\n";
    return xml;
}

ScriptedXcli::ScriptedXcli() : dir_("array-xcli") {
    ::chmod(dir_.write("xcli", kScript).c_str(), 0700);
}

void ScriptedXcli::Answer(const std::string& operation, const std::string& text, bool csv) {
    dir_.write(operation + (csv ? ".csv" : ".xml"), text);
}

std::vector<std::string> ScriptedXcli::TakeRuns() {
    std::vector<std::string> runs;
    std::istringstream lines(ReadFileText(dir_.file("runs.log")));
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty()) runs.push_back(line);
    dir_.write("runs.log", "");
    return runs;
}
