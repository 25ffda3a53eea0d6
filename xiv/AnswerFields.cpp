#include "xiv/AnswerFields.h"

#include <climits>
#include <cstdint>

using namespace xercesc;

namespace {

using Kind = RecordKind;

// Element and attribute names are compared as they come from the parser,
// without transcoding them.
bool eq(const XMLCh* a, const char16_t* b) {
    if (!a) return false;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

bool eqAscii(const XMLCh* a, const char* b) {
    if (!a) return false;
    while (*a && *b && *a == static_cast<unsigned char>(*b)) {
        ++a;
        ++b;
    }
    return *a == 0 && *b == 0;
}

// UTF-16 from the parser to 8-bit UTF-8 text, so names come back byte for
// byte as the array sent them.
void toUtf8(const XMLCh* s, std::string& out) {
    out.clear();
    if (!s) return;
    // Field values are almost always ASCII: copy those in one pass.
    size_t n = 0;
    bool ascii = true;
    for (; s[n]; ++n) ascii &= s[n] < 0x80;
    if (ascii) {
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(s[i]);
        return;
    }
    for (; *s; ++s) {
        uint32_t c = *s;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00);
            ++s;
        }
        if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string toUtf8(const XMLCh* s) {
    std::string out;
    toUtf8(s, out);
    return out;
}

// The number at the head of the text, as the C library's atol reads it;
// out-of-range values are clamped rather than left undefined.
long long toNumber(const XMLCh* s, long long lo, long long hi) {
    if (!s) return 0;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    unsigned long long v = 0;
    const unsigned long long limit =
        negative ? 0ULL - static_cast<unsigned long long>(lo) : static_cast<unsigned long long>(hi);
    for (; *s >= '0' && *s <= '9'; ++s) {
        v = v * 10 + (*s - '0');
        if (v > limit) {
            v = limit;
            while (*s >= '0' && *s <= '9') ++s;
            break;
        }
    }
    return negative ? static_cast<long long>(0ULL - v) : static_cast<long long>(v);
}

inline int64_t toI64(const XMLCh* s) { return toNumber(s, LLONG_MIN, LLONG_MAX); }
inline int toI32(const XMLCh* s) { return static_cast<int>(toNumber(s, INT_MIN, INT_MAX)); }

const XMLCh* valueOf(const Attributes& attrs) {
    for (XMLSize_t i = attrs.getLength(); i-- > 0;)
        if (eq(attrs.getLocalName(i), u"value")) return attrs.getValue(i);
    return nullptr;
}

struct KindName {
    const char16_t* element;
    const char* text;
    Kind kind;
};

const KindName KINDS[] = {
    {u"host", "host", Kind::Host},
    {u"volume", "volume", Kind::Volume},
    {u"vol_mapping", "vol_mapping", Kind::VolMapping},
    {u"mapping", "mapping", Kind::Mapping},
    {u"host_connectivity", "host_connectivity", Kind::HostConn},
    {u"cg", "cg", Kind::Cg},
    {u"snap_group", "snap_group", Kind::SnapGroup},
    {u"pool", "pool", Kind::Pool},
};

std::unique_ptr<ResourceNode> newRecord(Kind kind) {
    switch (kind) {
    case Kind::Host: return std::make_unique<Host>();
    case Kind::Volume: return std::make_unique<XivVol>();
    case Kind::VolMapping: return std::make_unique<VolMapping>();
    case Kind::Mapping: return std::make_unique<HostMapping>();
    case Kind::HostConn: return std::make_unique<HostConn>();
    case Kind::Cg: return std::make_unique<ConsistencyGroup>();
    case Kind::SnapGroup: return std::make_unique<SnapGroup>();
    case Kind::Pool: return std::make_unique<XivPool>();
    case Kind::None: break;
    }
    return nullptr;
}

void fillHost(Host& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"name"))
        toUtf8(v, r.name);
    else if (eq(n, u"fc_ports"))
        toUtf8(v, r.fc_ports);
    else if (eq(n, u"iscsi_ports"))
        toUtf8(v, r.iscsi_ports);
}

void fillVolume(XivVol& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"name")) {
        toUtf8(v, r.name);
        r.vol_name = r.name;
    } else if (eq(n, u"size"))
        r.size = toI64(v);
    else if (eq(n, u"size_MiB"))
        r.size_MiB = toI64(v);
    else if (eq(n, u"capacity"))
        r.capacity = toI64(v);
    else if (eq(n, u"used_capacity"))
        r.used_capacity = toI64(v);
    else if (eq(n, u"used_capacity_MiB"))
        r.used_capacity_MiB = toI64(v);
    else if (eq(n, u"locked"))
        toUtf8(v, r.locked);
    else if (eq(n, u"locked_by_pool"))
        toUtf8(v, r.locked_by_pool);
    else if (eq(n, u"cg_name"))
        toUtf8(v, r.cg_name);
    else if (eq(n, u"pool_name"))
        toUtf8(v, r.pool_name);
    else if (eq(n, u"snapshot_serial"))
        toUtf8(v, r.snapshot_serial);
    else if (eq(n, u"wwn"))
        toUtf8(v, r.wwn);
}

