#include "xiv/XCliSAX2Handler.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

using namespace xercesc;

namespace {

// Element and attribute names are compared as they come from the parser,
// without transcoding them.
inline bool eq(const XMLCh* a, const char16_t* b)
{
    if (!a) return false;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

inline bool eqAscii(const XMLCh* a, const char* b)
{
    if (!a) return false;
    while (*a && *b && *a == static_cast<unsigned char>(*b)) {
        ++a;
        ++b;
    }
    return *a == 0 && *b == 0;
}

// UTF-16 from the parser to 8-bit UTF-8 text, so names come back byte for
// byte as the array sent them.
void toUtf8(const XMLCh* s, std::string& out)
{
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

std::string toUtf8(const XMLCh* s)
{
    std::string out;
    toUtf8(s, out);
    return out;
}

// The number at the head of the text, as the C library's atol reads it;
// out-of-range values are clamped rather than left undefined.
long long toNumber(const XMLCh* s, long long lo, long long hi)
{
    if (!s) return 0;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    unsigned long long v = 0;
    const unsigned long long limit = negative ? 0ULL - static_cast<unsigned long long>(lo)
                                              : static_cast<unsigned long long>(hi);
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

const XMLCh* valueOf(const Attributes& attrs)
{
    for (XMLSize_t i = attrs.getLength(); i-- > 0;)
        if (eq(attrs.getLocalName(i), u"value")) return attrs.getValue(i);
    return nullptr;
}

using Kind = XCliSAX2Handler::Kind;

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

std::unique_ptr<ResourceNode> newRecord(Kind kind)
{
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

void fillHost(Host& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"name")) toUtf8(v, r.name);
    else if (eq(n, u"fc_ports")) toUtf8(v, r.fc_ports);
    else if (eq(n, u"iscsi_ports")) toUtf8(v, r.iscsi_ports);
}

void fillVolume(XivVol& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"name")) {
        toUtf8(v, r.name);
        r.vol_name = r.name;
    } else if (eq(n, u"size")) r.size = toI64(v);
    else if (eq(n, u"size_MiB")) r.size_MiB = toI64(v);
    else if (eq(n, u"capacity")) r.capacity = toI64(v);
    else if (eq(n, u"used_capacity")) r.used_capacity = toI64(v);
    else if (eq(n, u"used_capacity_MiB")) r.used_capacity_MiB = toI64(v);
    else if (eq(n, u"locked")) toUtf8(v, r.locked);
    else if (eq(n, u"locked_by_pool")) toUtf8(v, r.locked_by_pool);
    else if (eq(n, u"cg_name")) toUtf8(v, r.cg_name);
    else if (eq(n, u"pool_name")) toUtf8(v, r.pool_name);
    else if (eq(n, u"snapshot_serial")) toUtf8(v, r.snapshot_serial);
    else if (eq(n, u"wwn")) toUtf8(v, r.wwn);
}

void fillVolMapping(VolMapping& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"lun")) r.lun = toI32(v);
    else if (eq(n, u"host")) toUtf8(v, r.host);
}

void fillMapping(HostMapping& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"lun")) r.lun = toI32(v);
    else if (eq(n, u"volume")) toUtf8(v, r.volume);
}

void fillHostConn(HostConn& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"host")) toUtf8(v, r.host);
    else if (eq(n, u"host_port")) toUtf8(v, r.host_port);
}

void fillCg(ConsistencyGroup& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"name")) toUtf8(v, r.name);
    else if (eq(n, u"pool")) toUtf8(v, r.pool);
}

void fillSnapGroup(SnapGroup& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"name")) toUtf8(v, r.name);
    else if (eq(n, u"cg")) toUtf8(v, r.cg);
}

void fillPool(XivPool& r, const XMLCh* n, const XMLCh* v)
{
    if (eq(n, u"name")) toUtf8(v, r.name);
    else if (eq(n, u"id")) toUtf8(v, r.id);
    else if (eq(n, u"soft_size")) r.soft_size = toI64(v);
    else if (eq(n, u"hard_size")) r.hard_size = toI64(v);
    else if (eq(n, u"hard_size_MiB")) {
        r.hard_size_MiB = toI64(v);
        r.has_hard_size = true;
    }
    else if (eq(n, u"soft_size_MiB")) r.soft_size_MiB = toI64(v);
    else if (eq(n, u"snapshot_size")) r.snapshot_size = toI64(v);
    else if (eq(n, u"used_by_volumes")) r.used_by_volumes = toI64(v);
    else if (eq(n, u"used_by_snapshots")) r.used_by_snapshots = toI64(v);
    else if (eq(n, u"empty_space_soft")) r.empty_space_soft = toI64(v);
    else if (eq(n, u"empty_space_soft_MiB")) r.empty_space_soft_MiB = toI64(v);
    else if (eq(n, u"empty_space_hard")) r.empty_space_hard = toI64(v);
    else if (eq(n, u"empty_space_hard_MiB")) r.empty_space_hard_MiB = toI64(v);
    else if (eq(n, u"locked")) toUtf8(v, r.locked);
    else if (eq(n, u"lock_behavior") || eq(n, u"lock_behaviour")) toUtf8(v, r.lock_behaviour);
    else if (eq(n, u"size")) r.size = toI64(v);
    else if (eq(n, u"empty_space")) r.empty_space = toI64(v);
}

