#include <gtest/gtest.h>

#include <string>

#include "engine/identity/Credentials.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

// Array info keys count only after a comma and end at a comma or the brace;
// the login's keys are read in order and the first missing one ends it.
TEST(Credentials, ParsingArrayInfoAndLogin) {
    XIVFilerSnapInfo r;
    r.sHostName = r.sHostUserName = r.sHostPassword = "stale";
    EXPECT_TRUE(
        ParseArrayInfo("{hostName:first,x:1,hostUserName:admin,hostPassword:pw}", r, nullptr));
    EXPECT_EQ(r.sHostName + "|" + r.sHostUserName + "|" + r.sHostPassword, "|admin|pw");
    EXPECT_TRUE(ParseArrayInfo("{id:1,hostName:10.0.0.5,hostPassword:p\"wd,z:1}", r, nullptr));
    // The quote and the byte after it are skipped.
    EXPECT_EQ(r.sHostName + "|" + r.sHostUserName + "|" + r.sHostPassword, "10.0.0.5||pd");
    EXPECT_TRUE(ParseArrayInfo("{id:1,hostName:unterminated", r, nullptr));
    EXPECT_EQ(r.sHostName, "");
    FakeSnapInfo info;
    EXPECT_FALSE(ParseArrayInfo(nullptr, r, nullptr));
    EXPECT_FALSE(ParseArrayInfo(nullptr, r, &info));
    EXPECT_FALSE(ParseForCredentials(nullptr, r, &info));
    EXPECT_EQ(info.logs.size(), 2u);

    XIVFilerSnapInfo partial;
    EXPECT_FALSE(
        ParseForCredentials("{arrayId:7,hostUserName:u,hostPassword:p}", partial, nullptr));
    EXPECT_EQ(partial.sArrayId, "7");
    EXPECT_EQ(partial.sHostUserName, "");  // not reached
}

TEST(Credentials, LoginIsFetchedAfterATooSmallAnswerButNotAfterThree) {
    FakeSnapInfo info;
    FakeZROSUtil os;
    XIVFilerSnapInfo record;
    std::string user(5000, 'u');
    info.arrayLogin =
        "{arrayId:1310133,hostName:a1,hostUserName:" + user + ",hostPassword:s3cr/et}";
    EXPECT_TRUE(GetCredentials(&info, &os, "ignored", record));
    EXPECT_EQ(info.arrayLogin.calls(), 2);
    EXPECT_EQ(record.sArrayId + record.sHostUserName + record.sHostPassword,
              "1310133" + user + "s3cr/et");  // the password as it stands
    EXPECT_TRUE(info.errors.empty() && info.logs.empty());

    FakeSnapInfo endless;
    endless.arrayLogin.tooSmallForever(6000);
    EXPECT_FALSE(GetCredentials(&endless, &os, nullptr, record));
    EXPECT_EQ(endless.arrayLogin.calls(), 3);
    ASSERT_EQ(endless.errors.size(), 1u);
    EXPECT_EQ(endless.errors[0].code, 62005);
    EXPECT_FALSE(GetCredentials(nullptr, &os, nullptr, record));

    info.arrayLogin = "{arrayId:1310133,hostName:a1,hostUserName:admin}";
    EXPECT_FALSE(GetCredentials(&info, &os, nullptr, record));
    EXPECT_EQ(record.sHostUserName, "admin");
    ASSERT_NE(info.lastError(), nullptr);
    EXPECT_EQ(info.lastError()->code, 62005);
    EXPECT_EQ(info.lastError()->message,
              "Array ID or UserId or Passaword not found for the control host [a1].");
}

}  // namespace
