#include <gtest/gtest.h>

#include <cstdlib>

#include "StandIn.h"
#include "xiv/Command.h"
#include "xiv/XCliParse.h"

namespace {

const char* const LINE = "xcli -u admin -p s3cret -m 10.0.0.1 -y -x vol_list";
const char* const LOGGED = "xcli -u admin -p XXXX -m 10.0.0.1 -y -x vol_list";

XivLogger logger()
{
    DebugLog log;
    return XivLogger(log);
}

TEST(Command, MasksThePasswordAndPrefixesTheDirectory)
{
    Command plain(LINE, "", logger());
    EXPECT_EQ(LINE, plain.GetCommandLine());
    EXPECT_EQ(LOGGED, plain.GetLoggedCommandLine());

    Command withDir(LINE, "/opt/xiv", logger());
    EXPECT_EQ(std::string("/opt/xiv/") + LINE, withDir.GetCommandLine());
    EXPECT_EQ(LOGGED, withDir.GetLoggedCommandLine());

    EXPECT_EQ("xiv_devlist --out csv", Command("xiv_devlist --out csv", "", logger())
                                           .GetLoggedCommandLine());
    EXPECT_EQ("xcli -u a -p XXXX", Command("xcli -u a -p tail", "", logger())
                                        .GetLoggedCommandLine());
    // Knowing the password, all of it is masked, even when it holds " -m ".
    EXPECT_EQ("xcli -u a -p XXXX -m h -y -x op",
              Command("xcli -u a -p pw -m x -m h -y -x op", "", logger(), "pw -m x")
                  .GetLoggedCommandLine());
}

TEST(Command, PasswordTravelsInTheEnvironmentNotOnTheArgumentList)
{
    StandIn xcli;
    xcli.answer(Answer("SUCCESS"));
    setenv("XIV_XCLIPASSWORD", "stale", 1);  // ours must win over an inherited one
    LogTail tail;
    std::string output;
    Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
    unsetenv("XIV_XCLIPASSWORD");

    EXPECT_EQ(Answer("SUCCESS"), output);
    EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "10.0.0.1",
                                        "-y", "-x", "vol_list"}),
              xcli.argv(1));
    EXPECT_EQ("s3cret", xcli.password(1));
    auto lines = tail.linesOf("Command::ExecuteCommandXML");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos,
              lines[0].find(std::string("About to execute the command [") + LOGGED + "]"));
    EXPECT_EQ(std::string::npos, tail.text().find("s3cret"));
}

TEST(Command, RunsFromADirectoryHoldingABlank)
{
    StandIn xcli("with blank");
    xcli.answer(Answer("SUCCESS"));
    std::string output;
    Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
    EXPECT_EQ(Answer("SUCCESS"), output);
    EXPECT_EQ(xcli.dir() + "/xcli", xcli.argv(1)[0]);
}

struct Outcome {
    const char* name;
    const char* stdoutText;
    const char* stderrText;
    int status;
    std::string expected;
};

TEST(Command, EveryOutputBecomesAnAnswer)
{
    const std::string real = Answer("VOLUME_BAD_NAME");
    const Outcome outcomes[] = {
        {"missing password wins", "Missing user. Missing password.\n", "err", 1,
         Command::Envelope("MISSING_PASSWORD", "Missing user. Missing password.\n")},
        {"missing user carries stderr", "Missing user.", "who?", 1,
         Command::Envelope("MISSING_USERNAME", "who?")},
        {"real answer whatever the exit status", real.c_str(), "", 5, real},
        {"nothing printed", "", "boom", 3,
         Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON",
                           "output = err = boom  rc = 3")},
        {"not XML", "<b>plain & text</b>", "", 0,
         Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON",
                           "output = <b>plain & text</b>err =   rc = 0")},
    };
    for (const Outcome& o : outcomes) {
        StandIn xcli;
        xcli.answer(o.stdoutText, o.status);
        xcli.stderrText(o.stderrText);
        std::string output;
        Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
        EXPECT_EQ(o.expected, output) << o.name;
    }
}

