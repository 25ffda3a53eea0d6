#include "xiv/XCliCsv.h"

#include <algorithm>
#include <utility>

#include "xiv/Command.h"
#include "xiv/TextHelpers.h"

namespace {

// Bytes that would end the line or a value on it.
const char UNSAFE[] = {'"', '\r', '\n', '\0'};

bool unsafe(const std::string& value) {
    return value.find_first_of(UNSAFE, 0, sizeof UNSAFE) != std::string::npos;
}

void removeAll(std::string& text, char c) {
    text.erase(std::remove(text.begin(), text.end(), c), text.end());
}

bool isHeader(const std::string& line) {
    // A NUL in the listing ends what a line says.
    const std::string upper = StringToUpper(line.c_str());
    if (upper.find("NAME,WWN") != std::string::npos) return true;
    // The same two columns in the other order.
    std::vector<std::string> fields;
    splitByDelim(upper, ",", fields);
    return std::find(fields.begin(), fields.end(), "NAME") != fields.end() &&
           std::find(fields.begin(), fields.end(), "WWN") != fields.end();
}

}  // namespace

XCliCsv::XCliCsv(const std::string& user, const std::string& password, const std::string& address,
                 const std::string& xcliDirectory, XivLogger logger)
    : user_(user),
      password_(password),
      outputFlag_("-s"),
      confirmFlag_("-y"),
      address_(address),
      xcliDirectory_(xcliDirectory),
      logger_(std::move(logger)) {}

int XCliCsv::RunCommand(const std::string& operationText, std::string& output) {
    const std::pair<const char*, const std::string*> values[] = {{"user", &user_},
                                                                 {"password", &password_},
                                                                 {"management address", &address_},
                                                                 {"operation", &operationText}};
    for (const auto& v : values) {
        if (unsafe(*v.second)) {
            output = std::string(" The ") + v.first +
                     " holds a double quote, NUL, carriage return or line feed; "
                     "the command was not run.";
            logger_.logMessage(ZRSO::LOG_ERROR, "XCliCsv::RunCommand",
                               "Refused the %s: it holds a double quote, NUL, CR or LF.\n",
                               v.first);
            return -1;
        }
    }
    const std::string line = "xcli -u " + user_ + " -p " + password_ + " -m " + address_ + " " +
                             confirmFlag_ + " " + outputFlag_ + " " + operationText;
    Command command(line, xcliDirectory_, logger_, password_);
    return command.ExecuteCommand(output);
}

void XCliCsv::GetVolNameWWNList(std::vector<XivVolumeInfo>& volumes, XivError& error) {
    std::string output;
    error.code = RunCommand("vol_list -t name,wwn", output);
    if (error.code != 0) {
        error.text = "Failed to run vol_list command." + output;
        return;
    }
    logger_.logMessage(ZRSO::LOG_DETAIL, "XCliCsv::GetVolNameWWNList", "Command ouput [%s]",
                       output.c_str());
    volumes.clear();
    ParseVolListOutput(output, volumes, error);
}

void XCliCsv::ParseVolListOutput(std::string& output, std::vector<XivVolumeInfo>& volumes,
                                 XivError& error) {
    if (output.empty()) {
        error.code = -1;
        error.text = "Command output is empty";
        return;
    }
    removeAll(output, '"');
    removeAll(output, '\r');
    std::vector<std::string> lines;
    splitByDelim(output, "\n", lines);

    size_t header = 0;
    while (header < lines.size() && !isHeader(lines[header])) ++header;

    if (header < lines.size()) {
        std::vector<std::string> names;
        splitByDelim(lines[header], ",", names);
        size_t nameColumn = 0;
        size_t wwnColumn = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string upper = StringToUpper(names[i].c_str());
            if (upper == "NAME") nameColumn = i;
            if (upper == "WWN") wwnColumn = i;
        }
        volumes.clear();
        for (size_t i = header + 1; i < lines.size(); ++i) {
            if (lines[i].empty()) continue;
            std::vector<std::string> fields;
            splitByDelim(lines[i], ",", fields);
            XivVolumeInfo info;
            if (nameColumn < fields.size()) info.sVolName = fields[nameColumn];
            if (wwnColumn < fields.size()) info.sWWN = fields[wwnColumn];
            volumes.push_back(info);
        }
        return;
    }

    // No table: the output is an error report "STATUS,text" on its last line.
    std::string last = lines.back();
    if (last.empty() && lines.size() >= 2) last = lines[lines.size() - 2];
    std::vector<std::string> fields;
    splitByDelim(last, ",", fields);
    error.code = -1;
    result_ = fields[0];
    error.text = fields.size() > 1 ? fields[1] : "";
}
