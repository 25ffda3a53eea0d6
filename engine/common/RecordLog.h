// Log lines of the device identification and metadata code go through the
// host record, which some callers (the discovery of mounted disks) may not
// have; these helpers format first and skip the line when there is none.
#pragma once

#include <string>

#include "host/ZRSO.h"

// printf-style formatting into a string of any length.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same, cut after 1023 characters as the host's fixed message buffers are.
std::string FormatMessage1024(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One line through the record's log; nothing when the record is absent.
void RecordLog(ZRSO::SnapInfo* info, int level, const char* function, const std::string& text);
