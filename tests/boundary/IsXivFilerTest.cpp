// Whether the plug-in takes a disk, asked as the host asks: the answer is
// inverted (0: ours) and the other arguments are ignored.
#include <gtest/gtest.h>

#include <string>

#include "engine/boundary/ZrsoExports.h"
#include "support/SimDisks.h"
#include "support/TempDir.h"
#include "support/TestData.h"

namespace {

int IsSupported(const std::string& device) {
    int token = 5;
    return zrso_isSupported(device.c_str(), -1, nullptr, &token, -2);
}

TEST(IsSupported, StandardInquiryOrVMwareAttributesDecide) {
    SimDisks disks;
    for (const auto& c : TestTable("boundary/xiv-filers.txt")) {
        SimDisk d;
        d.extra["inquiry_hex"] = c.at(1);
        const std::string device = c[0] == "vmware" ? c[1] : disks.add(c[0], d);
        EXPECT_EQ(IsSupported(device), c.at(2) == "1" ? 0 : 1) << c[1];
    }
}

// Missing, failing and non-disk devices are not ours, and never throw.
TEST(IsSupported, DeviceFailuresAreNotOurs) {
    SimDisks disks;
    TempDir dir;
    SimDisk failing = SimDisks::Xiv();
    failing.extra["fail"] = "inquiry";
    const std::string devices[] = {"",
                                   "/dev/zrso-missing-disk",
                                   disks.add("xivbad", failing),
                                   "/dev/null",
                                   dir.write("plain.img", std::string(4096, '\0')),
                                   dir.path()};
    for (const std::string& device : devices) EXPECT_EQ(IsSupported(device), 1) << device;
    EXPECT_EQ(zrso_isSupported(nullptr, 0, nullptr, nullptr, 0), 1);
}

}  // namespace
