// Host debug log. One line per call: time, pid, job id, level, function, text.
// Levels: -1 error (always written), 0 normal, 2 detail.
#pragma once

#include <cstdarg>
#include <functional>
#include <memory>
#include <string>

#include "Export.h"

class DebugLogFile;  // a log-file instance; null selects the default log

class HOSTRT_API DebugLog {
public:
    // Levels of DebugLvl and DebugJob.
    enum Level : int {
        kError = -1,  // always written
        kNormal = 0,
        kDetail = 2,
    };

    explicit DebugLog(DebugLogFile* file = nullptr);
    DebugLog(const DebugLog& other);  // copies share the job
    DebugLog& operator=(const DebugLog& other);
    virtual ~DebugLog();

    void DebugLvl(const char* function, int level, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    void DebugLvl(const char* function, int level, long long jobId, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void Debug(const char* function, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void DebugJob(int level, const char* function, long long jobId, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void handleMsgEventDebug_NEW(int level, void* reserved1, int reserved2, int reserved3,
                                 long long jobId, const char* function, const char* format,
                                 va_list args);

    long long getJobId() const;

    // Host side: the job that new default logs belong to (process-wide), and
    // the job of this log and of every copy made from it.
    static void setDefaultJobId(long long jobId);
    void setJobId(long long jobId);

    // Host side: called with every error line (level -1 and below) as it is
    // written (the message as bounded for the log), so the host can show
    // the reason of a failure; an empty function stops the calls.
    using ErrorObserver =
        std::function<void(long long jobId, const char* function, const std::string& message)>;
    static void setErrorObserver(ErrorObserver observer);

private:
    struct Job;
    std::shared_ptr<Job> job_;
    DebugLogFile* file_;
};

// A log scoped to one entry-point call.
class HOSTRT_API DebugEvent : public DebugLog {
public:
    DebugEvent();
    ~DebugEvent() override;
};
