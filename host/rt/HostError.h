// Result of a failed device operation.
#pragma once

#include <string>

#include "Export.h"

class HOSTRT_API HostError {
public:
    HostError() : code_(0) {}
    HostError(int code, std::string detail) : code_(code), detail_(std::move(detail)) {}
    static HostError Success() { return HostError(); }

    bool ok() const { return code_ == 0; }
    int code() const { return code_; }
    const std::string& detail() const { return detail_; }
    std::string AsString() const;

private:
    int code_;
    std::string detail_;
};
