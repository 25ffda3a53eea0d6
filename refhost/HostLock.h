// Locks between zrso-host processes over one host directory: one command at
// a time works on a job (or collects the inventory). A lock is an flock on a
// file in the directory's locks/ beside the database, holding the pid of its
// owner; the kernel drops it when that process ends, also when it crashes.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace refhost {

// "job 12 busy (pid 4711)"
class LockBusy : public std::runtime_error {
public:
    LockBusy(const std::string& what, long pid) : std::runtime_error(what), pid_(pid) {}
    long pid() const { return pid_; }  // 0 when the owner did not say

private:
    long pid_;
};

class HostLock {
public:
    // Takes the lock without waiting; throws LockBusy when another process
    // holds it, std::runtime_error when the lock file cannot be made.
    static HostLock job(const std::string& homeDir, int64_t jobId);
    static HostLock named(const std::string& homeDir, const std::string& name);

    // The pid holding the job's lock, if another process holds it now.
    static std::optional<long> jobHolder(const std::string& homeDir, int64_t jobId);

    HostLock(HostLock&& other) noexcept;
    HostLock& operator=(HostLock&&) = delete;
    HostLock(const HostLock&) = delete;
    ~HostLock();

    const std::string& path() const { return path_; }
    // locks/<name>.lock in the home (the directory is made when missing).
    static std::string pathFor(const std::string& homeDir, const std::string& name);

private:
    HostLock(std::string path, std::string label);

    std::string path_;
    int fd_ = -1;
};

// This host's disks, against changes under a mount. The plug-in tells the
// disks a mount brings from those it listed before mapping, by name; a disk
// removed meanwhile frees its name, the next new disk gets it, and the mount
// never looks at that disk again. So mounts share this lock, and what removes
// disks (unmount, lun unmap, rescan) holds it alone, ahead of mounts that ask
// after it. Waits; throws std::runtime_error when a signal stops the wait.
class DeviceLock {
public:
    enum Mode { kShared, kExclusive };
    DeviceLock(const std::string& homeDir, Mode mode);
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace refhost
