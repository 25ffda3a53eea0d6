// Inventory collection at scale: one simulated array of N volumes in 100
// pools, collected into the reference host's SQLite database, twice (the
// first run inserts everything, the second refreshes it), then once more
// into an in-memory inventory holding the same records, which leaves the
// plug-in's own work (listing parse, matching, sweeps) without the cost of
// the host's database.
//
// Per run it reports the wall time (xcli included), the CPU time of this
// process (the xcli child is not in it) and the CPU time of the children.
// Output: one JSON object per run.
//
//   inventory_bench [VOLUMES...]        default: 5000 50000
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/boundary/ZrsoExports.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/HostServices.h"
#include "refhost/SqlStatement.h"

extern char** environ;

namespace {

const int kPools = 100;
const char* const kUser = "admin";
const char* const kPassword = "bench-pw";

std::string ProgramDir() {
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw std::runtime_error("cannot find this program's directory");
    std::string self(path, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/'));
}

void Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("failed: " + argv[0] + " " + argv[1]);
}

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

struct CpuTimes {
    double self = 0, children = 0;
    static CpuTimes Now() {
        rusage self{}, children{};
        ::getrusage(RUSAGE_SELF, &self);
        ::getrusage(RUSAGE_CHILDREN, &children);
        return {Seconds(self.ru_utime) + Seconds(self.ru_stime),
                Seconds(children.ru_utime) + Seconds(children.ru_stime)};
    }
};

int64_t Count(refhost::HostDatabase& db, const char* sql) {
    refhost::SqlStatement st(db, sql);
    return st.step() ? st.integer(0) : -1;
}

void CopyText(const std::string& text, char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return;
    size_t n = std::min(text.size(), static_cast<size_t>(capacity) - 1);
    text.copy(buffer, n);
    buffer[n] = '\0';
}

// Records that only keep what they are told.
struct MemoryPool : ZRSO::PoolRecord {
    std::string name, poolId;
    int id = 0, status = 0;
    uint64_t total = 0, used = 0, free = 0;
    int getName(char* n, int capacity, int* recordId) override {
        CopyText(name, n, capacity);
        *recordId = id;
        return 0;
    }
    void setStatus(int s) override { status = s; }
    void setTotalSpace(uint64_t v) override { total = v; }
    void setUsedSpace(uint64_t v) override { used = v; }
    void setFreeSpace(uint64_t v) override { free = v; }
    void setPoolId(const char* v) override { poolId = v; }
};

struct MemoryLun : ZRSO::LunRecord {
    int volumeId = 0, status = 0, accessible = 0, shared = 0, hostLun = 0;
    uint64_t size = 0, used = 0, free = 0;
    void setVolumeRecordId(int v) override { volumeId = v; }
    void setStatus(int v) override { status = v; }
    void setSize(uint64_t v) override { size = v; }
    void setUsedSpace(uint64_t v) override { used = v; }
    void setFreeSpace(uint64_t v) override { free = v; }
    void setAccessible(int v) override { accessible = v; }
    void setShared(int v) override { shared = v; }
    void setHostLun(int v) override { hostLun = v; }
};

struct MemoryVolume : ZRSO::VolumeRecord {
    std::string name, text;
    int id = 0, poolId = 0, status = 0;
    uint64_t size = 0, used = 0, free = 0;
    MemoryLun lun;
    int getName(char* n, int nc, char* t, int tc, int* recordId) override {
        CopyText(name, n, nc);
        CopyText(text, t, tc);
        *recordId = id;
        return 0;
    }
    void setPoolRecordId(int v) override { poolId = v; }
    void setStatus(int v) override { status = v; }
    void setSize(uint64_t v) override { size = v; }
    void setUsedSpace(uint64_t v) override { used = v; }
    void setFreeSpace(uint64_t v) override { free = v; }
    void setName(const char* v) override { name = v; }
    void setText(const char* v) override { text = v; }
};

struct MemoryArray : ZRSO::ArrayEntry {
    refhost::RegisteredArray array;
    int getClientId() override { return static_cast<int>(array.id); }
    int getArrayName(char* n, int capacity, int* arrayId) override {
        CopyText(array.name, n, capacity);
        *arrayId = static_cast<int>(array.id);
        return 0;
    }
    void setFlag(int) override {}
    void setStatus(int) override {}
    void setTotalSpace(uint64_t) override {}
    void setFreeSpace(uint64_t) override {}
};

// The host inventory of one registered array, loaded from the database's
// pools and volumes (one LUN record each) and answering from memory.
class MemoryInventory : public ZRSO::HostInventory {
public:
    explicit MemoryInventory(refhost::HostDatabase& db) {
        array_.array = refhost::ArrayRegistry(db).list().at(0);
        entries_.push_back(&array_);
        refhost::SqlStatement pools(db, "SELECT id, name FROM inv_pools");
        while (pools.step()) {
            pools_.push_back(std::make_unique<MemoryPool>());
            pools_.back()->id = static_cast<int>(pools.integer(0));
            pools_.back()->name = pools.text(1);
            poolByName_[pools_.back()->name] = pools_.back().get();
            poolList_.push_back(pools_.back().get());
        }
        refhost::SqlStatement volumes(db, "SELECT id, name FROM inv_volumes");
        while (volumes.step()) {
            volumes_.push_back(std::make_unique<MemoryVolume>());
            volumes_.back()->id = static_cast<int>(volumes.integer(0));
            volumes_.back()->name = volumes.text(1);
            volumeByName_[volumes_.back()->name] = volumes_.back().get();
            volumeById_[volumes_.back()->id] = volumes_.back().get();
            volumeList_.push_back(volumes_.back().get());
        }
    }

