#include "Recorded.h"

#include <algorithm>
#include <cstring>

void CopyInto(char* buffer, int capacity, const std::string& text) {
    if (buffer == nullptr || capacity <= 0) return;
    std::memset(buffer, 0, static_cast<size_t>(capacity));
    std::memcpy(buffer, text.data(), std::min(text.size(), static_cast<size_t>(capacity) - 1));
}
