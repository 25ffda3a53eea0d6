// A host snapshot record that answers from scriptable fields and records
// every write the plug-in makes. Writes are reflected back like a real host
// does (setProperty is read back by getProperty, setSnapDevice by
// getSnapDevice, setStatus by getStatus).
#pragma once

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
    std::map<int, int> intProperties;                 // absent id: answers 1
    // When not empty, selectArrayLogin loads the login text of the array
    // asked for into arrayLogin and answers 0, or answers 1 for an unknown one.
    std::map<std::string, std::string> loginsByArray;
    std::set<int> options;
    int status = 0;
    int cloneNumber = 0;
    int duplicateNumber = 0;
    int setterResult = 0;  // answer of every set* operation

    // Runs first in every operation with its name ("getSourceDevice",
    // "log", ...). Throw from it to inject a fault at a chosen point.
    std::function<void(const char* operation)> onCall;

    // --- recorded writes -------------------------------------------------
    std::vector<int> statuses;
    std::vector<ErrorEntry> errors;
    std::vector<std::pair<int, std::string>> propertiesSet;
    std::vector<std::string> snapshotNames;
    std::vector<LogEntry> logs;
    std::vector<std::string> configAsked;  // settings asked, both kinds, in order

    // Log entries whose text contains needle (and, unless level is the
    // default -99, whose level matches).
    int countLogs(const std::string& needle, int level = -99) const;
    // Every entry, one a line, for failure messages.
    std::string logText() const;
    const ErrorEntry* lastError() const { return errors.empty() ? nullptr : &errors.back(); }

    // --- ZRSO::SnapInfo --------------------------------------------------
    int getSnapshotId(char* buf, short* size) override {
        return serve("getSnapshotId", snapshotId, buf, size);
    }
    int getArrayLogin(char* buf, short* size) override {
        return serve("getArrayLogin", arrayLogin, buf, size);
    }
    int getHostIdentifier(char* buf, short* size) override {
        return serve("getHostIdentifier", hostIdentifier, buf, size);
    }
    int getSourceDevice(char* buf, short* size) override {
        return serve("getSourceDevice", sourceDevice, buf, size);
    }
    int getSnapDevice(char* buf, short* size) override {
        return serve("getSnapDevice", snapDevice, buf, size);
    }
    int getProperty(int id, char* buf, short* size) override {
        return serve("getProperty", properties, id, buf, size);
    }
    int getConfigString(const char* setting, char* buf, short* size) override;
    int getHostPath(int id, char* buf, short* size) override {
        return serve("getHostPath", hostPaths, id, buf, size);
    }
    int setSnapshotName(const char* name) override;
    int selectArrayLogin(const char* arrayId) override;
    bool hasOption(int flag) override { return answer("hasOption", options.count(flag) != 0); }
    unsigned int getFlags() override { return answer("getFlags", 0u); }
    int getStatus() override { return answer("getStatus", status); }
    int setStatus(int status) override;
    int setSnapDevice(const char* device) override;
    int setProperty(int id, const char* value) override;
    int setError(int code, const char* message) override;
    void log(int level, const char* function, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    int getCloneNumber() override { return answer("getCloneNumber", cloneNumber); }
    int getConfigInt(const char* setting, int* value) override;
    int getIntProperty(int id, int* out) override;
    int getDuplicateNumber() override { return answer("getDuplicateNumber", duplicateNumber); }
    int getSnapshotIdText(std::string& out) override;

private:
    void called(const char* operation) {
        if (onCall) onCall(operation);
    }
    template <class T>
    T answer(const char* operation, T value) {
        called(operation);
        return value;
    }
    int serve(const char* operation, TextScript& answer, char* buf, short* size) {
        called(operation);
        return answer.serveRecord(buf, size);
    }
    // An answer by id; an absent id answers 1 and writes nothing.
    int serve(const char* operation, std::map<int, TextScript>& answers, int key, char* buf,
              short* size) {
        called(operation);
        auto it = answers.find(key);
        return it == answers.end() ? 1 : it->second.serveRecord(buf, size);
    }
};