    int getArrayList(ZRSO::ArrayEntry*** entries, int* count) override {
        *entries = entries_.data();
        *count = static_cast<int>(entries_.size());
        return 0;
    }
    int getPoolList(ZRSO::PoolRecord*** pools, int* count, int) override {
        *pools = poolList_.data();
        *count = static_cast<int>(poolList_.size());
        return 0;
    }
    int getVolumeList(ZRSO::VolumeRecord*** volumes, int* count, int) override {
        *volumes = volumeList_.data();
        *count = static_cast<int>(volumeList_.size());
        return 0;
    }
    int getLunList(ZRSO::LunRecord*** luns, int* count, int volumeRecordId) override {
        auto found = volumeById_.find(volumeRecordId);
        if (found == volumeById_.end()) return 1;
        lunOut_ = &found->second->lun;
        *luns = &lunOut_;
        *count = 1;
        return 0;
    }
    int getArrayCredentials(const char*, char*, int, char*, int, char*, int, char* user,
                            int userCapacity, char* password, int passwordCapacity,
                            char* controlHost, int controlHostCapacity) override {
        CopyText(array_.array.user, user, userCapacity);
        CopyText(array_.array.passwordEnc, password, passwordCapacity);
        CopyText(array_.array.controlHost, controlHost, controlHostCapacity);
        return 0;
    }
    int findPool(ZRSO::PoolRecord** pool, int* id, const char* name, int*) override {
        auto found = poolByName_.find(name);
        if (found == poolByName_.end()) return 1;
        *pool = found->second;
        *id = found->second->id;
        return 0;
    }
    int addPool(int, int, const char*, uint64_t, uint64_t, const char*, int, const char*, int* id,
                int) override {
        *id = 0;
        return 0;
    }
    int findVolume(ZRSO::VolumeRecord** volume, int* id, const char* name, const char*,
                   int) override {
        auto found = volumeByName_.find(name);
        if (found == volumeByName_.end()) return 1;
        *volume = found->second;
        *id = found->second->id;
        return 0;
    }
    int addVolume(int, int, const char*, const char*, uint64_t, uint64_t, const char*, int, int,
                  const char*) override {
        return 0;
    }
    int findLun(ZRSO::LunRecord** lun, const char* name, const char*, int) override {
        auto found = volumeByName_.find(name);
        if (found == volumeByName_.end()) return 1;
        *lun = &found->second->lun;
        return 0;
    }
    int addLun(int, int, const char*, const char*, uint64_t, uint64_t, const char*, int,
               const char*) override {
        return 0;
    }

private:
    MemoryArray array_;
    std::vector<ZRSO::ArrayEntry*> entries_;
    std::vector<std::unique_ptr<MemoryPool>> pools_;
    std::vector<std::unique_ptr<MemoryVolume>> volumes_;
    std::vector<ZRSO::PoolRecord*> poolList_;
    std::vector<ZRSO::VolumeRecord*> volumeList_;
    std::unordered_map<std::string, MemoryPool*> poolByName_;
    std::unordered_map<std::string, MemoryVolume*> volumeByName_;
    std::unordered_map<int, MemoryVolume*> volumeById_;
    ZRSO::LunRecord* lunOut_ = nullptr;
};

struct Timing {
    int result = 1;
    double wall = 0, self = 0, children = 0;
};

// One collection, timed. The reference host runs it in one transaction.
Timing Collect(refhost::HostDatabase& db, bool inMemory) {
    refhost::HostServices services(db, 1, nullptr);
    std::unique_ptr<MemoryInventory> memory;
    if (inMemory) memory = std::make_unique<MemoryInventory>(db);
    Timing t;
    CpuTimes before = CpuTimes::Now();
    auto start = std::chrono::steady_clock::now();
    if (inMemory) {
        t.result = zrso_getArrayInfo(memory.get(), &services);
    } else {
        refhost::Transaction tx(db);
        refhost::HostInventoryDb inventory(db);
        t.result = zrso_getArrayInfo(&inventory, &services);
        tx.commit();
    }
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    CpuTimes after = CpuTimes::Now();
    t.self = after.self - before.self;
    t.children = after.children - before.children;
    return t;
}

void Report(refhost::HostDatabase& db, int volumes, const char* pass, const Timing& t) {
    std::printf(
        "{\"volumes\": %d, \"pass\": \"%s\", \"result\": %d, \"wall_s\": %.3f, "
        "\"process_cpu_s\": %.3f, \"xcli_cpu_s\": %.3f, \"stored_volumes\": %lld}\n",
        volumes, pass, t.result, t.wall, t.self, t.children,
        static_cast<long long>(Count(db, "SELECT COUNT(*) FROM inv_volumes WHERE status = 0")));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::vector<int> sizes;
        for (int i = 1; i < argc; ++i) sizes.push_back(std::stoi(argv[i]));
        if (sizes.empty()) sizes = {5000, 50000};

        const char* tmp = std::getenv("TMPDIR");
        std::string work = std::string(tmp && *tmp ? tmp : "/tmp") + "/inventory_bench.XXXXXX";
        if (::mkdtemp(&work[0]) == nullptr)
            throw std::runtime_error("cannot make a work directory");
        const std::string dir = work, bin = ProgramDir();
        std::ofstream(dir + "/platform.ini") << "[Trellis]\nXCLI_BINARY_LOCATION=" << bin << "\n";
        ::setenv("ZRSO_CONFIG", (dir + "/platform.ini").c_str(), 1);
        ::setenv("ZRSO_LOG_FILE", (dir + "/debug.log").c_str(), 1);
        ::setenv("ZRSO_KEY_FILE", (dir + "/cipher.key").c_str(), 1);
        ::setenv("XIV_SIM_STATE", dir.c_str(), 1);
        ::unsetenv("XIV_XCLIPASSWORD");

        int serial = 1310100;
        for (int volumes : sizes) {
            const std::string address = "bench-" + std::to_string(volumes);
            Run({bin + "/xcli-sim", "array-create", "--address", address, "--serial",
                 std::to_string(++serial), "--user", kUser, "--password", kPassword});
            Run({bin + "/xcli-sim", "vol-bulk", "--address", address, "--pools",
                 std::to_string(kPools), "--vols", std::to_string(volumes)});
            refhost::HostDatabase db(dir + "/host-" + std::to_string(volumes) + ".db");
            refhost::ArrayRegistry(db).add(address, address, kUser, kPassword,
                                           std::to_string(serial));
            Report(db, volumes, "first", Collect(db, false));
            Report(db, volumes, "second", Collect(db, false));
            // The plug-in's own share is small and easily disturbed by
            // other work on the machine: the best of three.
            Timing best = Collect(db, true);
            for (int i = 0; i < 2; ++i) {
                Timing t = Collect(db, true);
                if (t.self < best.self) best = t;
            }
            Report(db, volumes, "memory", best);
        }
        std::filesystem::remove_all(dir);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "inventory_bench: %s\n", e.what());
        return 1;
    }
}
