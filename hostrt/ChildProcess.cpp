#include "hostrt/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "host/rt/ProcessRunner.h"
#include "hostrt/StopRequest.h"

extern char** environ;

namespace hostrt {

namespace {

constexpr int kNotStarted = ProcessRunner::NOT_STARTED;
constexpr int kTimedOut = ProcessRunner::TIMED_OUT;
constexpr int kStopped = ProcessRunner::STOPPED;
// How long a child asked to stop (SIGTERM) may take before it is killed.
constexpr long long kStopGraceMs = 2000;
// Beyond this a stream's output is read and dropped, so a runaway child
// cannot exhaust the host's memory.
constexpr std::size_t kMaxCapture = std::size_t(256) << 20;
// After the child has ended, its last output sits in the pipes; descendants
// that kept the pipes open may add more, which is read only up to this.
constexpr std::size_t kMaxDrainAfterExit = std::size_t(4) << 20;

long long monotonicMs() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void closeFd(int* fd) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
}

// Pipe ends land above the standard descriptors: dup2 onto 1 and 2 in the
// child must never meet a pipe end that already sits there.
bool makePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    for (int i = 0; i < 2; ++i) {
        if (fds[i] < 3) {
            int moved = ::fcntl(fds[i], F_DUPFD_CLOEXEC, 3);
            ::close(fds[i]);
            fds[i] = moved;
        }
    }
    if (fds[0] < 0 || fds[1] < 0) {
        closeFd(&fds[0]);
        closeFd(&fds[1]);
        return false;
    }
    return true;
}

std::vector<std::string> buildEnvironment(const char* const* extraEnv) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) env.emplace_back(*e);
    for (const char* const* x = extraEnv; x && *x; ++x) {
        std::string entry(*x);
        std::size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        std::string name = entry.substr(0, eq + 1);
        for (auto it = env.begin(); it != env.end();) {
            it = it->compare(0, name.size(), name) == 0 ? env.erase(it) : it + 1;
        }
        env.push_back(entry);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> p;
    p.reserve(texts.size() + 1);
    for (auto& t : texts) p.push_back(&t[0]);
    p.push_back(nullptr);
    return p;
}

struct Stream {
    int fd = -1;
    std::string* sink = nullptr;

    // Reads what is there now; closes the descriptor at end of file. At most
    // `budget` bytes, so one chatty stream cannot starve the other.
    void readAvailable(std::size_t budget) {
        char buffer[65536];
        std::size_t taken = 0;
        while (fd >= 0 && taken < budget) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (n <= 0) {
                closeFd(&fd);
                return;
            }
            taken += static_cast<std::size_t>(n);
            if (sink && sink->size() < kMaxCapture)
                sink->append(buffer,
                             std::min(static_cast<std::size_t>(n), kMaxCapture - sink->size()));
        }
    }
};

int reapBlocking(pid_t pid, int* wstatus) {
    for (;;) {
        pid_t r = ::waitpid(pid, wstatus, 0);
        if (r == pid) return 0;
        if (r < 0 && errno == EINTR) continue;
        return -1;
    }
}

// True once the child has ended; it stays unreaped (a zombie still holds
// its process group, so the group can be signalled safely).
bool ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

// Asks the child's process group to end, then kills what is left of it.
void stopGroup(pid_t pid, int pidfd) {
    ::kill(-pid, SIGTERM);
    const long long deadline = monotonicMs() + kStopGraceMs;
    while (!ended(pid) && monotonicMs() < deadline) {
        struct pollfd p = {pidfd, POLLIN, 0};
        ::poll(&p, pidfd >= 0 ? 1 : 0, 20);
    }
    ::kill(-pid, SIGKILL);
}

void appendNote(std::string* err, const std::string& note) {
    if (!err->empty() && err->back() != '\n') *err += '\n';
    *err += note;
}

int statusOf(int wstatus) {
    if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
    return 1;
}

