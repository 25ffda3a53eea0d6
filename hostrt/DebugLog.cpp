#include "host/rt/DebugLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "host/rt/PlatformConfig.h"
#include "hostrt/FileText.h"
#include "hostrt/LineBudget.h"
#include "hostrt/LogLine.h"

namespace {

std::atomic<long long> g_defaultJob{0};

constexpr int kDefaultThreshold = 2;
constexpr int kDefaultMaxKiB = 10 * 1024;
constexpr int kDefaultFiles = 3;
constexpr int kDefaultFormLimit = 1000;

hostrt::LineBudget& lineBudget() {
    static auto* budget = new hostrt::LineBudget;
    return *budget;
}

int openLog(const std::string& path) {
    int f;
    // O_NONBLOCK: a FIFO without a reader must not hang the caller.
    do {
        f = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                   0640);
    } while (f < 0 && errno == EINTR);
    return f;
}

std::function<void(long long, const char*, const std::string&)>& errorObserver() {
    static auto* f = new std::function<void(long long, const char*, const std::string&)>;
    return *f;
}

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

// A writer killed in the middle of a long line (the kill takes effect
// between the pages of one write) leaves the line cut, and the next line
// would run on from it. A process opening the log ends such a line first,
// its missing fields empty, so that every line stays whole. Writers hold a
// shared lock while they write and this check an exclusive one, so a line
// found unended here has no live writer: a writer that is merely slow (a
// busy machine can stall one between pages) is waited for, never cut.
void endCutLine(int fd, const std::string& path) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return;
    int in = ::open(path.c_str(),
                    O_RDONLY | O_CLOEXEC | O_NOCTTY);  // the log is opened for writing only
    if (in < 0) return;
    ::flock(fd, LOCK_EX);  // openers take turns; the next finds the line ended
    char last = '\n';
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(in, &last, 1, st.st_size - 1) == 1 &&
        last != '\n') {
        std::string tail(static_cast<std::size_t>(std::min<off_t>(st.st_size, 8192)), '\0');
        ssize_t n =
            ::pread(in, &tail[0], tail.size(), st.st_size - static_cast<off_t>(tail.size()));
        tail.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        std::size_t start = tail.rfind('\n');
        long tabs =
            std::count(tail.begin() + static_cast<long>(start == std::string::npos ? 0 : start + 1),
                       tail.end(), '\t');
        writeAll(fd, std::string(static_cast<std::size_t>(std::max(0L, 5 - tabs)), '\t') +
                         " [line cut: its writer ended while writing it]\n");
    }
    ::flock(fd, LOCK_UN);
    ::close(in);
}

