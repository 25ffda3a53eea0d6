#include "XivTests.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

#include "TestData.h"

namespace {

const char* const SCRIPT = R"SH(#!/bin/sh
d=$(dirname "$0")
n=$(( $(cat "$d/count" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$d/count"
printf '%s\n' "$0" "$@" > "$d/argv.$n"
printf '%s' "${XIV_XCLIPASSWORD-(unset)}" > "$d/env.$n"
cat "$d/answer.$n" 2>/dev/null || cat "$d/answer" 2>/dev/null
cat "$d/stderr" >&2 2>/dev/null
exit "$(cat "$d/status" 2>/dev/null || echo 0)"
)SH";

// Settings and log of this test process and its children stay private and
// quiet; tests that look at log text take a LogCapture of their own.
struct Quiet {
    TempDir dir{"xiv-tests"};
    ScopedEnv config{"ZRSO_CONFIG", dir.write("platform.ini", "")},
        log{"ZRSO_LOG_FILE", dir.file("debug.log")};
} quiet;

std::string Field(const char* name, const std::string& value) {
    return value.empty() ? "" : std::string(" ") + name + "=" + value;
}
std::string Field(const char* name, int64_t value) {
    return value == 0 ? "" : Field(name, std::to_string(value));
}
#define F(field) Field(#field, r->field)

// Its kind, then " field=value" for each filled field.
std::string Record(ResourceNode* n) {
    if (auto* r = dynamic_cast<Host*>(n)) return "host" + F(name) + F(fc_ports) + F(iscsi_ports);
    if (auto* r = dynamic_cast<XivVol*>(n))
        return "volume" + F(name) + F(vol_name) + F(serial) + F(size) + F(size_MiB) + F(capacity) +
               F(used_capacity) + F(used_capacity_MiB) + F(locked) + F(locked_by_pool) +
               F(cg_name) + F(pool_name) + F(snapshot_serial) + F(wwn);
    if (auto* r = dynamic_cast<VolMapping*>(n)) return "vol_mapping" + F(lun) + F(host);
    if (auto* r = dynamic_cast<HostMapping*>(n)) return "mapping" + F(lun) + F(volume);
    if (auto* r = dynamic_cast<HostConn*>(n)) return "host_connectivity" + F(host) + F(host_port);
    if (auto* r = dynamic_cast<ConsistencyGroup*>(n)) return "cg" + F(name) + F(pool);
    if (auto* r = dynamic_cast<SnapGroup*>(n)) return "snap_group" + F(name) + F(cg);
    if (auto* r = dynamic_cast<XivPool*>(n))
        return "pool" + F(name) + F(id) + F(soft_size) + F(hard_size) + F(hard_size_MiB) +
               F(soft_size_MiB) + F(snapshot_size) + F(used_by_volumes) + F(used_by_snapshots) +
               F(empty_space_soft) + F(empty_space_soft_MiB) + F(empty_space_hard) +
               F(empty_space_hard_MiB) + F(locked) + F(lock_behaviour) + F(size) + F(empty_space) +
               Field("has_hard_size", r->has_hard_size);
    return "?";
}

}  // namespace

std::string Canned(const std::string& name) { return TestData("xcli/" + name); }

std::string Answer(const std::string& status, const std::string& body) {
    return "<XCLIRETURN STATUS=\"" + status + "\" COMMAND_LINE=\"x\"><OUTPUT>" + body +
           "</OUTPUT></XCLIRETURN>";
}

std::vector<std::string> Dump(const ResourceList& list) {
    std::vector<std::string> lines;
    for (const auto& record : list) lines.push_back(Record(record.get()));
    return lines;
}

std::string FilledKinds(const ResourceList& list) {
    std::string kinds;
    for (const std::string& line : Dump(list))
        if (line.find('=') != std::string::npos) kinds += line.substr(0, line.find(' '));
    return kinds;
}

ScriptedXcli::ScriptedXcli() {
    for (const char* name : {"xcli", "xiv_devlist"}) chmod(put(name, SCRIPT).c_str(), 0755);
}

std::vector<std::string> ScriptedXcli::argv(int run) const {
    std::vector<std::string> words;
    std::istringstream in(ReadFileText(temp_.file("argv." + std::to_string(run))));
    for (std::string line; std::getline(in, line);) words.push_back(line);
    return words;
}
