#include <gtest/gtest.h>

#include <cstdlib>

#include "StandIn.h"
#include "xiv/Command.h"
#include "xiv/XCliParse.h"

namespace {

const char* const LINE = "xcli -u admin -p s3cret -m 10.0.0.1 -y -x vol_list";
const char* const LOGGED = "xcli -u admin -p XXXX -m 10.0.0.1 -y -x vol_list";
// A fresh log each time: copies share where their lines go.
XivLogger logger() { return XivLogger(DebugLog()); }

TEST(Command, MasksThePasswordAndPrefixesTheDirectory) {
    Command withDir(LINE, "/opt/xiv", logger());
    EXPECT_EQ(std::string("/opt/xiv/") + LINE, withDir.GetCommandLine());
    EXPECT_EQ(LOGGED, withDir.GetLoggedCommandLine());
    EXPECT_EQ(LINE, Command(LINE, "", logger()).GetCommandLine());
    EXPECT_EQ("xiv_devlist --out csv",
              Command("xiv_devlist --out csv", "", logger()).GetLoggedCommandLine());
    EXPECT_EQ("xcli -u a -p XXXX",
              Command("xcli -u a -p tail", "", logger()).GetLoggedCommandLine());
    // Knowing the password, all of it is masked, even when it holds " -m ".
    EXPECT_EQ(
        "xcli -u a -p XXXX -m h -x op",
        Command("xcli -u a -p pw -m x -m h -x op", "", logger(), "pw -m x").GetLoggedCommandLine());
}

TEST(Command, PasswordTravelsInTheEnvironmentNotOnTheArgumentList) {
    for (const char* inner : {"", "with blank"}) {
        StandIn xcli(inner);
        xcli.answer(Answer("SUCCESS"));
        setenv("XIV_XCLIPASSWORD", "stale", 1);  // ours must win over an inherited one
        LogCapture log;
        std::string output;
        Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
        unsetenv("XIV_XCLIPASSWORD");
        EXPECT_EQ(Answer("SUCCESS"), output);
        EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "10.0.0.1",
                                            "-y", "-x", "vol_list"}),
                  xcli.argv(1));
        EXPECT_EQ("s3cret", xcli.password(1));
        auto lines = LinesOf(log, "Command::ExecuteCommandXML");
        ASSERT_EQ(1u, lines.size());
        EXPECT_NE(
            std::string::npos,
            lines[0].message.find(std::string("About to execute the command [") + LOGGED + "]"));
        EXPECT_EQ(std::string::npos, log.text().find("s3cret"));
    }
}

TEST(Command, EveryOutputBecomesAnAnswer) {
    const std::string real = Answer("VOLUME_BAD_NAME");
    const struct {
        std::string out, err;
        int status;
        std::string expected;
    } outcomes[] = {
        {"Missing user. Missing password.\n", "err", 1,
         Command::Envelope("MISSING_PASSWORD", "Missing user. Missing password.\n")},
        {"Missing user.", "who?", 1, Command::Envelope("MISSING_USERNAME", "who?")},
        {real, "", 5, real},  // a real answer, whatever the exit status
        {"", "boom", 3,
         Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON", "output = err = boom  rc = 3")},
        {"<b>plain & text</b>", "", 0,
         Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON",
                           "output = <b>plain & text</b>err =   rc = 0")},
    };
    for (const auto& o : outcomes) {
        StandIn xcli;
        xcli.answer(o.out, o.status);
        xcli.stderrText(o.err);
        std::string output;
        Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
        EXPECT_EQ(o.expected, output) << o.out;
    }
}

TEST(Command, ProgramThatDoesNotStartAndPlainRuns) {
    StandIn tool;
    LogCapture log;
    std::string output;
    Command(LINE, tool.dir() + "/nowhere", logger()).ExecuteCommandXML(output);
    EXPECT_EQ(0u, output.find("<XCLIRETURN STATUS=\"XCLI_NOT_INSTALLED\""));
    auto lines = LinesOf(log, "Command::ExecuteCommandXML");
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(-1, lines[1].level);
    EXPECT_EQ(0u, lines[1].message.find("Failed to start XCLI. szError ["));
    EXPECT_EQ(127, Command(LINE, tool.dir() + "/nowhere", logger()).ExecuteCommand(output));
    lines = LinesOf(log, "Command::ExecuteCommand");
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[1].message.find(std::string("Failed to run the command[") +
                                                       LOGGED + "]. szError ["));

    tool.answer("a,b\r\nc,d\r\n", 4);  // output handed back as it came, whatever the status
    EXPECT_EQ(0, Command("xiv_devlist --out csv", tool.dir(), logger()).ExecuteCommand(output));
    EXPECT_EQ("a,b\r\nc,d\r\n", output);
    EXPECT_EQ("(unset)", tool.password(1));
}

TEST(DoTheWork, ParsesTheTrimmedAnswerAndAppendsToTheText) {
    StandIn xcli;
    const std::string body = "<volume><name value=\"v1\"/></volume>";
    xcli.answer("banner line\n" + Answer("SUCCESS", body) + "\nwarning after\n");
    std::string output, status, result;
    XivError error{5, "before;"};  // the code is left alone on success
    int& code = error.code;
    std::string& text = error.text;
    ResourceList list;
    LogCapture log;
    DoTheWork(LINE, output, "s3cret", "volume", list, error, status, result, xcli.dir(), logger());
    EXPECT_EQ(5, code);
    EXPECT_EQ("SUCCESS", result);
    EXPECT_EQ("before;cmd_status = SUCCESS" + Answer("SUCCESS", body), text);
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ("v1", static_cast<XivVol*>(list.front().get())->name);
    list.clear();
    auto lines = LinesOf(log, "DoTheWork");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].message.find("Command Ouput [banner line\\n<XCLIRETURN"));

    // A truncated success is a failure, with the records read so far.
    xcli.answer(Answer("SUCCESS", body + body).substr(0, 120));
    code = 0;
    DoTheWork(LINE, output, "s3cret", "volume", list, error, status, result, xcli.dir(), logger());
    EXPECT_EQ(-1, code);
    EXPECT_EQ("XCLI_COMMAND_FAILED_UNKNOWN_REASON", result);
    EXPECT_NE(std::string::npos, text.find("Fatal Error: "));
    EXPECT_EQ(2u, list.size());
}

}  // namespace
