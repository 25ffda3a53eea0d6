#include <gtest/gtest.h>

#include <string>

#include "engine/identity/Credentials.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

TEST(ParseArrayInfo, KeysCountOnlyAfterACommaAndEndAtCommaOrBraceNullFails) {
    XIVFilerSnapInfo r;
    r.sHostName = r.sHostUserName = r.sHostPassword = "stale";
    EXPECT_TRUE(
        ParseArrayInfo("{hostName:first,x:1,hostUserName:admin,hostPassword:pw}", r, nullptr));
    EXPECT_EQ(r.sHostName, "");  // right after the brace: not found
    EXPECT_EQ(r.sHostUserName, "admin");
    EXPECT_EQ(r.sHostPassword, "pw");  // last value ends at the brace

    EXPECT_TRUE(ParseArrayInfo("{id:1,hostName:10.0.0.5,hostPassword:p\"wd,z:1}", r, nullptr));
    EXPECT_EQ(r.sHostName, "10.0.0.5");
    EXPECT_EQ(r.sHostUserName, "");
    EXPECT_EQ(r.sHostPassword, "pd");  // the quote and the byte after it are skipped

    EXPECT_TRUE(ParseArrayInfo("{id:1,hostName:unterminated", r, nullptr));
    EXPECT_EQ(r.sHostName, "");

    FakeSnapInfo info;
    EXPECT_FALSE(ParseArrayInfo(nullptr, r, nullptr));
    EXPECT_FALSE(ParseArrayInfo(nullptr, r, &info));
    EXPECT_EQ(info.logs.size(), 1u);
}

TEST(ParseForCredentials, StopsAtTheFirstMissingKeyKeepingEarlierValues) {
    XIVFilerSnapInfo r;
    EXPECT_TRUE(ParseForCredentials(
        "{arrayId:1310133,hostName:a1,hostUserName:admin,hostPassword:s3cr/et}", r, nullptr));
    EXPECT_EQ(r.sArrayId, "1310133");
    EXPECT_EQ(r.sHostPassword, "s3cr/et");  // taken as it stands

    XIVFilerSnapInfo partial;
    EXPECT_FALSE(
        ParseForCredentials("{arrayId:7,hostUserName:u,hostPassword:p}", partial, nullptr));
    EXPECT_EQ(partial.sArrayId, "7");
    EXPECT_EQ(partial.sHostUserName, "");  // not reached
}

struct GetCredentialsTest : ::testing::Test {
    FakeSnapInfo info;
    FakeZROSUtil os;
    XIVFilerSnapInfo record;
};

TEST_F(GetCredentialsTest, LoginIsFetchedAfterATooSmallAnswerButNotAfterThree) {
    std::string user(5000, 'u');
    info.arrayLogin =
        "{arrayId:1310133,hostName:a1,hostUserName:" + user + ",hostPassword:topsecret}";
    EXPECT_TRUE(GetCredentials(&info, &os, "ignored", record));
    EXPECT_EQ(info.arrayLogin.calls(), 2);
    EXPECT_EQ(record.sHostUserName, user);
    EXPECT_EQ(record.sHostPassword, "topsecret");
    EXPECT_TRUE(info.errors.empty());
    EXPECT_TRUE(info.logs.empty());

    FakeSnapInfo endless;
    endless.arrayLogin.tooSmallForever(6000);
    EXPECT_FALSE(GetCredentials(&endless, &os, nullptr, record));
    EXPECT_EQ(endless.arrayLogin.calls(), 3);
    ASSERT_EQ(endless.errors.size(), 1u);
    EXPECT_EQ(endless.errors[0].code, 62005);
    EXPECT_EQ(endless.countLogs("Unable to get credentials for the array", 2), 1);
    EXPECT_FALSE(GetCredentials(nullptr, &os, nullptr, record));
}

TEST_F(GetCredentialsTest, MissingPasswordFailsAfterFillingTheOthers) {
    info.arrayLogin = "{arrayId:1310133,hostName:a1,hostUserName:admin}";
    EXPECT_FALSE(GetCredentials(&info, &os, nullptr, record));
    EXPECT_EQ(record.sHostUserName, "admin");
    ASSERT_NE(info.lastError(), nullptr);
    EXPECT_EQ(info.lastError()->code, 62005);
    EXPECT_EQ(info.lastError()->message,
              "Array ID or UserId or Passaword not found for the control host [a1].");
}

}  // namespace
