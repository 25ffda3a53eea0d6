// What the snapshot flows cost the calling process: the reference host's
// records and services drive the built plug-in against the simulator, and
// for prepare+snap of 1, 8 and 64 devices (each volume alone, and in one
// consistency group) and for a mount of 8 snapshots this counts the xcli
// runs the simulator served and takes this process's processor time
// (RUSAGE_SELF: the xcli children are not in it) over the entry-point
// calls. The host's own share, the time spent inside its record and service
// callbacks (here an SQLite database read and written on every call), is
// measured apart, so that what is left is the plug-in's own. Each flow runs
// three times and its median is reported; the process's very first flow,
// which also pays the one-off start-up, is reported on its own line.
//   zrso_bench_flows <build-dir>      prints one JSON object per line
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/ZRSO.h"
#include "refhost/DemoWorld.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/SimAdmin.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SnapshotSteps.h"

namespace {

double CpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

// Adds the processor time of one host callback to a total.
class HostTime {
public:
    explicit HostTime(double* total) : total_(total), start_(CpuMillis()) {}
    ~HostTime() { *total_ += CpuMillis() - start_; }

private:
    double* total_;
    double start_;
};

// The host's record, timed: every call is forwarded.
class TimedSnapInfo : public ZRSO::SnapInfo {
public:
    TimedSnapInfo(ZRSO::SnapInfo* host, double* total) : host_(host), total_(total) {}
#define TIMED(call)         \
    HostTime timed(total_); \
    return host_->call
    int getSnapshotId(char* b, short* s) override { TIMED(getSnapshotId(b, s)); }
    int setSnapshotName(const char* n) override { TIMED(setSnapshotName(n)); }
    int getArrayLogin(char* b, short* s) override { TIMED(getArrayLogin(b, s)); }
    int selectArrayLogin(const char* a) override { TIMED(selectArrayLogin(a)); }
    int getHostIdentifier(char* b, short* s) override { TIMED(getHostIdentifier(b, s)); }
    bool hasOption(int f) override { TIMED(hasOption(f)); }
    unsigned int getFlags() override { TIMED(getFlags()); }
    int getStatus() override { TIMED(getStatus()); }
    int setStatus(int s) override { TIMED(setStatus(s)); }
    int getSourceDevice(char* b, short* s) override { TIMED(getSourceDevice(b, s)); }
    int getSnapDevice(char* b, short* s) override { TIMED(getSnapDevice(b, s)); }
    int setSnapDevice(const char* d) override { TIMED(setSnapDevice(d)); }
    int getProperty(int i, char* b, short* s) override { TIMED(getProperty(i, b, s)); }
    int setProperty(int i, const char* v) override { TIMED(setProperty(i, v)); }
    int setError(int c, const char* m) override { TIMED(setError(c, m)); }
    int getCloneNumber() override { TIMED(getCloneNumber()); }
    int getConfigInt(const char* n, int* v) override { TIMED(getConfigInt(n, v)); }
    int getConfigString(const char* n, char* b, short* s) override {
        TIMED(getConfigString(n, b, s));
    }
    int getIntProperty(int i, int* o) override { TIMED(getIntProperty(i, o)); }
    int getHostPath(int i, char* b, short* s) override { TIMED(getHostPath(i, b, s)); }
    int getDuplicateNumber() override { TIMED(getDuplicateNumber()); }
    int getSnapshotIdText(std::string& o) override { TIMED(getSnapshotIdText(o)); }
    void log(int level, const char* function, const char* format, ...) override {
        // Formatting the plug-in's line is the plug-in's work; writing it the host's.
        char line[4096];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        HostTime timed(total_);
        host_->log(level, function, "%s", line);
    }

private:
    ZRSO::SnapInfo* host_;
    double* total_;
};

class TimedServices : public ZRSO::ZROSUtil {
public:
    TimedServices(ZRSO::ZROSUtil* host, double* total) : host_(host), total_(total) {}
    void rescanDevices(const char* h, const char** i, const char** d) override {
        HostTime timed(total_);
        host_->rescanDevices(h, i, d);
    }
    int listHostDevices(const char* h, const char* v, char s, int n, char* b) override {
        TIMED(listHostDevices(h, v, s, n, b));
    }
    short getArrayList(const char* t, char s, short n, char* b) override {
        TIMED(getArrayList(t, s, n, b));
    }
    short fetchArrayInfo(const char* c, char* b, short* s) override {
        TIMED(fetchArrayInfo(c, b, s));
    }
    bool detectHBAlist(const char* c, const char* a, char* n, short* nl, char* t, short* tl,
                       short* k) override {
        TIMED(detectHBAlist(c, a, n, nl, t, tl, k));
    }
    bool detectHostHBA(const char* h, const char* c, char* b, short* s, bool* i) override {
        TIMED(detectHostHBA(h, c, b, s, i));
    }
    int64_t getJobId() override { TIMED(getJobId()); }
    int GetPageInforForVMwareDevice(const char* p, const char* l, const char* n, int a, int f,
                                    int c, int r, int s, char* b) override {
        TIMED(GetPageInforForVMwareDevice(p, l, n, a, f, c, r, s, b));
    }
    unsigned short getArrayConfig(int i, void* r, const char* s, char* b, short* n) override {
        TIMED(getArrayConfig(i, r, s, b, n));
    }
#undef TIMED

private:
    ZRSO::ZROSUtil* host_;
    double* total_;
};

struct Measure {
    bool ok = true;
    int runs = 0;
    double cpu = 0;   // this process over the entry-point calls
    double host = 0;  // of which inside the host's callbacks
    double wall = 0;
    void Add(const Measure& m) {
        ok = ok && m.ok;
        cpu += m.cpu;
        host += m.host;
        wall += m.wall;
    }
};

class Bench {
public:
    explicit Bench(const std::string& build) {
        world_ = refhost::buildSimulatedArray(build + "/bin");
        refhost::SimAdmin sim(world_.simBin, world_.simState);
        // The measured volumes share one pool of their own, so that every
        // one of them may join a consistency group.
        sim.runOrThrow({"pool-create", "--address", world_.address, "--pool", "bench_pool",
                        "--size-gb", "1360", "--snapshot-size-gb", "170"});
        for (int i = 1; i <= 64; ++i) {
            std::string volume = "bench_vol_" + std::to_string(i);
            sim.runOrThrow({"vol-create", "--address", world_.address, "--pool", "bench_pool",
                            "--vol", volume, "--size-gb", "17"});
            sim.runOrThrow(
                {"map", "--address", world_.address, "--host", world_.hostObject, "--vol", volume});
            world_.volumes.push_back(volume);
        }
        session_ = std::make_unique<refhost::HostSession>(
            world_.homeDir(), build + "/lib/libZRSnapHandlerXIV.so", false, out_, err_);
        refhost::setUpDemoHost(*session_, world_);
        session_->plugin();
        Runs();
    }
    ~Bench() {
        session_.reset();
        refhost::removeTree(world_.root);
    }

