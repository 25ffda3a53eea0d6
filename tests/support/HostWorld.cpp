#include "HostWorld.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "RunProgram.h"
#include "TempDir.h"

extern char** environ;

namespace {

int exitOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return exitOf(status);
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> p;
    for (auto& w : words) p.push_back(&w[0]);
    p.push_back(nullptr);
    return p;
}

// Both pipes drained together: a child that fills one must not stall.
void drain(int outFd, int errFd, std::string* out, std::string* err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* into[2] = {out, err};
    int open = 2;
    char buf[16384];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                into[i]->append(buf, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

void check(const HostRun& r, const std::string& what) {
    if (r.status != 0)
        throw std::runtime_error(what + " failed (" + std::to_string(r.status) + "): " + r.out +
                                 r.err);
}

}  // namespace

HostRun RunCaptured(const std::vector<std::string>& argv) {
    HostRun r;
    std::vector<std::string> words = argv;
    auto args = pointers(words);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return r;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return r;
    }
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&files, out[1], 1);
    posix_spawn_file_actions_adddup2(&files, err[1], 2);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, args[0], &files, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    ::close(out[1]);
    ::close(err[1]);
    drain(out[0], err[0], &r.out, &r.err);
    r.status = rc == 0 ? waitFor(pid) : 127;
    return r;
}

HostWorld::HostWorld(const std::string& root) : root_(root), sim_(root + "/sim") {
    ::mkdir(root_.c_str(), 0700);
    ::mkdir((root_ + "/sim").c_str(), 0700);
    sim_.Admin({"array-create", "--address", kAddress, "--serial", kSerial, "--user", kUser,
                "--password", kPassword});
    sim_.Admin({"pool-create", "--address", kAddress, "--pool", kPool, "--size-gb", "3000",
                "--snapshot-size-gb", "1000"});
}

std::unique_ptr<HostWorld> HostWorld::ready(const std::string& root, int mapped, int unmapped) {
    auto world = std::make_unique<HostWorld>(root);
    world->defineHostObject();
    world->addVolumes(mapped);
    world->addVolumes(unmapped, false);
    world->initHome();
    return world;
}

bool HostWorld::buildHasIt() {
    return SimAvailable({"zrso-host", "xiv_devlist"}) && PluginAvailable();
}

void HostWorld::defineHostObject() {
    std::string ports;
    for (const auto& p : ports_) ports += (ports.empty() ? "" : ",") + p;
    sim_.Admin({"host-create", "--address", kAddress, "--host", kHostObject, "--fc", ports});
    for (const auto& p : ports_) sim_.Admin({"port-login", "--address", kAddress, "--port", p});
}

void HostWorld::addVolumes(int count, bool mapped) {
    for (int i = 0; i < count; ++i) {
        std::string v = "v" + std::to_string(++volumes_);
        sim_.Admin(
            {"vol-create", "--address", kAddress, "--pool", kPool, "--vol", v, "--size-gb", "17"});
        if (mapped) sim_.Admin({"map", "--address", kAddress, "--host", kHostObject, "--vol", v});
    }
}

void HostWorld::initHome() {
    std::vector<std::string> init = {"init",          "--simulated", "--sim-bin",     SimBinDir(),
                                     "--sim-state",   sim_.state(),  "--mount-retry", "5",
                                     "--sleep-scale", "0.001"};
    for (const auto& p : ports_) init.insert(init.end(), {"--fc", p});
    check(host(init), "zrso-host init");
    std::string pw = root_ + "/array.pw";
    std::ofstream(pw) << kPassword << "\n";
    ::chmod(pw.c_str(), 0600);
    check(host({"array", "add", kArray, "--address", kAddress, "--user", kUser, "--serial", kSerial,
                "--password-file", pw}),
          "zrso-host array add");
    check(host({"rescan"}), "zrso-host rescan");
}

std::string HostWorld::deviceOf(const std::string& volume) const {
    std::string dir = home() + "/disks";
    DIR* d = ::opendir(dir.c_str());
    std::string found;
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        std::string name = e->d_name;
        if (name.size() < 6 || name.compare(name.size() - 5, 5, ".disk") != 0) continue;
        std::istringstream lines(ReadFileText(dir + "/" + name));
        for (std::string line; std::getline(lines, line);)
            if (line == "volume=" + volume) found = "/dev/" + name.substr(0, name.size() - 5);
    }
    if (d) ::closedir(d);
    return found;
}

HostRun HostWorld::host(std::vector<std::string> words) const {
    words.insert(words.begin(), {BuiltProgram("zrso-host"), "--home", home()});
    return RunCaptured(words);
}

