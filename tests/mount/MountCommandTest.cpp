// zrso-host mount and unmount as an administrator runs them: a separate
// process loading the plug-in by path, one progress line per rescan pass.
#include <gtest/gtest.h>

#include "MountWorld.h"
#include "host/rt/ProcessRunner.h"

namespace {

struct HostRun {
    int status = -1;
    std::string out, err;
};

HostRun RunHost(const std::string& home, const std::string& words) {
    HostRun r;
    ProcessRunner runner;
    const std::string line = BuiltProgram("zrso-host") + " --home " + home + " " + words;
    r.status = runner.system(line.c_str(), &r.out, &r.err, nullptr, true);
    return r;
}

}  // namespace

TEST(MountCommand, MountsAndUnmountsAJobWithAProgressLinePerPass) {
    if (!SimAvailable({"zrso-host"}) || !PluginAvailable())
        GTEST_SKIP() << "simulator, zrso-host or plug-in not built";
    MountWorld world;
    const int64_t job = world.SnapshotJob({"vol_a", "vol_b"});
    const std::string jobText = std::to_string(job);

    HostRun mount = RunHost(world.HomeDir(), "mount " + jobText);
    EXPECT_EQ(mount.status, 0) << mount.out << mount.err;
    EXPECT_NE(mount.err.find("pass 1"), std::string::npos) << mount.err;
    EXPECT_NE(mount.out.find("mounted, device /dev/xivd"), std::string::npos) << mount.out;
    for (const auto& row : world.Rows(job)) EXPECT_EQ(row.status, ZRSO::SNAP_DEVICE_FOUND);

    HostRun unmount = RunHost(world.HomeDir(), "unmount --keep " + jobText);
    EXPECT_EQ(unmount.status, 0) << unmount.out << unmount.err;
    for (const auto& row : world.Rows(job)) {
        EXPECT_EQ(row.status, ZRSO::SNAP_UNMAPPED);
        EXPECT_TRUE(world.VolumePresent(world.DuplicateName(row)));
        EXPECT_TRUE(world.Mappings(world.DuplicateName(row)).empty());
    }
    EXPECT_EQ((mount.out + unmount.out + world.LogText()).find(MountWorld::kPassword),
              std::string::npos);
}
