#include "xiv/XivLogger.h"

#include <cstdarg>

namespace {
// Job id of a record that cannot tell its own.
constexpr long long NO_JOB = -123456;
}  // namespace

XivLogger::XivLogger(ZRSO::SnapInfo* info)
    : snapInfo_(info), lunInfo_(nullptr), log_(nullptr), jobId_(NO_JOB) {
    int job = 0;
    if (info && info->getIntProperty(ZRSO::INTPROP_JOB_ID, &job) == 0) jobId_ = job;
}

XivLogger::XivLogger(ZRSO::LUNInfo* info)
    : snapInfo_(nullptr), lunInfo_(info), log_(nullptr), jobId_(NO_JOB) {
    if (info) jobId_ = info->getJobId();
}

XivLogger::XivLogger(const DebugLog& log)
    : snapInfo_(nullptr), lunInfo_(nullptr), log_(log), jobId_(log.getJobId()) {}

XivLogger::XivLogger(const XivLogger& other)
    : snapInfo_(other.snapInfo_),
      lunInfo_(other.lunInfo_),
      log_(other.log_),
      jobId_(other.jobId_) {}

XivLogger& XivLogger::operator=(const XivLogger& other) {
    snapInfo_ = other.snapInfo_;
    lunInfo_ = other.lunInfo_;
    log_ = other.log_;
    jobId_ = other.jobId_;
    return *this;
}

XivLogger::~XivLogger() {
    snapInfo_ = nullptr;
    lunInfo_ = nullptr;
}

int XivLogger::hostLevel(int level) {
    switch (level) {
    case ZRSO::LOG_DETAIL: return DebugLog::kDetail;
    case ZRSO::LOG_INFO: return DebugLog::kNormal;
    case ZRSO::LOG_ERROR:
    case ZRSO::LOG_FATAL: return DebugLog::kError;
    default: return DebugLog::kNormal;
    }
}

void XivLogger::logMessage(ZRSO::LogLevel level, const char* text) {
    log_.DebugJob(hostLevel(level), "", jobId_, "%s", text ? text : "NULL");
}

void XivLogger::logMessage(int level, const char* function, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log_.handleMsgEventDebug_NEW(hostLevel(level), nullptr, 0, -1, jobId_, function, format, args);
    va_end(args);
}
