#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdint>
#include <memory>

#include "StandIn.h"
#include "xiv/Command.h"
#include "xiv/XCliParse.h"

namespace {

const char* const UNKNOWN = "XCLI_COMMAND_FAILED_UNKNOWN_REASON";

struct Parsed {
    std::string status = "unset";
    std::string text;
    std::list<ResourceNode*> list;
    ~Parsed() { FreeResourceList(list); }
    template <class T>
    T* at(size_t i)
    {
        auto it = list.begin();
        std::advance(it, i);
        return dynamic_cast<T*>(*it);
    }
};

void parse(Parsed& p, const std::string& kind, const std::string& xml)
{
    ParseOutput(kind, xml, p.status, p.text, p.list);
}

std::string field(const char* name, const std::string& value)
{
    return std::string("<") + name + " value=\"" + value + "\"/>";
}

TEST(ParseOutput, VolumesComeNewestFirstWithEveryField)
{
    const std::string a = "<volume>" + field("name", "A") + field("size", "17") +
                          field("size_MiB", "16384") + field("capacity", "34") +
                          field("used_capacity", "5") + field("used_capacity_MiB", "4096") +
                          field("locked", "no") + field("locked_by_pool", "yes") +
                          field("cg_name", "cg1") + field("pool_name", "p1") +
                          field("snapshot_serial", "-1") + field("wwn", "6001738ABC") +
                          field("unknown_field", "zz") + "</volume>";
    const std::string b = "<volume>" + field("name", "B") + field("size", "abc") +
                          "<wwn/></volume>";
    Parsed p;
    parse(p, "volume", Answer("SUCCESS", a + b));
    EXPECT_EQ("SUCCESS", p.status);
    ASSERT_EQ(2u, p.list.size());
    XivVol* first = p.at<XivVol>(0);
    XivVol* second = p.at<XivVol>(1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ("B", first->name);
    EXPECT_EQ(0, first->size);  // not a number
    EXPECT_EQ("", first->wwn);  // no value attribute
    EXPECT_EQ("A", second->name);
    EXPECT_EQ("A", second->vol_name);
    EXPECT_EQ(17, second->size);
    EXPECT_EQ(16384, second->size_MiB);
    EXPECT_EQ(34, second->capacity);
    EXPECT_EQ(5, second->used_capacity);
    EXPECT_EQ(4096, second->used_capacity_MiB);
    EXPECT_EQ("no", second->locked);
    EXPECT_EQ("yes", second->locked_by_pool);
    EXPECT_EQ("cg1", second->cg_name);
    EXPECT_EQ("p1", second->pool_name);
    EXPECT_EQ("-1", second->snapshot_serial);
    EXPECT_EQ("6001738ABC", second->wwn);
    EXPECT_EQ("", second->serial);
    EXPECT_EQ("", second->spare);
    EXPECT_EQ(0u, p.text.find("cmd_status = SUCCESS"));
}

TEST(ParseOutput, EveryKindFillsItsFields)
{
    Parsed host, map, vmap, conn, cg, sg, pool;
    parse(host, "host",
          Answer("SUCCESS", "<host>" + field("name", "h1") + field("fc_ports", "A,B") +
                                field("iscsi_ports", "iqn.x") + "</host>"));
    parse(map, "mapping",
          Answer("SUCCESS", "<mapping>" + field("lun", "12") + field("volume", "v") +
                                "</mapping>"));
    parse(vmap, "vol_mapping",
          Answer("SUCCESS", "<vol_mapping>" + field("lun", " -3x") + field("host", "h") +
                                "</vol_mapping>"));
    parse(conn, "host_connectivity",
          Answer("SUCCESS", "<host_connectivity>" + field("host", "h") +
                                field("host_port", "2100") + "</host_connectivity>"));
    parse(cg, "cg", Answer("SUCCESS", "<cg>" + field("name", "g") + field("pool", "p") + "</cg>"));
    parse(sg, "snap_group",
          Answer("SUCCESS", "<snap_group>" + field("name", "s") + field("cg", "g") +
                                "</snap_group>"));
    const char* sizes[] = {"soft_size", "hard_size", "hard_size_MiB", "soft_size_MiB",
                           "snapshot_size", "used_by_volumes", "used_by_snapshots",
                           "empty_space_soft", "empty_space_soft_MiB", "empty_space_hard",
                           "empty_space_hard_MiB"};
    std::string poolBody = "<pool>" + field("name", "p") + field("id", "7f") +
                           field("locked", "no") + field("lock_behaviour", "read_only");
    for (int i = 0; i < 11; ++i) poolBody += field(sizes[i], std::to_string(100 + i));
    parse(pool, "pool", Answer("SUCCESS", poolBody + "</pool>"));

    Host* h = host.at<Host>(0);
    ASSERT_TRUE(h);
    EXPECT_EQ("h1", h->name);
    EXPECT_EQ("A,B", h->fc_ports);
    EXPECT_EQ("iqn.x", h->iscsi_ports);
    HostMapping* m = map.at<HostMapping>(0);
    ASSERT_TRUE(m);
    EXPECT_EQ(12, m->lun);
    EXPECT_EQ("v", m->volume);
    VolMapping* vm = vmap.at<VolMapping>(0);
    ASSERT_TRUE(vm);
    EXPECT_EQ(-3, vm->lun);  // read as the C library reads numbers
    EXPECT_EQ("h", vm->host);
    HostConn* c = conn.at<HostConn>(0);
    ASSERT_TRUE(c);
    EXPECT_EQ("2100", c->host_port);
    ConsistencyGroup* g = cg.at<ConsistencyGroup>(0);
    ASSERT_TRUE(g);
    EXPECT_EQ("g", g->name);
    EXPECT_EQ("p", g->pool);
    SnapGroup* s = sg.at<SnapGroup>(0);
    ASSERT_TRUE(s);
    EXPECT_EQ("g", s->cg);
    XivPool* pl = pool.at<XivPool>(0);
    ASSERT_TRUE(pl);
    EXPECT_EQ("7f", pl->id);
    EXPECT_EQ("read_only", pl->lock_behaviour);
    const int64_t values[] = {pl->soft_size, pl->hard_size, pl->hard_size_MiB,
                              pl->soft_size_MiB, pl->snapshot_size, pl->used_by_volumes,
                              pl->used_by_snapshots, pl->empty_space_soft,
                              pl->empty_space_soft_MiB, pl->empty_space_hard,
                              pl->empty_space_hard_MiB};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(100 + i, values[i]) << sizes[i];
}

TEST(ParseOutput, FieldsGoOnlyToRecordsOfTheExpectedKind)
{
    const std::string body = "<volume>" + field("name", "A") + "</volume><host>" +
                             field("name", "h") + field("size", "9") + "</host>";
    Parsed none, asVolume;
    parse(none, "", Answer("SUCCESS", body));
    ASSERT_EQ(2u, none.list.size());
    EXPECT_EQ("", none.at<Host>(0)->name);
    EXPECT_EQ("", none.at<XivVol>(1)->name);
    EXPECT_EQ("", none.at<XivVol>(1)->vol_name);

    parse(asVolume, "volume", Answer("SUCCESS", body));
    EXPECT_EQ("", asVolume.at<Host>(0)->name);  // a host record is never filled as a volume
    EXPECT_EQ("A", asVolume.at<XivVol>(1)->name);
}

TEST(ParseOutput, StructureMessagesAndMissingStatus)
{
    Parsed p;
    parse(p, "volume",
          "<XCLIRETURN><OUTPUT><DESCRIPTION>text</DESCRIPTION><bogus/>"
          "<volume><name value=\"n\"><deeper/></name></volume></OUTPUT></XCLIRETURN>");
    EXPECT_EQ("", p.status);
    EXPECT_EQ(1u, p.list.size());
    EXPECT_NE(std::string::npos, p.text.find("this type of resource is not yet supported"));
    EXPECT_NE(std::string::npos, p.text.find("this level is not expected"));
    EXPECT_EQ(0u, p.text.find("cmd_status = "));
}

TEST(ParseOutput, NamesAndNumbersSurviveExactly)
{
    Parsed p;
    parse(p, "volume",
          Answer("SUCCESS", "<volume>" + field("name", "v\xC3\xB8l_\xE2\x82\xAC_\xF0\x9F\x98\x80") +
                                field("size", "99999999999999999999999") +
                                field("size_MiB", "-99999999999999999999999") + "</volume>"));
    XivVol* v = p.at<XivVol>(0);
    ASSERT_TRUE(v);
    EXPECT_EQ("v\xC3\xB8l_\xE2\x82\xAC_\xF0\x9F\x98\x80", v->name);
    EXPECT_EQ(INT64_MAX, v->size);
    EXPECT_EQ(INT64_MIN, v->size_MiB);
}

TEST(ParseOutput, BrokenAnswerIsAFailureThatKeepsItsRecords)
{
    const std::string vol = "<volume>" + field("name", "A") + "</volume>";
    const std::string whole = Answer("SUCCESS", vol + vol);
    const std::string cases[] = {
        whole.substr(0, whole.size() / 2 + 10),                       // truncated
        Answer("SUCCESS", vol) + "<trailing/>",                        // garbage after the root
        "<XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT>" + vol + "<a><b></a>",  // mismatched tags
        "<XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT>" + vol + "\x01",        // illegal character
    };
    for (const std::string& xml : cases) {
        Parsed p;
        parse(p, "volume", xml);
        EXPECT_EQ(UNKNOWN, p.status) << xml;
        EXPECT_NE(std::string::npos, p.text.find("Fatal Error: ")) << xml;
        ASSERT_GE(p.list.size(), 1u) << xml;
        EXPECT_EQ("A", p.at<XivVol>(0)->name);
    }
}

TEST(ParseOutput, SyntheticEnvelopesAlwaysParseWithTheirStatus)
{
    const std::string nasty = std::string("<b>& \"q\" ]]> \x01\x1f \xff\xfe \xC3 bad") + '\0' +
                              "tail </DESCRIPTION></OUTPUT></XCLIRETURN>";
    for (const char* status : {"XCLI_NOT_INSTALLED", "MISSING_PASSWORD", "MISSING_USERNAME",
                               "XCLI_COMMAND_FAILED_UNKNOWN_REASON"}) {
        Parsed p;
        const std::string envelope = Command::Envelope(status, nasty);
        parse(p, "volume", envelope);
        EXPECT_EQ(status, p.status);
        EXPECT_EQ(std::string("cmd_status = ") + status, p.text);
        EXPECT_TRUE(p.list.empty());
        EXPECT_NE(std::string::npos, envelope.find("&lt;b&gt;&amp;"));
    }
    EXPECT_EQ(
        "<XCLIRETURN STATUS=\"XCLI_NOT_INSTALLED\" COMMAND_LINE=\"\">\n\t\t\t\t\t<OUTPUT>\n"
        "\t\t\t\t\t\t<DESCRIPTION>no such file</DESCRIPTION>\n\t\t\t\t\t</OUTPUT>\n"
        "\t\t\t\t   </XCLIRETURN>",
        Command::Envelope("XCLI_NOT_INSTALLED", "no such file"));
    EXPECT_EQ(
        "<XCLIRETURN STATUS=\"XCLI_COMMAND_FAILED_UNKNOWN_REASON\" COMMAND_LINE=\"\">\n"
        "                    <OUTPUT>\n                        <DESCRIPTION>d</DESCRIPTION>\n"
        "                    </OUTPUT>\n                   </XCLIRETURN>",
        Command::Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON", "d"));
}

// Watches a file for any open or read while it lives.
class AccessWatch {
public:
    explicit AccessWatch(const std::string& path)
        : fd_(inotify_init1(IN_NONBLOCK)),
          wd_(inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_ACCESS))
    {
    }
    ~AccessWatch() { close(fd_); }
    bool ready() const { return fd_ >= 0 && wd_ >= 0; }
    bool touched() const
    {
        char buffer[4096];
        return read(fd_, buffer, sizeof buffer) > 0;
    }

private:
    int fd_;
    int wd_;
};

TEST(ParseOutput, NothingOutsideTheAnswerIsLoaded)
{
    StandIn world;
    const std::string secret = world.dir() + "/secret.txt";
    StandIn::write(secret, "TOPSECRET");
    const std::string dtd = world.dir() + "/grammar.dtd";
    StandIn::write(dtd, "<!ENTITY leak SYSTEM \"file://" + secret + "\">");
    const std::string cases[] = {
        "<!DOCTYPE XCLIRETURN [<!ENTITY leak SYSTEM \"file://" + secret +
            "\">]><XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT><volume><name value=\"&leak;\"/>"
            "</volume></OUTPUT></XCLIRETURN>",
        "<!DOCTYPE XCLIRETURN SYSTEM \"file://" + dtd +
            "\"><XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT/></XCLIRETURN>",
        "<!DOCTYPE XCLIRETURN [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT><volume><name value=\"&d;&d;&d;\"/></volume>"
        "</OUTPUT></XCLIRETURN>",
    };
    for (const std::string& xml : cases) {
        AccessWatch watchSecret(secret), watchDtd(dtd);
        ASSERT_TRUE(watchSecret.ready() && watchDtd.ready());
        Parsed p;
        parse(p, "volume", xml);
        EXPECT_EQ(UNKNOWN, p.status) << xml;
        EXPECT_NE(std::string::npos, p.text.find("DOCTYPE")) << p.text;
        EXPECT_FALSE(watchSecret.touched()) << xml;
        EXPECT_FALSE(watchDtd.touched()) << xml;
        for (ResourceNode* r : p.list) EXPECT_EQ("", dynamic_cast<XivVol*>(r)->name);
    }

    // A schema location is not followed either, and the answer still counts.
    AccessWatch watch(dtd);
    Parsed p;
    parse(p, "volume",
          "<XCLIRETURN xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
          "xsi:noNamespaceSchemaLocation=\"file://" + dtd + "\" STATUS=\"SUCCESS\"><OUTPUT/>"
          "</XCLIRETURN>");
    EXPECT_EQ("SUCCESS", p.status);
    EXPECT_FALSE(watch.touched());
}

TEST(SkipExtraLines, CutsBannersAroundTheDocument)
{
    std::string text = "Warning: banner <x>\n" + Answer("SUCCESS") + "\ntrailing </XCLIRETURN";
    SkipExtraLines(text);
    EXPECT_EQ(Answer("SUCCESS"), text);
    std::string plain = "no document here";
    SkipExtraLines(plain);
    EXPECT_EQ("no document here", plain);
}

}  // namespace