// Parses are process-wide (the platform is); the host runs one at a time, and
// this keeps two from ever overlapping.
std::mutex& parseMutex()
{
    static std::mutex m;
    return m;
}

// Holds one platform reference for the library's lifetime, so the
// initialise/terminate pair of each parse only counts instead of loading and
// unloading the whole platform every time. It also keeps the readers all
// parses share (they never overlap), one per scanner: building and
// configuring a reader costs more than parsing a small answer. The readers
// go before the platform does.
struct Platform {
    Platform() { XMLPlatformUtils::Initialize(); }
    ~Platform()
    {
        readers[0].reset();
        readers[1].reset();
        guard.reset();
        XMLPlatformUtils::Terminate();
    }
    SecurityManager& security()
    {
        if (!guard) guard.reset(new SecurityManager);
        return *guard;
    }
    std::unique_ptr<SecurityManager> guard;
    std::unique_ptr<SAX2XMLReader> readers[2];  // [plain answer?]
};

Platform& holdPlatform()
{
    static Platform platform;
    return platform;
}

// Points the shared reader at no handler between parses: the last handler
// is gone by then.
struct Detach {
    SAX2XMLReader* reader;
    ~Detach()
    {
        reader->setContentHandler(nullptr);
        reader->setErrorHandler(nullptr);
        reader->setLexicalHandler(nullptr);
    }
};

}  // namespace

bool XCliSAX2Handler::PlainAnswer(const char* xml, size_t size)
{
    size_t i = 0;
    while (i < size && (xml[i] == ' ' || xml[i] == '\t' || xml[i] == '\r' || xml[i] == '\n')) ++i;
    if (size - i < 2 || xml[i] != '<') return false;
    const char c = xml[i + 1];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':')) return false;
    return memmem(xml + i, size - i, "xmlns", 5) == nullptr;
}

// No grammar is ever in play: validation stays switched on but only happens
// when a document brings a grammar (dynamic), which the DOCTYPE refusal and the
// switched-off schema support never let one do. Validating without a grammar
// would only report every element as undeclared, to be thrown away.
//
// A plain answer (see the header) goes to the well-formedness scanner: with no
// DOCTYPE possible there is nothing for the validating scanner to do that the
// lean one does not, and the lean one does it in three quarters to four
// fifths of the time.
// Everything else keeps the full scanner, whose DTD events refuse a DOCTYPE
// and whose namespace checks are the complete ones.
void XCliSAX2Handler::Configure(SAX2XMLReader& reader, DefaultHandler& handler,
                                SecurityManager& security, bool plain)
{
    reader.setProperty(XMLUni::fgXercesScannerName,
                       const_cast<XMLCh*>(plain ? XMLUni::fgWFXMLScanner
                                                : XMLUni::fgIGXMLScanner));
    reader.setFeature(XMLUni::fgSAX2CoreValidation, true);
    reader.setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
    reader.setFeature(XMLUni::fgXercesDynamic, true);
    reader.setFeature(XMLUni::fgXercesSchema, false);
    reader.setFeature(XMLUni::fgXercesLoadSchema, false);
    reader.setFeature(XMLUni::fgXercesLoadExternalDTD, false);
    reader.setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
    // The lean scanner never reads an entity declaration, so nothing can
    // expand there; it would count even &amp; against the limit.
    if (!plain) {
        security.setEntityExpansionLimit(100);
        reader.setProperty(XMLUni::fgXercesSecurityManager, &security);
    }
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    reader.setLexicalHandler(&handler);
}

XCliSAX2Handler::XCliSAX2Handler(const std::string& expectedKind)
    : depth_(0), expectedKind_(expectedKind), current_(nullptr), expected_(Kind::None),
      currentKind_(Kind::None), failed_(false)
{
    for (const KindName& k : KINDS)
        if (expectedKind == k.text) expected_ = k.kind;
}

XCliSAX2Handler::~XCliSAX2Handler() = default;

ResourceList XCliSAX2Handler::TakeResources()
{
    ResourceList taken;
    taken.reserve(resources_.size());
    for (auto record = resources_.rbegin(); record != resources_.rend(); ++record)
        taken.push_back(std::move(*record));
    resources_.clear();
    current_ = nullptr;
    return taken;
}

bool XCliSAX2Handler::GetAttrVal(const Attributes& attrs, const char* name, std::string& value)
{
    for (XMLSize_t i = attrs.getLength(); i-- > 0;) {
        if (eqAscii(attrs.getLocalName(i), name)) {
            toUtf8(attrs.getValue(i), value);
            return true;
        }
    }
    return false;
}

