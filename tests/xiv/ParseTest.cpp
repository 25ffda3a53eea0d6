// Reading XCLI answers: every field of every record kind, broken and hostile
// answers, and the two scanners agreeing.
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "TestData.h"
#include "XivTests.h"
#include "xiv/Command.h"
#include "xiv/XCliParse.h"
#include "xiv/XCliSAX2Handler.h"

namespace {

const char* const UNKNOWN = "XCLI_COMMAND_FAILED_UNKNOWN_REASON";

struct Parsed {
    std::string status = "unset", text;
    ResourceList list;
    Parsed(const std::string& kind, const std::string& xml) {
        ParseOutput(kind, xml, status, text, list);
    }
};

TEST(ParseOutput, EveryFieldOfEveryKind) {
    std::vector<std::vector<std::string>> filled;  // a row of one field each
    for (const char* kind : {"host", "volume", "vol_mapping", "mapping", "host_connectivity", "cg",
                             "snap_group", "pool"}) {
        Parsed p(kind, Canned("every_field.xml"));
        EXPECT_EQ("SUCCESS", p.status);
        for (const std::string& line : Dump(p.list))
            if (line.find('=') != std::string::npos) filled.push_back({line});
    }
    EXPECT_EQ(TestTable("parsed/every_field.txt"), filled);
}

TEST(ParseOutput, OddValuesAndStructure) {
    Parsed p("volume", Canned("odd_values.xml"));
    EXPECT_EQ("", p.status);  // no STATUS attribute
    EXPECT_EQ(0u, p.text.find("cmd_status = this type of resource is not yet supported"
                              "this level is not expected"));
    std::vector<std::vector<std::string>> records;
    for (const std::string& line : Dump(p.list)) records.push_back({line});
    EXPECT_EQ(TestTable("parsed/odd_values.txt"), records);
}

TEST(ParseOutput, EscapedCharactersAreNotEntityExpansions) {
    std::string body;  // far more than the expansion limit of declared entities
    for (int i = 0; i < 500; ++i) body += "<volume><name value=\"a&amp;b&lt;&#65;\"/></volume>";
    Parsed p("volume", Answer("SUCCESS", body));
    EXPECT_EQ("SUCCESS", p.status);
    ASSERT_EQ(500u, p.list.size());
    EXPECT_EQ("volume name=a&b<A vol_name=a&b<A", Dump(p.list)[0]);
}

TEST(ParseOutput, BrokenAnswerIsAFailureThatKeepsItsRecords) {
    const std::string vol = "<volume><name value=\"A\"/></volume>";
    const std::string whole = Answer("SUCCESS", vol + vol);
    for (const std::string& xml :
         {whole.substr(0, whole.size() / 2 + 10), Answer("SUCCESS", vol) + "<trailing/>",
          "<XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT>" + vol + "<a><b></a>",
          "<XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT>" + vol + "\x01"}) {
        Parsed p("volume", xml);
        EXPECT_EQ(UNKNOWN, p.status) << xml;
        EXPECT_NE(std::string::npos, p.text.find("Fatal Error: ")) << xml;
        ASSERT_GE(p.list.size(), 1u) << xml;
        EXPECT_EQ("volume name=A vol_name=A", Dump(p.list).back());
    }
}

TEST(ParseOutput, SyntheticAnswersAlwaysParseWithTheirStatus) {
    const std::string nasty = std::string("<b>& \"q\" ]]> \x01 \xff\xfe \xC3 x") + '\0' +
                              "</DESCRIPTION></OUTPUT></XCLIRETURN>";
    for (const char* status :
         {"XCLI_NOT_INSTALLED", "MISSING_PASSWORD", "MISSING_USERNAME", UNKNOWN}) {
        const std::string envelope = Command::Envelope(status, nasty);
        Parsed p("volume", envelope);
        EXPECT_EQ(status, p.status);
        EXPECT_EQ(std::string("cmd_status = ") + status, p.text);
        EXPECT_TRUE(p.list.empty());
        EXPECT_NE(std::string::npos, envelope.find("&lt;b&gt;&amp;"));
    }
}

TEST(ParseOutput, PlainAnswersAreTheOnesThatOpenOnTheirRoot) {
    for (const char* xml : {"<XCLIRETURN STATUS=\"SUCCESS\"/>", " \r\n\t<x/>", "<_/>", "<:a/>"})
        EXPECT_TRUE(XCliSAX2Handler::PlainAnswer(xml, std::strlen(xml))) << xml;
    for (const char* xml : {"", "<", " ", "<?xml version=\"1.0\"?><x/>", "\xEF\xBB\xBF<x/>",
                            "<!DOCTYPE x><x/>", "<!-- c --><x/>", "<1/>", "\xC3\xA9<x/>",
                            "<\0x\0/\0>\0", "<x xmlns:a=\"u\"/>", "<x><y xmlns=\"u\"/></x>"})
        EXPECT_FALSE(XCliSAX2Handler::PlainAnswer(xml, std::strlen(xml))) << xml;
}

// A plain answer and the same answer behind an XML declaration go through
// different scanners; what the caller gets must not tell them apart. Every
// canned answer is one case, and so is each seed of the agreement fuzzer.
TEST(ParseOutput, BothScannersReadAnAnswerAlike) {
    std::vector<std::string> answers;
    for (const char* dir : {"/tests/data/xcli", "/tests/fuzz/corpus/scanner_agreement"})
        for (const auto& f :
             std::filesystem::directory_iterator(ZRSO_SOURCE_DIR + std::string(dir)))
            answers.push_back(ReadFileText(f.path()));
    ASSERT_GT(answers.size(), 10u);
    for (std::string xml : answers) {
        SkipExtraLines(xml);
        for (const char* kind : {"volume", "pool", "host"}) {
            Parsed plain(kind, xml);
            Parsed declared(kind, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + xml);
            EXPECT_EQ(declared.status, plain.status) << xml;
            EXPECT_EQ(declared.text.empty(), plain.text.empty()) << xml;
            EXPECT_EQ(Dump(declared.list), Dump(plain.list)) << xml;
        }
    }
    // Binding another prefix to the XML namespace is an error; answers that
    // declare namespaces keep the full checks.
    Parsed p("volume",
             "<XCLIRETURN xmlns:x=\"http://www.w3.org/XML/1998/namespace\" STATUS=\"SUCCESS\"/>");
    EXPECT_EQ(UNKNOWN, p.status);
}

// True when the file was opened or read since the watch began.
class AccessWatch {
public:
    explicit AccessWatch(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK)) {
        EXPECT_GE(inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_ACCESS), 0);
    }
    ~AccessWatch() { close(fd_); }
    bool touched() const {
        char events[4096];
        return read(fd_, events, sizeof events) > 0;
    }

