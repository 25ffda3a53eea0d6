// XIV status names with the codes and sentences handed to the host.
#pragma once

#include <string>

#include "host/PluginExport.h"

struct XivErrorEntry {
    int code;
    char name[132];
    const char* description;
};

constexpr int XIV_ERROR_COUNT = 57;
// Code of a name that no row holds.
constexpr int XIV_ERROR_UNKNOWN = 44103;

extern "C" ZRSO_EXPORT const XivErrorEntry xiv_errors[XIV_ERROR_COUNT];

// Exact, case-sensitive match; the first row wins. 44103 when none matches.
int XivErrStrToInt(const std::string& name);
// The matching row's sentence; "" when none matches or name is empty.
const char* XivErrStrToDesc(const std::string& name);
