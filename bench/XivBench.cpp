// The XCLI layer's costs next to what they are built on:
//   ParseOutput of vol_list answers vs an empty-handler parse configured alike;
//   a small command's DoTheWork round trip vs a bare posix_spawn + wait of the
//   same stand-in.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include "VolListDocument.h"
#include "xiv/XCliParse.h"
#include "xiv/XCliSAX2Handler.h"

extern char** environ;

namespace {

const std::string& document(int volumes)
{
    static std::map<int, std::string> docs;
    auto it = docs.find(volumes);
    if (it == docs.end()) it = docs.emplace(volumes, VolListDocument(volumes)).first;
    return it->second;
}

void BM_ParseOutput(benchmark::State& state)
{
    const std::string& xml = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string status, errorText;
        std::list<ResourceNode*> records;
        ParseOutput("volume", xml, status, errorText, records);
        // Freeing the records is the caller's work, later: not timed.
        state.PauseTiming();
        if (status != "SUCCESS" || records.size() != static_cast<size_t>(state.range(0)))
            state.SkipWithError("parse failed");
        FreeResourceList(records);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(xml.size()));
}

// The same reader set-up and the same initialise/terminate pair, with a
// handler that does nothing. range(1) = 1 forces the full scanner that
// answers with a declaration, a DOCTYPE or namespaces get, for comparison.
void BM_XercesEmptyHandler(benchmark::State& state)
{
    using namespace xercesc;
    const std::string& xml = document(static_cast<int>(state.range(0)));
    const bool full = state.range(1) != 0;
    // ParseOutput holds the platform for the process; do the same here.
    static const bool held = (XMLPlatformUtils::Initialize(), true);
    (void)held;
    for (auto _ : state) {
        XMLPlatformUtils::Initialize();
        {
            DefaultHandler handler;
            SecurityManager security;
            std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
            const size_t size = std::strlen(xml.c_str());
            XCliSAX2Handler::Configure(
                *reader, handler, security,
                !full && XCliSAX2Handler::PlainAnswer(xml.c_str(), size));
            MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml.c_str()), size,
                                     "FakeSystemId", false);
            reader->parse(source);
        }
        XMLPlatformUtils::Terminate();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(xml.size()));
}

// A scratch directory holding an xcli stand-in that prints a one-line answer.
struct StandIn {
    std::string dir;
    StandIn()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/xiv_bench.XXXXXX";
        if (!mkdtemp(&pattern[0])) std::abort();
        dir = pattern;
        std::ofstream(dir + "/xcli")
            << "#!/bin/sh\nprintf '%s\\n' '<XCLIRETURN STATUS=\"SUCCESS\" "
               "COMMAND_LINE=\"vol_lock vol=v1\"><OUTPUT/></XCLIRETURN>'\n";
        chmod((dir + "/xcli").c_str(), 0755);
    }
    ~StandIn()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

StandIn& standIn()
{
    static StandIn s;
    return s;
}

void BM_DoTheWorkRoundTrip(benchmark::State& state)
{
    const std::string dir = standIn().dir;
    const XivLogger logger{DebugLog()};
    for (auto _ : state) {
        std::string output, status, result, errorText;
        std::list<ResourceNode*> records;
        int errorCode = 0;
        DoTheWork("xcli -u admin -p secret -m array1 -y -x vol_lock vol=\"v1\"", output, "secret",
                  "", errorText, records, errorCode, status, result, dir, logger);
        if (status != "SUCCESS") state.SkipWithError("round trip failed");
        FreeResourceList(records);
    }
}

void BM_BareSpawnWait(benchmark::State& state)
{
    const std::string program = standIn().dir + "/xcli";
    const char* argv[] = {program.c_str(), "-u", "admin", "-m", "array1", "-y", "-x",
                          "vol_lock", "vol=v1", nullptr};
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            state.SkipWithError("spawn failed");
        posix_spawn_file_actions_destroy(&actions);
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
    }
}

}  // namespace

BENCHMARK(BM_ParseOutput)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_XercesEmptyHandler)->Args({1000, 0})->Args({10000, 0})->Args({50000, 0})
    ->Args({50000, 1})->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DoTheWorkRoundTrip)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareSpawnWait)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
