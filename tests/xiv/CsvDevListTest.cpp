// The comma-separated volume listing and xiv_devlist's device table.
#include <filesystem>
#include <functional>

#include "TestData.h"
#include "XivTests.h"
#include "xiv/XCliCsv.h"
#include "xiv/XivDevList.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Each tests/data/csv/<prefix>*.csv against the .rows table beside it.
void ExpectRows(const std::string& prefix, const std::function<Rows(std::string)>& read) {
    int cases = 0;
    for (const auto& f : std::filesystem::directory_iterator(TestDataPath("csv"))) {
        const std::string name = f.path().filename();
        if (name.rfind(prefix, 0) != 0 || f.path().extension() != ".csv") continue;
        const std::string rows = "csv/" + f.path().stem().string() + ".rows";
        EXPECT_EQ(TestTable(rows), read(ReadFileText(f.path()))) << name;
        ++cases;
    }
    EXPECT_GT(cases, 2) << prefix;
}

TEST(XCliCsv, ReadsTheNameAndWwnTableAndErrorReports) {
    ExpectRows("vol_list_", [](std::string output) {
        std::vector<XivVolumeInfo> volumes{{"old", "old"}};  // replaced
        XivError error;
        XCliCsv("u", "p", "m", "", XivLogger(DebugLog()))
            .ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(0, error.code);
        Rows rows;
        for (const auto& v : volumes) rows.push_back({v.sVolName, v.sWWN});
        return rows;
    });
    ExpectRows("error_", [](std::string output) {
        XCliCsv csv("u", "p", "m", "", XivLogger(DebugLog()));
        std::vector<XivVolumeInfo> volumes;
        XivError error{0, "prior"};
        csv.ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(-1, error.code);
        return Rows{{csv.GetResult(), error.text}};
    });
}

TEST(XCliCsv, RunsTheCommaSeparatedListing) {
    ScriptedXcli xcli;
    xcli.answer("Name,WWN\nv1,AB\n", 0);
    std::vector<XivVolumeInfo> volumes;
    XivError error{5, ""};
    XCliCsv("admin", "s3cret", "array1", xcli.dir(), XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_EQ(0, error.code);  // what it reads is ParseVolListOutput's
    EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "array1", "-y",
                                        "-s", "vol_list", "-t", "name,wwn"}),
              xcli.argv(1));

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
        Rows rows;
        for (const auto& d : devices)
            rows.push_back({d.sDeviceName, d.sArrayId, d.sArrayIdHex, d.sVolId, d.sVolName});
        return rows;
    });
}

// The error code, then the ids and name found or the error text.
std::string LookUp(XivDevList& reader, const std::string& device) {
    std::string volId, volName, arrayId;
    XivError error{9, ""};
    reader.GetVolumeAndArrayId(device, volId, volName, arrayId, error);
    return std::to_string(error.code) + " " +
           (error.code ? error.text : volId + " " + volName + " " + arrayId);
}

TEST(XivDevList, AnswersForOneDevice) {
    ScriptedXcli tool;
    tool.answer(
        "device,vol id,vol name,xiv id\n/dev/sdb,42,vol_a,1310133\n"
        "\\\\.\\PhysicalDrive3,43,vol_b,1310133\n");
    XivDevList reader(tool.dir(), NoRecord());
    EXPECT_EQ(LookUp(reader, "/DEV/SDB"), "0 42 vol_a 1310133");
    EXPECT_EQ((std::vector<std::string>{tool.dir() + "/xiv_devlist", "--out", "csv", "--xiv-only"}),
              tool.argv(1));
    EXPECT_EQ(LookUp(reader, "\\\\?\\PHYSICALDRIVE3"), "0 43 vol_b 1310133");
    EXPECT_EQ(LookUp(reader, "/dev/sdq"), "-3 No matching device found through xiv_devlist.");
    tool.answer("device,vol id,vol name,xiv id\n");
    EXPECT_EQ(LookUp(reader, "/dev/sdb"), "-2 No XIV devices found through xiv_delvlist.");
    XivDevList missing(tool.dir() + "/nowhere", NoRecord());
    EXPECT_EQ(LookUp(missing, "/dev/sdb").rfind("-1 Failed to run xiv_devlist. ", 0), 0u);
}

}  // namespace
