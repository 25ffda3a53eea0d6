// Names built to run commands, redirect output or break lines, arriving by
// every route the plug-in takes text from: snapshot ids and source devices
// from the host, volume and pool names from the array, host names and ports
// from map requests, the array's registered address and login. Nothing may
// run (no marker file appears anywhere), nothing may be made outside the
// array's own state, and every record ends cleanly: succeeded, or failed
// with its failure status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "refhost/HostDatabase.h"
#include "refhost/HostSession.h"
#include "refhost/SqlStatement.h"
#include "support/HostWorld.h"
#include "support/TestData.h"

namespace fs = std::filesystem;
using ::testing::Contains;

namespace {

// Every one would leave a file named hmark_* if any part of it ran in a
// shell. holds: whether an array can hold it as a name (printable ASCII, at
// most 63 characters, no double quote, which no command line can carry).
struct Hostile {
    std::string name;
    bool holds;
};
const std::vector<Hostile> kHostileNames = {
    {"s$(touch hmark_1)", true},
    {"s`touch hmark_2`", true},
    {"s;touch hmark_3", true},
    {"s|touch hmark_4", true},
    {"s&&touch hmark_5", true},
    {"s>hmark_6", true},
    {"s'touch hmark_7'", true},
    {"s\"touch hmark_8\"", false},
    {"s\ntouch hmark_9\n", false},
    {std::string(300, 'L') + "$(touch hmark_10)", false},
    {"s\xc3\xa9\xff\xfe$(touch hmark_11)", false},
};

// Names an array can hold: printable, at most 63 characters. The first
// ones reach command lines and the snapshot metadata whole; a double quote
// cannot stand on a command line, and a backslash is refused by the
// metadata writer, so those two are refused at prepare.
const std::vector<std::string> kArrayNames = {
    "v$(touch hmark_21)", "v`touch hmark_22`", "v;touch hmark_23", "v|touch hmark_24",
    "v&&touch hmark_25",  "v>hmark_26",        "v'hmark_27'",
};
const std::vector<std::string> kRefusedArrayNames = {"v\\hmark_28", "v\"hmark_29\""};
const char* const kHostilePool = "p$(touch hmark_30);x";

// No marker in the working directory (where a child would write one), nor
// anywhere in the world's temporary directory.
void ExpectNothingRan(HostWorld& w) {
    std::vector<std::string> found;
    const fs::path here = fs::current_path();
    for (const fs::path& dir : {here, fs::path(w.root()).parent_path()}) {
        std::error_code ec;
        fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (dir == here) it.disable_recursion_pending();
            if (it->path().filename().string().find("hmark") != std::string::npos)
                found.push_back(it->path().string());
        }
    }
    EXPECT_TRUE(found.empty()) << "a hostile name ran: " << ::testing::PrintToString(found);
    for (const auto& p : found) fs::remove(p);
}

// Every record succeeded or failed in the open (failure status and, but for
// a device the plug-in does not claim, an error code), and the entry
// point's answer agrees with the records.
void ExpectClean(const refhost::StepOutcome& o) {
    size_t ok = 0;
    for (const auto& r : o.records) {
        if (refhost::recordExpected(o.step, r)) {
            ++ok;
            continue;
        }
        bool unclaimed = o.step == "prepare" && r.status == 2;
        EXPECT_TRUE(r.errorCode != 0 || unclaimed)
            << o.step << " of " << r.sourceDevice << " failed silently, status " << r.status;
    }
    // Reconcile answers 0 whatever it found.
    if (o.step != "reconcile") {
        EXPECT_EQ(o.result, ok == 0 ? 1 : (ok == o.records.size() ? 0 : 2)) << o.step;
    }
}

void ExpectClean(const refhost::LunOutcome& o) {
    if (o.expected) return;
    EXPECT_EQ(o.request.errorCode, 70003) << o.operation << ": " << o.request.errorMessage;
    EXPECT_NE(o.result, 0) << o.operation;
}

// The pool and volume names the inventory stored.
std::set<std::string> StoredNames(HostWorld& w) {
    std::set<std::string> stored;
    refhost::SqlStatement names(w.database(),
                                "SELECT name FROM inv_volumes UNION SELECT name FROM inv_pools");
    while (names.step()) stored.insert(names.text(0));
    return stored;
}

// A port of its own for each n below 9000.
std::string Port(int n) { return "10000000C9B2" + std::to_string(1000 + n); }

