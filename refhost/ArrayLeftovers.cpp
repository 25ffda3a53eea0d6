#include "refhost/ArrayLeftovers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

#include "host/ZRSO.h"
#include "refhost/ArrayProbe.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostSession.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/HostTopology.h"
#include "refhost/JsonText.h"
#include "refhost/LunRequestStore.h"
#include "refhost/LunSteps.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SnapshotSteps.h"

namespace refhost {
namespace {

// Printed in this order, their removals run in it too: a mapping goes before
// its duplicate, a snapshot group is disbanded before its snapshots go, a
// group loses its members before it goes.
const char* const kKinds[] = {"lock",     "mapping",      "duplicate",         "snapshot group",
                              "snapshot", "group member", "consistency group", "host object"};

int rank(const std::string& kind) {
    for (int i = 0; i < 8; ++i)
        if (kind == kKinds[i]) return i;
    return 8;
}

using Record = std::map<std::string, std::string>;

// One registered array asked through xcli with its stored login.
class ArrayView {
public:
    ArrayView(HostSession& session, const RegisteredArray& array)
        : ArrayView(array.name,
                    registeredLogin(session.home(), ArrayRegistry(session.database()), array)) {}

    // The records of a listing; empty when the object is missing. Throws
    // std::runtime_error when the array cannot be asked.
    std::vector<Record> list(const std::string& operation,
                             const std::vector<std::string>& args = {}) const {
        XcliAnswer a = probe_.run(operation, args);
        if (a.status == "SUCCESS") return a.records;
        static const char* const kMissing[] = {"VOLUME_BAD_NAME", "SNAPSHOT_GROUP_BAD_NAME",
                                               "CONS_GROUP_BAD_NAME", "HOST_BAD_NAME"};
        for (const char* m : kMissing)
            if (a.status == m) return {};
        throw std::runtime_error(name_ + ": " + operation + ": " + answerFailure(a));
    }

    // The password is not printed: xcli reads it from XIV_XCLIPASSWORD.
    ArrayObject object(const std::string& kind, const std::string& name, const std::string& detail,
                       const std::vector<std::string>& removals) const {
        ArrayObject o{name_, kind, name, detail, false, {}};
        for (const auto& r : removals) o.remove.push_back(command_ + r);
        return o;
    }

private:
    ArrayView(std::string name, ArrayLogin login)
        : name_(std::move(name)),
          command_((login.xcliDir.empty() ? "xcli" : login.xcliDir + "/xcli") + " -u " +
                   login.user + " -m " + login.address + " -y -x "),
          probe_(std::move(login)) {}

