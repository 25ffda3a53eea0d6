#include "FakeSnapInfo.h"

#include <cstdio>

std::string FormatV(const char* format, va_list args) {
    if (format == nullptr) return "NULL";
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return std::string();
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    return text;
}

namespace {
const char* Safe(const char* text) { return text ? text : "(null)"; }
}  // namespace

int FakeSnapInfo::getSnapshotId(char* buf, short* size) {
    called("getSnapshotId");
    return snapshotId.serveRecord(buf, size);
}

int FakeSnapInfo::setSnapshotName(const char* name) {
    called("setSnapshotName");
    snapshotNames.push_back(Safe(name));
    return setterResult;
}

int FakeSnapInfo::getArrayLogin(char* buf, short* size) {
    called("getArrayLogin");
    return arrayLogin.serveRecord(buf, size);
}

int FakeSnapInfo::selectArrayLogin(const char* arrayId) {
    called("selectArrayLogin");
    selectedArrays.push_back(Safe(arrayId));
    if (loginsByArray.empty()) return selectArrayLoginResult;
    auto it = loginsByArray.find(Safe(arrayId));
    if (it == loginsByArray.end()) return 1;
    arrayLogin.setText(it->second);
    return 0;
}

int FakeSnapInfo::getHostIdentifier(char* buf, short* size) {
    called("getHostIdentifier");
    return hostIdentifier.serveRecord(buf, size);
}

bool FakeSnapInfo::hasOption(int flag) {
    called("hasOption");
    return options.count(flag) != 0;
}

unsigned int FakeSnapInfo::getFlags() {
    called("getFlags");
    return flags;
}

int FakeSnapInfo::getStatus() {
    called("getStatus");
    return status;
}

int FakeSnapInfo::setStatus(int value) {
    called("setStatus");
    statuses.push_back(value);
    status = value;
    return setterResult;
}

int FakeSnapInfo::getSourceDevice(char* buf, short* size) {
    called("getSourceDevice");
    return sourceDevice.serveRecord(buf, size);
}

int FakeSnapInfo::getSnapDevice(char* buf, short* size) {
    called("getSnapDevice");
    return snapDevice.serveRecord(buf, size);
}

int FakeSnapInfo::setSnapDevice(const char* device) {
    called("setSnapDevice");
    snapDevicesSet.push_back(Safe(device));
    snapDevice.setText(Safe(device));
    return setterResult;
}

int FakeSnapInfo::getProperty(int id, char* buf, short* size) {
    called("getProperty");
    auto it = properties.find(id);
    if (it == properties.end()) return 1;
    return it->second.serveRecord(buf, size);
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
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    logs.push_back(LogEntry{level, Safe(function), text});
}

int FakeSnapInfo::getCloneNumber() {
    called("getCloneNumber");
    return cloneNumber;
}

int FakeSnapInfo::getConfigInt(const char* setting, int* value) {
    called("getConfigInt");
    configAsked.push_back(Safe(setting));
    auto it = configInts.find(Safe(setting));
    if (it != configInts.end() && value) *value = it->second;
    return configIntResult;
}

int FakeSnapInfo::getConfigString(const char* setting, char* buf, short* size) {
    called("getConfigString");
    configAsked.push_back(Safe(setting));
    auto it = configStrings.find(Safe(setting));
    if (it == configStrings.end()) return 1;
    return it->second.serveRecord(buf, size);
}

int FakeSnapInfo::getIntProperty(int id, int* out) {
    called("getIntProperty");
    auto it = intProperties.find(id);
    if (it == intProperties.end()) return 1;
    if (out) *out = it->second;
    return 0;
}

int FakeSnapInfo::getHostPath(int id, char* buf, short* size) {
    called("getHostPath");
    auto it = hostPaths.find(id);
    if (it == hostPaths.end()) return 1;
    return it->second.serveRecord(buf, size);
}

int FakeSnapInfo::getDuplicateNumber() {
    called("getDuplicateNumber");
    return duplicateNumber;
}

int FakeSnapInfo::getSnapshotIdText(std::string& out) {
    called("getSnapshotIdText");
    out = snapshotIdText;
    return snapshotIdTextResult;
}
