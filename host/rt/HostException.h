// Thrown by the device tree and SCSI interfaces.
#pragma once

#include <exception>
#include <string>

#include "Export.h"

class HOSTRT_API HostException : public std::exception {
public:
    HostException(const char* function, const std::string& message, const char* sourceFile,
                  int line, int code = -1);
    ~HostException() override;
    const std::string& getMessage() const { return message_; }
    const std::string& getFunction() const { return function_; }
    int getCode() const { return code_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string function_;
    std::string message_;
    std::string file_;
    int line_;
    int code_;
};
