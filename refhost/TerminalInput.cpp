#include "refhost/PasswordInput.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace refhost {
namespace {

std::string stripLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

}  // namespace

std::string readPasswordFromTty(const std::string& prompt) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("no terminal to read the password from; use --password-file FILE");
    termios saved{};
    bool restore = ::tcgetattr(fd, &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    ssize_t ignored = ::write(fd, prompt.data(), prompt.size());
    (void)ignored;
    std::string line;
    char c;
    ssize_t n;
    while ((n = ::read(fd, &c, 1)) == 1 && c != '\n') line += c;
    int err = errno;
    if (restore) ::tcsetattr(fd, TCSAFLUSH, &saved);
    ::close(fd);
    if (n < 0) throw std::runtime_error(std::string("cannot read the password: ") + std::strerror(err));
    line = stripLineEnd(line);
    if (line.empty()) throw std::runtime_error("empty password");
    return line;
}

std::string readPasswordFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read password file " + path);
    std::string line;
    std::getline(in, line);
    line = stripLineEnd(line);
    if (line.empty()) throw std::runtime_error("password file " + path + " holds no password");
    return line;
}

}  // namespace refhost