private:
    int fd_;
};

TEST(ParseOutput, NothingOutsideTheAnswerIsLoaded) {
    TempDir dir;
    const std::string secret = dir.write("secret.txt", "TOPSECRET");
    const std::string dtd =
        dir.write("grammar.dtd", "<!ENTITY leak SYSTEM \"file://" + secret + "\">");
    const std::string root = "<XCLIRETURN STATUS=\"SUCCESS\"><OUTPUT><volume><name value=\"";
    const std::string end = "\"/></volume></OUTPUT></XCLIRETURN>";
    for (const std::string& xml :
         {"<!DOCTYPE XCLIRETURN [<!ENTITY leak SYSTEM \"file://" + secret + "\">]>" + root +
              "&leak;" + end,
          "<!DOCTYPE XCLIRETURN SYSTEM \"file://" + dtd + "\">" + root + end,
          Canned("entity_bomb.xml")}) {
        AccessWatch watchSecret(secret), watchDtd(dtd);
        Parsed p("volume", xml);
        EXPECT_EQ(UNKNOWN, p.status) << xml;
        EXPECT_NE(std::string::npos, p.text.find("DOCTYPE")) << p.text;
        EXPECT_FALSE(watchSecret.touched() || watchDtd.touched()) << xml;
        EXPECT_TRUE(p.list.empty());
    }
    // A schema location is not followed either, and the answer still counts.
    AccessWatch watch(dtd);
    Parsed p("volume",
             "<XCLIRETURN xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
             "xsi:noNamespaceSchemaLocation=\"file://" +
                 dtd + "\" STATUS=\"SUCCESS\"><OUTPUT/></XCLIRETURN>");
    EXPECT_EQ("SUCCESS", p.status);
    EXPECT_FALSE(watch.touched());
}

}  // namespace
