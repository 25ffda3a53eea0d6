// The records of an XCLI answer: which element names which kind of record
// and how a field element fills it. Names and values arrive from the parser
// in UTF-16; they are compared as they come, without transcoding, and
// converted byte for byte to the UTF-8 text the array sent.
#pragma once

#include <memory>
#include <string>

#include <xercesc/sax2/Attributes.hpp>

#include "xiv/Resources.h"

enum class RecordKind { None, Host, Volume, VolMapping, Mapping, HostConn, Cg, SnapGroup, Pool };

// The kind an expected-kind text names ("host", "volume", "vol_mapping",
// "mapping", "host_connectivity", "cg", "snap_group", "pool"); None otherwise.
RecordKind KindNamed(const std::string& text);
// The kind a resource element names; None for any other element.
RecordKind KindOfElement(const XMLCh* element);
std::unique_ptr<ResourceNode> NewRecord(RecordKind kind);
// Fills the field a field element names from its "value" attribute (the
// last one wins; none is an empty value). record must be of kind.
void FillField(RecordKind kind, ResourceNode& record, const XMLCh* name,
               const xercesc::Attributes& attrs);

// name equals the literal exactly.
bool SameName(const XMLCh* name, const char16_t* literal);
bool SameAsciiName(const XMLCh* name, const char* literal);
void ToUtf8(const XMLCh* text, std::string& out);
std::string ToUtf8(const XMLCh* text);
