#include "refhost/DemoWorld.h"

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostHome.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostSettings.h"
#include "refhost/HostTopology.h"
#include "refhost/SimAdmin.h"

namespace refhost {
namespace {

// A fresh password for each demo world; it is never printed.
std::string randomPassword() {
    static const char kAlphabet[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[16] = {0};
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::read(fd, bytes, sizeof bytes) != static_cast<ssize_t>(sizeof bytes)) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot read /dev/urandom");
    }
    ::close(fd);
    std::string out;
    for (unsigned char b : bytes) out += kAlphabet[b % (sizeof kAlphabet - 1)];
    return out;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

}  // namespace

static void populate(DemoWorld& w);

DemoWorld buildSimulatedArray(const std::string& simBin) {
    DemoWorld w;
    w.simBin = simBin;
    SimAdmin probe(simBin, "");
    if (!probe.available() || ::access((simBin + "/xcli").c_str(), X_OK) != 0)
        throw std::runtime_error("the array simulator is not built: xcli and xcli-sim are not in " +
                                 simBin);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zrso-demo-XXXXXX";
    if (!::mkdtemp(&pattern[0])) throw std::runtime_error("cannot create a temporary directory");
    w.root = pattern;
    w.simState = w.root + "/sim-state";
    makeDirs(w.simState, 0700);

    try {
        populate(w);
    } catch (...) {
        removeTree(w.root);
        throw;
    }
    return w;
}

static void populate(DemoWorld& w) {
    SimAdmin sim(w.simBin, w.simState);
    w.password = randomPassword();
    sim.runOrThrow({"array-create", "--address", w.address, "--serial", w.serial, "--user", w.user,
                    "--password", w.password});
    sim.runOrThrow({"pool-create", "--address", w.address, "--pool", w.pool, "--size-gb", "1020",
                    "--snapshot-size-gb", "340"});
    for (const auto& v : w.volumes)
        sim.runOrThrow({"vol-create", "--address", w.address, "--pool", w.pool, "--vol", v,
                        "--size-gb", "17"});
    std::string ports;
    for (const auto& p : w.ports) ports += (ports.empty() ? "" : ",") + p;
    sim.runOrThrow({"host-create", "--address", w.address, "--host", w.hostObject, "--fc", ports});
    for (const auto& p : w.ports)
        sim.runOrThrow({"port-login", "--address", w.address, "--port", p});
    for (size_t i = 0; i < w.volumes.size(); ++i)
        sim.runOrThrow({"map", "--address", w.address, "--host", w.hostObject, "--vol",
                        w.volumes[i], "--lun", std::to_string(i + 1)});
}

void setUpDemoHost(HostSession& session, DemoWorld& world) {
    HostDatabase& db = session.createDatabase();
    HostSettings settings(db);
    settings.set(setting::kWorld, "simulated");
    settings.set(setting::kSimBin, world.simBin);
    settings.set(setting::kSimState, world.simState);
    settings.set(setting::kSimDisks, session.home().diskCatalogDir());
    settings.set(setting::kSleepScale, world.sleepScale);
    PlatformSettings platform;
    platform.xcliDir = world.simBin;
    platform.mountRetrySeconds = world.mountRetrySeconds;
    session.home().writePlatformSettings(platform);
    session.home().applyEnvironment(settings);

    HostTopology topology(db);
    for (const auto& p : world.ports)
        topology.addInitiator(HostTopology::kLocal, parseInitiator("fc", p));

    ArrayRegistry registry(db);
    registry.add(world.arrayName, world.address, world.user, world.password, world.serial);
    for (auto& c : world.password) c = '\0';
    world.password.clear();

    // The host's own rescan exports the disks our ports see.
    auto services = session.services(0);
    const char* none[] = {nullptr};
    services->rescanDevices("", none, none);
    std::vector<char> buffer(16384, '\0');
    if (services->listHostDevices("", "IBM", '|', static_cast<int>(buffer.size()), buffer.data()) !=
        0)
        throw std::runtime_error("cannot list the exported disks");
    std::string text(buffer.data());
    world.disks.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t bar = text.find('|', start);
        world.disks.push_back(
            text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    if (world.disks.size() != world.volumes.size())
        throw std::runtime_error("the rescan found " + std::to_string(world.disks.size()) +
                                 " IBM disks, expected " + std::to_string(world.volumes.size()));
}

void removeTree(const std::string& root) {
    if (root.size() < 8) return;  // never anything like "/" or "/tmp"
    ::nftw(root.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace refhost
