#include "xiv/XivDevList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "xiv/Command.h"
#include "xiv/TextHelpers.h"

namespace {

enum Column { DEVICE, VOL_ID, ARRAY_ID, VOL_NAME, NO_COLUMN };

struct ColumnName {
    const char* name;
    Column column;
};
const ColumnName COLUMN_NAMES[] = {{"device", DEVICE},
                                   {"vol id", VOL_ID},
                                   {"xiv id", ARRAY_ID},
                                   {"storage id", ARRAY_ID},
                                   {"vol name", VOL_NAME}};

// Header words name their column whatever their case and the blanks around
// them: the tool's versions differ there.
Column columnOf(const std::string& field) {
    const size_t first = field.find_first_not_of(" \t");
    const size_t last = field.find_last_not_of(" \t");
    const std::string word =
        first == std::string::npos ? std::string() : field.substr(first, last - first + 1);
    for (const ColumnName& c : COLUMN_NAMES)
        if (EqualNoCase(word, c.name)) return c.column;
    return NO_COLUMN;
}

bool isColumnName(const std::string& field) { return columnOf(field) != NO_COLUMN; }

// Drops the Windows device prefix (\\.\ or \\?\) in front of PHYSICALDRIVE.
void dropDevicePrefix(std::string& name) {
    for (const char* prefix : {"\\\\.\\PHYSICALDRIVE", "\\\\?\\PHYSICALDRIVE"}) {
        const size_t at = name.find(prefix);
        if (at != std::string::npos) {
            name.erase(0, at + 4);
            return;
        }
    }
}

}  // namespace

XivDevList::XivDevList(const std::string& toolDirectory, XivLogger logger)
    : outputOption_(" --out csv"),
      filterOption_(" --xiv-only"),
      toolDirectory_(toolDirectory),
      logger_(std::move(logger)) {}

XivDevList::~XivDevList() = default;

int XivDevList::RunCommand(std::string& output) {
    Command command("xiv_devlist" + outputOption_ + filterOption_, toolDirectory_, logger_);
    return command.ExecuteCommand(output);
}

void XivDevList::ParseOutput(std::string& output, std::vector<XivDeviceInfo>& devices) {
    static const char* const kFunction = "XivDevList::ParseOutput";
    // Quotes around fields and Windows line ends carry nothing.
    output.erase(std::remove(output.begin(), output.end(), '"'), output.end());
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    std::vector<std::string> lines;
    splitByDelim(output, "\n", lines);

    // The header is the first line naming a known column (lines the tool
    // prints before it are not rows); without one, the first line.
    size_t header = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        splitByDelim(lines[i], ",", fields);
        if (std::any_of(fields.begin(), fields.end(), isColumnName)) {
            header = i;
            break;
        }
    }

    size_t index[NO_COLUMN + 1] = {};
    std::vector<std::string> names;
    splitByDelim(lines[header], ",", names);
    for (size_t i = 0; i < names.size(); ++i) index[columnOf(names[i])] = i;
    const size_t device = index[DEVICE], volId = index[VOL_ID], arrayId = index[ARRAY_ID],
                 volName = index[VOL_NAME];
    const size_t needed = std::max({device, volId, arrayId, volName}) + 1;

    devices.clear();
    for (size_t i = header + 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line.find("Unknown devices:") != std::string::npos) continue;
        std::vector<std::string> fields;
        splitByDelim(line, ",", fields);
        // Rows too short for the columns, or without a usable array serial,
        // say nothing about a device.
        if (fields.size() < needed || fields[arrayId].size() < 2) continue;
        XivDeviceInfo info;
        info.sDeviceName = fields[device];
        info.sArrayId = fields[arrayId];
        info.sVolId = fields[volId];
        info.sVolName = fields[volName];
        char hex[32];
        std::snprintf(hex, sizeof hex, "%05x",
                      static_cast<unsigned>(std::atoi(info.sArrayId.substr(2, 5).c_str())));
        info.sArrayIdHex = info.sArrayId.substr(0, 2) + hex;
        devices.push_back(info);
    }

    logger_.logMessage(ZRSO::LOG_DETAIL, kFunction, "Device details\n");
    for (const XivDeviceInfo& d : devices)
        logger_.logMessage(ZRSO::LOG_DETAIL, kFunction,
                           "DeviceName[%s], ArrayId[%s], ArrayIdHex[%s], VolId[%s], VolName[%s]\n",
                           d.sDeviceName.c_str(), d.sArrayId.c_str(), d.sArrayIdHex.c_str(),
                           d.sVolId.c_str(), d.sVolName.c_str());
}

void XivDevList::GetVolumeAndArrayId(const std::string& device, std::string& volId,
                                     std::string& volName, std::string& arrayId, XivError& error) {
    error.clear();
    std::string output;
    if (RunCommand(output) != 0) {
        error.code = -1;
        error.text = "Failed to run xiv_devlist. " + output;
        return;
    }
    logger_.logMessage(ZRSO::LOG_DETAIL, "XivDevList::GetVolumeAndArrayId",
                       "xiv_devlist output [%s]\n", output.c_str());
    std::vector<XivDeviceInfo> devices;
    ParseOutput(output, devices);
    if (devices.empty()) {
        error.code = -2;
        error.text = "No XIV devices found through xiv_delvlist.";
        return;
    }
    // Names compare up to a NUL either may carry.
    std::string wanted = StringToUpper(device.c_str());
    dropDevicePrefix(wanted);
    for (const XivDeviceInfo& d : devices) {
        std::string listed = StringToUpper(d.sDeviceName.c_str());
        dropDevicePrefix(listed);
        if (listed == wanted) {
            volId = d.sVolId;
            volName = d.sVolName;
            arrayId = d.sArrayId;
            return;
        }
    }
    error.code = -3;
    error.text = "No matching device found through xiv_devlist.";
}
