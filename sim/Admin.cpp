#include "sim/Admin.h"

#include <cstdio>

#include "sim/Answer.h"
#include "sim/ArrayStore.h"
#include "sim/Db.h"
#include "sim/Text.h"

namespace sim {

namespace {

const char* kFlags[] = {"off", "clear", "json"};

struct Command {
    const char* name;
    int (*run)(const AdminArgs&);
};

const Command kCommands[] = {
    {"array-create", adminArrayCreate},
    {"user-add", adminUserAdd},
    {"pool-create", adminPoolCreate},
    {"vol-create", adminVolCreate},
    {"vol-write", adminVolWrite},
    {"vol-bulk", adminVolBulk},
    {"host-create", adminHostCreate},
    {"map", adminMap},
    {"port-login", adminPortLogin},
    {"refuse-wwn", adminRefuseWwn},
    {"shape", adminShape},
    {"fault", adminFault},
    {"fault-clear", adminFaultClear},
    {"hold", adminHold},
    {"held", adminHeld},
    {"release", adminRelease},
    {"disks", adminDisks},
    {"export-disks", adminExportDisks},
    {"runs", adminRuns},
    {"show", adminShow},
};

const char* kUsage =
    "usage: xcli-sim [--state DIR] COMMAND [--option value ...]\n"
    "commands: array-create user-add pool-create vol-create vol-write vol-bulk host-create map\n"
    "          port-login refuse-wwn shape fault fault-clear hold held release disks export-disks\n"
    "          runs show\n";

}  // namespace

AdminArgs::AdminArgs(const std::vector<std::string>& args, size_t from) {
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!startsWith(a, "--") || a.size() < 3)
            throw AdminUsage{"unexpected argument '" + a + "'"};
        std::string key = a.substr(2);
        bool isFlag = false;
        for (const char* f : kFlags) isFlag = isFlag || key == f;
        if (isFlag) {
            flags_[key] = true;
            continue;
        }
        if (i + 1 >= args.size()) throw AdminUsage{"option " + a + " needs a value"};
        values_.emplace(key, args[++i]);
    }
}

std::string AdminArgs::get(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end()) throw AdminUsage{"missing --" + key};
    if (values_.count(key) > 1) throw AdminUsage{"--" + key + " given more than once"};
    return it->second;
}

std::string AdminArgs::getOr(const std::string& key, const std::string& fallback) const {
    return has(key) ? get(key) : fallback;
}

std::vector<std::string> AdminArgs::all(const std::string& key) const {
    std::vector<std::string> out;
    auto range = values_.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
}

long long AdminArgs::number(const std::string& key, long long min, long long max) const {
    std::int64_t v = 0;
    if (!parseCount(get(key), max, v) || v < min)
        throw AdminUsage{"--" + key + " must be a number from " + std::to_string(min) + " to " +
                         std::to_string(max)};
    return v;
}

long long AdminArgs::numberOr(const std::string& key, long long fallback, long long min,
                              long long max) const {
    return has(key) ? number(key, min, max) : fallback;
}

std::vector<std::string> AdminArgs::list(const std::string& key) const {
    std::vector<std::string> out;
    for (const auto& v : all(key))
        for (const auto& p : splitText(v, ','))
            if (!p.empty()) out.push_back(p);
    return out;
}

int runAdmin(const std::vector<std::string>& args) {
    size_t i = 0;
    try {
        if (i + 1 < args.size() && args[i] == "--state") {
            setStateDir(args[i + 1]);
            i += 2;
        }
        if (i >= args.size()) throw AdminUsage{"no command"};
        const std::string& name = args[i];
        for (const auto& c : kCommands) {
            if (name == c.name) {
                AdminArgs parsed(args, i + 1);
                if (parsed.has("state")) setStateDir(parsed.get("state"));
                if (stateDir().empty())
                    throw AdminUsage{"no state directory: set XIV_SIM_STATE or --state"};
                return c.run(parsed);
            }
        }
        throw AdminUsage{"unknown command '" + name + "'"};
    } catch (const AdminUsage& u) {
        std::fprintf(stderr, "xcli-sim: %s\n%s", u.message.c_str(), kUsage);
        return 2;
    } catch (const XcliError& e) {
        std::fprintf(stderr, "xcli-sim: %s: %s\n", e.status.c_str(), e.description.c_str());
        return 1;
    } catch (const SimError& e) {
        std::fprintf(stderr, "xcli-sim: %s\n", e.what());
        return 1;
    }
}

}  // namespace sim