    std::string name_;
    std::string command_;
    ArrayProbe probe_;
};

std::string field(const Record& r, const std::string& key) {
    auto f = r.find(key);
    return f == r.end() ? std::string() : f->second;
}

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> splitPorts(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t comma = text.find(',', at);
        std::string p =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        p.erase(std::remove(p.begin(), p.end(), ':'), p.end());
        if (!p.empty()) out.push_back(upper(p));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return out;
}

// Host objects the plug-in made for these ports ("<base>_<number>") that
// hold none, or only some, of them: no later step removes or completes them.
void hostObjects(const ArrayView& view, const std::string& base,
                 const std::vector<Initiator>& ports, std::vector<ArrayObject>& out) {
    for (const auto& h : view.list("host_list")) {
        std::string name = field(h, "name");
        if (name.size() <= base.size() + 1 || name.compare(0, base.size() + 1, base + "_") != 0 ||
            name.find_first_not_of("0123456789", base.size() + 1) != std::string::npos)
            continue;
        auto held = splitPorts(field(h, "fc_ports"));
        for (const auto& p : splitPorts(field(h, "iscsi_ports"))) held.push_back(p);
        if (held.empty()) {
            out.push_back(
                view.object("host object", name, "no ports", {"host_delete host=" + name}));
            continue;
        }
        for (const auto& p : ports)
            if (std::find(held.begin(), held.end(), upper(p.name)) == held.end())
                out.push_back(view.object("host object", name, "lacks port " + p.name,
                                          {"host_add_port host=" + name + " " +
                                           (p.iscsi() ? "iscsi_name=" : "fcaddress=") + p.name}));
    }
}

void mappingsOf(const ArrayView& view, const std::string& volume,
                const std::set<std::string>& hosts, std::vector<ArrayObject>& out) {
    for (const auto& m : view.list("vol_mapping_list", {"vol=" + volume})) {
        std::string host = field(m, "host");
        if (hosts.empty() || hosts.count(host))
            out.push_back(view.object("mapping", volume + " to " + host, "LUN " + field(m, "lun"),
                                      {"unmap_vol host=" + host + " vol=" + volume}));
    }
}

// The duplicate a record's mount makes, named from the numbers this host
// hands the plug-in.
std::string duplicateName(HostSnapInfo& info) {
    int number = 0;
    info.getIntProperty(ZRSO::INTPROP_DUPLICATE_NAME_NUMBER, &number);
    std::string name =
        "QS_2_" + std::to_string(number) + "_" + std::to_string(info.getDuplicateNumber());
    return info.hasOption(ZRSO::OPTION_CLONE_NAMES)
               ? "ZR_Clone_" + name + "_" + std::to_string(info.getCloneNumber())
               : name + "_duplicate";
}

void recordObjects(HostSession& session, const ArrayView& view, const SnapRecordRow& r,
                   const std::string& metadata, std::vector<ArrayObject>& out) {
    std::string snap = metadataItem(metadata, "SnapName"),
                volume = metadataItem(metadata, "VolumeName");
    std::string snapGroup = metadataItem(metadata, "SnapGroupName");
    HostSnapInfo info(session.database(), r.id);
    std::string duplicate = duplicateName(info);
    auto found = view.list("vol_list", {"vol=" + duplicate});
    if (!found.empty()) {
        // Made but not unlocked when its mount stopped: a later mount finds
        // it and maps it without unlocking it, read-only.
        if (field(found[0], "locked") == "yes")
            out.push_back(view.object("lock", duplicate, "the duplicate is read-only",
                                      {"vol_unlock vol=" + duplicate}));
        mappingsOf(view, duplicate, {}, out);
        out.push_back(view.object("duplicate", duplicate, "of " + snap,
                                  {"snapshot_delete snapshot=" + duplicate}));
    }
    if (!snapGroup.empty() && !view.list("snap_group_list", {"snap_group=" + snapGroup}).empty())
        out.push_back(view.object("snapshot group", snapGroup, "",
                                  {"snap_group_disband snap_group=" + snapGroup}));
    if (!snap.empty() && !view.list("vol_list", {"vol=" + snap}).empty())
        out.push_back(
            view.object("snapshot", snap, "of " + volume, {"snapshot_delete snapshot=" + snap}));
}

// The consistency group a group job's prepare makes, named from the numbers
// this host hands the plug-in; it stays for the next group backup of the
// same application, so it is shown as kept, with the job's volumes in it.
std::string groupName(HostSnapInfo& info) {
    char wanted[16] = {0};
    short size = sizeof wanted;
    if (info.getConfigString("SMCONFIG_NAME_IBM_XIV_USE_CONSISTENCY_GROUP", wanted, &size) != 0 ||
        std::string(wanted) != "1")
        return "";
    int fleet = 0, application = 0;
    info.getIntProperty(ZRSO::INTPROP_FLEET_NUMBER, &fleet);
    info.getIntProperty(ZRSO::INTPROP_APPLICATION_ID, &application);
    char name[64];
    std::snprintf(name, sizeof name, "ZR_CG_%X_%d", static_cast<unsigned>(fleet), application);
    return name;
}

void groupObjects(const ArrayView& view, const std::string& group,
                  const std::set<std::string>& volumes, std::vector<ArrayObject>& out) {
    if (view.list("cg_list", {"cg=" + group}).empty()) return;
    bool others = false;
    for (const auto& v : view.list("vol_list", {"cg=" + group})) {
        std::string name = field(v, "name");
        if (!volumes.count(name)) {
            others = true;
            continue;
        }
        out.push_back(
            view.object("group member", name, "in " + group, {"cg_remove_vol vol=" + name}));
        out.back().kept = true;
    }
    if (others) return;  // in use by other jobs too
    out.push_back(view.object("consistency group", group, "", {"cg_delete cg=" + group}));
    out.back().kept = true;
}

void sortObjects(std::vector<ArrayObject>& objects) {
    std::stable_sort(
        objects.begin(), objects.end(),
        [](const ArrayObject& a, const ArrayObject& b) { return rank(a.kind) < rank(b.kind); });
}

// What the step is there to remove: left over after it, these are failures.
bool removedBy(const std::string& step, const std::string& kind) {
    if (kind == "host object" || kind == "lock") return true;
    if (step == "unmount") return kind == "mapping" || kind == "duplicate";
    if (step == "delete") return kind != "group member" && kind != "consistency group";
    if (step == "lun unmap") return kind == "mapping";
    return false;
}

}  // namespace

std::string ArrayObject::label() const {
    return kind + " " + name + (detail.empty() ? "" : " (" + detail + ")") + " on " + array;
}

std::vector<ArrayObject> surveySnapJob(HostSession& session, int64_t jobId) {
    SnapJobStore store(session.database());
    ArrayRegistry registry(session.database());
    std::map<std::string, std::unique_ptr<ArrayView>> views;  // by serial
    std::map<std::pair<std::string, std::string>, std::set<std::string>>
        groups;  // (serial, group) -> volumes
    std::vector<ArrayObject> out;
    for (const auto& r : store.records(jobId)) {
        std::string metadata = store.property(r.id, ZRSO::PROP_METADATA);
        std::string serial = metadataItem(metadata, "ArrayId");
        auto array = serial.empty() ? std::nullopt : registry.bySerial(serial);
        if (!array) continue;  // never prepared: the plug-in made nothing for it
        auto& view = views[serial];
        if (!view) view = std::make_unique<ArrayView>(session, *array);
        recordObjects(session, *view, r, metadata, out);
        HostSnapInfo info(session.database(), r.id);
        std::string group = groupName(info);
        if (!group.empty()) groups[{serial, group}].insert(metadataItem(metadata, "VolumeName"));
    }
    for (const auto& g : groups) groupObjects(*views[g.first.first], g.first.second, g.second, out);
    std::vector<Initiator> ports =
        HostTopology(session.database()).initiators(HostTopology::kLocal);
    for (const auto& v : views) hostObjects(*v.second, clientName(), ports, out);
    sortObjects(out);
    return out;
}

std::vector<ArrayObject> surveyLunRequest(HostSession& session, const LunRequestRow& request) {
    auto array = ArrayRegistry(session.database()).byName(request.arrayName);
    std::vector<ArrayObject> out;
    if (!array || request.mapRequest.empty()) return out;
    ArrayView view(session, *array);
    MapTarget target = parseMapRequest(request.mapRequest);
    std::vector<Initiator> ports;
    for (const auto& p : target.ports)
        ports.push_back({target.protocol == 4 ? "iscsi" : "fc", upper(p)});
    std::set<std::string> hosts;
    for (const auto& h : view.list("host_list")) {
        auto held = splitPorts(field(h, "fc_ports") + "," + field(h, "iscsi_ports"));
        for (const auto& p : ports)
            if (std::find(held.begin(), held.end(), upper(p.name)) != held.end())
                hosts.insert(field(h, "name"));
    }
    if (!hosts.empty()) mappingsOf(view, request.volumeName, hosts, out);
    hostObjects(view, target.host, ports, out);
    sortObjects(out);
    return out;
}

ArrayCheck compareSurveys(const std::string& step, std::vector<ArrayObject> before,
                          const std::vector<ArrayObject>& after) {
    ArrayCheck check;
    for (const auto& o : before)
        if (std::find(after.begin(), after.end(), o) == after.end()) check.cleaned.push_back(o);
    auto alsoLeft = [&](const std::string& kind, const std::string& name) {
        for (const auto& o : after)
            if (o.kind == kind && o.name == name && removedBy(step, kind)) return true;
        return false;
    };
    for (const auto& o : after) {
        if (!o.kept && !removedBy(step, o.kind)) continue;
        if (o.kind == "lock" && alsoLeft("duplicate", o.name))
            continue;  // it goes with its duplicate
        check.left.push_back(o);
    }
    check.before = std::move(before);
    return check;
}

RecoveryCheck::RecoveryCheck(std::string why, Survey survey) : survey_(std::move(survey)) {
    check_.why = std::move(why);
    try {
        check_.before = survey_();
    } catch (const std::exception& e) {
        check_.problem = e.what();
    }
}

ArrayCheck RecoveryCheck::finish(const std::string& step) {
    if (!check_.problem.empty()) return check_;
    try {
        ArrayCheck done = compareSurveys(step, check_.before, survey_());
        done.why = check_.why;
        return done;
    } catch (const std::exception& e) {
        check_.problem = e.what();
        return check_;
    }
}

std::string arrayCheckText(const ArrayCheck& check) {
    if (!check.problem.empty())
        return check.why + "; the array could not be checked: " + check.problem + "\n";
    std::string text = check.why + "; on the array before this step: ";
    if (check.before.empty()) text += "nothing of it";
    for (std::size_t i = 0; i < check.before.size(); ++i)
        text += (i ? "; " : "") + check.before[i].label();
    text += "\n  cleaned: ";
    if (check.cleaned.empty()) text += "nothing";
    for (std::size_t i = 0; i < check.cleaned.size(); ++i)
        text += (i ? "; " : "") + check.cleaned[i].label();
    text += "\n";
    bool kept = false, left = false;
    for (const auto& o : check.left) (o.kept ? kept : left) = true;
    for (bool keptPart : {false, true}) {
        if (!(keptPart ? kept : left)) continue;
        text += keptPart ? "  kept on the array by the plug-in for the next group backup; when no "
                           "longer wanted, "
                           "remove with:\n"
                         : "  left on the array, and no step of the plug-in removes it; remove (a "
                           "lock: undo) with:\n";
        for (const auto& o : check.left)
            if (o.kept == keptPart)
                for (const auto& r : o.remove)
                    text += "    " + r + "    # " + o.kind + " " + o.name + "\n";
    }
    if (kept || left)
        text += "  (xcli takes the array's password from XIV_XCLIPASSWORD)\n";
    else
        text += "  left on the array: nothing of it\n";
    return text;
}

std::string arrayCheckJson(const ArrayCheck& check) {
    auto list = [](const std::vector<ArrayObject>& objects) {
        std::string out = "[";
        for (const auto& o : objects)
            out += std::string(out.size() > 1 ? "," : "") + "{\"array\":" + jsonString(o.array) +
                   ",\"kind\":" + jsonString(o.kind) + ",\"name\":" + jsonString(o.name) +
                   ",\"detail\":" + jsonString(o.detail) +
                   ",\"kept\":" + (o.kept ? "true" : "false") +
                   ",\"remove\":" + jsonStringArray(o.remove) + "}";
        return out + "]";
    };
    return "{\"why\":" + jsonString(check.why) + ",\"problem\":" + jsonString(check.problem) +
           ",\"before\":" + list(check.before) + ",\"cleaned\":" + list(check.cleaned) +
           ",\"left\":" + list(check.left) + "}";
}

}  // namespace refhost
