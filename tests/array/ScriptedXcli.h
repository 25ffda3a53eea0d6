// A stand-in xcli that answers each operation with a canned text, for answers
// no well-behaved array gives: odd field values, foreign record kinds, huge
// listings. It still runs as a real child process and records each run.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"

// One record of an answer: its element name and its fields in order.
struct XmlRecord {
    std::string kind;
    std::vector<std::pair<std::string, std::string>> fields;
};

// An XCLIRETURN document with the status and the records.
std::string XmlAnswer(const std::string& status, const std::vector<XmlRecord>& records);

class ScriptedXcli {
public:
    ScriptedXcli();
    // The directory to hand to Xiv as the xcli location.
    const std::string& dir() const { return dir_.path(); }
    // The answer to an operation (the word after -x, or after -s for csv).
    void Answer(const std::string& operation, const std::string& text, bool csv = false);
    // The operations run since the last call, in order; a CSV run is
    // "<op> -s".
    std::vector<std::string> TakeRuns();

private:
    TempDir dir_;
};
