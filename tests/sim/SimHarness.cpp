#include "SimHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace simtest {

namespace {

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        auto semi = s.find(';', i);
        std::string ent = s.substr(i + 1, semi - i - 1);
        if (ent == "amp")
            out += '&';
        else if (ent == "lt")
            out += '<';
        else if (ent == "gt")
            out += '>';
        else if (ent == "quot")
            out += '"';
        else if (ent == "apos")
            out += '\'';
        else if (!ent.empty() && ent[0] == '#')
            out += static_cast<char>(std::atoi(ent.c_str() + 1));
        i = semi;
    }
    return out;
}

}  // namespace

Started startProgram(const std::string& program, const std::vector<std::string>& args) {
    std::string path = BuiltProgram(program);
    std::vector<std::string> all{path};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    pid_t pid = -1;
    posix_spawn(&pid, path.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    close(err[1]);
    // Stderr is read together with stdout in finish(); keep it in the upper bits.
    return {pid, out[0] | (err[0] << 16)};
}

RunResult finish(Started s) {
    RunResult r;
    int fds[2] = {s.outFd & 0xffff, s.outFd >> 16};
    std::string* into[2] = {&r.out, &r.err};
    pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        if (poll(p, 2, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (p[i].fd < 0 || !(p[i].revents & (POLLIN | POLLHUP))) continue;
            ssize_t n = read(p[i].fd, buf, sizeof buf);
            if (n > 0) {
                into[i]->append(buf, static_cast<size_t>(n));
            } else {
                close(p[i].fd);
                p[i].fd = -1;
                --open;
            }
        }
    }
    int st = 0;
    if (s.pid > 0 && waitpid(s.pid, &st, 0) == s.pid && WIFEXITED(st)) r.code = WEXITSTATUS(st);
    return r;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args) {
    return finish(startProgram(program, args));
}

std::string statusOf(const std::string& xml) {
    auto p = xml.find("<XCLIRETURN STATUS=\"");
    if (p == std::string::npos) return "";
    p += 20;
    return xml.substr(p, xml.find('"', p) - p);
}

std::vector<Resource> resourcesOf(const std::string& xml, const std::string& element) {
    std::vector<Resource> out;
    std::string open = "<" + element + ">", close = "</" + element + ">";
    for (auto p = xml.find(open); p != std::string::npos; p = xml.find(open, p)) {
        auto end = xml.find(close, p);
        std::string body = xml.substr(p + open.size(), end - p - open.size());
        Resource r;
        for (auto f = body.find('<'); f != std::string::npos; f = body.find('<', f + 1)) {
            auto blank = body.find(' ', f);
            auto v = body.find("value=\"", f);
            if (blank == std::string::npos || v == std::string::npos) break;
            auto q = body.find('"', v + 7);
            r[body.substr(f + 1, blank - f - 1)] = unescape(body.substr(v + 7, q - v - 7));
        }
        out.push_back(r);
        p = end;
    }
    return out;
}

void SimWorld::SetUp() {
    ASSERT_EQ(0, admin({"array-create", "--address", "xiv-a", "--serial", "1310133", "--user",
                        "admin", "--password", "secret"})
                     .code);
    ASSERT_EQ(0, admin({"pool-create", "--address", "xiv-a", "--pool", "p1", "--size-gb", "1000",
                        "--snapshot-size-gb", "170"})
                     .code);
}

RunResult SimWorld::admin(std::vector<std::string> args) { return runProgram("xcli-sim", args); }

std::vector<std::string> SimWorld::xcliArgs(const std::vector<std::string>& args) const {
    std::vector<std::string> all{"-u", "admin", "-p", "secret", "-m", "xiv-a", "-y", "-x"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

RunResult SimWorld::xcli(const std::vector<std::string>& args) {
    return runProgram("xcli", xcliArgs(args));
}

Resource SimWorld::volume(const std::string& name) {
    auto list = resourcesOf(xcli({"vol_list", "vol=" + name}).out, "volume");
    return list.empty() ? Resource{} : list.front();
}

Resource SimWorld::pool(const std::string& name) {
    auto list = resourcesOf(xcli({"pool_list", "pool=" + name}).out, "pool");
    return list.empty() ? Resource{} : list.front();
}

}  // namespace simtest
