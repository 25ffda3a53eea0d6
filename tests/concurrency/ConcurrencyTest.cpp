// Many backup jobs at once against one array: zrso-host processes looping
// backup, mount, unmount and delete on volumes of their own, all mounting
// through the same host object while the array now and then refuses a LUN.
//
// ZRSO_LOAD_SECONDS=N loops each worker for N seconds instead of a fixed
// number of cycles; ZRSO_LOAD_REPORT=FILE writes the run's figures as JSON
// (bench/load.sh runs both).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "json/JsonReader.h"
#include "support/HostWorld.h"

namespace {

constexpr int kWorkers = 8;
#ifdef ZRSO_SANITIZED
constexpr int kCycles = 1;
#else
constexpr int kCycles = 3;
#endif

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const JsonValue& member(const JsonValue& v, const std::string& name) {
    static const JsonValue none;
    return v.find(name) ? *v.find(name) : none;
}

int64_t number(const JsonValue& v) { return std::atoll(v.numberText().c_str()); }

// What the workers saw, shared between them.
struct Tally {
    std::mutex mutex;
    int jobs = 0, mounts = 0, faultsRaised = 0, mostMounted = 0;
    std::map<std::string, int> mountFailures;  // status -> count
    std::vector<std::string> wrong;            // outcomes no rule allows
    std::map<std::string, int64_t> holder;     // "LUN n" and device path -> the job mounted there

    void note(const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex);
        wrong.push_back(what);
    }
};

class Concurrency : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HostWorld::buildHasIt()) GTEST_SKIP() << "simulator or plug-in not built";
        world_ = HostWorld::ready(env_.tmp().file("world"), kWorkers);
        baseline_ = world_->arrayState();
        if (const char* s = std::getenv("ZRSO_LOAD_SECONDS")) seconds_ = std::atof(s);
    }

    // One command of a worker; its JSON answer (null when it printed none).
    JsonValue step(int worker, const std::vector<std::string>& words, HostRun* run) {
        std::vector<std::string> all = {"--json", "-q"};
        all.insert(all.end(), words.begin(), words.end());
        *run = world_->host(all);
        if (has(run->err, "database") || has(run->err, "busy") ||
            has(run->out, "database is locked"))
            tally_.note("worker " + std::to_string(worker) + ": " + words[0] +
                        " met a busy host: " + run->err);
        return ReadJson(run->out.data(), run->out.size());
    }

    // A mounted record's disk must carry its own duplicate, also while other
    // jobs mount and unmount, at a LUN and under a device no other job holds
    // until its unmount is done.
    std::string diskOf(int64_t job, const JsonValue& record, const std::string& when) {
        std::string device = member(record, "snap_device").asString();
        std::string disk = ReadFileText(world_->home() + "/disks/" +
                                        device.substr(device.rfind('/') + 1) + ".disk");
        std::string duplicate = "QS_2_" + std::to_string(job) + "_" +
                                std::to_string(number(member(record, "record"))) + "_duplicate";
        if (!has(disk, "\nvolume=" + duplicate + "\n"))
            tally_.note("job " + std::to_string(job) + " " + when + ": " + device +
                        " is not its duplicate " + duplicate + " but holds: " + disk);
        return disk;
    }

    void hold(int64_t job, const JsonValue& record) {
        std::string device = member(record, "snap_device").asString(),
                    disk = diskOf(job, record, "mounted");
        std::string lun = disk.substr(disk.find("\nlun=") + 5);
        lun = "LUN " + lun.substr(0, lun.find('\n'));
        std::lock_guard<std::mutex> lock(tally_.mutex);
        for (const std::string& key : {lun, device}) {
            if (tally_.holder.count(key))
                tally_.wrong.push_back("jobs " + std::to_string(tally_.holder[key]) + " and " +
                                       std::to_string(job) + " both hold " + key);
            tally_.holder[key] = job;
        }
        // Each mounted record holds a LUN and a device.
        tally_.mostMounted =
            std::max<int>(tally_.mostMounted, static_cast<int>(tally_.holder.size() / 2));
    }

    void release(int64_t job) {
        std::lock_guard<std::mutex> lock(tally_.mutex);
        for (auto it = tally_.holder.begin(); it != tally_.holder.end();)
            it = it->second == job ? tally_.holder.erase(it) : ++it;
    }

    // faults: LUNs the array refuses, to whichever mount maps next.
    void cycle(int worker, int faults) {
        HostRun run;
        std::string device = devices_[worker];
        JsonValue backup = step(worker, {"backup", device}, &run);
        int64_t job = number(member(backup, "job"));
        if (!member(backup, "ok").asBool() || job <= 0)
            return tally_.note("worker " + std::to_string(worker) + ": backup failed: " + run.out +
                               run.err);
        if (faults > 0) {
            world_->sim().Admin({"fault", "--address", HostWorld::kAddress, "--kind", "lun-in-use",
                                 "--count", std::to_string(faults)});
            std::lock_guard<std::mutex> lock(tally_.mutex);
            tally_.faultsRaised += faults;
        }
        JsonValue mount = step(worker, {"mount", std::to_string(job)}, &run);
        if (member(mount, "ok").asBool()) {
            for (const auto& r : member(mount, "records").items()) hold(job, r);
            std::lock_guard<std::mutex> lock(tally_.mutex);
            ++tally_.mounts;
        } else {
            // Allowed only as the LUN retries end: every record names the taken LUN.
            for (const auto& r : member(mount, "records").items()) {
                if (has(member(member(r, "error"), "message").asString(), "LUN_ALREADY_IN_USE")) {
                    std::lock_guard<std::mutex> lock(tally_.mutex);
                    ++tally_.mountFailures["LUN_ALREADY_IN_USE"];
                } else {
                    tally_.note("worker " + std::to_string(worker) + ": mount of job " +
                                std::to_string(job) + " failed for no allowed reason: " + run.out +
                                run.err);
                }
            }
        }
        for (const auto& r : member(mount, "records").items())
            if (!member(r, "snap_device").asString().empty()) diskOf(job, r, "before its unmount");
        for (const char* last : {"unmount", "delete"}) {
            JsonValue answer = step(worker, {last, std::to_string(job)}, &run);
            release(job);
            if (!member(answer, "ok").asBool())
                return tally_.note("worker " + std::to_string(worker) + ": " + last + " of job " +
                                   std::to_string(job) + " failed: " + run.out + run.err);
        }
        std::lock_guard<std::mutex> lock(tally_.mutex);
        ++tally_.jobs;
    }

    HostWorldEnv env_{"concurrency"};
    std::unique_ptr<HostWorld> world_;
    std::vector<std::string> baseline_, devices_;
    double seconds_ = 0;
    Tally tally_;
};

