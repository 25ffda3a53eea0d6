#include "XivTests.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "TestData.h"

namespace {

const char* const SCRIPT = R"SH(#!/bin/sh
d=$(dirname "$0")
n=$(( $(cat "$d/count" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$d/count"
printf '%s\n' "$0" "$@" > "$d/argv.$n"
printf '%s' "${XIV_XCLIPASSWORD-(unset)}" > "$d/env.$n"
op=none; take=0; form=xml
for a in "$@"; do
  if [ "$take" = 1 ]; then op=$a; break; fi
  case "$a" in -x) take=1 ;; -s) take=1; form=csv ;; esac
done
for f in "answer.$n" "$op.$form" answer; do
  if [ -f "$d/$f" ]; then cat "$d/$f"; break; fi
done
if [ -f "$d/stderr" ]; then cat "$d/stderr" >&2; fi
exit "$(cat "$d/status" 2>/dev/null || echo 0)"
)SH";

// Settings and log of this test process and its children stay private and
// quiet; tests that look at log text take a LogCapture of their own.
struct Quiet {
    TempDir dir{"xiv-tests"};
    Quiet() {
        setenv("ZRSO_CONFIG", dir.write("platform.ini", "").c_str(), 1);
        setenv("ZRSO_LOG_FILE", dir.file("debug.log").c_str(), 1);
    }
} quiet;

// Appends " field=value" for each filled field of a record of type T.
template <class T, class F>
bool Fields(ResourceNode* node, const char* kind, std::string& out, F fields) {
    T* r = dynamic_cast<T*>(node);
    if (r) out = kind + fields(*r);
    return r != nullptr;
}
std::string Field(const char* name, const std::string& value) {
    return value.empty() ? "" : std::string(" ") + name + "=" + value;
}
std::string Field(const char* name, int64_t value) {
    return value == 0 ? "" : Field(name, std::to_string(value));
}
#define F(field) Field(#field, r.field)

}  // namespace

std::string Canned(const std::string& name) { return TestData("xcli/" + name); }

std::vector<std::string> DataLines(const std::string& name) {
    std::vector<std::string> lines;
    std::istringstream in(TestData(name));
    for (std::string line; std::getline(in, line);)
        if (line.empty() || line[0] != '#') lines.push_back(line);
    return lines;
}

std::string Answer(const std::string& status, const std::string& body) {
    return "<XCLIRETURN STATUS=\"" + status + "\" COMMAND_LINE=\"x\"><OUTPUT>" + body +
           "</OUTPUT></XCLIRETURN>";
}

std::vector<std::string> Dump(const ResourceList& list) {
    std::vector<std::string> lines;
    for (const auto& record : list) {
        ResourceNode* n = record.get();
        std::string s = "?";
        Fields<Host>(n, "host", s,
                     [](Host& r) { return F(name) + F(fc_ports) + F(iscsi_ports); }) ||
            Fields<XivVol>(n, "volume", s,
                           [](XivVol& r) {
                               return F(name) + F(vol_name) + F(serial) + F(size) + F(size_MiB) +
                                      F(capacity) + F(used_capacity) + F(used_capacity_MiB) +
                                      F(locked) + F(locked_by_pool) + F(cg_name) + F(pool_name) +
                                      F(snapshot_serial) + F(wwn);
                           }) ||
            Fields<VolMapping>(n, "vol_mapping", s,
                               [](VolMapping& r) { return F(lun) + F(host); }) ||
            Fields<HostMapping>(n, "mapping", s,
                                [](HostMapping& r) { return F(lun) + F(volume); }) ||
            Fields<HostConn>(n, "host_connectivity", s,
                             [](HostConn& r) { return F(host) + F(host_port); }) ||
            Fields<ConsistencyGroup>(n, "cg", s,
                                     [](ConsistencyGroup& r) { return F(name) + F(pool); }) ||
            Fields<SnapGroup>(n, "snap_group", s, [](SnapGroup& r) { return F(name) + F(cg); }) ||
            Fields<XivPool>(n, "pool", s, [](XivPool& r) {
                return F(name) + F(id) + F(soft_size) + F(hard_size) + F(hard_size_MiB) +
                       F(soft_size_MiB) + F(snapshot_size) + F(used_by_volumes) +
                       F(used_by_snapshots) + F(empty_space_soft) + F(empty_space_soft_MiB) +
                       F(empty_space_hard) + F(empty_space_hard_MiB) + F(locked) +
                       F(lock_behaviour) + F(size) + F(empty_space) +
                       Field("has_hard_size", r.has_hard_size);
            });
        lines.push_back(s);
    }
    return lines;
}

std::string FilledKinds(const ResourceList& list) {
    std::string kinds;
    for (const std::string& line : Dump(list))
        if (line.find('=') != std::string::npos) kinds += line.substr(0, line.find(' '));
    return kinds;
}

ScriptedXcli::ScriptedXcli(const std::string& inner)
    : temp_("xcli-scripted"),
      inner_(inner.empty() ? "" : inner + "/"),
      dir_(inner.empty() ? temp_.path() : temp_.file(inner)) {
    std::filesystem::create_directories(dir_);
    for (const char* name : {"xcli", "xiv_devlist"}) chmod(put(name, SCRIPT).c_str(), 0755);
}

std::vector<std::string> ScriptedXcli::argv(int run) const {
    std::vector<std::string> words;
    std::istringstream in(ReadFileText(dir_ + "/argv." + std::to_string(run)));
    for (std::string line; std::getline(in, line);) words.push_back(line);
    return words;
}

std::vector<std::string> ScriptedXcli::TakeOps() {
    std::vector<std::string> ops;
    for (const int last = runs(); taken_ < last;) {
        const std::vector<std::string> words = argv(++taken_);
        for (size_t i = 1; i + 1 < words.size(); ++i)
            if (words[i] == "-x" || words[i] == "-s") {
                ops.push_back(words[i + 1] + (words[i] == "-s" ? " -s" : ""));
                break;
            }
    }
    return ops;
}

void SimArrayTest::SetUp() {
    if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
    array_ = std::make_unique<SimArray>();
    array_->Admin({"array-create", "--address", kAddress, "--serial", "1310133", "--user", "admin",
                   "--password", "adm1n-pw"});
    Sim({"pool-create", "--pool", kPool, "--size-gb", "2000"});
    xiv_ = std::make_unique<Xiv>("admin", "adm1n-pw", kAddress, SimBinDir(), XivLogger(DebugLog()));
}

std::string SimArrayTest::Sim(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--address", kAddress});
    return array_->Admin(args);
}

std::string SimArrayTest::WwnOf(const std::string& volume) {
    std::string wwn;
    XivError e;
    xiv_->GetVolumeByName(volume, wwn, e);
    EXPECT_EQ(e.code, 0) << e.text;
    Runs();
    return wwn;
}
