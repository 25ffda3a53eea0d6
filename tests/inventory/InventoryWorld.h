// What an inventory test runs in: a private array simulator state, settings
// that point the plug-in at the built xcli, a private cipher key and a
// captured debug log. Arrays are shaped through xcli-sim; a scripted xcli
// stands in for answers no simulated array gives.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FakeInventory.h"
#include "support/FakeZROSUtil.h"
#include "support/LogCapture.h"
#include "support/PlatformSettings.h"
#include "support/TempDir.h"

// True when the built xcli and xcli-sim are next to the tests.
bool SimAvailable();

class InventoryWorld {
public:
    InventoryWorld();

    // Runs xcli-sim; throws when it fails so a broken set-up is never taken
    // for a fault of the collection.
    std::string Sim(const std::vector<std::string>& args);
    void Array(const std::string& address, const std::string& serial);
    void Pool(const std::string& address, const std::string& pool, int sizeGb);
    void Volume(const std::string& address, const std::string& pool, const std::string& volume);

    // The password as the host stores it.
    std::string Encrypt(const std::string& password);
    // Registers a simulated array in the fake inventory, logged in as the
    // simulator's admin with the given password.
    FakeArrayEntry& Register(FakeInventory& inventory, const std::string& address, int clientId,
                             const std::string& password = kPassword);

    // Points the plug-in at a scripted xcli instead of the simulator; the
    // answers are XCLIRETURN documents per operation.
    void Script(const std::string& poolList, const std::string& volList);

    PlatformSettings& settings() { return settings_; }
    const LogCapture& log() const { return log_; }

    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "s3cret-pw";

private:
    TempDir dir_;
    ScopedEnv state_, key_, password_;
    PlatformSettings settings_;
    LogCapture log_;
};

// One record of a scripted answer: element name and fields in order.
struct XmlRecord {
    std::string kind;
    std::vector<std::pair<std::string, std::string>> fields;
};
std::string XmlAnswer(const std::string& status, const std::vector<XmlRecord>& records);