pid_t HostWorld::startHost(std::vector<std::string> words, const std::string& name) const {
    words.insert(words.begin(), {BuiltProgram("zrso-host"), "--home", home()});
    auto args = pointers(words);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, (root_ + "/" + name + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (root_ + "/" + name + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &files, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

HostRun HostWorld::collect(pid_t pid, const std::string& name) const {
    HostRun r;
    r.status = waitFor(pid);
    r.out = ReadFileText(root_ + "/" + name + ".out");
    r.err = ReadFileText(root_ + "/" + name + ".err");
    return r;
}

bool HostWorld::waitGone(pid_t pid) {
    for (int i = 0; i < 2000; ++i, ::usleep(5000)) {
        std::string stat = ReadFileText("/proc/" + std::to_string(pid) + "/stat");
        std::size_t paren = stat.rfind(')');
        // Gone, or a zombie its new parent has yet to reap.
        if (stat.empty() ||
            (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z'))
            return true;
    }
    return false;
}

bool HostWorld::waitQuiet() const {
    const std::string mark = "XIV_SIM_STATE=" + sim_.state();
    for (int i = 0; i < 2000; ++i, ::usleep(5000)) {
        bool busy = false;
        DIR* proc = ::opendir("/proc");
        while (dirent* e = proc && !busy ? ::readdir(proc) : nullptr) {
            pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
            if (pid <= 0 || pid == ::getpid()) continue;
            std::string env = ReadFileText("/proc/" + std::to_string(pid) + "/environ");
            for (std::size_t at = env.find(mark); at != std::string::npos && !busy;
                 at = env.find(mark, at + 1))
                busy = (at == 0 || env[at - 1] == '\0') &&
                       (at + mark.size() == env.size() || env[at + mark.size()] == '\0');
            if (busy && !waitGone(pid)) return false;
        }
        if (proc) ::closedir(proc);
        if (!busy) return true;
    }
    return false;
}

std::string HostWorld::xcli(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"/usr/bin/env",
                                     "XIV_SIM_STATE=" + sim_.state(),
                                     BuiltProgram("xcli"),
                                     "-u",
                                     kUser,
                                     "-p",
                                     kPassword,
                                     "-m",
                                     kAddress,
                                     "-y",
                                     "-x"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCaptured(argv).out;
}

HostRun HostWorld::runPrinted(const std::string& commandLine) const {
    std::string line =
        "XIV_SIM_STATE='" + sim_.state() + "' XIV_XCLIPASSWORD='" + kPassword + "' " + commandLine;
    return RunCaptured({"/bin/sh", "-c", line});
}

std::vector<std::string> HostWorld::arrayState() const {
    std::vector<std::string> lines;
    std::istringstream in(sim_.Admin({"show", "--address", kAddress}));
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 6, "fault ") != 0) lines.push_back(line);
    return lines;
}

void HostWorld::save(const std::string& name) const {
    std::string copy = root_ + "." + name;
    RunProgram({"rm", "-rf", copy});
    if (RunProgram({"cp", "-a", root_, copy}) != 0)
        throw std::runtime_error("cannot save the world to " + copy);
}

void HostWorld::restore(const std::string& name) const {
    std::string copy = root_ + "." + name;
    RunProgram({"rm", "-rf", root_});
    if (RunProgram({"cp", "-a", copy, root_}) != 0)
        throw std::runtime_error("cannot restore the world " + copy);
}

namespace {

// Every line whole (ends with a line break) with its six tab-separated fields;
// a writer just killed may have left the last one unfinished.
std::string logProblems(const std::string& path, bool unfinishedEnd) {
    std::string text = ReadFileText(path);
    if (unfinishedEnd && !text.empty() && text.back() != '\n') text.erase(text.rfind('\n') + 1);
    if (text.empty()) return "";
    if (text.back() != '\n') return path + ": the last line is cut";
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        // A line cut by a killed writer, ended by the next one to open the log.
        const std::string ended = " [line cut: its writer ended while writing it]";
        if (line.size() >= ended.size() &&
            line.compare(line.size() - ended.size(), ended.size(), ended) == 0)
            continue;
        size_t tabs = 0;
        for (char c : line) tabs += c == '\t';
        if (tabs < 5 || line.size() < 24 || line[4] != '-' || line[10] != 'T')
            return path + ": line " + std::to_string(number) +
                   " is not a log line: " + line.substr(0, 120);
    }
    return "";
}

}  // namespace

std::string HostWorld::hostDbValue(const std::string& sql) const {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2((home() + "/host.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            value = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        else if (!st)
            value = std::string("error: ") + sqlite3_errmsg(db);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return value;
}

std::string HostWorld::fileProblems(bool justKilled) const {
    std::string problems;
    for (const char* suffix : {"", ".1", ".2"}) {
        std::string p = logProblems(home() + "/zrso-host.log" + suffix, justKilled && !*suffix);
        if (!p.empty()) problems += p + "\n";
    }
    std::string integrity = hostDbValue("PRAGMA integrity_check");
    if (integrity != "ok") problems += "host database: " + integrity + "\n";
    return problems;
}
