#include "host/rt/HostError.h"

std::string HostError::AsString() const {
    if (code_ == 0 && detail_.empty()) return "success";
    std::string text = "code " + std::to_string(code_);
    if (!detail_.empty()) text += ": " + detail_;
    return text;
}
