#include "host/rt/HostException.h"

HostException::HostException(const char* function, const std::string& message,
                             const char* sourceFile, int line, int code)
    : function_(function ? function : ""),
      message_(message),
      file_(sourceFile ? sourceFile : ""),
      line_(line),
      code_(code) {}

HostException::~HostException() = default;
