#include "refhost/HostLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "refhost/HostHome.h"
#include "refhost/Interruption.h"

namespace refhost {
namespace {

long readPid(int fd) {
    char text[32] = {0};
    ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? std::strtol(text, nullptr, 10) : 0;
}

bool sameFile(int fd, const std::string& path) {
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

std::string HostLock::pathFor(const std::string& homeDir, const std::string& name) {
    makeDirs(homeDir + "/locks", 0700);
    return homeDir + "/locks/" + name + ".lock";
}

HostLock HostLock::job(const std::string& homeDir, int64_t jobId) {
    return HostLock(pathFor(homeDir, "job-" + std::to_string(jobId)),
                    "job " + std::to_string(jobId));
}

HostLock HostLock::named(const std::string& homeDir, const std::string& name) {
    return HostLock(pathFor(homeDir, name), name);
}

HostLock::HostLock(std::string path, std::string label) : path_(std::move(path)) {
    // The owner removes its file when it is done; a file taken while being
    // removed is no longer the one at the path, so take the new one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0)
            throw std::runtime_error("cannot open lock file " + path_ + ": " +
                                     std::strerror(errno));
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            // The owner writes its pid right after taking the lock.
            long pid = readPid(fd_);
            for (int i = 0; pid == 0 && i < 50; ++i, ::usleep(2000)) pid = readPid(fd_);
            ::close(fd_);
            fd_ = -1;
            throw LockBusy(label + " busy (pid " + (pid ? std::to_string(pid) : "unknown") + ")",
                           pid);
        }
        if (sameFile(fd_, path_)) break;
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ < 0) throw std::runtime_error("cannot take lock " + path_);
    std::string pid = std::to_string(static_cast<long>(::getpid())) + "\n";
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, pid.data(), pid.size(), 0) < 0) {
        // The lock holds all the same; only the pid in the message is lost.
    }
}

HostLock::HostLock(HostLock&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) {
    other.fd_ = -1;
}

HostLock::~HostLock() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(fd_);
}

std::optional<long> HostLock::jobHolder(const std::string& homeDir, int64_t jobId) {
    std::string path = homeDir + "/locks/job-" + std::to_string(jobId) + ".lock";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::optional<long> holder;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) holder = readPid(fd);
    ::close(fd);
    return holder;
}

namespace {

// A lock file that stays: shared holders must all lock the same file.
int openStaying(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot open lock file " + path + ": " + std::strerror(errno));
    return fd;
}

void waitFor(int fd, int operation) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            throw std::runtime_error(std::string("cannot take the disks' lock: ") +
                                     std::strerror(errno));
        if (interrupted())
            throw std::runtime_error("stopped while waiting for other jobs' mounts or unmounts");
    }
}

}  // namespace

DeviceLock::DeviceLock(const std::string& homeDir, Mode mode) {
    // Whoever wants the lock passes the gate first; one waiting to hold it
    // alone keeps the gate closed meanwhile, so mounts cannot starve it.
    int gate = openStaying(HostLock::pathFor(homeDir, "devices-gate"));
    try {
        waitFor(gate, LOCK_EX);
        fd_ = openStaying(HostLock::pathFor(homeDir, "devices"));
        waitFor(fd_, mode == kShared ? LOCK_SH : LOCK_EX);
    } catch (...) {
        if (fd_ >= 0) ::close(fd_);
        ::close(gate);
        throw;
    }
    ::close(gate);
}

DeviceLock::~DeviceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace refhost
