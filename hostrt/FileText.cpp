#include "hostrt/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace hostrt {

int readSmallFile(const std::string& path, std::size_t maxBytes, std::string* out) {
    out->clear();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        return e;
    }
    // Only regular files: a FIFO or device named here must not block or
    // stream forever.
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return EINVAL;
    }
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int e = errno;
            ::close(fd);
            out->clear();
            return e;
        }
        if (n == 0) break;
        if (out->size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            out->clear();
            return EFBIG;
        }
        out->append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return 0;
}

std::string environmentText(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string trimBlanks(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::size_t b = text.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    std::size_t e = text.find_last_not_of(blanks);
    return text.substr(b, e - b + 1);
}

}  // namespace hostrt
