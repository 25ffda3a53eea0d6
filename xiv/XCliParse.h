// Running one XML command and turning its answer into a status and records.
#pragma once

#include <string>

#include "xiv/Resources.h"
#include "xiv/XivError.h"
#include "xiv/XivLogger.h"

// Runs commandLine, parses the answer into resources (records of
// expectedKind get their fields), sets status and result to the answer's
// status name; error.code becomes -1 for anything but "SUCCESS" and is left
// alone otherwise; error.text is appended with the parse messages and the
// answer. password is the login's password (used to keep it off the child's
// argument list).
void DoTheWork(const std::string& commandLine, std::string& output, const std::string& password,
               const std::string& expectedKind, ResourceList& resources, XivError& error,
               std::string& status, std::string& result, const std::string& xcliDirectory,
               XivLogger logger);

// Parses xmlText. A document that does not parse to its end gives the status
// "XCLI_COMMAND_FAILED_UNKNOWN_REASON"; the records read before the failure
// are appended to resources all the same.
void ParseOutput(const std::string& expectedKind, const std::string& xmlText, std::string& status,
                 std::string& errorText, ResourceList& resources);

// Drops what xcli printed before "<XCLIRETURN" and after "</XCLIRETURN>".
void SkipExtraLines(std::string& text);