TEST_F(Concurrency, EightJobsAtOnceOnOneArrayEndAsTheyBegan) {
    for (int i = 1; i <= kWorkers; ++i)
        devices_.push_back(world_->deviceOf("v" + std::to_string(i)));
    // A mount whose every LUN is refused fails, and says why.
    cycle(0, 15);
    ASSERT_EQ(1, tally_.mountFailures["LUN_ALREADY_IN_USE"])
        << ::testing::PrintToString(tally_.wrong);
    tally_.jobs = tally_.faultsRaised = 0;
    tally_.mountFailures.clear();
    world_->sim().ClearRuns(HostWorld::kAddress);
    auto start = std::chrono::steady_clock::now();
    auto until = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(seconds_));
    std::vector<std::thread> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.emplace_back([this, i, until] {
            for (int turn = 0;
                 seconds_ > 0 ? std::chrono::steady_clock::now() < until : turn < kCycles; ++turn)
                cycle(i, (i + turn) % 3 == 0 ? 3 : 0);
        });
    }
    for (auto& w : workers) w.join();
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    for (const auto& w : tally_.wrong) ADD_FAILURE() << w;
    // Faults left untaken are the run's, not the array's.
    int faultsLeft = 0;
    std::istringstream show(world_->sim().Admin({"show", "--address", HostWorld::kAddress}));
    for (std::string line; std::getline(show, line);)
        if (line.compare(0, 17, "fault lun-in-use ") == 0)
            faultsLeft += std::atoi(line.c_str() + 18);
    world_->sim().Admin({"fault-clear", "--address", HostWorld::kAddress});
    EXPECT_EQ(baseline_, world_->arrayState()) << "the array keeps what no job ended with";

    EXPECT_EQ("0", world_->hostDbValue("SELECT count(*) FROM snap_records WHERE status <> 20"))
        << "every record is deleted, as on the array";
    EXPECT_EQ("0", world_->hostDbValue("SELECT count(*) FROM jobs WHERE state <> ''"));
    EXPECT_EQ("", world_->fileProblems());
    int mapRuns = world_->sim().CountRuns(HostWorld::kAddress)["map_vol"];
    EXPECT_GE(mapRuns, tally_.mounts);
    if (const char* path = std::getenv("ZRSO_LOAD_REPORT"))
        std::ofstream(path) << "{\"workers\":" << kWorkers << ",\"seconds\":" << took
                            << ",\"jobs\":" << tally_.jobs
                            << ",\"jobs_per_minute\":" << tally_.jobs * 60.0 / took
                            << ",\"mounts\":" << tally_.mounts << ",\"map_runs\":" << mapRuns
                            << ",\"lun_conflicts\":" << mapRuns - tally_.mounts
                            << ",\"faults_taken\":" << tally_.faultsRaised - faultsLeft
                            << ",\"mounts_failed\":" << tally_.mountFailures["LUN_ALREADY_IN_USE"]
                            << ",\"most_mounted_at_once\":" << tally_.mostMounted << "}\n";
}

}  // namespace
