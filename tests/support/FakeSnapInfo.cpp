#include "FakeSnapInfo.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

int FakeSnapInfo::countLogs(const std::string& needle, int level) const {
    int n = 0;
    for (const LogEntry& e : logs)
        if ((level == -99 || e.level == level) && e.text.find(needle) != std::string::npos) ++n;
    return n;
}

std::string FakeSnapInfo::logText() const {
    std::string all;
    for (const LogEntry& e : logs)
        all += std::to_string(e.level) + " " + e.function + ": " + e.text + "\n";
    return all;
}

int FakeSnapInfo::getConfigString(const char* setting, char* buf, short* size) {
    called("getConfigString");
    configAsked.push_back(Safe(setting));
    auto it = configStrings.find(Safe(setting));
    return it == configStrings.end() ? 1 : it->second.serveRecord(buf, size);
}

int FakeSnapInfo::setSnapshotName(const char* name) {
    called("setSnapshotName");
    snapshotNames.push_back(Safe(name));
    return setterResult;
}

int FakeSnapInfo::selectArrayLogin(const char* arrayId) {
    called("selectArrayLogin");
    if (loginsByArray.empty()) return 0;
    auto it = loginsByArray.find(Safe(arrayId));
    if (it == loginsByArray.end()) return 1;
    arrayLogin.setText(it->second);
    return 0;
}

int FakeSnapInfo::setStatus(int value) {
    called("setStatus");
    statuses.push_back(value);
    status = value;
    return setterResult;
}

int FakeSnapInfo::setSnapDevice(const char* device) {
    called("setSnapDevice");
    snapDevice.setText(Safe(device));
    return setterResult;
}

int FakeSnapInfo::setProperty(int id, const char* value) {
    called("setProperty");
    propertiesSet.emplace_back(id, Safe(value));
    properties[id].setText(Safe(value));
    return setterResult;
}

int FakeSnapInfo::setError(int code, const char* message) {
    called("setError");
    errors.push_back(ErrorEntry{code, Safe(message)});
    return setterResult;
}

void FakeSnapInfo::log(int level, const char* function, const char* format, ...) {
    called("log");
    std::vector<char> text(1 << 16);  // longer than any line the plug-in writes
    va_list args;
    va_start(args, format);
    if (format) std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    logs.push_back(LogEntry{level, Safe(function), format ? text.data() : "NULL"});
}

int FakeSnapInfo::getConfigInt(const char* setting, int* value) {
    called("getConfigInt");
    configAsked.push_back(Safe(setting));
    auto it = configInts.find(Safe(setting));
    if (it != configInts.end() && value) *value = it->second;
    return 0;
}

int FakeSnapInfo::getIntProperty(int id, int* out) {
    called("getIntProperty");
    auto it = intProperties.find(id);
    if (it == intProperties.end()) return 1;
    if (out) *out = it->second;
    return 0;
}

int FakeSnapInfo::getSnapshotIdText(std::string& out) {
    called("getSnapshotIdText");
    out = snapshotId.text();
    return 0;
}
