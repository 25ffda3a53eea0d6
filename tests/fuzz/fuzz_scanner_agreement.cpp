// A plain answer (one that opens on its root) is read by the lean scanner;
// the same answer behind an XML declaration by the full one. Whatever the
// bytes, the caller must get the same status and the same records from both.
// Parser messages may word the same fault differently and are not compared.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/fuzz/FuzzQuiet.h"
#include "xiv/XCliParse.h"
#include "xiv/XCliSAX2Handler.h"

namespace {

template <class T, class F>
bool dump(ResourceNode* node, std::string& out, F fields) {
    T* r = dynamic_cast<T*>(node);
    if (r) out += fields(*r) + ";";
    return r != nullptr;
}

std::string Text(const ResourceList& records) {
    std::string out;
    auto n = [](int64_t v) { return std::to_string(v) + ","; };
    for (const auto& record : records) {
        ResourceNode* r = record.get();
        dump<Host>(r, out,
                   [](Host& h) { return "H" + h.name + "," + h.fc_ports + "," + h.iscsi_ports; }) ||
            dump<XivVol>(r, out,
                         [&](XivVol& v) {
                             return "V" + v.name + "," + n(v.size) + n(v.size_MiB) + n(v.capacity) +
                                    n(v.used_capacity) + n(v.used_capacity_MiB) + v.locked + "," +
                                    v.locked_by_pool + "," + v.cg_name + "," + v.pool_name + "," +
                                    v.snapshot_serial + "," + v.wwn;
                         }) ||
            dump<VolMapping>(r, out, [&](VolMapping& m) { return "M" + n(m.lun) + m.host; }) ||
            dump<HostMapping>(r, out, [&](HostMapping& m) { return "L" + n(m.lun) + m.volume; }) ||
            dump<HostConn>(r, out, [](HostConn& c) { return "C" + c.host + "," + c.host_port; }) ||
            dump<ConsistencyGroup>(
                r, out, [](ConsistencyGroup& g) { return "G" + g.name + "," + g.pool; }) ||
            dump<SnapGroup>(r, out, [](SnapGroup& g) { return "S" + g.name + "," + g.cg; }) ||
            dump<XivPool>(r, out, [&](XivPool& p) {
                return "P" + p.name + "," + p.id + "," + n(p.soft_size) + n(p.hard_size) +
                       n(p.hard_size_MiB) + n(p.soft_size_MiB) + n(p.snapshot_size) +
                       n(p.used_by_volumes) + n(p.used_by_snapshots) + n(p.empty_space_soft) +
                       n(p.empty_space_soft_MiB) + n(p.empty_space_hard) +
                       n(p.empty_space_hard_MiB) + p.locked + "," + p.lock_behaviour;
            });
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kinds[] = {"",   "host",       "volume", "vol_mapping",      "mapping",
                                        "cg", "snap_group", "pool",   "host_connectivity"};
    const std::string kind = kinds[size ? data[0] % 9 : 0];
    std::string xml(reinterpret_cast<const char*>(data), size);
    SkipExtraLines(xml);
    if (!XCliSAX2Handler::PlainAnswer(xml.c_str(), std::strlen(xml.c_str()))) return 0;

    std::string status[2], errorText[2], text[2];
    for (int declared = 0; declared < 2; ++declared) {
        ResourceList records;
        ParseOutput(kind, declared ? "<?xml version=\"1.0\"?>" + xml : xml, status[declared],
                    errorText[declared], records);
        text[declared] = Text(records);
    }
    if (status[0] != status[1] || text[0] != text[1]) abort();
    return 0;
}
