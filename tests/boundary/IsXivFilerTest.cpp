#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/identity/IsXivFiler.h"
#include "support/FakeZROSUtil.h"
#include "support/SimDisks.h"
#include "support/TempDir.h"

namespace {

// Standard inquiry data with the vendor and product fields exactly as given
// (padded with blanks to 8 and 16 bytes, not cut), as hex text.
std::string InquiryHex(const std::string& vendor, const std::string& product) {
    std::string bytes = std::string("\x00\x00\x05\x02\x1f\x00\x00\x00", 8);
    bytes += (vendor + std::string(8, ' ')).substr(0, 8);
    bytes += (product + std::string(16, ' ')).substr(0, 16);
    bytes += "0000";
    std::string hex;
    char b[3];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        hex += b;
    }
    return hex;
}

struct IsXivFilerTest : ::testing::Test {
    SimDisks disks;
    FakeZROSUtil os;

    std::string Raw(const std::string& name, const std::string& vendor,
                    const std::string& product) {
        SimDisk d;
        d.extra["inquiry_hex"] = InquiryHex(vendor, product);
        return disks.add(name, d);
    }
};

TEST_F(IsXivFilerTest, StandardInquiryDecides) {
    EXPECT_EQ(IsXivFiler(disks.add("xivd1", SimDisks::Xiv()).c_str(), &os), 1);

    EXPECT_EQ(IsXivFiler(Raw("a", "IBM", "2810XIV-LUN").c_str(), nullptr), 1);
    // Only three vendor bytes are compared.
    EXPECT_EQ(IsXivFiler(Raw("b", "IBMXYZ", "XIV").c_str(), nullptr), 1);
    // Another IBM product, and another vendor.
    EXPECT_EQ(IsXivFiler(Raw("c", "IBM", "2145").c_str(), nullptr), 0);
    EXPECT_EQ(IsXivFiler(Raw("d", "HITACHI", "XIV").c_str(), nullptr), 0);
    // XIV needing byte 31, which is cut off, does not count; ending at 30 does.
    EXPECT_EQ(IsXivFiler(Raw("e", "IBM", "0123456789abcXIV").c_str(), nullptr), 0);
    EXPECT_EQ(IsXivFiler(Raw("f", "IBM", "0123456789abXIV").c_str(), nullptr), 1);
}

// Missing, failing and non-disk devices answer 0 and never throw.
TEST_F(IsXivFilerTest, DeviceFailuresAnswerZero) {
    TempDir dir;
    SimDisk failing = SimDisks::Xiv();
    failing.extra["fail"] = "inquiry";
    const std::string devices[] = {"",
                                   "/dev/zrso-missing-disk",
                                   disks.add("xivbad", failing),
                                   "/dev/null",
                                   dir.write("plain.img", std::string(4096, '\0')),
                                   dir.path()};
    for (const std::string& device : devices)
        EXPECT_EQ(IsXivFiler(device.c_str(), &os), 0) << device;
    EXPECT_EQ(IsXivFiler(nullptr, &os), 0);
}

TEST_F(IsXivFilerTest, VMwareAttributesDecideForIBMWithoutTouchingADevice) {
    // No catalog entry and no such device: only the attributes can answer.
    EXPECT_EQ(IsXivFiler("{idatype:vmware,vendor:IBM,lun:naa.6001738c0000584956000a01}", &os), 1);
    EXPECT_EQ(IsXivFiler("{idatype:vmware,vendor:IBM,model:2810XIV}", &os), 1);
    EXPECT_EQ(IsXivFiler("{idatype:vmware,vendor:IBM,model:2145}", &os), 0);
    // Another vendor, or idatype in other case: the string goes to the
    // device tree as a name, which does not know it.
    EXPECT_EQ(IsXivFiler("{idatype:vmware,vendor:HP,model:XIV}", &os), 0);
    EXPECT_EQ(IsXivFiler("{idatype:VMware,vendor:IBM,model:XIV}", &os), 0);
}

}  // namespace
