// The small text pieces the host builds its answers and commands from.
#include <gtest/gtest.h>

#include <sstream>

#include "refhost/ArraySerial.h"
#include "refhost/AttributeText.h"
#include "refhost/BufferReply.h"
#include "refhost/CommandArgs.h"
#include "refhost/HostTopology.h"
#include "refhost/JsonText.h"
#include "refhost/LunSteps.h"
#include "refhost/OutputTable.h"
#include "refhost/SimAdmin.h"

using namespace refhost;

TEST(HostText, SerialFormsConvertBothWays) {
    EXPECT_EQ(hexSerial("1310133"), "1302795");
    EXPECT_EQ(hexSerial("7800001"), "7800001");
    EXPECT_EQ(hexSerial("131013"), "");
    EXPECT_EQ(hexSerial("13a0133"), "");
    EXPECT_EQ(decimalSerial("130abcd"), "1343981");
    for (const char* bad : {"1A02795", "130279G", "130279", "13027950"})
        EXPECT_EQ(decimalSerial(bad), "") << bad;
    EXPECT_TRUE(serialMatches("1310133", "1302795"));
    EXPECT_TRUE(serialMatches("1343981", "130abcd"));  // hex compared without case
    EXPECT_FALSE(serialMatches("1310133", "10133"));
    EXPECT_FALSE(serialMatches("1310133", ""));
}

TEST(HostText, AttributeStringsAreBuiltReadAndGuarded) {
    std::string text = formatAttributes({{"ab", "1"}, {"b", "2"}, {"esxname", "esx7"}});
    EXPECT_EQ(text, "{ab:1,b:2,esxname:esx7}");
    std::string value = "untouched";
    ASSERT_TRUE(findAttribute(text, "b", &value));
    EXPECT_EQ(value, "2");
    EXPECT_FALSE(findAttribute(text, "a", &value));
    EXPECT_EQ(value, "2");
    EXPECT_EQ(esxNameOf(text), "esx7");
    EXPECT_EQ(esxNameOf("esx7"), "esx7");

    EXPECT_EQ(attributeValueProblem("Plain-Value_1.x:y"), "");
    for (const char* bad : {"a,b", "a}b", "a{b", "a\"b", "a\\b", "a/b", "a\nb"})
        EXPECT_NE(attributeValueProblem(bad), "") << bad;
}

TEST(HostText, ServiceAnswersCountTheTerminatingNul) {
    char buf[4];
    EXPECT_EQ(replyService("abc", buf, 4), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(replyService("abcd", buf, 4), 5);
    EXPECT_EQ(replyService("abcd", nullptr, 0), 5);
    EXPECT_EQ(replyService(std::string(40000, 'x'), buf, 4), kServiceTooLong);
    EXPECT_EQ(replyService(std::string(40000, 'x'), nullptr, 0, 1 << 20), 40001);
    EXPECT_EQ(copyOut("abc", buf, 3), 1);
    EXPECT_STREQ(buf, "");
}

TEST(HostText, CommandWordsOptionsAndSizes) {
    CommandArgs args({"add", "xiv1", "--address", "a,b", "--fc=1,2", "--fc", "3", "--cg", "extra"});
    EXPECT_EQ(args.option("--address"), std::optional<std::string>("a,b"));  // taken whole
    EXPECT_EQ(args.options("--fc"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(args.flag("--cg"));
    EXPECT_FALSE(args.flag("--cg"));
    EXPECT_EQ(args.shift(), std::optional<std::string>("add"));
    EXPECT_EQ(args.positionals(), (std::vector<std::string>{"xiv1", "extra"}));

    EXPECT_THROW(CommandArgs({"x", "--bogus"}).positionals(), UsageError);
    EXPECT_THROW(CommandArgs({"--address"}).option("--address"), UsageError);
    EXPECT_THROW(CommandArgs({"--app-id", "x1"}).number("--app-id"), UsageError);

    EXPECT_EQ(parseSize("17gib"), 17LL << 30);
    EXPECT_EQ(parseSize("512M"), 512LL << 20);
    EXPECT_EQ(parseSize("1073741823"), (1LL << 30) - 1);
    for (const char* bad : {"5X", "-1G", "99999999999T"})
        EXPECT_THROW(parseSize(bad), UsageError) << bad;
}

TEST(HostText, JsonOutputIsEscapedAndTyped) {
    EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    OutputTable table({"#id", "name"});
    table.add({"7", "x\"y"});
    table.add({"", "z"});  // an empty number is written as text, keeping the JSON valid
    EXPECT_EQ(table.json(), "[{\"id\":7,\"name\":\"x\\\"y\"},{\"id\":\"\",\"name\":\"z\"}]");
    std::ostringstream printed;
    table.print(printed);
    EXPECT_EQ(printed.str(), "ID  NAME\n 7  x\"y\n    z\n");

    EXPECT_EQ(mapRequestJson("app\"1", "Linux", 3, {"p1", "p2"}),
              "{\"hosts\":[{\"hostname\":\"app\\\"1\",\"hostos\":\"Linux\",\"protocol\":\"3\","
              "\"endpoints\":[{\"endpoint\":\"p1\"},{\"endpoint\":\"p2\"}]}]}");
}

TEST(HostText, InitiatorsAreValidatedAndShownWithColons) {
    Initiator fc = parseInitiator("fc", "21:00:00:1b:32:a0:d0:01");
    EXPECT_EQ(fc.name, "2100001B32A0D001");
    EXPECT_EQ(fc.display(), "21:00:00:1B:32:A0:D0:01");
    EXPECT_EQ(parseInitiator("iscsi", "iqn.2005-03.org:x").display(), "iqn.2005-03.org:x");
    for (auto [type, name] : {std::pair<const char*, const char*>{"fc", "2100001B32A0D0"},
                              {"fc", "2100001B32A0D0ZZ"},
                              {"iscsi", "iqn.a,b"},
                              {"sas", "x"}})
        EXPECT_THROW(parseInitiator(type, name), std::invalid_argument) << type << " " << name;
}

TEST(HostText, SimulatorDiskLinesAndVmwareUuids) {
    auto disks = SimAdmin::parseDiskLines(
        "xivd1\t1\t6001738CFC9035E80000000000012345\t1310133\t1302795\t5001738027950140\tvol_1\t"
        "18253611008\txiv-1\thost_a\n"
        "xivd2\t2\tWWN2\t1310133\t1302795\t5001738027950140\tvol_2\t1024\txiv-1\n"
        "short\tline\n",
        true);
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].sizeBytes, 18253611008LL);
    EXPECT_EQ(disks[0].hostObject, "host_a");
    EXPECT_EQ(disks[1].hostObject, "");

    EXPECT_EQ(vmwareLunUuid("6001738CFC9035E80000000000012345", 2),
              "020002006001738CFC9035E8000000000001234532383130584956");
}