    // xcli runs served since the last call.
    int Runs() {
        refhost::SimAdmin sim(world_.simBin, world_.simState);
        std::string text = sim.runOrThrow({"runs", "--address", world_.address});
        sim.runOrThrow({"runs", "--address", world_.address, "--clear"});
        int lines = 0;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) ++lines;
        return lines;
    }

    // The host disks of bench_vol_1..n, by the volume the rescan's catalog
    // names for each.
    std::vector<std::string> Devices(int n) const {
        std::vector<std::string> devices;
        for (int i = 1; i <= n; ++i) {
            const std::string wanted = "\nvolume=bench_vol_" + std::to_string(i) + "\n";
            for (const auto& disk : world_.disks) {
                std::ifstream in(session_->home().diskCatalogDir() + "/" +
                                 disk.substr(disk.rfind('/') + 1) + ".disk");
                std::string text((std::istreambuf_iterator<char>(in)), {});
                if (("\n" + text).find(wanted) != std::string::npos) devices.push_back(disk);
            }
        }
        return devices;
    }

    // One entry-point call over the job's records (snap: the prepared ones),
    // as the reference host makes it, with the host's callbacks timed.
    Measure Step(int64_t job, const std::string& step, int expected) {
        refhost::HostDatabase& db = session_->database();
        std::vector<std::unique_ptr<refhost::HostSnapInfo>> hosts;
        std::vector<std::unique_ptr<TimedSnapInfo>> timed;
        std::vector<ZRSO::SnapInfo*> records;
        Measure m;
        for (const auto& row : refhost::SnapJobStore(db).records(job)) {
            if (step == "snap" && row.status != ZRSO::SNAP_PREPARED) continue;
            hosts.push_back(std::make_unique<refhost::HostSnapInfo>(db, row.id));
            timed.push_back(std::make_unique<TimedSnapInfo>(hosts.back().get(), &m.host));
            records.push_back(timed.back().get());
        }
        auto services = session_->services(job);
        TimedServices timedServices(services.get(), &m.host);
        const refhost::PluginApi& api = session_->plugin();
        auto entry = step == "prepare" ? api.prepareDevices
                     : step == "snap"  ? api.snapDevices
                                       : api.mapSnaps;
        auto t0 = std::chrono::steady_clock::now();
        double c0 = CpuMillis();
        int result = entry(records.data(), static_cast<short>(records.size()), &timedServices);
        m.cpu = CpuMillis() - c0;
        m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        m.ok = result == 0 && !records.empty();
        for (const auto& row : refhost::SnapJobStore(db).records(job))
            m.ok = m.ok && row.status == expected;
        return m;
    }

