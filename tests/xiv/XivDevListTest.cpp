#include <gtest/gtest.h>

#include "StandIn.h"
#include "xiv/XivDevList.h"

namespace {

std::vector<XivDeviceInfo> parse(const std::string& text)
{
    XivDevList reader("", nullptr);
    std::vector<XivDeviceInfo> devices{XivDeviceInfo()};
    std::string output = text;
    reader.ParseOutput(output, devices);
    return devices;
}

TEST(XivDevList, ParsesRowsByHeaderColumns)
{
    auto rows = parse("device,size,vol id,vol name,xiv id\n/dev/sdb,17,42,vol_a,1310133\n");
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("/dev/sdb", rows[0].sDeviceName);
    EXPECT_EQ("42", rows[0].sVolId);
    EXPECT_EQ("vol_a", rows[0].sVolName);
    EXPECT_EQ("1310133", rows[0].sArrayId);
    EXPECT_EQ("1302795", rows[0].sArrayIdHex);

    auto storage = parse("storage id,device,vol name,vol id\n7800005,/dev/sdc,v,9\n");
    ASSERT_EQ(1u, storage.size());
    EXPECT_EQ("7800005", storage[0].sArrayId);
    EXPECT_EQ("7800005", storage[0].sArrayIdHex);
    EXPECT_EQ("/dev/sdc", storage[0].sDeviceName);
}

TEST(XivDevList, SkipsWhatIsNotARow)
{
    auto rows = parse(
        "XIV devices\r\n"
        "\"device\",\"vol id\",\"vol name\",\"xiv id\"\r\n"
        "\"/dev/sdb\",\"1\",\"a\",\"1310133\"\r\n"
        "\r\n"
        "Unknown devices:\r\n"
        "/dev/sdz,2,b,1310134\r\n"
        "short,row\r\n"
        "/dev/sdy,3,c,1\r\n");
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("/dev/sdb", rows[0].sDeviceName);
    EXPECT_EQ("1310133", rows[0].sArrayId);
    EXPECT_EQ("/dev/sdz", rows[1].sDeviceName);
    EXPECT_EQ("1302796", rows[1].sArrayIdHex);
    EXPECT_TRUE(parse("device,vol id,vol name,xiv id\n").empty());
    EXPECT_TRUE(parse("").empty());
}

TEST(XivDevList, AnswersForOneDevice)
{
    StandIn tool;
    tool.answer(
        "device,vol id,vol name,xiv id\n"
        "/dev/sdb,42,vol_a,1310133\n"
        "\\\\.\\PhysicalDrive3,43,vol_b,1310133\n");
    XivDevList reader(tool.dir(), nullptr);
    std::string volId, volName, arrayId, text;
    int code = 9;
    reader.GetVolumeAndArrayId("/DEV/SDB", volId, volName, arrayId, code, text);
    EXPECT_EQ(0, code);
    EXPECT_EQ("42", volId);
    EXPECT_EQ("vol_a", volName);
    EXPECT_EQ("1310133", arrayId);
    EXPECT_EQ((std::vector<std::string>{tool.dir() + "/xiv_devlist", "--out", "csv",
                                        "--xiv-only"}),
              tool.argv(1));

    reader.GetVolumeAndArrayId("\\\\?\\PHYSICALDRIVE3", volId, volName, arrayId, code, text);
    EXPECT_EQ(0, code);
    EXPECT_EQ("vol_b", volName);

    reader.GetVolumeAndArrayId("/dev/sdq", volId, volName, arrayId, code, text);
    EXPECT_EQ(-3, code);
    EXPECT_EQ("No matching device found through xiv_devlist.", text);

    tool.answer("device,vol id,vol name,xiv id\n");
    reader.GetVolumeAndArrayId("/dev/sdb", volId, volName, arrayId, code, text);
    EXPECT_EQ(-2, code);
    EXPECT_EQ("No XIV devices found through xiv_delvlist.", text);

    XivDevList missing(tool.dir() + "/nowhere", nullptr);
    missing.GetVolumeAndArrayId("/dev/sdb", volId, volName, arrayId, code, text);
    EXPECT_EQ(-1, code);
    EXPECT_EQ(0u, text.find("Failed to run xiv_devlist. "));
}

}  // namespace
