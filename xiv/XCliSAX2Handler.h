// SAX2 handler that turns an XCLIRETURN answer into its status and a list of
// resource records. Level 1 is the root (its STATUS), level 2 OUTPUT, level 3
// one element per resource, level 4 one element per field (its "value").
#pragma once

#include <string>

#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include "xiv/AnswerFields.h"
#include "xiv/Resources.h"

class XCliSAX2Handler : public xercesc::DefaultHandler {
public:
    // expectedKind: which kind's fields to fill ("" fills none).
    explicit XCliSAX2Handler(const std::string& expectedKind);
    ~XCliSAX2Handler() override;
    XCliSAX2Handler(const XCliSAX2Handler&) = delete;
    XCliSAX2Handler& operator=(const XCliSAX2Handler&) = delete;

    void startElement(const XMLCh* uri, const XMLCh* localname, const XMLCh* qname,
                      const xercesc::Attributes& attrs) override;
    void endElement(const XMLCh* uri, const XMLCh* localname, const XMLCh* qname) override;
    void fatalError(const xercesc::SAXParseException& e) override;
    // An answer never carries a DTD; one that does is refused before anything
    // it declares could be loaded or expanded.
    void startDTD(const XMLCh* name, const XMLCh* publicId, const XMLCh* systemId) override;

    // 0 when the whole document parsed; 1 when the parser could not be set
    // up; -1 when the document broke off (errorText then says why). Records
    // read before a failure stay in the list.
    int ParseXML(const char* xml, std::string& errorText);

    const std::string& GetCmdStatus() const { return status_; }
    // Hands over the records read, newest first.
    ResourceList TakeResources();

    // The value of the attribute with that local name (the last one wins).
    static bool GetAttrVal(const xercesc::Attributes& attrs, const char* name, std::string& value);

    // The reader set-up every parse uses: validation and namespaces on,
    // nothing loaded from outside the answer, entity expansion bounded; the
    // lean scanner for a plain answer, the full one otherwise.
    static void Configure(xercesc::SAX2XMLReader& reader, xercesc::DefaultHandler& handler,
                          xercesc::SecurityManager& security, bool plain);

    // True when the text opens straight on its root element (after blanks
    // only: no XML declaration, byte order mark, DOCTYPE, comment or other
    // encoding) and declares no namespace, as every xcli answer does. Such a
    // text is UTF-8 and cannot carry a DOCTYPE.
    static bool PlainAnswer(const char* xml, size_t size);

private:
    void statusNode(const xercesc::Attributes& attrs);
    void resourceNode(const XMLCh* localname);
    void memberNode(const XMLCh* localname, const xercesc::Attributes& attrs);

    int depth_;
    ResourceList resources_;  // in the order read
    std::string expectedKind_;
    std::string status_;
    ResourceNode* current_;
    std::string message_;
    RecordKind expected_;
    RecordKind currentKind_;
    bool failed_;
};
