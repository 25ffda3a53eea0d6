// The comma-separated volume listing and xiv_devlist's device table.
#include <filesystem>
#include <functional>

#include "TestData.h"
#include "XivTests.h"
#include "xiv/XCliCsv.h"
#include "xiv/XivDevList.h"

namespace {

// Each tests/data/csv/<prefix>*.csv against the lines of the .rows file
// beside it; read turns the text into lines, fields joined by '|'.
void ExpectRows(const std::string& prefix,
                const std::function<std::vector<std::string>(std::string)>& read) {
    int cases = 0;
    for (const auto& f : std::filesystem::directory_iterator(TestDataPath("csv"))) {
        const std::string name = f.path().filename();
        if (name.rfind(prefix, 0) != 0 || f.path().extension() != ".csv") continue;
        const std::string rows = "csv/" + f.path().stem().string() + ".rows";
        EXPECT_EQ(DataLines(rows), read(ReadFileText(f.path()))) << name;
        ++cases;
    }
    EXPECT_GT(cases, 2) << prefix;
}

XCliCsv Csv() { return XCliCsv("u", "p", "m", "", XivLogger(DebugLog())); }

TEST(XCliCsv, ReadsTheNameAndWwnTableAndErrorReports) {
    ExpectRows("vol_list_", [](std::string output) {
        std::vector<XivVolumeInfo> volumes{{"old", "old"}};  // replaced
        XivError error;
        Csv().ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(0, error.code);
        std::vector<std::string> rows;
        for (const auto& v : volumes) rows.push_back(v.sVolName + "|" + v.sWWN);
        return rows;
    });
    ExpectRows("error_", [](std::string output) {
        XCliCsv csv = Csv();
        std::vector<XivVolumeInfo> volumes;
        XivError error{0, "prior"};
        csv.ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(-1, error.code);
        return std::vector<std::string>{csv.GetResult() + "|" + error.text};
    });
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

TEST(XivDevList, ParsesRowsByHeaderColumns) {
    ExpectRows("devlist_", [](std::string output) {
        std::vector<XivDeviceInfo> devices{XivDeviceInfo()};  // replaced
        XivDevList("", NoRecord()).ParseOutput(output, devices);
        std::vector<std::string> rows;
        for (const auto& d : devices)
            rows.push_back(d.sDeviceName + "|" + d.sArrayId + "|" + d.sArrayIdHex + "|" + d.sVolId +
                           "|" + d.sVolName);
        return rows;
    });
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
