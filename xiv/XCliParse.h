// Running one XML command and turning its answer into a status and records.
#pragma once

#include <list>
#include <string>

#include "xiv/Resources.h"
#include "xiv/XivLogger.h"

// Runs commandLine, parses the answer into resourceList (records of
// expectedKind get their fields), sets status and result to the answer's
// status name; errorCode becomes -1 for anything but "SUCCESS"; errorText is
// appended with the parse messages and the answer. password is the login's
// password (used to keep it off the child's argument list).
void DoTheWork(const std::string& commandLine, std::string& output, const std::string& password,
               const std::string& expectedKind, std::string& errorText,
               std::list<ResourceNode*>& resourceList, int& errorCode, std::string& status,
               std::string& result, const std::string& xcliDirectory, XivLogger logger);

// Parses xmlText. A document that does not parse to its end gives the status
// "XCLI_COMMAND_FAILED_UNKNOWN_REASON"; the records read before the failure
// are appended to resourceList all the same.
void ParseOutput(const std::string& expectedKind, const std::string& xmlText,
                 std::string& status, std::string& errorText,
                 std::list<ResourceNode*>& resourceList);

// Drops what xcli printed before "<XCLIRETURN" and after "</XCLIRETURN>".
void SkipExtraLines(std::string& text);