TEST(HostileInput, SnapshotIdsFromTheHostAreNamesOnTheArrayOrRefusedAndNoSourceDevice) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    for (const auto& hostile : kHostileNames) {
        SCOPED_TRACE(::testing::PrintToString(hostile.name));
        int64_t job = w.job({w.disks()[0]});
        w.hostDbRun("UPDATE snap_records SET snapshot_id = ? WHERE job_id = ?",
                    {hostile.name, std::to_string(job)});
        refhost::StepOutcome prepared = w.step(job, "prepare");
        ExpectClean(prepared);
        refhost::StepOutcome snapped = w.step(job, "snap");
        ExpectClean(snapped);
        EXPECT_EQ(prepared.result == 0 && snapped.result == 0, hostile.holds);
        if (!hostile.holds) continue;
        // Taken literally: the snapshot carries the very name, and goes again.
        EXPECT_THAT(w.names("vol_list"), Contains(hostile.name));
        ExpectClean(w.step(job, "reconcile"));
        ExpectClean(w.step(job, "mount"));
        ExpectClean(w.step(job, "unmount"));
        refhost::StepOutcome deleted = w.step(job, "delete");
        ExpectClean(deleted);
        EXPECT_EQ(deleted.result, 0);
        EXPECT_THAT(w.names("vol_list"), ::testing::Not(Contains(hostile.name)));
    }

    // As source devices they are no disk of ours, with /dev/ or without.
    std::vector<std::string> devices;
    for (const auto& hostile : kHostileNames) {
        EXPECT_FALSE(refhost::deviceSupported(w.session(), "/dev/" + hostile.name))
            << ::testing::PrintToString(hostile.name);
        devices.push_back("/dev/" + hostile.name);
        devices.push_back(hostile.name);
    }
    refhost::StepOutcome prepared = w.step(w.job(devices), "prepare");
    ExpectClean(prepared);
    EXPECT_EQ(prepared.result, 1);
    ExpectNothingRan(w);
}

TEST(HostileInput, VolumeAndPoolNamesFromTheArrayTravelWhole) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    w.admin(
        {"pool-create", "--pool", kHostilePool, "--size-gb", "1020", "--snapshot-size-gb", "340"});
    for (const auto& name : kArrayNames) w.addVolume(name, true, kHostilePool);
    for (const auto& name : kRefusedArrayNames) w.addVolume(name, true, kHostilePool);
    w.rescan();
    std::vector<std::string> carried;
    for (const auto& name : kArrayNames) carried.push_back(w.deviceOf(name));

    // Every volume a command line can carry, each alone and all in one
    // consistency group of the hostile pool: backup, mount, unmount, delete.
    int64_t job = w.job(carried);
    for (const char* step : {"prepare", "snap", "mount", "unmount", "delete"}) {
        refhost::StepOutcome o = w.step(job, step);
        ExpectClean(o);
        EXPECT_EQ(o.result, 0) << step << "\n" << w.output();
    }
    refhost::BackupOptions inGroup;
    inGroup.consistencyGroup = true;
    int64_t group = w.job(carried, inGroup);
    for (const char* step : {"prepare", "snap", "delete"}) {
        refhost::StepOutcome o = w.step(group, step);
        ExpectClean(o);
        EXPECT_EQ(o.result, 0) << step << "\n" << w.output();
    }
    for (const auto& name : kRefusedArrayNames) {
        SCOPED_TRACE(name);
        refhost::StepOutcome refused = w.step(w.job({w.deviceOf(name)}), "prepare");
        ExpectClean(refused);
        EXPECT_EQ(refused.result, 1);
    }

    // The inventory stores every name as the array gives it.
    EXPECT_TRUE(w.inventory().allCollected);
    const std::set<std::string> stored = StoredNames(w);
    EXPECT_THAT(stored, Contains(kHostilePool));
    for (const auto& name : kArrayNames) EXPECT_THAT(stored, Contains(name));
    for (const auto& name : kRefusedArrayNames) EXPECT_THAT(stored, Contains(name));
    ExpectNothingRan(w);
}

TEST(HostileInput, MapRequestHostsAndPortsMakeNothingButArrayObjects) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    w.addVolume("hmap_vol", false);
    int n = 0;
    for (const auto& hostile : kHostileNames) {
        const std::string& name = hostile.name;
        SCOPED_TRACE(::testing::PrintToString(name));
        ++n;
        // A hostile host name with a sound port: an array host of that name.
        std::string request =
            refhost::mapRequestJson(name, "Red Hat Enterprise Linux", 3, {Port(n)});
        refhost::LunOutcome mapped = w.lun("map", w.request("hmap_vol", 0, request));
        ExpectClean(mapped);
        EXPECT_EQ(mapped.expected, hostile.holds) << mapped.request.errorMessage;
        if (hostile.holds) {
            // The array host takes the requested name, with the suffix the
            // plug-in's host naming adds.
            EXPECT_THAT(w.names("host_list"), Contains(::testing::StartsWith(name + "_")));
        }
        refhost::LunOutcome unmapped = w.lun("unmap", w.request("hmap_vol", 0, request));
        ExpectClean(unmapped);
        EXPECT_EQ(unmapped.expected, hostile.holds) << unmapped.request.errorMessage;
        // A sound host with a hostile port, and a hostile operating system:
        // neither is anything the array or the plug-in takes.
        for (const auto& refused :
             {refhost::mapRequestJson("app_h" + std::to_string(n), "Red Hat Enterprise Linux", 3,
                                      {name}),
              refhost::mapRequestJson("app_o" + std::to_string(n), name, 3, {Port(0x100 + n)})}) {
            refhost::LunOutcome o = w.lun("map", w.request("hmap_vol", 0, refused));
            ExpectClean(o);
            EXPECT_FALSE(o.expected);
            ExpectClean(w.lun("unmap", w.request("hmap_vol", 0, refused)));
        }
    }
    ExpectClean(w.lun("resolve", w.request("hmap_vol")));
    ExpectNothingRan(w);
}