    int64_t Job(int devices, bool group, int appId) {
        refhost::BackupOptions options;
        options.consistencyGroup = group;
        options.identity.appId = appId;
        return refhost::createBackupJob(*session_, Devices(devices), options);
    }

    // One line per flow; runs and CPU are of the median repetition (by the
    // plug-in's own CPU per run).
    static void Report(const char* flow, int devices, const char* mode,
                       std::vector<std::pair<Measure, int>> reps) {
        std::sort(reps.begin(), reps.end(), [](const auto& a, const auto& b) {
            return (a.first.cpu - a.first.host) / a.second <
                   (b.first.cpu - b.first.host) / b.second;
        });
        bool ok = true;
        for (const auto& r : reps) ok = ok && r.first.ok && r.second > 0;
        const Measure& m = reps[reps.size() / 2].first;
        const int runs = reps[reps.size() / 2].second;
        const double own = m.cpu - m.host;
        std::printf(
            "{\"flow\": \"%s\", \"devices\": %d, \"mode\": \"%s\", \"ok\": %s, "
            "\"repetitions\": %zu, \"xcli_runs\": %d, \"cpu_ms\": %.2f, "
            "\"host_cpu_ms\": %.2f, \"cpu_per_run_ms\": %.4f, "
            "\"own_cpu_per_run_ms\": %.4f, \"wall_s\": %.2f}\n",
            flow, devices, mode, ok ? "true" : "false", reps.size(), runs, m.cpu, m.host,
            runs > 0 ? m.cpu / runs : 0.0, runs > 0 ? own / runs : 0.0, m.wall);
        std::fflush(stdout);
    }

    std::pair<Measure, int> PrepareSnap(int devices, bool group, int appId) {
        int64_t job = Job(devices, group, appId);
        Runs();
        Measure m = Step(job, "prepare", ZRSO::SNAP_PREPARED);
        m.Add(Step(job, "snap", ZRSO::SNAP_SNAPPED));
        return {m, Runs()};
    }

    std::pair<Measure, int> Mount(int devices, int appId) {
        int64_t job = Job(devices, false, appId);
        bool snapped = Step(job, "prepare", ZRSO::SNAP_PREPARED).ok &&
                       Step(job, "snap", ZRSO::SNAP_SNAPPED).ok;
        Runs();
        Measure m = Step(job, "mount", ZRSO::SNAP_DEVICE_FOUND);
        m.ok = m.ok && snapped;
        return {m, Runs()};
    }

private:
    refhost::DemoWorld world_;
    std::ostringstream out_, err_;
    std::unique_ptr<refhost::HostSession> session_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zrso_bench_flows <build-dir>\n");
        return 2;
    }
    try {
        Bench bench(argv[1]);
        int appId = 100;
        // The process's first entry-point calls also pay its one-off start-up
        // (the XML platform, the cipher library, the log file): reported
        // apart from the repeated flows, which show the cost of every run.
        Bench::Report("prepare+snap", 1, "first", {bench.PrepareSnap(1, false, ++appId)});
        const int repetitions = 3;
        auto repeat = [&](auto flow) {
            std::vector<std::pair<Measure, int>> reps;
            for (int i = 0; i < repetitions; ++i) reps.push_back(flow(++appId));
            return reps;
        };
        for (int n : {1, 8, 64})
            Bench::Report("prepare+snap", n, "single",
                          repeat([&](int id) { return bench.PrepareSnap(n, false, id); }));
        for (int n : {8, 64})
            Bench::Report("prepare+snap", n, "group",
                          repeat([&](int id) { return bench.PrepareSnap(n, true, id); }));
        Bench::Report("mount", 8, "single", repeat([&](int id) { return bench.Mount(8, id); }));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zrso_bench_flows: %s\n", e.what());
        return 1;
    }
    return 0;
}
