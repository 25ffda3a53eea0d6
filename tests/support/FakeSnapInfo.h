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

    // Runs first in log and getIntProperty with the operation's name: throw
    // from it to inject a fault there, or count the questions.
    std::function<void(const char* operation)> onCall;

    // --- recorded writes -------------------------------------------------
    std::vector<int> statuses;
    std::vector<ErrorEntry> errors;
    std::vector<std::pair<int, std::string>> propertiesSet;
    std::vector<std::string> snapshotNames;
    std::vector<LogEntry> logs;

    // Log entries whose text contains needle (and, unless level is the
    // default -99, whose level matches).
    int countLogs(const std::string& needle, int level = -99) const;
    // Every entry, one a line, for failure messages.
    std::string logText() const;
    const ErrorEntry* lastError() const { return errors.empty() ? nullptr : &errors.back(); }

    // --- ZRSO::SnapInfo --------------------------------------------------
    int getSnapshotId(char* b, short* s) override { return snapshotId.serveRecord(b, s); }
    int getArrayLogin(char* b, short* s) override { return arrayLogin.serveRecord(b, s); }
    int getHostIdentifier(char* b, short* s) override { return hostIdentifier.serveRecord(b, s); }
    int getSourceDevice(char* b, short* s) override { return sourceDevice.serveRecord(b, s); }
    int getSnapDevice(char* b, short* s) override { return snapDevice.serveRecord(b, s); }
    int getProperty(int id, char* b, short* s) override { return serve(properties, id, b, s); }
    int getConfigString(const char* setting, char* b, short* s) override {
        return serve(configStrings, std::string(Safe(setting)), b, s);
    }
    int getHostPath(int id, char* b, short* s) override { return serve(hostPaths, id, b, s); }
    int setSnapshotName(const char* name) override {
        snapshotNames.push_back(Safe(name));
        return setterResult;
    }
    int selectArrayLogin(const char* arrayId) override;
    bool hasOption(int flag) override { return options.count(flag) != 0; }
    unsigned int getFlags() override { return 0; }
    int getStatus() override { return status; }
    int setStatus(int value) override {
        statuses.push_back(value);
        status = value;
        return setterResult;
    }
    int setSnapDevice(const char* device) override {
        snapDevice = Safe(device);
        return setterResult;
    }
    int setProperty(int id, const char* value) override {
        propertiesSet.emplace_back(id, Safe(value));
        properties[id] = Safe(value);
        return setterResult;
    }
    int setError(int code, const char* message) override {
        errors.push_back(ErrorEntry{code, Safe(message)});
        return setterResult;
    }
    void log(int level, const char* function, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    int getCloneNumber() override { return cloneNumber; }
    int getConfigInt(const char* setting, int* value) override;
    int getIntProperty(int id, int* out) override;
    int getDuplicateNumber() override { return duplicateNumber; }
    int getSnapshotIdText(std::string& out) override;

private:
    // An answer by key; an absent key answers 1 and writes nothing.
    template <class Key>
    static int serve(std::map<Key, TextScript>& answers, const Key& key, char* buf, short* size) {
        auto it = answers.find(key);
        return it == answers.end() ? 1 : it->second.serveRecord(buf, size);
    }
};
