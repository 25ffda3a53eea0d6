// The host's device identifier of a VMware disk, and the masking of array
// passwords in texts that get logged. The cases are tables under
// tests/data/identity.
#include <gtest/gtest.h>

#include <string>

#include "engine/common/Redact.h"
#include "engine/identity/DeviceIdentifier.h"
#include "support/FakeSnapInfo.h"
#include "support/TestData.h"

namespace {

// Both serial forms of the array, or a refusal of an identifier that is good
// but for one thing.
TEST(DeviceIdentifier, TargetsGiveBothSerialFormsOrNothing) {
    for (const auto& c : TestTable("identity/device-identifiers.txt")) {
        FakeSnapInfo info;
        XIVFilerSnapInfo r;
        const int ok = ParseDeviceIdentifier(42, c.at(0), r, &info);
        EXPECT_EQ(ok, c.at(1).empty() ? 0 : 1) << c[0];
        if (ok) {
            EXPECT_EQ(r.sArrayId + "|" + r.sArrayHexId + "|" + r.sTargetType, c[1]);
        }
    }
}

TEST(MaskPassword, HidesTheFirstPasswordToItsEnd) {
    for (const auto& c : TestTable("identity/masked-passwords.txt")) {
        std::string text = c.at(0);
        MaskPassword(text);
        EXPECT_EQ(text, c.at(1));
    }
}

}  // namespace