// An opened log file, shared by every log that writes to it. It rotates by
// size: past maxBytes the file becomes <path>.1 (and .1 becomes .2, ...),
// keeping `files` files in all, and writing goes on in a fresh file.
class LogFile {
public:
    LogFile(int fd, std::string path, long long maxBytes, int files)
        : fd_(fd), path_(std::move(path)), maxBytes_(maxBytes), files_(files) {}
    ~LogFile() {
        if (fd_ > 2) ::close(fd_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void write(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (maxBytes_ > 0) rotateIfFull(line.size());
        // Shared: writers do not wait for each other (O_APPEND keeps their
        // lines apart), only for a newcomer ending a cut line.
        ::flock(fd_, LOCK_SH);
        writeAll(fd_, line);
        ::flock(fd_, LOCK_UN);
    }

    // The path still names the file that is open.
    bool named() {
        std::lock_guard<std::mutex> lock(mutex_);
        struct stat byPath, open;
        return ::stat(path_.c_str(), &byPath) == 0 && ::fstat(fd_, &open) == 0 &&
               byPath.st_dev == open.st_dev && byPath.st_ino == open.st_ino;
    }

private:
    void rotateIfFull(std::size_t adding) {
        struct stat open;
        if (::fstat(fd_, &open) != 0 || !S_ISREG(open.st_mode) ||
            open.st_size + static_cast<long long>(adding) <= maxBytes_)
            return;
        // Other processes write the same file: the first to take the lock
        // moves the files along; the others find the path moved on and follow.
        ::flock(fd_, LOCK_EX);
        struct stat byPath;
        bool moved = ::stat(path_.c_str(), &byPath) != 0 || byPath.st_dev != open.st_dev ||
                     byPath.st_ino != open.st_ino;
        if (!moved)
            for (int i = files_ - 1; i >= 1; --i)
                ::rename(numbered(i - 1).c_str(), numbered(i).c_str());
        int fresh = openLog(path_);
        ::flock(fd_, LOCK_UN);
        if (fresh < 0) return;  // keep writing where we were: lines must not vanish
        ::close(fd_);
        fd_ = fresh;
    }

    std::string numbered(int i) const { return i == 0 ? path_ : path_ + "." + std::to_string(i); }

    std::mutex mutex_;
    int fd_;
    const std::string path_;
    const long long maxBytes_;
    const int files_;
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
    bool same(const FileStamp& o) const {
        return present == o.present && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

struct Destination {
    std::shared_ptr<LogFile> file;  // null: standard error
    int threshold = kDefaultThreshold;
    int formLimit = kDefaultFormLimit;
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
        if (valid_ && configPath == configPath_ && envPath == envPath_ && stamp.same(stamp_) &&
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
        int maxKiB = kDefaultMaxKiB, files = kDefaultFiles;
        if (config.getRegInt("~Trellis", "nDebugLogMaxKiB", &maxKiB) && maxKiB < 0) maxKiB = 0;
        if (config.getRegInt("~Trellis", "nDebugLogFiles", &files))
            files = std::clamp(files, 2, 100);
        config.getRegInt("~Trellis", "nDebugLogFormLimit", &d.formLimit);
        logPath_ = envPath;
        if (logPath_.empty()) config.getString("Trellis", "DebugLogFile", &logPath_);
        if (logPath_.empty()) return d;
        int f = openLog(logPath_);
        if (f < 0) return d;  // stay on stderr: lines must not vanish
        endCutLine(f, logPath_);
        try {
            d.file = std::make_shared<LogFile>(f, logPath_, static_cast<long long>(maxKiB) * 1024,
                                               files);
        } catch (...) {
            ::close(f);
        }
        return d;
    }

    // The path still names the file that is open.
    bool sameFile() const { return !current_.file || current_.file->named(); }

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
        std::string message;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!opened) open();
            // Errors (-1 and below) always go out; detail only up to the threshold.
            if (level >= 0 && level > threshold) return;
            // Errors are never left out.
            std::string note;
            if (level >= 0 && !lineBudget().admit(job, function, format, formLimit, &note)) {
                if (!note.empty()) put(hostrt::formatLogLine(job, level, function, note));
                return;
            }
            message = hostrt::boundedMessage(formatMessage(format, args));
            put(hostrt::formatLogLine(job, level, function, message));
        }
        if (level < 0) tellObserver(job, function, message);
    }

    static void tellObserver(long long job, const char* function, const std::string& message) {
        // An observer that logs an error itself is not told about that one.
        static thread_local bool telling = false;
        if (telling || !errorObserver()) return;
        telling = true;
        try {
            errorObserver()(job, function ? function : "", message);
        } catch (...) {
        }
        telling = false;
    }

    // One write() per line on an O_APPEND descriptor keeps lines of
    // concurrent writers, in this or other processes, from mixing.
    void put(const std::string& line) {
        if (file)
            file->write(line);
        else
            writeAll(2, line);
    }

    void open() {
        opened = true;
        Destination d = resolveDestination();
        file = std::move(d.file);
        threshold = d.threshold;
        formLimit = d.formLimit;
    }

    std::atomic<long long> id;
    std::mutex mutex;
    bool opened = false;
    std::shared_ptr<LogFile> file;
    int threshold = kDefaultThreshold;
    int formLimit = kDefaultFormLimit;
};

DebugLog::DebugLog(DebugLogFile* file)
    : job_(std::make_shared<Job>(g_defaultJob.load())), file_(file) {}

// Copies share the job.
DebugLog::DebugLog(const DebugLog& other) = default;
DebugLog& DebugLog::operator=(const DebugLog& other) = default;

DebugLog::~DebugLog() = default;

void DebugLog::DebugLvl(const char* function, int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    job_->write(level, job_->id.load(), function, format, args);
    va_end(args);
}

void DebugLog::DebugLvl(const char* function, int level, long long jobId, const char* format, ...) {
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

void DebugLog::DebugJob(int level, const char* function, long long jobId, const char* format, ...) {
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

void DebugLog::setErrorObserver(ErrorObserver observer) { errorObserver() = std::move(observer); }

DebugEvent::DebugEvent() : DebugLog(nullptr) {}
DebugEvent::~DebugEvent() = default;
