// Fixture: one simulated array with a pool, and an Xiv object logged in to it
// that runs the built xcli as a real child process.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SimWorld.h"
#include "host/rt/DebugLog.h"
#include "xiv/Xiv.h"

// The last operation succeeded; its error text explains a failure.
#define EXPECT_OK() EXPECT_EQ(code, 0) << text

class SimArrayTest : public ::testing::Test {
protected:
    static constexpr const char* kAddress = "xiv-lab-7";
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "adm1n-pw";
    static constexpr const char* kPool = "pool_a";

    void SetUp() override {
        if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
        world_ = std::make_unique<SimWorld>();
        Sim({"array-create", "--address", kAddress, "--serial", "1310133", "--user", kUser,
             "--password", kPassword});
        Sim({"pool-create", "--address", kAddress, "--pool", kPool, "--size-gb", "2000"});
        xiv_ =
            std::make_unique<Xiv>(kUser, kPassword, kAddress, SimBinDir(), XivLogger(DebugLog()));
    }

    std::string Sim(std::vector<std::string> args) { return world_->Admin(args); }
    void Volume(const std::string& name, const std::string& sizeGb = "17") {
        Sim({"vol-create", "--address", kAddress, "--pool", kPool, "--vol", name, "--size-gb",
             sizeGb});
    }
    // The xcli runs since the last call, by operation; clears them.
    RunCounts Runs() { return world_->TakeRuns(kAddress); }
    std::vector<std::string> ArgsOf(const std::string& op) {
        return world_->RunArguments(kAddress, op);
    }
    // The volume's WWN as the array reports it; its run is not counted.
    std::string WwnOf(const std::string& volume) {
        std::string wwn;
        XivError e;
        xiv_->GetVolumeByName(volume, wwn, e);
        EXPECT_EQ(e.code, 0) << e.text;
        Runs();
        return wwn;
    }
    // A fresh error, as callers pass it.
    void Fresh() { error.clear(); }

    std::unique_ptr<SimWorld> world_;
    std::unique_ptr<Xiv> xiv_;
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
};
