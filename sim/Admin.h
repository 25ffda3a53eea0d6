// xcli-sim: the simulator's admin command (not an XCLI command).
#pragma once
#include <map>
#include <string>
#include <vector>

namespace sim {

// args excludes the program name. Returns the exit status: 0 success, 1 a
// refused request, 2 a malformed command line.
int runAdmin(const std::vector<std::string>& args);

// Admin options: "--key value" pairs (keys may repeat) and bare flags.
class AdminArgs {
public:
    AdminArgs(const std::vector<std::string>& args, size_t from);
    bool has(const std::string& key) const { return values_.count(key) != 0; }
    bool flag(const std::string& key) const { return flags_.count(key) != 0; }
    std::string get(const std::string& key) const;  // AdminUsage when absent
    std::string getOr(const std::string& key, const std::string& fallback) const;
    std::vector<std::string> all(const std::string& key) const;
    long long number(const std::string& key, long long min, long long max) const;
    long long numberOr(const std::string& key, long long fallback, long long min,
                       long long max) const;
    // Comma-separated list of one or more options of the same key.
    std::vector<std::string> list(const std::string& key) const;

private:
    std::multimap<std::string, std::string> values_;
    std::map<std::string, bool> flags_;
};

struct AdminUsage {
    std::string message;
};

// Command bodies, grouped by file.
int adminArrayCreate(const AdminArgs&);
int adminUserAdd(const AdminArgs&);
int adminPoolCreate(const AdminArgs&);
int adminVolCreate(const AdminArgs&);
int adminVolWrite(const AdminArgs&);
int adminVolBulk(const AdminArgs&);
int adminHostCreate(const AdminArgs&);
int adminMap(const AdminArgs&);
int adminPortLogin(const AdminArgs&);
int adminRefuseWwn(const AdminArgs&);
int adminShape(const AdminArgs&);
int adminFault(const AdminArgs&);
int adminFaultClear(const AdminArgs&);
int adminHold(const AdminArgs&);
int adminHeld(const AdminArgs&);
int adminRelease(const AdminArgs&);
int adminDisks(const AdminArgs&);
int adminExportDisks(const AdminArgs&);
int adminRuns(const AdminArgs&);
int adminShow(const AdminArgs&);

}  // namespace sim
