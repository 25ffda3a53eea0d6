// The host's device identifier of a VMware disk, and the masking of array
// passwords in texts that get logged.
#include <gtest/gtest.h>

#include <string>

#include "engine/common/Redact.h"
#include "engine/identity/DeviceIdentifier.h"
#include "support/FakeSnapInfo.h"

namespace {

std::string Id(const std::string& target, const std::string& type = "fc",
               const std::string& vendor = "IBM", const std::string& product = "2810XIV") {
    return "{idatype:vmware,vendor:" + vendor + ",product:" + product +
           ",targetidentifier:" + target + ",type:" + type + "}";
}

// Both serial forms of the array, or a refusal ("") of an identifier that
// is good but for one thing.
TEST(DeviceIdentifier, TargetsGiveBothSerialFormsOrNothing) {
    const std::string port = "50:01:73:80:0c:be:01:40";
    const std::pair<std::string, std::string> cases[] = {
        {Id(port), "03262|00CBE|fc"},
        {Id("500173800c"), "00012|00C|fc"},  // a short port name gives the digits it has
        {Id("iqn.2005-10.com.xivstorage:6000105", "iscsi"), "6000105|6000069|iscsi"},
        {Id("iqn.2005-10.com.xivstorage:12345", "iscsi"), "12345|03039|iscsi"},
        {Id("iqn.x:0001310133", "iscsi"), "1310133|1302795|iscsi"},  // leading zeros carry nothing
        {"", ""},
        {Id(port, "fc", "HP"), ""},
        {Id(port, "fc", "IBM", "2145"), ""},
        {Id("0"), ""},
        {"{vendor:IBM,product:XIV,type:fc}", ""},
        // Only ",key:" counts: a key right after the brace is not found.
        {"{targetidentifier:" + port + ",vendor:IBM,product:XIV,type:fc}", ""},
        {Id(port, "FC"), ""},
        // No serial digit after the vendor prefix, or longer than any port name.
        {Id("50:01:73"), ""},
        {Id("5001738"), ""},
        {Id(std::string(50, '5')), ""},
        {Id("iqn.2005-10.com.xivstorage:13101330", "iscsi"), ""},
        {Id("iqn:99999999999999999999999", "iscsi"), ""},
    };
    for (const auto& c : cases) {
        FakeSnapInfo info;
        XIVFilerSnapInfo r;
        const int ok = ParseDeviceIdentifier(42, c.first, r, &info);
        EXPECT_EQ(ok, c.second.empty() ? 0 : 1) << c.first;
        if (ok) {
            EXPECT_EQ(r.sArrayId + "|" + r.sArrayHexId + "|" + r.sTargetType, c.second);
        }
    }
}

TEST(MaskPassword, HidesTheFirstPasswordToItsEnd) {
    const std::pair<std::string, std::string> cases[] = {
        {"{HOSTNAME:A,HOSTPASSWORD:SECRET,HOSTUSERNAME:U}",
         "{HOSTNAME:A,HOSTPASSWORD:*,HOSTUSERNAME:U}"},
        {"{HOSTNAME:A,HOSTPASSWORD:SE}CRET}", "{HOSTNAME:A,HOSTPASSWORD:*}"},  // a brace inside
        {"{HOSTPASSWORD:ONE,X:1,HOSTPASSWORD:TWO}", "{HOSTPASSWORD:*,X:1,HOSTPASSWORD:TWO}"},
        // Nothing to mask: no terminator, no value, lower-case key.
        {"{HOSTPASSWORD:SECRET", "{HOSTPASSWORD:SECRET"},
        {"{HOSTPASSWORD:", "{HOSTPASSWORD:"},
        {"{hostPassword:secret}", "{hostPassword:secret}"},
    };
    for (const auto& c : cases) {
        std::string text = c.first;
        MaskPassword(text);
        EXPECT_EQ(text, c.second);
    }
}

}  // namespace
