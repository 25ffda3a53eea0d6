#include <gtest/gtest.h>

#include "refhost/HostDatabase.h"
#include "refhost/HostSchema.h"
#include "refhost/HostSettings.h"
#include "refhost/RefhostTestSupport.h"
#include "refhost/SqlStatement.h"

using namespace refhost;
using refhost_test::TestDir;

TEST(HostDatabase, SettingsSurviveReopenAndSchemaIsCurrent) {
    TestDir dir;
    {
        HostDatabase db(dir / "host.db");
        EXPECT_EQ(db.schemaVersion(), currentSchemaVersion());
        HostSettings(db).set("world", "simulated");
        HostSettings(db).set("world", "real");  // an update, not a second row
    }
    HostDatabase again(dir / "host.db");
    EXPECT_EQ(HostSettings(again).get("world"), "real");
    EXPECT_EQ(HostSettings(again).get("absent", "fallback"), "fallback");
}

// Garbage, a bare header, a file of a newer build, and a valid file cut
// short: a HostDbError naming the problem, never a crash.
TEST(HostDatabase, DamagedNewerOrTruncatedFilesFailCleanly) {
    TestDir dir;
    std::string path = dir / "host.db";
    for (const std::string& garbage :
         {std::string(4096, 'x'), std::string("SQLite format 3") + std::string(200, '\0')}) {
        refhost_test::writeFile(path, garbage);
        try {
            HostDatabase db(path);
            FAIL() << "a damaged file was opened";
        } catch (const HostDbError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("damaged or not a database"), std::string::npos)
                << e.what();
        }
        ::unlink(path.c_str());
    }

    {
        HostDatabase db(path);
        db.exec(("PRAGMA user_version=" + std::to_string(currentSchemaVersion() + 1)).c_str());
    }
    EXPECT_THROW(HostDatabase db(path), HostDbError);
    ::unlink(path.c_str());

    {
        HostDatabase db(path);
        for (int i = 0; i < 200; ++i)
            HostSettings(db).set("k" + std::to_string(i), std::string(500, 'v'));
        db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    std::string bytes = refhost_test::readFile(path);
    ASSERT_GT(bytes.size(), 8192u);
    refhost_test::writeFile(path, bytes.substr(0, bytes.size() / 3));
    try {  // opening may still work; reading what was cut off must not crash
        HostDatabase db(path);
        SqlStatement st(db, "SELECT COUNT(*), SUM(LENGTH(value)) FROM host_settings");
        st.step();
    } catch (const HostDbError& e) {
        EXPECT_NE(std::string(e.what()).find("host database"), std::string::npos);
    }
}

TEST(HostDatabase, TransactionsRollBackUnlessCommittedAndInnerFailureSpoilsOuter) {
    TestDir dir;
    HostDatabase db(dir / "host.db");
    {
        Transaction tx(db);
        db.exec("INSERT INTO host_settings VALUES('a', '1')");
    }  // no commit
    EXPECT_FALSE(HostSettings(db).has("a"));

    Transaction outer(db);
    db.exec("INSERT INTO host_settings VALUES('b', '1')");
    {
        Transaction inner(db);
        db.exec("INSERT INTO host_settings VALUES('c', '1')");
    }  // the inner step failed
    EXPECT_THROW(outer.commit(), HostDbError);
    EXPECT_FALSE(db.inTransaction());
    EXPECT_FALSE(HostSettings(db).has("b"));
    EXPECT_FALSE(HostSettings(db).has("c"));
}
