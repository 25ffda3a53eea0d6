// What an inventory test runs in: a private simulator state, settings that
// point the plug-in at the built xcli, a private cipher key and a captured
// debug log. A scripted xcli stands in for answers no simulated array gives.
#pragma once

#include <string>
#include <vector>

#include "support/FakeInventory.h"
#include "support/LogCapture.h"
#include "support/PlatformSettings.h"
#include "support/SimArray.h"
#include "support/TempDir.h"

class InventoryWorld {
public:
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "s3cret-pw";

    InventoryWorld();
    // Runs xcli-sim; throws when it fails.
    std::string Sim(const std::vector<std::string>& args) { return sim_.Admin(args); }
    // An array with pools ("name:GB") and 17 GB volumes ("pool/name").
    void Array(const std::string& address, const std::string& serial,
               const std::vector<std::string>& pools, const std::vector<std::string>& volumes);
    // Registers an array in the fake inventory as the host stores it.
    FakeArrayEntry& Register(FakeInventory& inventory, const std::string& address, int clientId,
                             const std::string& password = kPassword);
    // Every xcli run answers with the operation's file: <op>.xml.
    void Script(const std::string& poolList, const std::string& volList);

    PlatformSettings& settings() { return settings_; }
    const LogCapture& log() const { return log_; }

private:
    TempDir dir_;
    SimArray sim_;
    ScopedEnv key_;
    PlatformSettings settings_;
    LogCapture log_;
};
