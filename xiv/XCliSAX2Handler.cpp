#include "xiv/XCliSAX2Handler.h"

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

#include "xiv/AnswerFields.h"

using namespace xercesc;

namespace {

// Parses are process-wide (the platform is); the host runs one at a time, and
// this keeps two from ever overlapping.
std::mutex& parseMutex() {
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
    ~Platform() {
        readers[0].reset();
        readers[1].reset();
        guard.reset();
        XMLPlatformUtils::Terminate();
    }
    SecurityManager& security() {
        if (!guard) guard.reset(new SecurityManager);
        return *guard;
    }
    std::unique_ptr<SecurityManager> guard;
    std::unique_ptr<SAX2XMLReader> readers[2];  // [plain answer?]
};

Platform& holdPlatform() {
    static Platform platform;
    return platform;
}

// Points the shared reader at no handler between parses: the last handler
// is gone by then.
struct Detach {
    SAX2XMLReader* reader;
    ~Detach() {
        reader->setContentHandler(nullptr);
        reader->setErrorHandler(nullptr);
        reader->setLexicalHandler(nullptr);
    }
};

}  // namespace

bool XCliSAX2Handler::PlainAnswer(const char* xml, size_t size) {
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
                                SecurityManager& security, bool plain) {
    reader.setProperty(XMLUni::fgXercesScannerName,
                       const_cast<XMLCh*>(plain ? XMLUni::fgWFXMLScanner : XMLUni::fgIGXMLScanner));
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
    : depth_(0),
      expectedKind_(expectedKind),
      current_(nullptr),
      expected_(KindNamed(expectedKind)),
      currentKind_(RecordKind::None),
      failed_(false) {}

XCliSAX2Handler::~XCliSAX2Handler() = default;

ResourceList XCliSAX2Handler::TakeResources() {
    ResourceList taken;
    taken.reserve(resources_.size());
    for (auto record = resources_.rbegin(); record != resources_.rend(); ++record)
        taken.push_back(std::move(*record));
    resources_.clear();
    current_ = nullptr;
    return taken;
}

bool XCliSAX2Handler::GetAttrVal(const Attributes& attrs, const char* name, std::string& value) {
    for (XMLSize_t i = attrs.getLength(); i-- > 0;) {
        if (SameAsciiName(attrs.getLocalName(i), name)) {
            ToUtf8(attrs.getValue(i), value);
            return true;
        }
    }
    return false;
}

void XCliSAX2Handler::startElement(const XMLCh*, const XMLCh* localname, const XMLCh*,
                                   const Attributes& attrs) {
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

void XCliSAX2Handler::fatalError(const SAXParseException& e) {
    failed_ = true;
    char line[100];
    std::snprintf(line, sizeof line, " %llu\n", static_cast<unsigned long long>(e.getLineNumber()));
    message_ += "Fatal Error: " + ToUtf8(e.getMessage()) + "at line: " + line;
}

void XCliSAX2Handler::startDTD(const XMLCh*, const XMLCh*, const XMLCh*) {
    failed_ = true;
    throw SAXParseException(u"a DOCTYPE is not accepted in an XCLI answer", u"", u"", 0, 0);
}

void XCliSAX2Handler::statusNode(const Attributes& attrs) {
    if (!GetAttrVal(attrs, "STATUS", status_)) status_.clear();
    message_ += "cmd_status = " + status_;
}

void XCliSAX2Handler::resourceNode(const XMLCh* localname) {
    const RecordKind kind = KindOfElement(localname);
    if (kind != RecordKind::None) {
        resources_.push_back(NewRecord(kind));
        current_ = resources_.back().get();
        currentKind_ = kind;
        return;
    }
    if (SameName(localname, u"DESCRIPTION")) return;
    message_ += "this type of resource is not yet supported";
}

void XCliSAX2Handler::memberNode(const XMLCh* n, const Attributes& attrs) {
    // Fields go only to a record of the kind the caller asked for.
    if (!current_ || expected_ == RecordKind::None || currentKind_ != expected_) return;
    FillField(currentKind_, *current_, n, attrs);
}

int XCliSAX2Handler::ParseXML(const char* xml, std::string& errorText) {
    std::lock_guard<std::mutex> lock(parseMutex());
    try {
        holdPlatform();
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& e) {
        errorText = message_ + "Error during initialization! :\n" + "Exception message is: \n" +
                    ToUtf8(e.getMessage());
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
        errorText = message_ + "Exception message is: \n" + ToUtf8(e.getMessage());
        rc = -1;
    } catch (const SAXParseException& e) {
        errorText = message_ + "Exception message is: \n" + ToUtf8(e.getMessage());
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
