#include "host/rt/DebugLog.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "host/rt/PlatformConfig.h"
#include "hostrt/FileText.h"
#include "hostrt/LogLine.h"

namespace {

std::atomic<long long> g_defaultJob{0};

constexpr int kDefaultThreshold = 2;

// Formats into a string; a null format writes "NULL" rather than crashing.
std::string formatMessage(const char* format, va_list args) {
    if (!format) return "NULL";
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return format;
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, n);
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    va_copy(copy, args);
    std::vsnprintf(&text[0], text.size(), format, copy);
    va_end(copy);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

void writeAll(int fd, const std::string& line) {
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // logging never fails its caller
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// An opened log file, shared by every log that writes to it.
struct LogFile {
    explicit LogFile(int fd) : fd(fd) {}
    ~LogFile() {
        if (fd > 2) ::close(fd);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    int fd;
};

// What a settings file looked like when it was read: a change to it shows in
// one of these, so an unchanged file need not be read and parsed again.
struct FileStamp {
    bool present = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};

    static FileStamp of(const std::string& path) {
        FileStamp s;
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return s;
        s.present = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtime = st.st_mtim;
        s.ctime = st.st_ctim;
        return s;
    }
    // File times move in coarse ticks: a rewrite of the same size within the
    // tick of an earlier read would look unchanged, so what was read from a
    // file changed just before is not kept.
    bool settled() const {
        if (!present) return true;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        auto age = [&](const timespec& t) {
            return (now.tv_sec - t.tv_sec) * 1000000000LL + (now.tv_nsec - t.tv_nsec);
        };
        // Well past the coarsest tick (10 ms).
        return age(mtime) > 100000000LL && age(ctime) > 100000000LL;
    }
    bool operator==(const FileStamp& o) const {
        return present == o.present && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

struct Destination {
    std::shared_ptr<LogFile> file;  // null: standard error
    int threshold = kDefaultThreshold;
};

// The destination the settings give, opened once per process. Every new log
// still sees a change of the settings, of ZRSO_LOG_FILE or of the log file
// itself (moved aside or removed), for the price of two stat calls instead of
// reading the settings twice and opening the file.
class DestinationCache {
public:
    Destination resolve() {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string configPath = PlatformConfig::path();
        const std::string envPath = hostrt::environmentText("ZRSO_LOG_FILE");
        const FileStamp stamp = FileStamp::of(configPath);
        if (valid_ && configPath == configPath_ && envPath == envPath_ && stamp == stamp_ &&
            sameFile())
            return current_;
        valid_ = false;
        // The stamp is taken before the read: what is read is never older.
        const bool settled = stamp.settled();
        current_ = read(envPath);
        // A log file that would not open is tried again by the next log.
        if (!current_.file && !logPath_.empty()) return current_;
        configPath_ = configPath;
        envPath_ = envPath;
        stamp_ = stamp;
        valid_ = settled;
        return current_;
    }

private:
    Destination read(const std::string& envPath) {
        Destination d;
        PlatformConfig config;
        int level = 0;
        if (config.getRegInt("~Trellis", "nDebugLevel", &level)) d.threshold = level;
        logPath_ = envPath;
        if (logPath_.empty()) config.getString("Trellis", "DebugLogFile", &logPath_);
        if (logPath_.empty()) return d;
        int f;
        // O_NONBLOCK: a FIFO without a reader must not hang the caller.
        do {
            f = ::open(logPath_.c_str(),
                       O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0640);
        } while (f < 0 && errno == EINTR);
        if (f < 0) return d;  // stay on stderr: lines must not vanish
        try {
            d.file = std::make_shared<LogFile>(f);
        } catch (...) {
            ::close(f);
        }
        return d;
    }

    // The path still names the file that is open.
    bool sameFile() const {
        if (!current_.file) return true;
        struct stat byPath, open;
        return ::stat(logPath_.c_str(), &byPath) == 0 && ::fstat(current_.file->fd, &open) == 0 &&
               byPath.st_dev == open.st_dev && byPath.st_ino == open.st_ino;
    }

    std::mutex mutex_;
    bool valid_ = false;
    std::string configPath_, envPath_, logPath_;
    FileStamp stamp_;
    Destination current_;
};

Destination resolveDestination() {
    // Never destroyed: logs may still write while the process exits.
    static DestinationCache* cache = new DestinationCache;
    return cache->resolve();
}

}  // namespace

// The state copies of a log share: its job and where its lines go. The
// destination is settled at the first line, so building a log costs nothing.
struct __attribute__((visibility("hidden"))) DebugLog::Job {
    explicit Job(long long id) : id(id) {}

    void write(int level, long long job, const char* function, const char* format, va_list args) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!opened) open();
        // Errors (-1 and below) always go out; detail only up to the threshold.
        if (level >= 0 && level > threshold) return;
        // One write() per line on an O_APPEND descriptor keeps lines of
        // concurrent writers, in this or other processes, from mixing.
        writeAll(file ? file->fd : 2,
                 hostrt::formatLogLine(job, level, function, formatMessage(format, args)));
    }

    void open() {
        opened = true;
        Destination d = resolveDestination();
        file = std::move(d.file);
        threshold = d.threshold;
    }

    std::atomic<long long> id;
    std::mutex mutex;
    bool opened = false;
    std::shared_ptr<LogFile> file;
    int threshold = kDefaultThreshold;
};

DebugLog::DebugLog(DebugLogFile* file)
    : job_(std::make_shared<Job>(g_defaultJob.load())), file_(file) {}

DebugLog::DebugLog(const DebugLog& other) : job_(other.job_), file_(other.file_) {}

DebugLog& DebugLog::operator=(const DebugLog& other) {
    job_ = other.job_;
    file_ = other.file_;
    return *this;
}

DebugLog::~DebugLog() = default;

void DebugLog::DebugLvl(const char* function, int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    job_->write(level, job_->id.load(), function, format, args);
    va_end(args);
}

void DebugLog::DebugLvl(const char* function, int level, long long jobId, const char* format,
                        ...) {
    va_list args;
    va_start(args, format);
    job_->write(level, jobId, function, format, args);
    va_end(args);
}

void DebugLog::Debug(const char* function, const char* format, ...) {
    va_list args;
    va_start(args, format);
    job_->write(0, job_->id.load(), function, format, args);
    va_end(args);
}

void DebugLog::DebugJob(int level, const char* function, long long jobId, const char* format,
                        ...) {
    va_list args;
    va_start(args, format);
    job_->write(level, jobId, function, format, args);
    va_end(args);
}

void DebugLog::handleMsgEventDebug_NEW(int level, void* /*reserved1*/, int /*reserved2*/,
                                       int /*reserved3*/, long long jobId, const char* function,
                                       const char* format, va_list args) {
    job_->write(level, jobId, function, format, args);
}

long long DebugLog::getJobId() const { return job_->id.load(); }

void DebugLog::setDefaultJobId(long long jobId) { g_defaultJob.store(jobId); }

void DebugLog::setJobId(long long jobId) { job_->id.store(jobId); }

DebugEvent::DebugEvent() : DebugLog(nullptr) {}
DebugEvent::~DebugEvent() = default;
