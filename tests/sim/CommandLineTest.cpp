// The xcli command line, logins and the record of runs.
#include <cstdlib>

#include "SimHarness.h"

namespace simtest {
namespace {

using SimCommandLine = SimWorld;

TEST_F(SimCommandLine, MissingLoginPartsAnswerInPlainText) {
    auto noUser = runProgram("xcli", {"-p", "secret", "-m", "xiv-a", "-y", "-x", "vol_list"});
    EXPECT_EQ("Missing user.\n", noUser.out);
    EXPECT_NE(0, noUser.code);
    auto noPassword = runProgram("xcli", {"-u", "admin", "-m", "xiv-a", "-y", "-x", "vol_list"});
    EXPECT_EQ("Missing password.\n", noPassword.out);

    setenv("XIV_XCLIPASSWORD", "secret", 1);
    auto fromEnv = runProgram("xcli", {"-u", "admin", "-m", "xiv-a", "-y", "-x", "vol_list"});
    unsetenv("XIV_XCLIPASSWORD");
    EXPECT_EQ("SUCCESS", statusOf(fromEnv.out));
}

TEST_F(SimCommandLine, LoginAndAddressFailuresHaveTheirStatus) {
    auto base = xcliArgs({"vol_list"});
    base[3] = "wrong";
    EXPECT_EQ("INCORRECT_PASSWORD", statusOf(runProgram("xcli", base).out));
    base[1] = "nobody";
    EXPECT_EQ("USER_NAME_DOES_NOT_EXIST", statusOf(runProgram("xcli", base).out));
    auto elsewhere = xcliArgs({"vol_list"});
    elsewhere[5] = "xiv-b";
    auto r = runProgram("xcli", elsewhere);
    EXPECT_EQ("NO_CONNECTION", statusOf(r.out));
    EXPECT_NE(std::string::npos, r.out.find("<DESCRIPTION>"));
    // The admin tool adds users.
    ASSERT_EQ(0,
              admin({"user-add", "--address", "xiv-a", "--user", "ops", "--password", "pw"}).code);
    EXPECT_EQ("SUCCESS", statusOf(runProgram("xcli", {"-u", "ops", "-p", "pw", "-m", "xiv-a", "-y",
                                                      "-x", "host_list"})
                                      .out));
}

TEST_F(SimCommandLine, StrictAboutOperationsAndArguments) {
    EXPECT_EQ("UNRECOGNIZED_COMMAND", status({"vol_frobnicate"}));
    EXPECT_EQ("UNKNOWN_ARGUMENTS", status({"vol_list", "colour=red"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_create", "vol=v", "pool=p1"}));  // size missing
    EXPECT_EQ("BAD_PARAMS", status({"vol_create", "vol=v", "size=17", "size_blocks=1", "pool=p1"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_create", "vol=v", "size=1x", "pool=p1"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_create", "vol=v", "size=-5", "pool=p1"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_create", "vol=v", "vol=w", "size=1", "pool=p1"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_create", "vol=", "size=1", "pool=p1"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_list", "vol"}));
    EXPECT_EQ("ILLEGAL_NAME",
              status({"vol_create", "vol=" + std::string(64, 'n'), "size=1", "pool=p1"}));
    EXPECT_EQ("BAD_PARAMS", status({"vol_list", "-t", "name,colour"}));
    // Options the client does not know, or no output form, are usage errors without XML.
    auto r =
        runProgram("xcli", {"-u", "admin", "-p", "secret", "-m", "xiv-a", "-q", "-x", "vol_list"});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(2,
              runProgram("xcli", {"-u", "admin", "-p", "secret", "-m", "xiv-a", "vol_list"}).code);
    EXPECT_EQ(2, runProgram("xcli",
                            {"-u", "admin", "-p", "secret", "-m", "xiv-a", "-x", "-s", "vol_list"})
                     .code);
}

TEST_F(SimCommandLine, DestructiveCommandsNeedConfirmation) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    auto r = runProgram(
        "xcli", {"-u", "admin", "-p", "secret", "-m", "xiv-a", "-x", "vol_delete", "vol=v1"});
    EXPECT_EQ("COMMAND_REQUIRES_CONFIRMATION", statusOf(r.out));
    EXPECT_EQ("v1", volume("v1")["name"]);
    EXPECT_EQ("SUCCESS", status({"vol_delete", "vol=v1"}));
}

TEST_F(SimCommandLine, RunsAreRecordedExactly) {
    ASSERT_EQ(0, admin({"runs", "--clear"}).code);
    xcli({"vol_list", "vol=a b\tc"});
    setenv("XIV_XCLIPASSWORD", "hidden", 1);
    runProgram("xcli", {"-u", "admin", "-m", "xiv-a", "-y", "-x", "", "host_list"});
    unsetenv("XIV_XCLIPASSWORD");
    auto runs = admin({"runs", "--address", "xiv-a"}).out;
    auto first = runs.substr(0, runs.find('\n'));
    EXPECT_NE(std::string::npos, first.find("\txiv-a\tvol_list\tvol=a b\\tc\toption\t"));
    EXPECT_NE(std::string::npos,
              first.find("\t-u\tadmin\t-p\tsecret\t-m\txiv-a\t-y\t-x\tvol_list\tvol=a b\\tc"));
    auto second = runs.substr(first.size() + 1);
    // The empty argument is kept as received; the env password is flagged, never shown.
    EXPECT_NE(std::string::npos, second.find("\tenv\t"));
    EXPECT_NE(std::string::npos, second.find("\t-x\t\thost_list\n"));
    EXPECT_EQ(std::string::npos, runs.find("hidden"));
    // xcli --sim is the admin tool.
    ASSERT_EQ(0, runProgram("xcli", {"--sim", "runs", "--clear"}).code);
    EXPECT_EQ("", admin({"runs"}).out);
}

}  // namespace
}  // namespace simtest
