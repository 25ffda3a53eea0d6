// The XCLI layer's costs next to what they are built on:
//   ParseOutput of vol_list answers vs an empty-handler parse configured alike,
//   alternated and timed on the thread's processor clock;
//   a small command's DoTheWork round trip vs a bare posix_spawn + wait of the
//   same stand-in.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include "VolListDocument.h"
#include "xiv/XCliParse.h"
#include "xiv/XCliSAX2Handler.h"

extern char** environ;

namespace {

const std::string& document(int volumes) {
    static std::map<int, std::string> docs;
    auto it = docs.find(volumes);
    if (it == docs.end()) it = docs.emplace(volumes, VolListDocument(volumes)).first;
    return it->second;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The same reader set-up and the same initialise/terminate pair as
// ParseOutput, with a handler that does nothing; full forces the scanner that
// answers with a declaration, a DOCTYPE or namespaces get. Milliseconds of
// this thread's processor time.
double emptyParse(const std::string& xml, bool full) {
    using namespace xercesc;
    XMLPlatformUtils::Initialize();
    double ms = 0;
    {
        DefaultHandler handler;
        SecurityManager security;
        std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
        const double start = threadCpuMs();
        const size_t size = std::strlen(xml.c_str());
        XCliSAX2Handler::Configure(*reader, handler, security,
                                   !full && XCliSAX2Handler::PlainAnswer(xml.c_str(), size));
        MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml.c_str()), size,
                                 "FakeSystemId", false);
        reader->parse(source);
        ms = threadCpuMs() - start;
    }
    XMLPlatformUtils::Terminate();
    return ms;
}

// ParseOutput and the empty-handler parse of the same bytes, alternated in
// one loop: a shared machine's slow spells then fall on both alike, and the
// medians set single outliers aside. Freeing the records is the caller's
// later work and is not timed. The counters are milliseconds.
void BM_ParseVsEmpty(benchmark::State& state) {
    const int volumes = static_cast<int>(state.range(0));
    const std::string& xml = document(volumes);
    // ParseOutput holds the platform for the process; the empty parse too.
    static const bool held = (xercesc::XMLPlatformUtils::Initialize(), true);
    (void)held;
    std::vector<double> ours, empty, full;
    for (auto _ : state) {
        std::string status, errorText;
        ResourceList records;
        const double start = threadCpuMs();
        ParseOutput("volume", xml, status, errorText, records);
        ours.push_back(threadCpuMs() - start);
        if (status != "SUCCESS" || records.size() != static_cast<size_t>(volumes))
            state.SkipWithError("parse failed");
        records.clear();
        empty.push_back(emptyParse(xml, false));
        if (state.range(1)) full.push_back(emptyParse(xml, true));
    }
    state.counters["ours_ms"] = median(ours);
    state.counters["empty_ms"] = median(empty);
    state.counters["ratio"] = median(ours) / median(empty);
    if (!full.empty()) state.counters["full_empty_ms"] = median(full);
}

// A scratch directory holding an xcli stand-in that prints a one-line answer.
struct StandIn {
    std::string dir;
    StandIn() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/xiv_bench.XXXXXX";
        if (!mkdtemp(&pattern[0])) std::abort();
        dir = pattern;
        std::ofstream(dir + "/xcli")
            << "#!/bin/sh\nprintf '%s\\n' '<XCLIRETURN STATUS=\"SUCCESS\" "
               "COMMAND_LINE=\"vol_lock vol=v1\"><OUTPUT/></XCLIRETURN>'\n";
        chmod((dir + "/xcli").c_str(), 0755);
    }
    ~StandIn() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

StandIn& standIn() {
    static StandIn s;
    return s;
}

void BM_DoTheWorkRoundTrip(benchmark::State& state) {
    const std::string dir = standIn().dir;
    const XivLogger logger{DebugLog()};
    for (auto _ : state) {
        std::string output, status, result;
        ResourceList records;
        XivError error;
        DoTheWork("xcli -u admin -p secret -m array1 -y -x vol_lock vol=\"v1\"", output, "secret",
                  "", records, error, status, result, dir, logger);
        if (status != "SUCCESS") state.SkipWithError("round trip failed");
    }
}

void BM_BareSpawnWait(benchmark::State& state) {
    const std::string program = standIn().dir + "/xcli";
    const char* argv[] = {program.c_str(), "-u",     "admin", "-m", "array1", "-y", "-x",
                          "vol_lock",      "vol=v1", nullptr};
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

// range(1) = 1 also times the full scanner's empty parse, for comparison.
BENCHMARK(BM_ParseVsEmpty)->Args({1000, 0})->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseVsEmpty)->Args({10000, 0})->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseVsEmpty)->Args({50000, 1})->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DoTheWorkRoundTrip)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareSpawnWait)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
