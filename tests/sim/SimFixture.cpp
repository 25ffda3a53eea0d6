#include "SimFixture.h"

#include <regex>
#include <sstream>

#include "TestData.h"

namespace simtest {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string statusOf(const std::string& xml) {
    std::smatch m;
    return std::regex_search(xml, m, std::regex("<XCLIRETURN STATUS=\"([^\"]*)\"")) ? m.str(1) : "";
}

std::vector<Resource> resourcesOf(const std::string& xml, const std::string& element) {
    std::vector<Resource> out;
    const std::regex field("<(\\w+) value=\"([^\"]*)\"");
    const std::string open = "<" + element + ">", close = "</" + element + ">";
    for (auto p = xml.find(open); p != std::string::npos; p = xml.find(open, p + 1)) {
        std::string body = xml.substr(p, xml.find(close, p) - p);
        Resource r;
        for (std::sregex_iterator f(body.begin(), body.end(), field), end; f != end; ++f)
            r[f->str(1)] = f->str(2);
        out.push_back(r);
    }
    return out;
}

SimTest::SimTest()
    : world_(std::make_unique<HostWorld>(dir_.file("world"))),
      state_("XIV_SIM_STATE", world_->sim().state()) {
    admin("pool-create" + kAt + "--pool p --size-gb 1000 --snapshot-size-gb 170");
}

ProgramRun SimTest::xcli(const std::string& line, const std::vector<std::string>& login) const {
    std::vector<std::string> argv = {BuiltProgram("xcli")};
    if (login.empty())
        argv.insert(argv.end(), {"-u", HostWorld::kUser, "-p", HostWorld::kPassword, "-m",
                                 HostWorld::kAddress, "-y", "-x"});
    argv.insert(argv.end(), login.begin(), login.end());
    for (auto& w : words(line)) argv.push_back(w);
    return RunProgram(argv);
}

void SimTest::runScript(const std::string& name) const {
    std::istringstream in(TestData("sim/" + name));
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        auto w = words(line);
        const std::string at = name + ":" + std::to_string(++number);
        if (w.empty() || w[0][0] == '#') continue;
        if (w[0] == "!" || w[0] == "!!") {
            std::vector<std::string> args(w.begin() + 1, w.end());
            if (w[0] == "!") world_->admin(args);
            if (w[0] == "!!") {
                EXPECT_ANY_THROW(world_->admin(args)) << at;
            }
            continue;
        }
        auto arrow = line.find(" => ");
        ASSERT_NE(arrow, std::string::npos) << at;
        auto expected = words(line.substr(arrow + 4));
        const std::string command = line.substr(0, arrow);
        auto ran = command[0] == '-' ? xcli("", words(command)) : xcli(command);
        EXPECT_EQ(expected[0] == "none" ? "" : expected[0], statusOf(ran.out)) << at << " " << line;
        for (std::size_t i = 1; i < expected.size(); ++i) {
            const std::string& f = expected[i];
            if (f.rfind("exit=", 0) == 0)
                EXPECT_EQ(f.substr(5), std::to_string(ran.status)) << at;
            else if (f[0] == '-')
                EXPECT_EQ(std::string::npos, ran.out.find("<" + f.substr(1) + " "))
                    << at << " " << f;
            else
                EXPECT_NE(std::string::npos,
                          ran.out.find("<" + f.substr(0, f.find('=')) + " value=\"" +
                                       f.substr(f.find('=') + 1) + "\""))
                    << at << " " << f;
        }
    }
}

Resource SimTest::volume(const std::string& name) const {
    auto all = list("vol_list vol=" + name, "volume");
    return all.empty() ? Resource{} : all.front();
}

}  // namespace simtest