// The child's standard descriptors and signal state: stdin from /dev/null,
// output and error into the pipes, nothing else of ours, a process group of
// its own, signals unblocked and at their defaults.
void prepareSpawn(posix_spawn_file_actions_t* actions, posix_spawnattr_t* attr, int outWrite,
                  int errWrite) {
    posix_spawn_file_actions_init(actions);
    posix_spawn_file_actions_addopen(actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions, outWrite, 1);
    posix_spawn_file_actions_adddup2(actions, errWrite, 2);
    posix_spawn_file_actions_addclosefrom_np(actions, 3);

    posix_spawnattr_init(attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigmask(attr, &none);
    posix_spawnattr_setsigdefault(attr, &all);
    posix_spawnattr_setpgroup(attr, 0);
    posix_spawnattr_setflags(
        attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

// Starts the child with its output and error on pipes whose read ends come
// back in *outRead and *errRead; false with the reason in *err.
bool spawnChild(const std::vector<std::string>& argv, const char* const* extraEnv, pid_t* pid,
                int* outRead, int* errRead, std::string* err) {
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (!makePipe(outPipe) || !makePipe(errPipe)) {
        int e = errno;
        closeFd(&outPipe[0]);
        closeFd(&outPipe[1]);
        *err += std::string("cannot create pipes: ") + std::strerror(e);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    prepareSpawn(&actions, &attr, outPipe[1], errPipe[1]);

    std::vector<std::string> args(argv);
    std::vector<char*> argp = pointers(args);
    std::vector<std::string> env = buildEnvironment(extraEnv);
    std::vector<char*> envp = pointers(env);

    // glibc reports a failed exec here (the child runs on a vfork-like
    // clone and hands the errno back), so "not started" is reliable.
    int rc = ::posix_spawnp(pid, argp[0], &actions, &attr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    closeFd(&outPipe[1]);
    closeFd(&errPipe[1]);
    if (rc != 0) {
        closeFd(&outPipe[0]);
        closeFd(&errPipe[0]);
        *err += "cannot start '" + argv[0] + "': " + std::strerror(rc);
        return false;
    }
    *outRead = outPipe[0];
    *errRead = errPipe[0];
    return true;
}

// A pidfd wakes poll() when the child ends even while descendants still
// hold the pipes open; without one (-1), poll() wakes periodically to check.
int openPidfd(pid_t pid) {
    int pidfd = -1;
#ifdef SYS_pidfd_open
    pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) ::fcntl(pidfd, F_SETFD, FD_CLOEXEC);
#endif
    return pidfd;
}

// How the wait for the child ended.
struct Ending {
    int wstatus = 0;
    bool lost = false;  // someone else reaped it, or it could not be reaped
    bool timedOut = false;
    bool stopped = false;
};

// Waits at most `remaining` ms for output, the child's end or a stop
// request, then reads what the pipes hold.
void pollOnce(Stream (&streams)[2], int pidfd, long long remaining) {
    struct pollfd fds[4];
    int count = 0;
    for (auto& s : streams) {
        if (s.fd >= 0) fds[count++] = {s.fd, POLLIN, 0};
    }
    if (pidfd >= 0) fds[count++] = {pidfd, POLLIN, 0};
    if (stopDescriptor() >= 0) fds[count++] = {stopDescriptor(), POLLIN, 0};
    int wait = remaining > 1000000 ? 1000000 : static_cast<int>(remaining);
    if ((pidfd < 0 || stopDescriptor() < 0) && wait > 20) wait = 20;
    int ready = ::poll(fds, static_cast<nfds_t>(count), wait);
    if (ready < 0 && errno != EINTR) {
        // Should not happen; fall back to a plain wait rather than spin.
        struct timespec pause = {0, 10 * 1000000L};
        nanosleep(&pause, nullptr);
    }
    for (auto& s : streams) s.readAvailable(std::size_t(1) << 20);
}

// Reads the child's output until it ends, the deadline passes (its group is
// killed) or the host asks to stop (its group is stopped); the child is
// reaped either way.
Ending awaitChild(pid_t pid, int pidfd, Stream (&streams)[2], long long deadline) {
    Ending ending;
    for (;;) {
        pid_t r = ::waitpid(pid, &ending.wstatus, WNOHANG);
        if (r == pid) return ending;
        if (r < 0 && errno == ECHILD) {
            ending.lost = true;  // someone else reaped it (SIGCHLD ignored or handled)
            return ending;
        }
        if (stopRequested()) {
            ending.stopped = true;
            stopGroup(pid, pidfd);
            if (reapBlocking(pid, &ending.wstatus) != 0) ending.lost = true;
            return ending;
        }
        long long remaining = deadline - monotonicMs();
        if (remaining <= 0) {
            ending.timedOut = true;
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            if (reapBlocking(pid, &ending.wstatus) != 0) ending.lost = true;
            return ending;
        }
        pollOnce(streams, pidfd, remaining);
    }
}

// The status runChild answers for an ending, with its note in *err.
int statusOfEnding(const Ending& ending, const std::string& program, int timeoutSeconds,
                   std::string* err) {
    if (ending.timedOut) {
        appendNote(err, "'" + program + "' exceeded the time limit of " +
                            std::to_string(timeoutSeconds) + " s and was killed");
        return kTimedOut;
    }
    if (ending.stopped) {
        appendNote(err, "'" + program + "' was stopped: the host is stopping");
        return kStopped;
    }
    if (ending.lost) {
        appendNote(err, "exit status of '" + program + "' is unknown");
        return 1;
    }
    return statusOf(ending.wstatus);
}

}  // namespace

int runChild(const std::vector<std::string>& argv, const char* const* extraEnv, int timeoutSeconds,
             std::string* out, std::string* err) {
    std::string discardOut, discardErr;
    if (!out) out = &discardOut;
    if (!err) err = &discardErr;
    if (argv.empty()) {
        *err += "empty command line";
        return kNotStarted;
    }
    if (stopRequested()) {
        *err += "'" + argv[0] + "' not started: the host is stopping";
        return kStopped;
    }

    pid_t pid = -1;
    Stream streams[2];
    if (!spawnChild(argv, extraEnv, &pid, &streams[0].fd, &streams[1].fd, err)) return kNotStarted;
    streams[0].sink = out;
    streams[1].sink = err;
    for (auto& s : streams) ::fcntl(s.fd, F_SETFL, ::fcntl(s.fd, F_GETFL) | O_NONBLOCK);
    int pidfd = openPidfd(pid);

    if (timeoutSeconds <= 0) timeoutSeconds = 1;
    const long long deadline = monotonicMs() + static_cast<long long>(timeoutSeconds) * 1000;
    const Ending ending = awaitChild(pid, pidfd, streams, deadline);

    // What the child wrote before it ended is in the pipes now.
    for (auto& s : streams) s.readAvailable(kMaxDrainAfterExit);
    for (auto& s : streams) closeFd(&s.fd);
    closeFd(&pidfd);
    return statusOfEnding(ending, argv[0], timeoutSeconds, err);
}

}  // namespace hostrt
