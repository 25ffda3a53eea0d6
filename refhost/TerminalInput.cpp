#include "refhost/TerminalInput.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "refhost/Interruption.h"

namespace refhost {
namespace {

std::string stripLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

// Signals are blocked except while waiting for input, so one that comes
// just before the wait still ends it.
class SignalWindow {
public:
    SignalWindow() {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGINT);
        sigaddset(&block, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &block, &saved_);
    }
    ~SignalWindow() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    // Waits until fd is readable; false when a signal came (now or before).
    bool wait(int fd) {
        for (;;) {
            if (interrupted()) return false;
            struct pollfd p = {fd, POLLIN, 0};
            if (::ppoll(&p, 1, nullptr, &saved_) >= 0 || errno != EINTR) return true;
        }
    }

private:
    sigset_t saved_;
};

// One line from fd; a signal ends it (std::runtime_error).
std::string readLine(int fd) {
    SignalWindow window;
    std::string line;
    char c;
    for (;;) {
        if (!window.wait(fd)) {
            for (auto& ch : line) ch = '\0';
            throw std::runtime_error("interrupted at the prompt");
        }
        ssize_t n = ::read(fd, &c, 1);
        if (n == 1 && c != '\n') {
            line += c;
            continue;
        }
        if (n == 1 || n == 0) return stripLineEnd(line);
        if (errno == EINTR || errno == EAGAIN) continue;
        for (auto& ch : line) ch = '\0';
        throw std::runtime_error(std::string("cannot read from the terminal: ") +
                                 std::strerror(errno));
    }
}

void say(int fd, const std::string& text) {
    ssize_t ignored = ::write(fd, text.data(), text.size());
    (void)ignored;
}

}  // namespace

std::string readPasswordFromTty(const std::string& prompt) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(
            "no terminal to read the password from; use --password-file FILE (or -)");
    termios saved{};
    bool restore = ::tcgetattr(fd, &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    say(fd, prompt);
    std::string line;
    try {
        line = readLine(fd);
    } catch (...) {
        if (restore) ::tcsetattr(fd, TCSAFLUSH, &saved);
        say(fd, "\n");
        ::close(fd);
        throw;
    }
    if (restore) ::tcsetattr(fd, TCSAFLUSH, &saved);
    ::close(fd);
    if (line.empty()) throw std::runtime_error("empty password");
    return line;
}

std::string readPasswordFile(const std::string& path, std::string* warning) {
    std::string line;
    if (path == "-") {
        line = readLine(STDIN_FILENO);
    } else {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 077)) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
            *warning = "password file " + path + " can be read by others than its owner (mode " +
                       mode + "); chmod 600 " + path;
        }
        std::ifstream in(path);
        if (!in) throw std::runtime_error("cannot read password file " + path);
        std::getline(in, line);
        line = stripLineEnd(line);
    }
    if (line.empty())
        throw std::runtime_error(
            (path == "-" ? std::string("standard input") : "password file " + path) +
            " holds no password");
    return line;
}

bool haveTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::string askOnTerminal(const std::string& question) {
    if (!haveTerminal()) throw std::runtime_error("no terminal to ask on");
    std::cerr << question << std::flush;
    return readLine(STDIN_FILENO);
}

bool confirmOnTerminal(const std::string& question, const std::string& expected) {
    return askOnTerminal(question) == expected;
}

}  // namespace refhost