void XCliSAX2Handler::startElement(const XMLCh*, const XMLCh* localname, const XMLCh*,
                                   const Attributes& attrs)
{
    ++depth_;
    switch (depth_) {
    case 1: statusNode(attrs); break;
    case 2: break;
    case 3: resourceNode(localname); break;
    case 4: memberNode(localname, attrs); break;
    default: message_ += "this level is not expected"; break;
    }
}

void XCliSAX2Handler::endElement(const XMLCh*, const XMLCh*, const XMLCh*) { --depth_; }

void XCliSAX2Handler::fatalError(const SAXParseException& e)
{
    failed_ = true;
    char line[100];
    std::snprintf(line, sizeof line, " %llu\n",
                  static_cast<unsigned long long>(e.getLineNumber()));
    message_ += "Fatal Error: " + toUtf8(e.getMessage()) + "at line: " + line;
}

void XCliSAX2Handler::startDTD(const XMLCh*, const XMLCh*, const XMLCh*)
{
    failed_ = true;
    throw SAXParseException(u"a DOCTYPE is not accepted in an XCLI answer", u"", u"", 0, 0);
}

void XCliSAX2Handler::statusNode(const Attributes& attrs)
{
    if (!GetAttrVal(attrs, "STATUS", status_)) status_.clear();
    message_ += "cmd_status = " + status_;
}

void XCliSAX2Handler::resourceNode(const XMLCh* localname)
{
    for (const KindName& k : KINDS) {
        if (eq(localname, k.element)) {
            resources_.push_back(newRecord(k.kind));
            current_ = resources_.back().get();
            currentKind_ = k.kind;
            return;
        }
    }
    if (eq(localname, u"DESCRIPTION")) return;
    message_ += "this type of resource is not yet supported";
}

void XCliSAX2Handler::memberNode(const XMLCh* n, const Attributes& attrs)
{
    // Fields go only to a record of the kind the caller asked for.
    if (!current_ || expected_ == Kind::None || currentKind_ != expected_) return;
    static const XMLCh empty[] = {0};
    const XMLCh* v = valueOf(attrs);
    if (!v) v = empty;
    switch (currentKind_) {
    case Kind::Host: fillHost(*static_cast<Host*>(current_), n, v); break;
    case Kind::Volume: fillVolume(*static_cast<XivVol*>(current_), n, v); break;
    case Kind::VolMapping: fillVolMapping(*static_cast<VolMapping*>(current_), n, v); break;
    case Kind::Mapping: fillMapping(*static_cast<HostMapping*>(current_), n, v); break;
    case Kind::HostConn: fillHostConn(*static_cast<HostConn*>(current_), n, v); break;
    case Kind::Cg: fillCg(*static_cast<ConsistencyGroup*>(current_), n, v); break;
    case Kind::SnapGroup: fillSnapGroup(*static_cast<SnapGroup*>(current_), n, v); break;
    case Kind::Pool: fillPool(*static_cast<XivPool*>(current_), n, v); break;
    case Kind::None: break;
    }
}

int XCliSAX2Handler::ParseXML(const char* xml, std::string& errorText)
{
    std::lock_guard<std::mutex> lock(parseMutex());
    try {
        holdPlatform();
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& e) {
        errorText = message_ + "Error during initialization! :\n" + "Exception message is: \n" +
                    toUtf8(e.getMessage());
        return 1;
    }
    int rc = 0;
    bool thrown = true;
    Platform& platform = holdPlatform();
    const size_t size = std::strlen(xml);
    const bool plain = PlainAnswer(xml, size);
    std::unique_ptr<SAX2XMLReader>& reader = platform.readers[plain];
    try {
        if (!reader) {
            reader.reset(XMLReaderFactory::createXMLReader());
            Configure(*reader, *this, platform.security(), plain);
        } else {
            reader->setContentHandler(this);
            reader->setErrorHandler(this);
            reader->setLexicalHandler(this);
        }
        Detach detach{reader.get()};
        MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml), size, "FakeSystemId",
                                 false);
        reader->parse(source);
        thrown = false;
        errorText = message_;
        rc = failed_ ? -1 : 0;
    } catch (const XMLException& e) {
        errorText = message_ + "Exception message is: \n" + toUtf8(e.getMessage());
        rc = -1;
    } catch (const SAXParseException& e) {
        errorText = message_ + "Exception message is: \n" + toUtf8(e.getMessage());
        rc = -1;
    } catch (...) {
        errorText = message_ + "Unexpected Exception \n";
        rc = -1;
    }
    // A parse that broke off by an exception may leave the reader half-way:
    // the next parse starts on a fresh one.
    if (thrown) reader.reset();
    XMLPlatformUtils::Terminate();
    return rc;
}
