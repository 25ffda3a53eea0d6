// Ties the host's debug log to the job of the record the work is done for, so
// that objects without a host record at hand still log into that job.
#pragma once

#include "host/ZRSO.h"
#include "host/rt/DebugLog.h"

class XivLogger {
public:
    // Job id from the record's integer property 12; -123456 when unreadable.
    explicit XivLogger(ZRSO::SnapInfo* info);
    explicit XivLogger(ZRSO::LUNInfo* info);
    explicit XivLogger(const DebugLog& log);
    XivLogger(const XivLogger& other);
    XivLogger& operator=(const XivLogger& other);
    ~XivLogger();

    // Levels 0 detail, 1 normal, 2 and 3 error; anything else is normal.
    void logMessage(ZRSO::LogLevel level, const char* text);
    void logMessage(int level, const char* function, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    long long getJobId() const { return jobId_; }

    // The host log level a logger level maps to.
    static int hostLevel(int level);

private:
    ZRSO::SnapInfo* snapInfo_;
    ZRSO::LUNInfo* lunInfo_;
    DebugLog log_;
    long long jobId_;
};
