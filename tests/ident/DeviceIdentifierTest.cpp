#include <gtest/gtest.h>

#include <string>

#include "engine/identity/DeviceIdentifier.h"
#include "support/FakeSnapInfo.h"

namespace {

std::string Id(const std::string& target, const std::string& type) {
    return "{idatype:vmware,vendor:IBM,product:2810XIV,targetidentifier:" + target +
           ",type:" + type + "}";
}

TEST(DeviceIdentifier, TargetsGiveBothSerialForms) {
    struct Case {
        std::string target, type, decimal, hex;
    } cases[] = {
        {"50:01:73:80:0c:be:01:40", "fc", "03262", "00CBE"},
        {"500173800c", "fc", "00012", "00C"},  // a short port name gives the digits it has
        {"iqn.2005-10.com.xivstorage:6000105", "iscsi", "6000105", "6000069"},
        {"iqn.2005-10.com.xivstorage:12345", "iscsi", "12345", "03039"},
        {"iqn.x:0001310133", "iscsi", "1310133", "1302795"},  // leading zeros carry nothing
    };
    for (const Case& c : cases) {
        FakeSnapInfo info;
        XIVFilerSnapInfo r;
        ASSERT_EQ(ParseDeviceIdentifier(42, Id(c.target, c.type), r, &info), 1) << c.target;
        EXPECT_EQ(r.sArrayId, c.decimal);
        EXPECT_EQ(r.sArrayHexId, c.hex);
        EXPECT_EQ(r.sTargetType, c.type);
        EXPECT_EQ(
            info.countLogs("Got targetidentifier:[" + c.decimal + "], type:[" + c.type + "] ", 1),
            1);
    }
}

TEST(DeviceIdentifier, RefusalsWithTheirLines) {
    const char* const badTarget = "is not a valid targetidentifier.";
    const char* const badPort = "is not a valid Fibre Channel target name.";
    const char* const badSerial = "does not end in an array serial of at most seven digits.";
    struct Case {
        std::string id;
        std::string line;
        int level;
    } cases[] = {
        {"", "Error:Array info is empty unable to get filer login info", 2},
        {"{vendor:HP,targetidentifier:50:01,type:fc}", "is not an IBM disk.", 0},
        {"{vendor:IBM,product:2145,targetidentifier:50:01,type:fc}", "is not an IBM XIV disk.", 0},
        {Id("0", "fc"), badTarget, 2},
        {"{vendor:IBM,product:XIV,type:fc}", badTarget, 2},
        // Only ",key:" counts: a key right after the brace is not found.
        {"{targetidentifier:5001738000cbe0140,vendor:IBM,product:XIV,type:fc}", badTarget, 2},
        {Id("50:01:73:80:0c:be:01:40", "FC"), "]  Source type[FC].", 0},
        // No serial digit after the vendor prefix, or longer than any port name.
        {Id("50:01:73", "fc"), badPort, 2},
        {Id("5001738", "fc"), badPort, 2},
        {Id(std::string(50, '5'), "fc"), badPort, 2},
        {Id("iqn.2005-10.com.xivstorage:13101330", "iscsi"), badSerial, 2},
        {Id("iqn:99999999999999999999999", "iscsi"), badSerial, 2},
    };
    for (const Case& c : cases) {
        FakeSnapInfo info;
        XIVFilerSnapInfo r;
        EXPECT_EQ(ParseDeviceIdentifier(42, c.id, r, &info), 0) << c.id;
        EXPECT_EQ(info.countLogs(c.line, c.level), 1) << c.id << "\n" << info.logText();
    }
}

}  // namespace
