// What the fakes record of the plug-in's writes, and text handed over as a
// host does.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

struct LogEntry {
    int level;
    std::string function;
    std::string text;
};

struct ErrorEntry {
    int code;
    std::string message;
};

// A text the plug-in handed over; ifNull stands for a null pointer.
inline const char* Safe(const char* text, const char* ifNull = "(null)") {
    return text ? text : ifNull;
}

// Copies text into a buffer of the given capacity, cut to fit and always
// terminated; the whole buffer is written, so a caller announcing more than
// it allocated is caught by ASan.
inline void CopyInto(char* buffer, int capacity, const std::string& text) {
    if (buffer == nullptr || capacity <= 0) return;
    std::memset(buffer, 0, static_cast<size_t>(capacity));
    std::memcpy(buffer, text.data(), std::min(text.size(), static_cast<size_t>(capacity) - 1));
}
