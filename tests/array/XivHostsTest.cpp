// This machine's host objects on the simulated array: lookup by port,
// logged-in ports, creating and deleting host objects.
#include <set>

#include "SimArrayTest.h"

namespace {

const char kPortA[] = "10000000C9A1B2C3";
const char kPortB[] = "10000000C9A1B2C4";
const char kPortC[] = "10000000C9A1B2C5";

class HostsTest : public SimArrayTest {
protected:
    void HostWith(const std::string& name, const std::string& fc, const std::string& iscsi = "") {
        std::vector<std::string> args{"host-create", "--address", kAddress, "--host", name};
        if (!fc.empty()) args.insert(args.end(), {"--fc", fc});
        if (!iscsi.empty()) args.insert(args.end(), {"--iscsi", iscsi});
        Sim(args);
    }
};

TEST_F(HostsTest, HostIsFoundByAnyOfItsPortsInAnyCase) {
    HostWith("portless", "");
    HostWith("srv", std::string(kPortA) + "," + kPortB);
    xiv_->GetMyHostName("10000000c9a1b2c4", "", error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(xiv_->sMyHostName, "srv");
    EXPECT_NE(text.find("name = srv"), std::string::npos) << text;
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}}));

    Fresh();
    xiv_->GetMyHostName(kPortC, "", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(text.rfind("Host name not found", 0), 0u) << text;
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_NAME");
    EXPECT_EQ(xiv_->sMyHostName, "srv");  // kept from the earlier match
}

TEST_F(HostsTest, IscsiNameMatchesOnlyTheWholeEntry) {
    HostWith("other", "", "iqn.1994-05.com.example:host10");
    HostWith("mine", "", "iqn.1994-05.com.example:host1");
    xiv_->GetMyHostName("", "IQN.1994-05.COM.EXAMPLE:HOST1", error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(xiv_->sMyHostName, "mine");

    Fresh();
    std::set<std::string> names;
    xiv_->GetAllMyHostNames({"iqn.1994-05.com.example:host1"}, names, error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(names, std::set<std::string>{"mine"});
}

TEST_F(HostsTest, AllHostObjectsHoldingAnyPortInOneListing) {
    HostWith("first", kPortA);
    HostWith("second", kPortB);
    HostWith("stranger", kPortC);
    std::set<std::string> names;
    xiv_->GetAllMyHostNames({kPortA, "", kPortB}, names, error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(names, (std::set<std::string>{"first", "second"}));
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}}));

    Fresh();
    names.clear();
    xiv_->GetAllMyHostNames({"2100000000000000"}, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_NAME");
    EXPECT_TRUE(names.empty());
}

TEST_F(HostsTest, FailedHostListingKeepsItsOwnError) {
    HostWith("srv", kPortA);
    Sim({"fault", "--address", kAddress, "--kind", "fail", "--status", "NO_CONNECTION", "--op",
         "host_list", "--count", "2"});
    xiv_->GetMyHostName(kPortA, "", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");  // not "no host holds the port"
    Fresh();
    std::set<std::string> names;
    xiv_->GetAllMyHostNames({kPortA}, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
}

TEST_F(HostsTest, LoggedInPortsMoveToTheOutputOnce) {
    HostWith("srv", std::string(kPortA) + "," + kPortB + "," + kPortC);
    Sim({"port-login", "--address", kAddress, "--port", kPortA});
    Sim({"port-login", "--address", kAddress, "--port", kPortC});
    std::list<std::string> ports{"10000000c9a1b2c3", kPortB, kPortC};
    std::list<std::string> loggedIn;
    xiv_->GetLoggedInHBAs(ports, loggedIn, error);
    EXPECT_EQ(code, 0) << text;
    // Moved as given, lower case included; the rest stays behind.
    EXPECT_EQ(std::multiset<std::string>(loggedIn.begin(), loggedIn.end()),
              (std::multiset<std::string>{"10000000c9a1b2c3", kPortC}));
    EXPECT_EQ(ports, std::list<std::string>{kPortB});
    EXPECT_EQ(Runs(), (RunCounts{{"host_connectivity_list", 1}}));
}

TEST_F(HostsTest, CreateHostSkipsTakenNamesAndAddsPortsByKind) {
    HostWith("client_9876", "");
    HostWith("client_9875", "");
    std::string name = "client";
    xiv_->CreateHost({kPortA, "iqn.1994-05.com.example:client"}, false, name, error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(name, "client_9874");
    std::vector<std::string> adds = ArgsOf("host_add_port");
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_NE(adds[0].find("fcaddress="), std::string::npos) << adds[0];
    EXPECT_NE(adds[1].find("iscsi_name="), std::string::npos) << adds[1];
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 3}, {"host_add_port", 2}}));

    Fresh();
    xiv_->GetMyHostName("", "IQN.1994-05.com.example:CLIENT", error);
    EXPECT_EQ(xiv_->sMyHostName, "client_9874");
}

TEST_F(HostsTest, CreateHostWithARefusedNameRunsNothing) {
    std::string name = "bad\"name";
    xiv_->CreateHost({kPortA}, false, name, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(name, "bad\"name");
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(HostsTest, ListAndDeleteHostObjects) {
    HostWith("h1", kPortA);
    HostWith("h2", "");
    std::vector<Host> hosts;
    xiv_->GetAllHosts(hosts, error);
    EXPECT_EQ(code, 0) << text;
    std::set<std::string> names;
    for (const Host& h : hosts) {
        names.insert(h.name);
        if (h.name == "h1") {
            EXPECT_EQ(h.fc_ports, kPortA);
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{"h1", "h2"}));

    xiv_->DeleteHost("h1", error);
    EXPECT_EQ(code, 0) << text;
    xiv_->DeleteHost("h2", error);
    EXPECT_EQ(code, 0) << text;
    hosts.clear();
    xiv_->GetAllHosts(hosts, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_COMMAND");
    EXPECT_NE(text.find("hosts lists not found."), std::string::npos);
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}, {"host_delete", 2}}));
}

}  // namespace