void fillVolMapping(VolMapping& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"lun"))
        r.lun = toI32(v);
    else if (eq(n, u"host"))
        toUtf8(v, r.host);
}

void fillMapping(HostMapping& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"lun"))
        r.lun = toI32(v);
    else if (eq(n, u"volume"))
        toUtf8(v, r.volume);
}

void fillHostConn(HostConn& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"host"))
        toUtf8(v, r.host);
    else if (eq(n, u"host_port"))
        toUtf8(v, r.host_port);
}

void fillCg(ConsistencyGroup& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"name"))
        toUtf8(v, r.name);
    else if (eq(n, u"pool"))
        toUtf8(v, r.pool);
}

void fillSnapGroup(SnapGroup& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"name"))
        toUtf8(v, r.name);
    else if (eq(n, u"cg"))
        toUtf8(v, r.cg);
}

void fillPool(XivPool& r, const XMLCh* n, const XMLCh* v) {
    if (eq(n, u"name"))
        toUtf8(v, r.name);
    else if (eq(n, u"id"))
        toUtf8(v, r.id);
    else if (eq(n, u"soft_size"))
        r.soft_size = toI64(v);
    else if (eq(n, u"hard_size"))
        r.hard_size = toI64(v);
    else if (eq(n, u"hard_size_MiB")) {
        r.hard_size_MiB = toI64(v);
        r.has_hard_size = true;
    } else if (eq(n, u"soft_size_MiB"))
        r.soft_size_MiB = toI64(v);
    else if (eq(n, u"snapshot_size"))
        r.snapshot_size = toI64(v);
    else if (eq(n, u"used_by_volumes"))
        r.used_by_volumes = toI64(v);
    else if (eq(n, u"used_by_snapshots"))
        r.used_by_snapshots = toI64(v);
    else if (eq(n, u"empty_space_soft"))
        r.empty_space_soft = toI64(v);
    else if (eq(n, u"empty_space_soft_MiB"))
        r.empty_space_soft_MiB = toI64(v);
    else if (eq(n, u"empty_space_hard"))
        r.empty_space_hard = toI64(v);
    else if (eq(n, u"empty_space_hard_MiB"))
        r.empty_space_hard_MiB = toI64(v);
    else if (eq(n, u"locked"))
        toUtf8(v, r.locked);
    else if (eq(n, u"lock_behavior") || eq(n, u"lock_behaviour"))
        toUtf8(v, r.lock_behaviour);
    else if (eq(n, u"size"))
        r.size = toI64(v);
    else if (eq(n, u"empty_space"))
        r.empty_space = toI64(v);
}

}  // namespace

RecordKind KindNamed(const std::string& text) {
    for (const KindName& k : KINDS)
        if (text == k.text) return k.kind;
    return Kind::None;
}

RecordKind KindOfElement(const XMLCh* element) {
    for (const KindName& k : KINDS)
        if (eq(element, k.element)) return k.kind;
    return Kind::None;
}

std::unique_ptr<ResourceNode> NewRecord(RecordKind kind) { return newRecord(kind); }

void FillField(RecordKind kind, ResourceNode& record, const XMLCh* n, const Attributes& attrs) {
    static const XMLCh empty[] = {0};
    const XMLCh* v = valueOf(attrs);
    if (!v) v = empty;
    switch (kind) {
    case Kind::Host: fillHost(static_cast<Host&>(record), n, v); break;
    case Kind::Volume: fillVolume(static_cast<XivVol&>(record), n, v); break;
    case Kind::VolMapping: fillVolMapping(static_cast<VolMapping&>(record), n, v); break;
    case Kind::Mapping: fillMapping(static_cast<HostMapping&>(record), n, v); break;
    case Kind::HostConn: fillHostConn(static_cast<HostConn&>(record), n, v); break;
    case Kind::Cg: fillCg(static_cast<ConsistencyGroup&>(record), n, v); break;
    case Kind::SnapGroup: fillSnapGroup(static_cast<SnapGroup&>(record), n, v); break;
    case Kind::Pool: fillPool(static_cast<XivPool&>(record), n, v); break;
    case Kind::None: break;
    }
}

bool SameName(const XMLCh* name, const char16_t* literal) { return eq(name, literal); }

bool SameAsciiName(const XMLCh* name, const char* literal) { return eqAscii(name, literal); }

void ToUtf8(const XMLCh* text, std::string& out) { toUtf8(text, out); }

std::string ToUtf8(const XMLCh* text) { return toUtf8(text); }
