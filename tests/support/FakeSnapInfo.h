// A host snapshot record that answers from scriptable fields and records
// every write the plug-in makes. Writes are reflected back like a real host
// does (setProperty is read back by getProperty, setSnapDevice by
// getSnapDevice, setStatus by getStatus).
#pragma once

#include <cstdarg>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Recorded.h"
#include "TextScript.h"
#include "host/ZRSO.h"

class FakeSnapInfo : public ZRSO::SnapInfo {
public:
    FakeSnapInfo() = default;

    // --- answers ---------------------------------------------------------
    TextScript snapshotId;
    TextScript arrayLogin;  // replaced on selectArrayLogin when loginsByArray is used
    TextScript hostIdentifier;
    TextScript sourceDevice;
    TextScript snapDevice;
    std::map<int, TextScript> properties;             // absent id: answers 1
    std::map<std::string, TextScript> configStrings;  // absent setting: answers 1
    std::map<int, TextScript> hostPaths;              // absent id: answers 1
    std::map<std::string, int> configInts;            // absent: default kept
    int configIntResult = 0;
    std::map<int, int> intProperties;  // absent id: answers 1
    // When not empty, selectArrayLogin loads the login text of the array
    // asked for into arrayLogin and answers 0, or answers 1 for an unknown one.
    std::map<std::string, std::string> loginsByArray;
    int selectArrayLoginResult = 0;  // used when loginsByArray is empty
    std::set<int> options;
    unsigned int flags = 0;
    int status = 0;
    int cloneNumber = 0;
    int duplicateNumber = 0;
    std::string snapshotIdText;
    int snapshotIdTextResult = 0;
    int setterResult = 0;  // answer of every set* operation

    // Runs first in every operation with its name ("getSourceDevice",
    // "log", ...). Throw from it to inject a fault at a chosen point.
    std::function<void(const char* operation)> onCall;

    // --- recorded writes -------------------------------------------------
    std::vector<std::string> selectedArrays;
    std::vector<int> statuses;
    std::vector<ErrorEntry> errors;
    std::vector<std::pair<int, std::string>> propertiesSet;
    std::vector<std::string> snapshotNames;
    std::vector<std::string> snapDevicesSet;
    std::vector<LogEntry> logs;
    std::vector<std::string> configAsked;  // settings asked, both kinds, in order

    int countLogs(const std::string& needle, int level = -99) const {
        return CountLogs(logs, needle, level);
    }
    std::string logText() const { return JoinLogs(logs); }
    const ErrorEntry* lastError() const { return errors.empty() ? nullptr : &errors.back(); }

    // --- ZRSO::SnapInfo --------------------------------------------------
    int getSnapshotId(char* buf, short* size) override;
    int setSnapshotName(const char* name) override;
    int getArrayLogin(char* buf, short* size) override;
    int selectArrayLogin(const char* arrayId) override;
    int getHostIdentifier(char* buf, short* size) override;
    bool hasOption(int flag) override;
    unsigned int getFlags() override;
    int getStatus() override;
    int setStatus(int status) override;
    int getSourceDevice(char* buf, short* size) override;
    int getSnapDevice(char* buf, short* size) override;
    int setSnapDevice(const char* device) override;
    int getProperty(int id, char* buf, short* size) override;
    int setProperty(int id, const char* value) override;
    int setError(int code, const char* message) override;
    void log(int level, const char* function, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    int getCloneNumber() override;
    int getConfigInt(const char* setting, int* value) override;
    int getConfigString(const char* setting, char* buf, short* size) override;
    int getIntProperty(int id, int* out) override;
    int getHostPath(int id, char* buf, short* size) override;
    int getDuplicateNumber() override;
    int getSnapshotIdText(std::string& out) override;

private:
    void called(const char* operation) {
        if (onCall) onCall(operation);
    }
};

// printf-style formatting into a string (shared by the fakes and mocks).
std::string FormatV(const char* format, va_list args);

// A host array of record pointers as the entry points take it.
template <class T>
std::vector<ZRSO::SnapInfo*> SnapArray(std::vector<T>& records) {
    std::vector<ZRSO::SnapInfo*> out;
    for (T& r : records) out.push_back(&r);
    return out;
}
