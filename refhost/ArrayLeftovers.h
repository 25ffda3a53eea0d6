// What a job has on its arrays, asked of the arrays themselves: after a
// command on the job died or was stopped, the next one looks before and after
// it runs, says what it cleaned, and tells how to remove what it cannot (the
// plug-in never rolls array work back, and some of it no later step removes:
// a host object made without its ports, a consistency group's members).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace refhost {

class HostSession;
struct LunRequestRow;

// One object on an array that belongs to a job.
struct ArrayObject {
    std::string array;  // registered name
    std::string kind;   // lock, mapping, duplicate, snapshot group, snapshot, group member,
                        // consistency group, host object
    std::string name;
    std::string detail;  // "to me at LUN 4", "no ports", ...
    bool kept = false;  // the plug-in keeps it on purpose (a consistency group for the next backup)
    std::vector<std::string> remove;  // xcli command lines that remove it, in order

    std::string label() const;  // "duplicate QS_2_7_3_duplicate (mapped ...)"
    bool operator==(const ArrayObject& o) const {
        return array == o.array && kind == o.kind && name == o.name && detail == o.detail;
    }
};

struct ArrayCheck {
    std::string why;      // "the last mount of job 12 did not finish"
    std::string problem;  // the array could not be asked
    std::vector<ArrayObject> before, cleaned, left;
};

// Looks at the arrays when made and again at finish().
class RecoveryCheck {
public:
    using Survey = std::function<std::vector<ArrayObject>()>;
    RecoveryCheck(std::string why, Survey survey);
    ArrayCheck finish(const std::string& step);

private:
    ArrayCheck check_;
    Survey survey_;
};

// A snapshot job's objects: its snapshots, snapshot groups and duplicates
// with their mappings, its volumes' consistency-group membership (group
// jobs), and host objects named as the plug-in names this machine's that
// hold none or only some of its ports.
std::vector<ArrayObject> surveySnapJob(HostSession& session, int64_t jobId);
// A LUN request's: the volume's mappings through the request's ports, and
// host objects named after the request's host that hold none or only some of
// its ports.
std::vector<ArrayObject> surveyLunRequest(HostSession& session, const LunRequestRow& request);

// What the step cleaned, and what is left that it should have removed (or
// that no step removes). step: a snapshot step, or "lun map" and the like.
ArrayCheck compareSurveys(const std::string& step, std::vector<ArrayObject> before,
                          const std::vector<ArrayObject>& after);

// For people, and as the "array_check" member of --json answers.
std::string arrayCheckText(const ArrayCheck& check);
std::string arrayCheckJson(const ArrayCheck& check);

}  // namespace refhost
