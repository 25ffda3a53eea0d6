// The comma-separated volume listing and xiv_devlist's device table.
#include "XivTests.h"
#include "xiv/XCliCsv.h"
#include "xiv/XivDevList.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(XCliCsv, ReadsTheNameAndWwnTable) {
    const std::string wwn = "6001738CFC9035EA";
    const std::pair<std::string, Rows> listings[] = {
        {"Name,WWN\nvol1," + wwn + "\n\n", {{"vol1", wwn}}},
        {"WWN,Name\n" + wwn + ",vol1\nABC,vol2\n", {{"vol1", wwn}, {"vol2", "ABC"}}},
        {"Warning: old client\r\n\"Name\",\"WWN\"\r\n\"vol 1\",\"" + wwn + "\"\r\n",
         {{"vol 1", wwn}}},
        {"name,wwn\nlonely\n", {{"lonely", ""}}},
        {"Name,WWN\n", {}},
    };
    for (const auto& [text, rows] : listings) {
        XCliCsv csv("u", "p", "m", "", XivLogger(DebugLog()));
        std::vector<XivVolumeInfo> volumes{{"old", "old"}};
        std::string output = text;
        XivError error;
        csv.ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(0, error.code) << text;
        Rows got;
        for (const auto& v : volumes) got.push_back({v.sVolName, v.sWWN});
        EXPECT_EQ(rows, got) << text;
    }
}

TEST(XCliCsv, ErrorReportsAndEmptyOutput) {
    const char* reports[][3] = {
        {"Error:\nVOLUME_BAD_NAME,No volume found\n", "VOLUME_BAD_NAME", "No volume found"},
        {"VOLUME_BAD_NAME,No volume found", "VOLUME_BAD_NAME", "No volume found"},
        {"\"NO_CONNECTION\"\r\n", "NO_CONNECTION", ""},
        {"\"", "", ""},
        {"", "", "Command output is empty"},
    };
    for (auto& r : reports) {
        XCliCsv csv("u", "p", "m", "", XivLogger(DebugLog()));
        std::vector<XivVolumeInfo> volumes;
        std::string output = r[0];
        XivError error{0, "prior"};
        csv.ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(-1, error.code) << r[0];
        EXPECT_EQ(r[1], csv.GetResult()) << r[0];
        EXPECT_EQ(r[2], error.text) << r[0];
    }
}

TEST(XCliCsv, RunsTheCommaSeparatedListing) {
    ScriptedXcli xcli;
    xcli.answer("Name,WWN\nv1,AB\n", 0);
    std::vector<XivVolumeInfo> volumes;
    XivError error{5, ""};
    XCliCsv("admin", "s3cret", "array1", xcli.dir(), XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_EQ(0, error.code);
    ASSERT_EQ(1u, volumes.size());
    EXPECT_EQ("v1", volumes[0].sVolName);
    EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "array1", "-y",
                                        "-s", "vol_list", "-t", "name,wwn"}),
              xcli.argv(1));
    EXPECT_EQ("s3cret", xcli.password(1));

    XCliCsv("a", "p", "m", xcli.dir() + "/nowhere", XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_EQ(127, error.code);
    EXPECT_EQ(0u, error.text.find("Failed to run vol_list command."));

    // Login values pass the same check as on the XML commands.
    XCliCsv("a", "s3\"cret", "m", xcli.dir(), XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_NE(0, error.code);
    EXPECT_EQ(1, xcli.runs());
    EXPECT_NE(std::string::npos, error.text.find("password"));
    EXPECT_EQ(std::string::npos, error.text.find("s3\"cret"));
}

// A logger without a host record, as the reader gets when it has none.
XivLogger NoRecord() { return XivLogger(static_cast<ZRSO::SnapInfo*>(nullptr)); }

// device, array id, hex id, vol id, vol name of each row
Rows parse(std::string output) {
    std::vector<XivDeviceInfo> devices{XivDeviceInfo()};
    XivDevList("", NoRecord()).ParseOutput(output, devices);
    Rows rows;
    for (const auto& d : devices)
        rows.push_back({d.sDeviceName, d.sArrayId, d.sArrayIdHex, d.sVolId, d.sVolName});
    return rows;
}

TEST(XivDevList, ParsesRowsByHeaderColumns) {
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
    ScriptedXcli tool;
    tool.answer(
        "device,vol id,vol name,xiv id\n/dev/sdb,42,vol_a,1310133\n"
        "\\\\.\\PhysicalDrive3,43,vol_b,1310133\n");
    XivDevList reader(tool.dir(), NoRecord());
    std::string volId, volName, arrayId;
    XivError error{9, ""};
    reader.GetVolumeAndArrayId("/DEV/SDB", volId, volName, arrayId, error);
    EXPECT_EQ(0, error.code);
    EXPECT_EQ((std::vector<std::string>{"42", "vol_a", "1310133"}),
              (std::vector<std::string>{volId, volName, arrayId}));
    EXPECT_EQ((std::vector<std::string>{tool.dir() + "/xiv_devlist", "--out", "csv", "--xiv-only"}),
              tool.argv(1));
    reader.GetVolumeAndArrayId("\\\\?\\PHYSICALDRIVE3", volId, volName, arrayId, error);
    EXPECT_EQ(0, error.code);
    EXPECT_EQ("vol_b", volName);

    reader.GetVolumeAndArrayId("/dev/sdq", volId, volName, arrayId, error);
    EXPECT_EQ(-3, error.code);
    EXPECT_EQ("No matching device found through xiv_devlist.", error.text);
    tool.answer("device,vol id,vol name,xiv id\n");
    reader.GetVolumeAndArrayId("/dev/sdb", volId, volName, arrayId, error);
    EXPECT_EQ(-2, error.code);
    EXPECT_EQ("No XIV devices found through xiv_delvlist.", error.text);
    XivDevList(tool.dir() + "/nowhere", NoRecord())
        .GetVolumeAndArrayId("/dev/sdb", volId, volName, arrayId, error);
    EXPECT_EQ(-1, error.code);
    EXPECT_EQ(0u, error.text.find("Failed to run xiv_devlist. "));
}

}  // namespace