TEST(HostileInput, RegisteredAddressAndLoginReachNoShell) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    int64_t job = w.job({w.disks()[0]});
    w.backup(job);
    auto everyRoute = [&w, job](bool shouldWork) {
        refhost::LunOutcome created =
            w.lun("create", w.request("hlogin_" + std::to_string(job), 17LL << 30));
        ExpectClean(created);
        refhost::StepOutcome prepared = w.step(w.job({w.disks()[1]}), "prepare");
        ExpectClean(prepared);
        refhost::StepOutcome reconciled = w.step(job, "reconcile");
        ExpectClean(reconciled);
        refhost::InventoryOutcome inventory = w.inventory();
        EXPECT_EQ(inventory.result, 0);
        EXPECT_EQ(created.expected, shouldWork) << created.request.errorMessage;
        EXPECT_EQ(prepared.result, shouldWork ? 0 : 1);
        EXPECT_EQ(reconciled.records.at(0).errorCode != 0, !shouldWork);
        EXPECT_EQ(inventory.allCollected, shouldWork);
    };
    for (const auto& hostile : kHostileNames) {
        const std::string& name = hostile.name;
        SCOPED_TRACE(::testing::PrintToString(name));
        const char* setAddress = "UPDATE arrays SET control_host = ?";
        w.hostDbRun(setAddress, {name});
        everyRoute(false);
        w.hostDbRun(setAddress, {HostWorld::kAddress});
        w.setLogin(name, HostWorld::kPassword);
        everyRoute(false);
        w.setLogin(HostWorld::kUser, HostWorld::kPassword);
    }
    // A password of shell text is only a password: with the array holding
    // it too, everything works.
    const std::string password = "$(touch hmark_40);`touch hmark_41`|x>hmark_42";
    w.admin({"user-add", "--user", HostWorld::kUser, "--password", password});
    w.setLogin(HostWorld::kUser, password);
    everyRoute(true);
    ExpectNothingRan(w);
}

// What no simulated array can hold (line breaks, 300 characters, bytes
// outside ASCII) comes from a scripted client that answers every listing
// with such names.
TEST(HostileInput, NamesNoArrayCouldHoldFromAScriptedClient) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    // The WWN of the first disk, so the scripted answer names its volume.
    std::string wwn = w.volumeField("v1", "wwn");
    for (auto& c : wwn) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    // Each as the answer spells it, and as the parser hands it over.
    const std::string tooLong = std::string(300, 'N') + "$(touch hmark_51)";
    const std::vector<std::pair<std::string, std::string>> names = {
        {"n&#10;touch hmark_50&#10;", "n\ntouch hmark_50\n"},
        {tooLong, tooLong},
        {"n\xc3\xa9$(touch hmark_52)", "n\xc3\xa9$(touch hmark_52)"},  // UTF-8 outside ASCII
        {"n&#x9;`touch hmark_53`", "n\t`touch hmark_53`"},
    };
    for (const auto& [name, decoded] : names) {
        SCOPED_TRACE(::testing::PrintToString(name));
        // Every listing names the volume and its pool so.
        TempDir client("zrso-hard-xcli");
        for (const std::string op : {"vol_list", "pool_list"}) {
            std::string answer = TestData("hardening/hostile_xcli/" + op + ".xml");
            for (const auto& [mark, text] : {std::pair{"@NAME@", name}, std::pair{"@WWN@", wwn}})
                for (size_t at; (at = answer.find(mark)) != std::string::npos;)
                    answer.replace(at, std::strlen(mark), text);
            client.write(op + ".xml", answer);
        }
        w.scriptXcli(client.path());

        // The inventory stores the name as the answer spells it.
        refhost::InventoryOutcome inventory = w.inventory();
        EXPECT_EQ(inventory.result, 0);
        EXPECT_TRUE(inventory.allCollected);
        EXPECT_THAT(StoredNames(w), Contains(decoded));

        refhost::StepOutcome prepared = w.step(w.job({w.disks()[0]}), "prepare");
        ExpectClean(prepared);
        int64_t job = prepared.records.at(0).jobId;
        if (prepared.result == 0) ExpectClean(w.step(job, "snap"));
        w.setPlatform("");
        ExpectNothingRan(w);
    }
}

}  // namespace
