#include "host/rt/DebugLog.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <string>
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

}  // namespace

// The state copies of a log share: its job and where its lines go. The
// destination is settled at the first line, so building a log costs nothing.
struct __attribute__((visibility("hidden"))) DebugLog::Job {
    explicit Job(long long id) : id(id) {}
    ~Job() {
        if (fd > 2) ::close(fd);
    }

    void write(int level, long long job, const char* function, const char* format, va_list args) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!opened) open();
        // Errors (-1 and below) always go out; detail only up to the threshold.
        if (level >= 0 && level > threshold) return;
        // One write() per line on an O_APPEND descriptor keeps lines of
        // concurrent writers, in this or other processes, from mixing.
        writeAll(fd, hostrt::formatLogLine(job, level, function, formatMessage(format, args)));
    }

    void open() {
        opened = true;
        PlatformConfig config;
        int level = 0;
        if (config.getRegInt("~Trellis", "nDebugLevel", &level)) threshold = level;
        std::string path = hostrt::environmentText("ZRSO_LOG_FILE");
        if (path.empty()) config.getString("Trellis", "DebugLogFile", &path);
        if (path.empty()) return;
        int f;
        // O_NONBLOCK: a FIFO without a reader must not hang the caller.
        do {
            f = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                       0640);
        } while (f < 0 && errno == EINTR);
        if (f >= 0) fd = f;  // else stay on stderr: lines must not vanish
    }

    std::atomic<long long> id;
    std::mutex mutex;
    bool opened = false;
    int fd = 2;
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
