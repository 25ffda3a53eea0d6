// The process runner's cost per run next to a bare posix_spawn + waitpid of
// the same child. The child is a small stand-in that prints a short XCLI
// answer, as a small xcli run does. Runs of the two kinds alternate, so that
// the load of a shared machine falls on both alike, and each side reports
// its median wall time; the runner's own processor time per run (this
// process only, children excluded) is reported beside it.
//   zrso_bench_runner [runs]      prints one JSON object
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/rt/ProcessRunner.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool BareRun(const std::string& program, const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(20, std::atoi(argv[1])) : 400;
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/zrso_runner_bench.XXXXXX";
    if (!mkdtemp(&dir[0])) return 1;
    const std::string program = dir + "/xcli";
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' '<XCLIRETURN STATUS=\"SUCCESS\" "
                              "COMMAND_LINE=\"vol_lock vol=v1\"><OUTPUT/></XCLIRETURN>'\n";
    chmod(program.c_str(), 0755);
    const std::vector<std::string> words = {program, "-u", "admin",    "-m",    "array1",
                                            "-y",    "-x", "vol_lock", "vol=v1"};
    std::string line;
    for (const auto& w : words) line += (line.empty() ? "" : " ") + w;

    std::vector<double> runner, bare;
    double runnerCpu = 0;
    bool ok = true;
    for (int i = 0; i < runs + 10; ++i) {
        const bool warmUp = i < 10;
        auto t0 = Clock::now();
        double c0 = CpuMillis();
        std::string out, err;
        ok = ProcessRunner().system(line.c_str(), &out, &err, nullptr, true) == 0 && ok;
        double c1 = CpuMillis();
        auto t1 = Clock::now();
        ok = BareRun(program, words) && ok;
        auto t2 = Clock::now();
        if (warmUp) continue;
        runner.push_back(Millis(t1 - t0));
        bare.push_back(Millis(t2 - t1));
        runnerCpu += c1 - c0;
    }
    std::filesystem::remove_all(dir);
    const double r = Median(runner), b = Median(bare);
    std::printf(
        "{\"runs\": %d, \"ok\": %s, \"runner_ms\": %.4f, \"bare_ms\": %.4f, "
        "\"ratio\": %.3f, \"runner_cpu_ms\": %.4f}\n",
        runs, ok ? "true" : "false", r, b, b > 0 ? r / b : 0, runnerCpu / runs);
    return ok ? 0 : 1;
}
