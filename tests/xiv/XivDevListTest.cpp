#include <gtest/gtest.h>

#include "StandIn.h"
#include "xiv/XivDevList.h"

namespace {

// A logger without a host record, as the reader gets when it has none.
XivLogger NoRecord() { return XivLogger(static_cast<ZRSO::SnapInfo*>(nullptr)); }

// device, array id, hex id, vol id, vol name of each row
std::vector<std::vector<std::string>> parse(std::string output) {
    std::vector<XivDeviceInfo> devices{XivDeviceInfo()};
    XivDevList("", NoRecord()).ParseOutput(output, devices);
    std::vector<std::vector<std::string>> rows;
    for (const auto& d : devices)
        rows.push_back({d.sDeviceName, d.sArrayId, d.sArrayIdHex, d.sVolId, d.sVolName});
    return rows;
}

TEST(XivDevList, ParsesRowsByHeaderColumns) {
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ((Rows{{"/dev/sdb", "1310133", "1302795", "42", "vol_a"}}),
              parse("device,size,vol id,vol name,xiv id\n/dev/sdb,17,42,vol_a,1310133\n"));
    EXPECT_EQ((Rows{{"/dev/sdc", "7800005", "7800005", "9", "v"}}),
              parse("storage id,device,vol name,vol id\n7800005,/dev/sdc,v,9\n"));
    // Banner, quotes, CR LF, the unknown-devices marker, short rows, a short serial.
    EXPECT_EQ((Rows{{"/dev/sdb", "1310133", "1302795", "1", "a"},
                    {"/dev/sdz", "1310134", "1302796", "2", "b"}}),
              parse("XIV devices\r\n\"device\",\"vol id\",\"vol name\",\"xiv id\"\r\n"
                    "\"/dev/sdb\",\"1\",\"a\",\"1310133\"\r\n\r\nUnknown devices:\r\n"
                    "/dev/sdz,2,b,1310134\r\nshort,row\r\n/dev/sdy,3,c,1\r\n"));
    EXPECT_TRUE(parse("device,vol id,vol name,xiv id\n").empty());
    EXPECT_TRUE(parse("").empty());
}

TEST(XivDevList, AnswersForOneDevice) {
    StandIn tool;
    tool.answer(
        "device,vol id,vol name,xiv id\n/dev/sdb,42,vol_a,1310133\n"
        "\\\\.\\PhysicalDrive3,43,vol_b,1310133\n");
    XivDevList reader(tool.dir(), NoRecord());
    std::string volId, volName, arrayId;
    XivError error{9, ""};
    int& code = error.code;
    std::string& text = error.text;
    reader.GetVolumeAndArrayId("/DEV/SDB", volId, volName, arrayId, error);
    EXPECT_EQ(0, code);
    EXPECT_EQ((std::vector<std::string>{"42", "vol_a", "1310133"}),
              (std::vector<std::string>{volId, volName, arrayId}));
    EXPECT_EQ((std::vector<std::string>{tool.dir() + "/xiv_devlist", "--out", "csv", "--xiv-only"}),
              tool.argv(1));
    reader.GetVolumeAndArrayId("\\\\?\\PHYSICALDRIVE3", volId, volName, arrayId, error);
    EXPECT_EQ(0, code);
    EXPECT_EQ("vol_b", volName);

    reader.GetVolumeAndArrayId("/dev/sdq", volId, volName, arrayId, error);
    EXPECT_EQ(-3, code);
    EXPECT_EQ("No matching device found through xiv_devlist.", text);
    tool.answer("device,vol id,vol name,xiv id\n");
    reader.GetVolumeAndArrayId("/dev/sdb", volId, volName, arrayId, error);
    EXPECT_EQ(-2, code);
    EXPECT_EQ("No XIV devices found through xiv_delvlist.", text);
    XivDevList(tool.dir() + "/nowhere", NoRecord())
        .GetVolumeAndArrayId("/dev/sdb", volId, volName, arrayId, error);
    EXPECT_EQ(-1, code);
    EXPECT_EQ(0u, text.find("Failed to run xiv_devlist. "));
}

}  // namespace
