// Concurrent xcli runs against one array: each command is one transaction,
// so racing clients never both get what only one can have.
#include <set>

#include "SimHarness.h"

namespace simtest {
namespace {

class SimConcurrentRuns : public SimWorld {
protected:
    // Starts every command at once; their answers' statuses, in order.
    std::vector<std::string> race(const std::vector<std::vector<std::string>>& commands) {
        std::vector<Started> started;
        for (const auto& c : commands) started.push_back(startProgram("xcli", xcliArgs(c)));
        std::vector<std::string> statuses;
        for (auto& s : started) statuses.push_back(statusOf(finish(s).out));
        return statuses;
    }
};

TEST_F(SimConcurrentRuns, OnlyOneClientGetsALunOrTheLastSpace) {
    constexpr int kClients = 12;
    ASSERT_EQ("SUCCESS", status({"host_define", "host=h1"}));
    std::vector<std::vector<std::string>> maps, creates;
    for (int i = 0; i < kClients; ++i) {
        std::string v = "v" + std::to_string(i);
        ASSERT_EQ("SUCCESS", status({"vol_create", "vol=" + v, "size=17", "pool=p1"}));
        maps.push_back({"map_vol", "host=h1", "vol=" + v, "lun=7"});
    }
    const int room = 5;  // volumes of 17 GB that fit in p2
    ASSERT_EQ(0,
              admin({"pool-create", "--address", "xiv-a", "--pool", "p2", "--size-gb", "85"}).code);
    for (int i = 0; i < kClients; ++i)
        creates.push_back({"vol_create", "vol=n" + std::to_string(i), "size=17", "pool=p2"});

    struct Case {
        const std::vector<std::vector<std::string>>& commands;
        int winners;
        std::string losers;
    } cases[] = {{maps, 1, "LUN_ALREADY_IN_USE"}, {creates, room, "NOT_ENOUGH_SPACE"}};
    for (const auto& c : cases) {
        std::map<std::string, int> seen;
        for (const auto& s : race(c.commands)) ++seen[s];
        EXPECT_EQ(c.winners, seen["SUCCESS"]) << c.losers;
        EXPECT_EQ(kClients - c.winners, seen[c.losers]) << c.losers;
    }

    // What the winners made is whole: one mapping at LUN 7, distinct serials.
    auto mappings = resourcesOf(xcli({"mapping_list", "host=h1"}).out, "mapping");
    ASSERT_EQ(1u, mappings.size());
    EXPECT_EQ("7", mappings[0]["lun"]);
    std::set<std::string> serials;
    for (auto& v : resourcesOf(xcli({"vol_list"}).out, "volume")) serials.insert(v["serial"]);
    EXPECT_EQ(static_cast<size_t>(kClients + room), serials.size());
}

}  // namespace
}  // namespace simtest