TEST(Command, ProgramThatDoesNotStart)
{
    StandIn xcli;
    LogTail tail;
    std::string output;
    Command(LINE, xcli.dir() + "/nowhere", logger()).ExecuteCommandXML(output);
    EXPECT_EQ(0u, output.find(Command::Envelope("XCLI_NOT_INSTALLED", "").substr(0, 60)));
    auto lines = tail.linesOf("Command::ExecuteCommandXML");
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[1].find("\t-1\t"));
    EXPECT_NE(std::string::npos, lines[1].find("Failed to start XCLI. szError ["));

    Command raw(LINE, xcli.dir() + "/nowhere", logger());
    EXPECT_EQ(127, raw.ExecuteCommand(output));
    auto rawLines = tail.linesOf("Command::ExecuteCommand");
    ASSERT_EQ(2u, rawLines.size());
    EXPECT_NE(std::string::npos,
              rawLines[1].find(std::string("Failed to run the command[") + LOGGED + "]. szError ["));
}

TEST(Command, PlainRunHandsBackOutputWhateverTheStatus)
{
    StandIn tool;
    tool.answer("a,b\r\nc,d\r\n", 4);
    std::string output;
    EXPECT_EQ(0, Command("xiv_devlist --out csv", tool.dir(), logger()).ExecuteCommand(output));
    EXPECT_EQ("a,b\r\nc,d\r\n", output);
    EXPECT_EQ("(unset)", tool.password(1));  // no password, no variable
}

TEST(Command, ChildOutlivingTheTimeLimitIsAnUnknownFailure)
{
    const std::string config = std::getenv("ZRSO_CONFIG");
    StandIn::write(config, "[~Trellis]\nnProcessTimeoutSeconds=1\n");
    StandIn xcli;
    xcli.before("sleep 30");
    xcli.answer(Answer("SUCCESS"));
    std::string output;
    Command(LINE, xcli.dir(), logger()).ExecuteCommandXML(output);
    StandIn::write(config, "[Trellis]\n");
    EXPECT_EQ(0u, output.find("<XCLIRETURN STATUS=\"XCLI_COMMAND_FAILED_UNKNOWN_REASON\""));
    EXPECT_NE(std::string::npos, output.find("rc = 124"));
}

TEST(DoTheWork, ParsesTheTrimmedAnswerAndAppendsToTheText)
{
    StandIn xcli;
    const std::string body = "<volume><name value=\"v1\"/></volume>";
    xcli.answer("banner line\n" + Answer("SUCCESS", body) + "\nwarning after\n");
    std::string output, status, result;
    std::string text = "before;";
    int code = 5;  // left alone on success
    std::list<ResourceNode*> list;
    LogTail tail;
    DoTheWork(LINE, output, "s3cret", "volume", text, list, code, status, result, xcli.dir(),
              logger());
    EXPECT_EQ(5, code);
    EXPECT_EQ("SUCCESS", status);
    EXPECT_EQ("SUCCESS", result);
    EXPECT_EQ(Answer("SUCCESS", body), output);
    EXPECT_EQ("before;cmd_status = SUCCESS" + Answer("SUCCESS", body), text);
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ("v1", static_cast<XivVol*>(list.front())->name);
    FreeResourceList(list);
    auto lines = tail.linesOf("DoTheWork");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("Command Ouput [banner line\\n<XCLIRETURN"));

    // A truncated success is a failure, with the records read so far.
    xcli.answer(Answer("SUCCESS", body + body).substr(0, 120));
    text.clear();
    code = 0;
    DoTheWork(LINE, output, "s3cret", "volume", text, list, code, status, result, xcli.dir(),
              logger());
    EXPECT_EQ(-1, code);
    EXPECT_EQ("XCLI_COMMAND_FAILED_UNKNOWN_REASON", result);
    EXPECT_NE(std::string::npos, text.find("Fatal Error: "));
    EXPECT_EQ(2u, list.size());
    FreeResourceList(list);
}

}  // namespace
